// Files compressed as the install expands them: the SZDD encoder on files of the host, with the
// compressed name that restores the original one.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

namespace orvane::pack {

// The compressed name of a host file name (UTF-8) and the character its header records, by the
// rule of CompressedName on the name's code page 932 form; false when the name has no such form.
bool CompressedHostName(const std::string& utf8Name, std::string& compressedUtf8, char& lastChar);

struct CompressedFile {
  uint64_t inputSize = 0;
  uint64_t outputSize = 0;
};

// Compresses `source` into `destination`, writing a temporary file beside the destination and
// renaming it over the destination at the end, so that a failure leaves no partial file. False
// with a one-line `error` (naming the file) when reading or writing fails.
bool CompressFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                  char lastChar, CompressedFile& result, std::string& error);

}  // namespace orvane::pack
