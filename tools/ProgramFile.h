// The running program where the program expects to find itself. The runner installs from a
// distribution folder as if it were SETUP.EXE in that folder, and starts with a log as if it were
// the uninstaller copy, while its own file lies elsewhere: these wrappers make the program's
// path (`programPath`, a Windows path) stand for the runner's file (`realPath`). Reading it
// (attributes, contents, copies from it, its version) reads the runner's file; changing it
// (writing, copying or moving onto or from it, deleting, attributes) fails with error 5, as a
// running program's file refuses it. The emulated machine does the same with a virtual file.
#pragma once
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/System.h"

namespace orvane::tools {

class ProgramFileFiles : public IFiles {
 public:
  ProgramFileFiles(IFiles& inner, std::string programPath, std::string realPath);
  uint32_t GetInfo(const std::string& path, FileInfo& info) override;
  uint32_t Find(const std::string& pattern, std::vector<FindEntry>& entries) override;
  uint32_t CreateFolder(const std::string& path) override;
  uint32_t RemoveFolder(const std::string& path) override;
  uint32_t RemoveFile(const std::string& path) override;
  uint32_t Copy(const std::string& source, const std::string& destination,
                bool failIfExists) override;
  uint32_t Move(const std::string& source, const std::string& destination, bool replace) override;
  uint32_t MoveFileAtRestart(const std::string& source, const std::string& destination) override;
  uint32_t SetAttributes(const std::string& path, uint32_t attributes) override;
  uint32_t ReadFile(const std::string& path, std::string& bytes) override;
  uint32_t WriteFile(const std::string& path, const std::string& bytes) override;
  uint32_t SetCurrentFolder(const std::string& path) override;
  bool DiskFreeSpaceEx(const std::string& root, int64_t& freeBytes) override;
  bool DiskFreeSpace(const std::string& root, uint32_t& sectorsPerCluster, uint32_t& bytesPerSector,
                     uint32_t& freeClusters) override;
  std::string ShortPath(const std::string& path) override;

 private:
  bool IsProgram(const std::string& path) const;
  const std::string& Real(const std::string& path) const;

  IFiles& inner_;
  std::string programPath_, programKey_, realPath_;
};

// The system as the program sees it when it was started in the runner's place: its path and
// first argument are the ones it stands for, and its version is read from the runner's file.
class ProgramFileSystem : public ISystem {
 public:
  ProgramFileSystem(ISystem& inner, std::string programPath, std::string realPath,
                    std::string firstArgument);
  int PlatformId() override { return inner_.PlatformId(); }
  std::string ProgramPath() override { return programPath_; }
  std::string FirstArgument() override { return firstArgument_; }
  std::string TempPath() override { return inner_.TempPath(); }
  std::string WindowsDirectory() override { return inner_.WindowsDirectory(); }
  std::string SystemDirectory() override { return inner_.SystemDirectory(); }
  std::string FileVersion(const std::string& path) override;
  std::string MessageText(uint32_t code) override { return inner_.MessageText(code); }
  int32_t LocalDosDateTime(int64_t fileTime) override { return inner_.LocalDosDateTime(fileTime); }
  bool CreateSingleInstanceMutex(const std::string& name) override {
    return inner_.CreateSingleInstanceMutex(name);
  }
  void RestartWindows() override { inner_.RestartWindows(); }

 private:
  ISystem& inner_;
  std::string programPath_, programKey_, realPath_, firstArgument_;
};

}  // namespace orvane::tools
