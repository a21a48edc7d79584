// The running program standing at the path the program expects (see ProgramFile.h).
#include "tools/ProgramFile.h"

#include "support/uStrOp.h"

namespace orvane::tools {
namespace {

std::string Key(const std::string& path) { return MapString(path, lcmap::UpperCase); }

}  // namespace

ProgramFileFiles::ProgramFileFiles(IFiles& inner, std::string programPath, std::string realPath)
    : inner_(inner),
      programPath_(std::move(programPath)),
      programKey_(Key(programPath_)),
      realPath_(std::move(realPath)) {}

bool ProgramFileFiles::IsProgram(const std::string& path) const {
  return !programKey_.empty() && Key(path) == programKey_;
}

const std::string& ProgramFileFiles::Real(const std::string& path) const {
  return IsProgram(path) ? realPath_ : path;
}

uint32_t ProgramFileFiles::GetInfo(const std::string& path, FileInfo& info) {
  return inner_.GetInfo(Real(path), info);
}

uint32_t ProgramFileFiles::Find(const std::string& pattern, std::vector<FindEntry>& entries) {
  return inner_.Find(pattern, entries);
}

uint32_t ProgramFileFiles::CreateFolder(const std::string& path) {
  return IsProgram(path) ? err::AccessDenied : inner_.CreateFolder(path);
}

uint32_t ProgramFileFiles::RemoveFolder(const std::string& path) {
  return IsProgram(path) ? err::AccessDenied : inner_.RemoveFolder(path);
}

uint32_t ProgramFileFiles::RemoveFile(const std::string& path) {
  return IsProgram(path) ? err::AccessDenied : inner_.RemoveFile(path);
}

uint32_t ProgramFileFiles::Copy(const std::string& source, const std::string& destination,
                                bool failIfExists) {
  if (IsProgram(destination)) return err::AccessDenied;
  return inner_.Copy(Real(source), destination, failIfExists);
}

uint32_t ProgramFileFiles::Move(const std::string& source, const std::string& destination,
                                bool replace) {
  if (IsProgram(source) || IsProgram(destination)) return err::AccessDenied;
  return inner_.Move(source, destination, replace);
}

uint32_t ProgramFileFiles::MoveFileAtRestart(const std::string& source,
                                             const std::string& destination) {
  if (IsProgram(source) || IsProgram(destination)) return err::AccessDenied;
  return inner_.MoveFileAtRestart(source, destination);
}

uint32_t ProgramFileFiles::SetAttributes(const std::string& path, uint32_t attributes) {
  return IsProgram(path) ? err::AccessDenied : inner_.SetAttributes(path, attributes);
}

uint32_t ProgramFileFiles::ReadFile(const std::string& path, std::string& bytes) {
  return inner_.ReadFile(Real(path), bytes);
}

uint32_t ProgramFileFiles::WriteFile(const std::string& path, const std::string& bytes) {
  return IsProgram(path) ? err::AccessDenied : inner_.WriteFile(path, bytes);
}

uint32_t ProgramFileFiles::SetCurrentFolder(const std::string& path) {
  return inner_.SetCurrentFolder(path);
}

bool ProgramFileFiles::DiskFreeSpaceEx(const std::string& root, int64_t& freeBytes) {
  return inner_.DiskFreeSpaceEx(root, freeBytes);
}

bool ProgramFileFiles::DiskFreeSpace(const std::string& root, uint32_t& sectorsPerCluster,
                                     uint32_t& bytesPerSector, uint32_t& freeClusters) {
  return inner_.DiskFreeSpace(root, sectorsPerCluster, bytesPerSector, freeClusters);
}

std::string ProgramFileFiles::ShortPath(const std::string& path) {
  return IsProgram(path) ? path : inner_.ShortPath(path);
}

ProgramFileSystem::ProgramFileSystem(ISystem& inner, std::string programPath, std::string realPath,
                                     std::string firstArgument)
    : inner_(inner),
      programPath_(std::move(programPath)),
      programKey_(Key(programPath_)),
      realPath_(std::move(realPath)),
      firstArgument_(std::move(firstArgument)) {}

std::string ProgramFileSystem::FileVersion(const std::string& path) {
  return inner_.FileVersion(!programKey_.empty() && Key(path) == programKey_ ? realPath_ : path);
}

}  // namespace orvane::tools
