// An Application on a fresh emulated machine for unit tests, with a user interface that records
// message boxes and answers them from a function.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "windows/Controls.h"
#include "platform/host/HostPlatform.h"
#include "tests/unit/MachineFixture.h"

namespace orvane::testing {

// Answers message boxes through `answer`, or with `yesNoDefault` / OK, and records them.
class RecordingUi : public IUserInterface {
 public:
  struct Box {
    std::string text, caption;
    uint32_t flags;
    std::vector<bool> enabledDuring;  // the four forms' enabled states while the box was open
  };
  Application* app = nullptr;
  std::vector<Box> boxes;
  std::function<int(const Box&)> answer;
  int yesNoDefault = id::Yes;

  void Realise(TForm&) override {}
  void ProcessMessages() override {}
  void HandleMessage() override {}
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) override {
    Box box{text, caption, flags, {}};
    if (app)
      for (TForm* form : app->Forms()) box.enabledDuring.push_back(form->enabled);
    boxes.push_back(box);
    if (answer) return answer(boxes.back());
    return (flags & 0x0F) == mb::YesNo ? yesNoDefault : id::Ok;
  }
  std::optional<std::string> BrowseForFolder(const std::string&, uint32_t) override {
    return std::nullopt;
  }
  int RestartDialog() override { return id::No; }
  // The first box shown with this caption, or null.
  const Box* Find(const std::string& caption) const {
    for (const Box& box : boxes)
      if (box.caption == caption) return &box;
    return nullptr;
  }
};

// A machine, its host platform and an Application over it.
class AppTest : public host::testing::MachineFixture {
 protected:
  void SetUp() override {
    host::testing::MachineFixture::SetUp();
    host::HostPlatformOptions options;
    options.programPath = "C:\\SETUP\\SETUP.EXE";
    options.programHostPath = "/proc/self/exe";
    host_ = std::make_unique<host::HostPlatform>(root_ / "machine", options);
    platform_ = std::make_unique<Platform>(host_->Bundle(ui));
    app = std::make_unique<Application>(*platform_);
    ui.app = app.get();
  }
  void TearDown() override {
    app.reset();
    platform_.reset();
    host_.reset();
    host::testing::MachineFixture::TearDown();
  }

  RecordingUi ui;
  std::unique_ptr<Application> app;
  Platform& platform() { return *platform_; }

 private:
  std::unique_ptr<host::HostPlatform> host_;
  std::unique_ptr<Platform> platform_;
};

}  // namespace orvane::testing
