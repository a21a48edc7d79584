// orvane-pack compress: files compressed as the Microsoft compression tool does with its rename
// option, for [CopyFile] sources that the install expands.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "pack/CompressFile.h"
#include "tools/CommandOptions.h"
#include "tools/PackCommands.h"
#include "tools/ToolSupport.h"

namespace orvane::tools {
namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: orvane-pack compress FILE... [--out DIR]\n"
    "Compresses each FILE (SZDD, the format the install expands) into a file named with its last\n"
    "character replaced by \"_\" (README.TXT gives README.TX_; a name without \".\" gets \"._\"),\n"
    "recording the replaced character so that the install restores the name. The compressed\n"
    "files go beside the originals, or into DIR (made when missing).\n"
    "exit codes: 0 all compressed, 1 a file could not be compressed, 2 bad command line\n";

}  // namespace

int PackCompress(const std::vector<std::string>& arguments) {
  const ParsedOptions options = ParseOptions(arguments, {{"out", true}});
  if (AnswerHelpOrVersion(options, kUsage, "orvane-pack")) return 0;
  if (options.operands.empty()) throw UsageError("compress: no FILE given");
  std::error_code ec;
  const bool toFolder = options.Has("out");
  const fs::path outFolder = PathFromUtf8(options.Value("out"));
  if (toFolder) {
    if (options.Value("out").empty()) throw UsageError("compress: --out needs a folder");
    fs::create_directories(outFolder, ec);
    if (!fs::is_directory(outFolder)) {
      std::cerr << "orvane-pack compress: " << options.Value("out") << ": not a folder\n";
      return 1;
    }
  }

  int status = 0;
  for (const std::string& file : options.operands) {
    const fs::path source = PathFromUtf8(file);
    std::string name;
    char lastChar = 0;
    if (!pack::CompressedHostName(PathToUtf8(source.filename()), name, lastChar)) {
      std::cerr << "orvane-pack compress: " << file
                << ": the name has no code page 932 form (the install could not name it)\n";
      status = 1;
      continue;
    }
    const fs::path destination = (toFolder ? outFolder : source.parent_path()) / PathFromUtf8(name);
    if (fs::exists(destination) && fs::equivalent(source, destination, ec)) {
      std::cerr << "orvane-pack compress: " << file
                << ": the compressed name is the file's own name; give --out\n";
      status = 1;
      continue;
    }
    pack::CompressedFile result;
    std::string error;
    if (!pack::CompressFile(source, destination, lastChar, result, error)) {
      std::cerr << "orvane-pack compress: " << error << "\n";
      status = 1;
      continue;
    }
    const double percent = result.inputSize == 0 ? 100.0
                                                 : 100.0 * static_cast<double>(result.outputSize) /
                                                       static_cast<double>(result.inputSize);
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%.1f%%", percent);
    std::cout << file << " -> " << PathToUtf8(destination) << ": " << result.inputSize << " -> "
              << result.outputSize << " bytes (" << ratio << ")\n";
  }
  return status;
}

}  // namespace orvane::tools
