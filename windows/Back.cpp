// The background window: layout, version caption and the one-time start behaviour.
#include "windows/Back.h"

#include <cstdio>
#include <cstdlib>

#include "platform/System.h"
#include "support/Texts.h"

namespace orvane {
namespace {

// The integer before the first "." of `text`, which loses that part; 0 when there is no ".".
int TakePart(std::string& text) {
  size_t dot = text.find('.');
  if (dot == std::string::npos) return 0;
  int value = std::atoi(text.substr(0, dot).c_str());
  text.erase(0, dot + 1);
  return value;
}

}  // namespace

VersionParts ParseVersionParts(const std::string& fileVersion) {
  std::string text = fileVersion;
  VersionParts v;
  v.major = TakePart(text);
  v.minor = TakePart(text);
  v.release = TakePart(text);
  v.build = text.empty() ? 0 : std::atoi(text.c_str());
  return v;
}

std::string VersionCaption(const VersionParts& v) {
  long minorRelease = std::atol((std::to_string(v.minor) + std::to_string(v.release)).c_str());
  char middle[32], build[32];
  std::snprintf(middle, sizeof middle, "%02ld", minorRelease);
  std::snprintf(build, sizeof build, "%04d", v.build);
  return "Orvane Setup English Version" + std::to_string(v.major) + "." + middle + texts::kBeta +
         "3(Build:" + build + ")";
}

TfrmBack::TfrmBack(IFormHost& host, ISystem& system, TForm& wizard)
    : TForm("frmBack", "Orvane Setup", 536, 348),
      lblBackTitle2(Add(nullptr, ControlKind::Label, "lblBackTitle2", 39, 16, 0, 0)),
      lblPrgTitle2(Add(nullptr, ControlKind::Label, "lblPrgTitle2", 24, 48, 0, 0)),
      lblPrgTitle1(Add(nullptr, ControlKind::Label, "lblPrgTitle1", 8, 48, 0, 0)),
      lblBackTitle1(Add(nullptr, ControlKind::Label, "lblBackTitle1", 16, 16, 0, 0)),
      host_(host),
      system_(system),
      wizard_(wizard) {
  enabled = false;
  closeBoxEnabled = true;
  GradBox.SetColor(1, clBlue);
  GradBox.SetColor(2, clBlack);
  GradBox.SetGradStep(128);
  GradBox.SetDirection(TGradDirection::gdVertical);
  GradBox.width = clientWidth;
  GradBox.height = clientHeight;
  TFont title{texts::kFontPGothic, 32, clWhite, true};
  TFont credit{texts::kFontPMincho, 16, clWhite, true};
  lblBackTitle1.font = title;
  lblBackTitle2.font = title;
  lblBackTitle2.font.color = clGreen;
  lblPrgTitle1.font = credit;
  lblPrgTitle2.font = credit;
  lblPrgTitle2.font.color = clBlue;
  for (TControl* label : Controls()) {
    label->transparent = true;
    label->autoSize = true;
  }
  lblPrgTitle1.visible = false;
  lblPrgTitle2.visible = false;
}

void TfrmBack::FormResize() {
  if (lblPrgTitle1.visible) return;
  std::string version = system_.FileVersion(system_.ProgramPath());
  caption = VersionCaption(ParseVersionParts(version));
  lblBackTitle2.left = lblBackTitle1.left + 2;
  lblBackTitle2.top = lblBackTitle1.top + 2;
  host_.ShowModal(wizard_);
  visible = false;  // closing the main window ends the message loop
}

}  // namespace orvane
