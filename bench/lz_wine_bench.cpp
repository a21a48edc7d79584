// The system's LZ32 (LZOpenFileW + LZCopy + LZClose, GetExpandedNameW) against the Win32
// backend's own decoder (Win32Lz) inside one Windows program: time and byte-exactness on a large
// SZDD file, then the edge cases side by side. Built and run under Wine by bench/lz_bench_wine.sh;
// never part of the build or the tests.
// Usage: lz_wine_bench.exe COMPRESSED ORIGINAL WORK_FOLDER [--timing-only]   (ASCII paths)
#include <windows.h>
// <lzexpand.h> uses the types of <windows.h> without including it (this line keeps sorting off).
#include <lzexpand.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/Win32Lz.h"
#include "support/Cp932.h"

namespace {

double Now() {
  LARGE_INTEGER frequency, count;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&count);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring W(const std::string& cp932) {
  std::u16string units;
  orvane::Cp932ToUtf16(cp932, units);
  return std::wstring(units.begin(), units.end());
}

bool ReadAll(const std::string& path, std::string& bytes) {
  HANDLE file = CreateFileW(W(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  GetFileSizeEx(file, &size);
  bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  size_t at = 0;
  while (at < bytes.size() &&
         ReadFile(file, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &got, nullptr) &&
         got > 0)
    at += got;
  CloseHandle(file);
  bytes.resize(at);
  return true;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(W(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// LZ32's expansion: the LZCopy count (or a negative LZERROR_ code, or the OpenFile failure as
// "open").
std::string Lz32Expand(const std::string& source, const std::string& destination) {
  OFSTRUCT in = {}, out = {};
  std::wstring from = W(source), to = W(destination);
  INT input = LZOpenFileW(from.data(), &in, OF_READ);
  if (input < 0) return "open " + std::to_string(input);
  INT output = LZOpenFileW(to.data(), &out, OF_CREATE);
  if (output < 0) {
    LZClose(input);
    return "create " + std::to_string(output);
  }
  LONG copied = LZCopy(input, output);
  LZClose(input);
  LZClose(output);
  return copied < 0 ? "error " + std::to_string(copied) : "ok";
}

std::string Lz32Name(const std::string& path) {
  std::wstring in = W(path);
  std::vector<wchar_t> out(in.size() + 8);
  INT result = GetExpandedNameW(in.data(), out.data());
  if (result < 0) return "error " + std::to_string(result);
  std::u16string units(out.data(), out.data() + wcslen(out.data()));
  std::string text;
  return orvane::Utf16ToCp932(units, text) ? text : "(not CP932)";
}

std::string Szdd(char mode, char lastChar, uint32_t size, const std::string& data) {
  std::string bytes("SZDD\x88\xF0\x27\x33", 8);
  bytes += mode;
  bytes += lastChar;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((size >> (8 * i)) & 0xFF);
  return bytes + data;
}

// Shows bytes short enough to print, and the length of longer ones.
std::string Show(const std::string& bytes) {
  if (bytes.size() > 24) return std::to_string(bytes.size()) + " bytes";
  std::string text = "\"";
  for (unsigned char c : bytes) {
    char hex[5];
    std::snprintf(hex, sizeof hex, c >= 32 && c < 127 ? "%c" : "\\x%02X", c);
    text += hex;
  }
  return text + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: lz_wine_bench COMPRESSED ORIGINAL WORK_FOLDER [--timing-only]\n");
    return 2;
  }
  const std::string compressed = argv[1], original = argv[2], work = std::string(argv[3]) + "\\";
  orvane::win32::Win32Lz ours;
  std::string expected, got;
  if (!ReadAll(original, expected)) return 2;
  const double mb = static_cast<double>(expected.size()) / 1e6;

  double bestLz32 = 1e9, bestOurs = 1e9;
  bool exactLz32 = true, exactOurs = true;
  for (int round = 0; round < 3; ++round) {
    double start = Now();
    std::string result = Lz32Expand(compressed, work + "lz32.out");
    bestLz32 = std::min(bestLz32, Now() - start);
    exactLz32 = exactLz32 && result == "ok" && ReadAll(work + "lz32.out", got) && got == expected;
    start = Now();
    uint32_t error = ours.Expand(compressed, work + "ours.out");
    bestOurs = std::min(bestOurs, Now() - start);
    exactOurs = exactOurs && error == 0 && ReadAll(work + "ours.out", got) && got == expected;
  }
  std::printf("%.1f MB expanded, file to file, best of 3 (%d-bit)\n", mb,
              static_cast<int>(sizeof(void*) * 8));
  std::printf("  LZ32 LZCopy:        %.3f s  %6.1f MB/s  byte-exact: %s\n", bestLz32, mb / bestLz32,
              exactLz32 ? "yes" : "NO");
  std::printf("  own decoder:        %.3f s  %6.1f MB/s  byte-exact: %s\n", bestOurs, mb / bestOurs,
              exactOurs ? "yes" : "NO");
  std::printf("  ratio own/LZ32 (speed): %.2f\n", bestLz32 / bestOurs);
  if (argc == 5) return 0;

  // Edge cases: the same file through both, the outcome and the bytes written.
  const std::string abc =
      "\x07"
      "ABC\xF0\xF3";  // "ABCABCABC" with an overlapping copy
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty file", ""},
      {"1 byte", "S"},
      {"2 bytes", "SZ"},
      {"magic and 5 header bytes (13 bytes)", Szdd('A', 't', 9, "").substr(0, 13)},
      {"header only, size 0", Szdd('A', 't', 0, "")},
      {"ABCABCABC", Szdd('A', 't', 9, abc)},
      {"data cut after 2 literals", Szdd('A', 't', 9, abc.substr(0, 3))},
      {"copy item cut in half", Szdd('A', 't', 9, abc.substr(0, 5))},
      {"size field 100, data for 9", Szdd('A', 't', 100, abc)},
      {"size field 3, data for 9", Szdd('A', 't', 3, abc)},
      {"mode 'B'", Szdd('B', 't', 9, abc)},
      {"KWAJ header", std::string("KWAJ\x88\xF0\x27\xD1\x03\x00\x12\x00\x00\x00", 14) + "xyz"},
      {"old SZ form", std::string("SZ \x88\xF0\x27\x33\xD1", 8) + "abc"},
  };
  std::printf("\nedge cases (LZ32 | own decoder):\n");
  int n = 0;
  for (const Case& c : cases) {
    std::string source = work + "edge" + std::to_string(++n) + ".bi_";
    WriteAll(source, c.bytes);
    DeleteFileW(W(work + "edge.lz32").c_str());
    DeleteFileW(W(work + "edge.ours").c_str());
    std::string lz32Result = Lz32Expand(source, work + "edge.lz32");
    std::string lz32Bytes, oursBytes;
    if (!ReadAll(work + "edge.lz32", lz32Bytes)) lz32Bytes = "(none)";
    uint32_t oursResult = ours.Expand(source, work + "edge.ours");
    if (!ReadAll(work + "edge.ours", oursBytes)) oursBytes = "(none)";
    std::printf("  %-38s %-10s %-24s | %-4u %-24s%s\n", c.name, lz32Result.c_str(),
                Show(lz32Bytes).c_str(), oursResult, Show(oursBytes).c_str(),
                lz32Bytes == oursBytes ? "" : "  <- differ");
  }

  // Long and double-byte paths, and the expanded names.
  std::string deep = work;
  while (deep.size() < 140) deep += "LongFolderName\\", CreateDirectoryW(W(deep).c_str(), nullptr);
  const std::string japanese = work + "\x83\x5C\x83\x74\x83\x67";  // a name with a 0x5C trail
  CreateDirectoryW(W(japanese).c_str(), nullptr);
  for (const std::string& folder : {deep, japanese + "\\"}) {
    WriteAll(folder + "DATA.TX_", Szdd('A', 't', 9, abc));
    std::string lz32Bytes, oursBytes;
    std::string lz32Result = Lz32Expand(folder + "DATA.TX_", folder + "DATA.L32");
    if (!ReadAll(folder + "DATA.L32", lz32Bytes)) lz32Bytes = "(none)";
    uint32_t oursResult = ours.Expand(folder + "DATA.TX_", folder + "DATA.OWN");
    if (!ReadAll(folder + "DATA.OWN", oursBytes)) oursBytes = "(none)";
    std::printf("  %-38s %-10s %-24s | %-4u %s\n",
                folder == deep ? "path of 150+ characters" : "CP932 folder with 0x5C trail",
                lz32Result.c_str(), Show(lz32Bytes).c_str(), oursResult, Show(oursBytes).c_str());
  }
  std::printf("\nexpanded names (GetExpandedNameW | own):\n");
  struct Name {
    std::string file;
    char lastChar;
  } names[] = {{"FILE.BL_", 'a'}, {"file.bl_", 'A'}, {"Setup.Ex_", 'E'},   {"NODOT_", 'x'},
               {"A.B.C_", 'd'},   {"FILE.TX_", 0},   {"\x83\x5C.TX_", 't'}};
  for (const Name& name : names) {
    const std::string folder = name.file[0] == '\x83' ? japanese + "\\" : work;
    WriteAll(folder + name.file, Szdd('A', name.lastChar, 9, abc));
    std::string lz32 = Lz32Name(folder + name.file), own = ours.ExpandedName(folder + name.file);
    auto part = [&](const std::string& path) {
      return path.compare(0, folder.size(), folder) == 0 ? Show(path.substr(folder.size()))
                                                         : Show(path);
    };
    std::printf("  %-14s '%c'  %-14s | %-14s%s\n", Show(name.file).c_str(),
                name.lastChar ? name.lastChar : '0', part(lz32).c_str(), part(own).c_str(),
                lz32 == own ? "" : "  <- differ");
  }
  return 0;
}
