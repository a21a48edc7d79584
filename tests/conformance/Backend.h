// The conformance suite's view of a platform backend: a fresh machine per test, its interfaces,
// and the few things a test needs that no interface offers. A backend joins the suite with one
// file that defines a factory and instantiates the suites (see MemoryBackend.cpp).
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "platform/Files.h"
#include "platform/Lz.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

namespace orvane::conformance {

class Backend {
 public:
  virtual ~Backend() = default;
  virtual IFiles& Files() = 0;
  virtual IProfile& Profile() = 0;
  virtual IRegistry& Registry() = 0;
  // Null when the backend has no shell links or no LZ expansion (their suites skip).
  virtual IShell* Shell() { return nullptr; }
  virtual ILzExpand* Lz() { return nullptr; }
  // The Windows folder without a trailing "\", where a profile file name without a folder lives.
  virtual std::string WindowsFolder() = 0;
  // False for a backend that is a plain store rather than a machine: it takes any name and keeps
  // replacements at restart to itself (the cases about those skip).
  virtual bool ActsAsMachine() { return true; }
  // Keeps an existing file open in another process, so that it is in use, until the returned
  // object is destroyed; null when the file cannot be held.
  virtual std::shared_ptr<void> HoldOpen(const std::string& path) = 0;
};

// How a suite makes a fresh backend, and the backend's name in test names.
struct BackendFactory {
  const char* name;
  std::unique_ptr<Backend> (*make)();
};
inline void PrintTo(const BackendFactory& factory, std::ostream* out) {
  *out << factory.name;
}

// Every suite's fixture: a fresh backend and an empty folder C:\CT to work in.
class Contract : public ::testing::TestWithParam<BackendFactory> {
 protected:
  static constexpr char kDir[] = "C:\\CT\\";

  void SetUp() override {
    backend_ = GetParam().make();
    ASSERT_EQ(files().CreateFolder("C:\\CT"), 0u);
  }
  IFiles& files() { return backend_->Files(); }
  IProfile& profile() { return backend_->Profile(); }
  IRegistry& registry() { return backend_->Registry(); }
  Backend& backend() { return *backend_; }

  // A path inside C:\CT.
  static std::string At(const std::string& name) { return kDir + name; }
  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_EQ(files().WriteFile(At(name), bytes), 0u) << name;
  }
  std::string Read(const std::string& name) {
    std::string bytes;
    EXPECT_EQ(files().ReadFile(At(name), bytes), 0u) << name;
    return bytes;
  }

 private:
  std::unique_ptr<Backend> backend_;
};

class FilesContract : public Contract {};
class ProfileContract : public Contract {};
class RegistryContract : public Contract {};
class ShellLinkContract : public Contract {};
class LzContract : public Contract {};

}  // namespace orvane::conformance

// Runs every suite against the backends that `make` makes; `name` names them in test names.
#define ORVANE_CONFORMANCE_BACKEND(name, make)                                                     \
  INSTANTIATE_TEST_SUITE_P(name, FilesContract, ::testing::Values(BackendFactory{#name, make}));   \
  INSTANTIATE_TEST_SUITE_P(name, ProfileContract, ::testing::Values(BackendFactory{#name, make})); \
  INSTANTIATE_TEST_SUITE_P(name, RegistryContract,                                                 \
                           ::testing::Values(BackendFactory{#name, make}));                        \
  INSTANTIATE_TEST_SUITE_P(name, ShellLinkContract,                                                \
                           ::testing::Values(BackendFactory{#name, make}));                        \
  INSTANTIATE_TEST_SUITE_P(name, LzContract, ::testing::Values(BackendFactory{#name, make}))
