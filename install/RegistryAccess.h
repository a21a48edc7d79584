// The registry layer of the runs: root tokens, key creation and typed value writes that raise
// ProgramError on failure, string reads, and the recursive key deletion of the uninstall run.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Registry.h"

namespace orvane {

class Application;

// "(Class)", "(Local)", "(Users)" (exact, letter case included); anything else is
// HKEY_CURRENT_USER.
RegRoot RootFromToken(const std::string& token);

// A script or log key split into its seven-character root token and the key path. With
// `needBoth` (removal entries) a token needs "(" first and ")" seventh; without it (the [Registry]
// phase) one of the two is enough. A key without a token gets "(Cuser)" and the whole text.
void SplitRootToken(const std::string& key, bool needBoth, std::string& token, std::string& path);

// Creates the key with its missing parents; ProgramError("Failed to create key <path>").
void CreateRegKey(IRegistry& registry, RegRoot root, const std::string& path);
// Creates the key when missing and writes one value; ProgramError("Failed to set data for
// '<name>'") when the write fails.
void WriteRegValue(IRegistry& registry, RegRoot root, const std::string& path,
                   const std::string& name, const RegValue& value);
void WriteRegString(IRegistry& registry, RegRoot root, const std::string& path,
                    const std::string& name, const std::string& text, uint32_t type = reg::Sz);
// A string value (reg::Sz or reg::ExpandSz); nothing when the key or value is missing.
// ProgramError("Invalid data type for '<name>'") for a value of another type.
std::optional<std::string> ReadRegString(IRegistry& registry, RegRoot root, const std::string& path,
                                         const std::string& name);

// The integer conversion of "(Int)"/"(Dwd)"/"(Bin)" data: optional blanks and sign, then decimal
// digits or "$" and hexadecimal digits; the value must fit 32 bits (hexadecimal up to FFFFFFFF,
// taken as two's complement). False for anything else.
bool ParseInt32(const std::string& text, int32_t& value);

// Deletes a key with all its subkeys, trying up to 99 times while it still exists. An empty path
// does nothing. Always succeeds (true).
bool DeleteRegKey(Application& app, const std::string& rootToken, const std::string& keyPath);

}  // namespace orvane
