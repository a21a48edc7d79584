// Compressing host files: read in large pieces, encoded as a stream, written under a temporary
// name and renamed into place.
#include "pack/CompressFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <system_error>

#include "support/Cp932.h"
#include "support/SzddWriter.h"

namespace orvane::pack {
namespace fs = std::filesystem;

namespace {

std::string Utf8(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path FromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

}  // namespace

bool CompressedHostName(const std::string& utf8Name, std::string& compressedUtf8, char& lastChar) {
  std::string cp932;
  if (utf8Name.empty() || !Utf8ToCp932(utf8Name, cp932)) return false;
  SzddName name = CompressedName(cp932);
  lastChar = name.lastChar;
  return Cp932ToUtf8(name.name, compressedUtf8);
}

bool CompressFile(const fs::path& source, const fs::path& destination, char lastChar,
                  CompressedFile& result, std::string& error) {
  result = {};
  std::error_code ec;
  if (fs::is_directory(source, ec)) {
    error = Utf8(source) + ": is a folder";
    return false;
  }
  std::ifstream in(source, std::ios::binary);
  const uint64_t size = fs::file_size(source, ec);
  if (!in || ec) {
    error = Utf8(source) + ": cannot be read" + (ec ? " (" + ec.message() + ")" : "");
    return false;
  }
  const fs::path temporary =
      destination.parent_path() / FromUtf8("." + Utf8(destination.filename()) + ".partial");
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out) {
    error = Utf8(destination) + ": cannot be written (" + std::strerror(errno) + ")";
    return false;
  }
  auto fail = [&](const std::string& text) {
    out.close();
    fs::remove(temporary, ec);
    error = text;
    return false;
  };

  SzddEncoder encoder(
      [&](const char* data, std::size_t n) {
        out.write(data, static_cast<std::streamsize>(n));
        result.outputSize += n;
        return static_cast<bool>(out);
      },
      lastChar, size);
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  std::unique_ptr<char[]> piece(new char[kPiece]);
  while (in) {
    in.read(piece.get(), kPiece);
    const auto n = static_cast<std::size_t>(in.gcount());
    if (n == 0) break;
    result.inputSize += n;
    if (!encoder.Write(piece.get(), n)) return fail(Utf8(destination) + ": cannot be written");
  }
  if (in.bad()) return fail(Utf8(source) + ": read failed");
  if (!encoder.Finish()) return fail(Utf8(destination) + ": cannot be written");
  out.close();
  if (!out) return fail(Utf8(destination) + ": cannot be written");
  fs::rename(temporary, destination, ec);
  if (ec) return fail(Utf8(destination) + ": cannot be written (" + ec.message() + ")");
  return true;
}

}  // namespace orvane::pack
