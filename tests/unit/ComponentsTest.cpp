// Component registration calls on the emulated machine, against fixture shared objects built with
// the tests: entry called with its HRESULT, entry missing, file that does not load, library freed.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/host/HostComponents.h"
#include "platform/host/Machine.h"

namespace orvane::host {
namespace {

namespace fs = std::filesystem;

class HostComponentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "componentstest.XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    machine_ = Machine::Open(dir_ / "machine");
    components_ = std::make_unique<HostComponents>(*machine_);
    Place(TEST_COMPONENT_PATH, "C:\\COMP.DLL");
    Place(TEST_COMPONENT_PARTIAL_PATH, "C:\\PARTIAL.OCX");
    std::ofstream(Host("C:\\TEXT.DLL")) << "not a shared object\n";
    log_ = dir_ / "calls.log";
    setenv("ORVANE_TEST_COMPONENT_LOG", log_.c_str(), 1);
    unsetenv("ORVANE_TEST_COMPONENT_RESULT");
  }
  void TearDown() override {
    unsetenv("ORVANE_TEST_COMPONENT_LOG");
    unsetenv("ORVANE_TEST_COMPONENT_RESULT");
    components_.reset();
    machine_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path Host(const std::string& windowsPath) {
    fs::path host;
    EXPECT_EQ(machine_->Resolve(windowsPath, host), 0u) << windowsPath;
    return host;
  }
  void Place(const char* built, const std::string& windowsPath) {
    fs::copy_file(built, Host(windowsPath), fs::copy_options::overwrite_existing);
  }
  std::string Calls() {
    std::ifstream in(log_);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // True while the library at `windowsPath` is still loaded in this process.
  bool StillLoaded(const std::string& windowsPath) {
    void* module = dlopen(Host(windowsPath).c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (module != nullptr) dlclose(module);
    return module != nullptr;
  }

  fs::path dir_, log_;
  std::unique_ptr<Machine> machine_;
  std::unique_ptr<HostComponents> components_;
};

TEST_F(HostComponentsTest, CallsTheEntryAndReturnsItsHresult) {
  int32_t result = -1;
  EXPECT_EQ(components_->CallEntry("c:\\comp.dll", "DllRegisterServer", result),
            ComponentCall::Called);
  EXPECT_EQ(result, 0);
  setenv("ORVANE_TEST_COMPONENT_RESULT", "0x80004005", 1);
  EXPECT_EQ(components_->CallEntry("C:\\COMP.DLL", "DllUnregisterServer", result),
            ComponentCall::Called);
  EXPECT_EQ(result, static_cast<int32_t>(0x80004005u));
  EXPECT_EQ(Calls(), "DllRegisterServer\nDllUnregisterServer\n");
  EXPECT_FALSE(StillLoaded("C:\\COMP.DLL"));
}

TEST_F(HostComponentsTest, ReportsMissingEntriesAndUnloadableFiles) {
  int32_t result = 7;
  EXPECT_EQ(components_->CallEntry("C:\\PARTIAL.OCX", "DllUnregisterServer", result),
            ComponentCall::EntryMissing);
  EXPECT_FALSE(StillLoaded("C:\\PARTIAL.OCX"));
  EXPECT_EQ(components_->CallEntry("C:\\PARTIAL.OCX", "DllRegisterServer", result),
            ComponentCall::Called);
  EXPECT_EQ(components_->CallEntry("C:\\TEXT.DLL", "DllRegisterServer", result),
            ComponentCall::NotLoaded);
  EXPECT_EQ(components_->CallEntry("C:\\MISSING.DLL", "DllRegisterServer", result),
            ComponentCall::NotLoaded);
  EXPECT_EQ(components_->CallEntry("Q:\\NO DRIVE.DLL", "DllRegisterServer", result),
            ComponentCall::NotLoaded);
  EXPECT_EQ(Calls(), "DllRegisterServer\n");
}

TEST_F(HostComponentsTest, FreesTheLibraryWhenTheEntryThrows) {
  setenv("ORVANE_TEST_COMPONENT_RESULT", "throw", 1);
  int32_t result = 0;
  EXPECT_THROW(components_->CallEntry("C:\\COMP.DLL", "DllRegisterServer", result), int);
  EXPECT_FALSE(StillLoaded("C:\\COMP.DLL"));
}

}  // namespace
}  // namespace orvane::host
