// Fuzz target for path resolution with an escape oracle: a fuzzed Windows path is resolved on a
// small machine whose drives hold symbolic links pointing out of it and back in, a mapped drive
// whose folder is itself a link, and a virtual file. A path that resolves must really lie (links
// followed, as the operating system would follow them) inside the machine folder, a mapped drive
// or be the virtual file; the canonical form must be a fixed point that resolves the same way.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "platform/host/Machine.h"

namespace fs = std::filesystem;
using orvane::host::Machine;

namespace {

std::string g_base;
std::unique_ptr<Machine> g_machine;
std::vector<std::string> g_roots;  // real folders a resolved path may lie in
std::string g_virtual;             // the real path of the virtual file

void Link(const std::string& target, const fs::path& at) {
  std::error_code ec;
  fs::create_symlink(target, at, ec);
  if (ec) {
    std::fprintf(stderr, "fixture: %s\n", ec.message().c_str());
    std::abort();
  }
}

void Write(const fs::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

std::string Real(const std::string& path) {
  char buf[PATH_MAX];
  return realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

// Where a host path really leads: the real path of its longest existing part, with the rest (which
// does not exist, so holds no link) after it.
std::string Destination(std::string path) {
  std::string rest;
  while (true) {
    std::string real = Real(path);
    if (!real.empty()) return real + rest;
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return "";
    rest = path.substr(slash) + rest;
    path.resize(slash);
  }
}

bool Allowed(const std::string& real) {
  if (real == g_virtual) return true;
  for (const std::string& root : g_roots)
    if (real == root || real.compare(0, root.size() + 1, root + "/") == 0) return true;
  return false;
}

void RemoveFixture() {
  g_machine.reset();
  std::error_code ec;
  if (!g_base.empty()) fs::remove_all(g_base, ec);
}

// base/machine    the machine; drive C: holds the links below
// base/dist       drive D: (mapped), with links of its own; D:\SETUP.EXE is base/prog/setup.exe
// base/elink      a link to base/dist/sub, mapped as drive E:
// base/outside    a folder no path may reach
void MakeFixture() {
  char pattern[] = "/tmp/orvane-fuzz-path-XXXXXX";
  if (!mkdtemp(pattern)) std::abort();
  g_base = pattern;
  std::atexit(RemoveFixture);
  const fs::path base = g_base;
  for (const char* folder : {"machine", "dist/sub", "prog", "outside/deep"})
    fs::create_directories(base / folder);
  Write(base / "outside/secret.txt", "secret");
  Write(base / "prog/setup.exe", "program");
  Write(base / "prog/sibling.txt", "beside the program");
  Write(base / "dist/SETUP.INI", "[Title]\r\nSetup=x\r\n");
  Write(base / "dist/sub/data.txt", "data");
  // Open once to make the skeleton, then record the drives as a user's machine.ini would.
  Machine::Open(base / "machine").reset();
  Write(base / "machine/machine.ini",
        "[Machine]\nPlatform=2\nUser=User\n[Drives]\nD=" + (base / "dist").string() +
            "\nE=" + (base / "elink").string() + "\n[FreeSpace]\n");
  Link((base / "dist/sub").string(), base / "elink");

  const fs::path c = base / "machine/drive_c";
  Write(c / "WINDOWS/Long File Name.txt", "long");
  fs::create_directories(c / "\xE6\x97\xA5\xE6\x9C\xAC");  // a code page 932 name in UTF-8
  Link((base / "outside").string(), c / "out");
  Link("../../outside", c / "rel_out");
  Link("out", c / "chain");
  Link((base / "outside").string(), c / "Outside Link");  // reachable by its 8.3 alias too
  Link((base / "outside/secret.txt").string(), c / "file_out");
  Link("/", c / "root");
  Link("..", c / "machine");  // the machine folder itself: inside
  Link("WINDOWS", c / "in");
  Link((c / "Program Files").string(), c / "abs_in");
  Link((base / "dist").string(), c / "dist");  // the mapped drive: allowed
  Link((base / "prog").string(), c / "prog");  // the virtual file's folder: only the file is
  Link((base / "prog/setup.exe").string(), c / "setup");
  Link("loop", c / "loop");
  Link("missing/file", c / "dangling");
  Link("../../../outside", c / "\xE6\x97\xA5\xE6\x9C\xAC/up");
  Link("..", base / "dist/up");
  Link((base / "outside").string(), base / "dist/out");
  Link((c / "WINDOWS").string(), base / "dist/win");
  Link(".", base / "dist/self");
  Link("../..", base / "dist/sub/up2");

  g_machine = Machine::Open(base / "machine");
  g_machine->AddVirtualFile("D:\\SETUP.EXE", base / "prog/setup.exe");
  g_roots = {Real((base / "machine").string()), Real((base / "dist").string()),
             Real((base / "dist/sub").string())};
  g_virtual = Real((base / "prog/setup.exe").string());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  MakeFixture();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  fs::path host;
  struct stat st {};
  bool exists = false;
  const uint32_t err = g_machine->Resolve(path, host, st, exists);
  if (err == 0) {
    const std::string real = Destination(host.string());
    if (!Allowed(real)) {
      std::fprintf(stderr, "%s resolves to %s, really %s\n", path.c_str(), host.c_str(),
                   real.c_str());
      FUZZ_CHECK(false, "a resolved path stays inside the machine");
    }
    struct stat now {};
    const bool really = ::stat(host.c_str(), &now) == 0;
    FUZZ_CHECK(exists == really, "resolution tells whether the file exists");
    if (exists) FUZZ_CHECK(now.st_ino == st.st_ino, "resolution gives the file's own status");
  }

  std::string normalized;
  const uint32_t normErr = g_machine->Normalize(path, normalized);
  if (normErr != 0) {
    FUZZ_CHECK(err == normErr, "resolution fails as the canonical form does");
    return 0;
  }
  std::string again;
  FUZZ_CHECK(g_machine->Normalize(normalized, again) == 0 && again == normalized,
             "the canonical form is a fixed point");
  fs::path host2;
  FUZZ_CHECK(g_machine->Resolve(normalized, host2) == err, "the canonical form resolves alike");
  if (err == 0) FUZZ_CHECK(host2 == host, "the canonical form resolves to the same host path");
  return 0;
}
