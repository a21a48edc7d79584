// TfrmBack: the maximised background window with the gradient, the title, the credit and the
// installer's version in its caption. Its first resize opens the wizard.
#pragma once
#include <string>

#include "windows/Controls.h"
#include "windows/FormHost.h"
#include "windows/GradBox.h"

namespace orvane {

class ISystem;

struct VersionParts {
  int major = 0, minor = 0, release = 0, build = 0;
};

// Splits a FileVersion text ("1.2.0.68") as the caption needs it; parts that are not integers
// count 0.
VersionParts ParseVersionParts(const std::string& fileVersion);
// "Orvane Setup English Version" + major + "." + minor&release ("00") + "β3(Build:" + "0000" + ")".
std::string VersionCaption(const VersionParts& version);

class TfrmBack : public TForm {
 public:
  // `wizard` is the window the first resize shows modally; `system` gives the program's version.
  TfrmBack(IFormHost& host, ISystem& system, TForm& wizard);

  TGradBox GradBox;
  TControl& lblBackTitle2;
  TControl& lblPrgTitle2;
  TControl& lblPrgTitle1;
  TControl& lblBackTitle1;

  // The one-time start behaviour on the first resize: caption, shadow, the wizard shown modally,
  // then the background closes itself.
  void FormResize();

 private:
  IFormHost& host_;
  ISystem& system_;
  TForm& wizard_;
};

}  // namespace orvane
