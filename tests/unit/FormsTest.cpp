// Form logic that the scenarios reach poorly: the gradient's bands, the version caption, the
// set-up guard, message boxes disabling windows, the confirmation dialog's words.
#include <gtest/gtest.h>

#include "app/Main.h"
#include "app/Texts.h"
#include "tests/unit/AppTestSupport.h"
#include "windows/Back.h"
#include "windows/CusDlg.h"
#include "windows/GradBox.h"
#include "windows/Status.h"

namespace orvane {
namespace {

int Blue(uint32_t color) { return (color >> 16) & 0xFF; }

TEST(GradBoxBands, BackgroundSettingsAtHeight348) {
  TGradBox box;
  box.SetColor(1, clBlue);
  box.SetColor(2, clBlack);
  box.width = 536;
  box.height = 348;
  std::vector<GradBand> bands = box.Bands();
  ASSERT_EQ(bands.size(), 130u);  // GradStep + 2 bands, reaching past the edge: no filler
  EXPECT_EQ(bands[0].y1, 0);
  EXPECT_EQ(bands[0].y2, 3);
  EXPECT_EQ(Blue(bands[0].color), 255);
  EXPECT_EQ(bands[115].y1, 345);
  EXPECT_EQ(bands[115].y2, 348);
  EXPECT_EQ(Blue(bands[115].color), 28);
  EXPECT_EQ(bands.back().y2, 390);
  EXPECT_EQ(bands.back().color, clBlack);
}

TEST(GradBoxBands, FillerOnlyWhenTheBandsFallShortByMoreThanOneBand) {
  TGradBox box;
  box.SetColor(1, clBlue);
  box.SetColor(2, clBlack);
  box.height = 1093;
  std::vector<GradBand> bands = box.Bands();
  ASSERT_EQ(bands.size(), 131u);
  EXPECT_EQ(bands[129].y2, 1040);
  EXPECT_EQ(bands[130].y1, 1040);
  EXPECT_EQ(bands[130].y2, 1093);
  EXPECT_EQ(bands[130].color, clBlack);
  box.height = 1045;
  EXPECT_EQ(box.Bands().size(), 130u);  // the last five rows stay unpainted
}

TEST(GradBoxBands, StepZeroAndHorizontalBands) {
  TGradBox box;  // white to black by default
  box.SetGradStep(0);
  box.width = 100;
  box.height = 40;
  std::vector<GradBand> bands = box.Bands();
  ASSERT_EQ(bands.size(), 2u);
  EXPECT_EQ(bands[0].color, clWhite);
  EXPECT_EQ(bands[0].y2, 40);
  EXPECT_EQ(bands[1].y1, 40);  // entirely outside the control
  box.SetDirection(TGradDirection::gdHorizontal);
  bands = box.Bands();
  EXPECT_EQ(bands[0].x2, 100);
  EXPECT_EQ(bands[0].y2, 40);
}

TEST(GradBoxBands, ChangeNotifications) {
  TGradBox box;
  int changes = 0, repaints = 0;
  box.OnChange = [&](TGradBox&) { ++changes; };
  box.OnRepaint = [&](TGradBox&) { ++repaints; };
  box.SetDirection(TGradDirection::gdVertical);  // unchanged: nothing
  EXPECT_EQ(changes + repaints, 0);
  box.SetColor(1, box.StartColor());  // unchanged colour still repaints and notifies
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(repaints, 1);
  box.SetDirection(TGradDirection::gdHorizontal);
  EXPECT_EQ(changes, 2);
}

TEST(VersionCaption, MinorAndReleaseReadAsOneNumber) {
  const std::string prefix = "Orvane Setup English Version";
  const std::string beta = texts::kBeta;
  EXPECT_EQ(VersionCaption(ParseVersionParts("1.2.0.68")), prefix + "1.20" + beta + "3(Build:0068)");
  EXPECT_EQ(VersionCaption(ParseVersionParts("2.1.3.7")), prefix + "2.13" + beta + "3(Build:0007)");
  EXPECT_EQ(VersionCaption(ParseVersionParts("3.12.0.0")), prefix + "3.120" + beta + "3(Build:0000)");
  EXPECT_EQ(VersionCaption(ParseVersionParts("")), prefix + "0.00" + beta + "3(Build:0000)");
  EXPECT_EQ(VersionCaption(ParseVersionParts("1.x.y.z")), prefix + "1.00" + beta + "3(Build:0000)");
  EXPECT_EQ(std::string(texts::kBeta), "\x83\xC0");
}

using FormsApp = testing::AppTest;

TEST_F(FormsApp, SetUpRunsOnceWhateverTheActivations) {
  TfrmMain& wizard = app->frmMain();
  EXPECT_TRUE(wizard.btnEvent.caption.empty());
  wizard.FormActivate();
  EXPECT_EQ(wizard.btnEvent.caption, "Start Install(&S)");  // no script: the error screen
  const std::string work = app->ctx.WorkFolder;
  wizard.btnEvent.caption = "Changed";
  wizard.FormActivate();
  EXPECT_EQ(app->ctx.WorkFolder, work);  // no second work folder
  EXPECT_EQ(wizard.btnEvent.caption, "Changed");
}

TEST_F(FormsApp, MessageBoxDisablesTheVisibleWindowsAndRestoresExactlyThose) {
  TfrmStatus& status = app->frmStatus();
  TfrmMain& wizard = app->frmMain();
  status.visible = true;
  wizard.visible = false;
  app->frmBack().visible = true;  // starts disabled
  ShowMessageBox(*app, "Question", "Caption", mb::YesNo | mb::IconQuestion);
  ASSERT_EQ(ui.boxes.size(), 1u);
  // Order of Forms(): background, wizard, status, dialog.
  EXPECT_EQ(ui.boxes[0].enabledDuring, (std::vector<bool>{false, true, false, true}));
  EXPECT_TRUE(status.enabled);
  EXPECT_FALSE(app->frmBack().enabled) << "a message box does not change the end signals";
  EXPECT_TRUE(wizard.enabled);
}

TEST_F(FormsApp, ConfirmationDialogButtonsWriteTheirWords) {
  TfrmCustomDlg& dialog = app->frmCustomDlg();
  TControl& answer = app->frmMain().lblFormShare;
  EXPECT_EQ(answer.caption, "Can't Delete");
  EXPECT_FALSE(dialog.closeBoxEnabled);
  const std::pair<TControl*, const char*> buttons[] = {{&dialog.btnYes, "Yes"},
                                                       {&dialog.btnNo, "No"},
                                                       {&dialog.btnDelete, "Delete"},
                                                       {&dialog.btnSave, "Save"}};
  for (const auto& [button, word] : buttons) {
    dialog.visible = true;
    dialog.modalResult = 0;
    answer.caption.clear();
    app->Click(*button);
    EXPECT_EQ(answer.caption, word);
    EXPECT_EQ(dialog.modalResult, 1);
  }
}

TEST_F(FormsApp, AbortAnsweredNoChangesNothingYesSetsTheSignals) {
  TfrmStatus& status = app->frmStatus();
  TfrmMain& wizard = app->frmMain();
  status.visible = true;
  status.btnAbort.enabled = true;
  ui.answer = [](const testing::RecordingUi::Box&) { return id::No; };
  app->Click(status.btnAbort);
  EXPECT_TRUE(wizard.enabled);
  EXPECT_TRUE(status.visible);
  EXPECT_EQ(ui.boxes.size(), 1u);

  ui.answer = nullptr;
  app->Click(status.btnAbort);
  EXPECT_TRUE(wizard.AbortRequested());
  EXPECT_TRUE(wizard.EndConfirmed());
  EXPECT_TRUE(wizard.EndRequested());
  EXPECT_FALSE(status.visible);
  ASSERT_EQ(ui.boxes.size(), 3u);
  EXPECT_EQ(ui.boxes[1].caption, texts::kAbortQuestionCaption);
  EXPECT_EQ(ui.boxes[2].caption, texts::kAbortedCaption);
  EXPECT_EQ(ui.boxes[2].flags, mb::IconWarning);
}

TEST_F(FormsApp, ErrorEscapingAHandlerIsReportedAndTheProgramGoesOn) {
  app->Title = "Orvane Setup Professional";
  app->ShowException("Failed to set data for 'X'");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].caption, "Orvane Setup Professional");
  EXPECT_EQ(ui.boxes[0].flags, mb::Ok | mb::IconStop);
}

}  // namespace
}  // namespace orvane
