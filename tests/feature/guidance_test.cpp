// The guidance windows: instructions at start-up, the banner and its dialog, and the about window.
#include "fixture.h"
#include "guidance/form3.h"
#include "guidance/form4.h"
#include "guidance/form5.h"

namespace {

class GuidanceTest : public LumoraTest {
 protected:
  GuidanceTest() { hideBanner = false; }
  // A double click as the system delivers it: the second press comes as a double-click message.
  void DoubleClick(int x, int y) {
    Press(x, y);
    Release(x, y);
    sys.Mouse(*form, tk::wm::kLButtonDblClk, x, y, tk::mk::kLButton);
    Release(x, y);
  }
};

// Ticks a timer until it stops, up to `limit` ticks; gives the ticks it took.
int TickUntilStopped(tk::Timer& timer, int limit = 100) {
  int ticks = 0;
  while (timer.Running() && ticks < limit) ++ticks, timer.Tick();
  return ticks;
}

// Shown at start-up for a stored "1" (the start-up tables cover the other texts), owned by no window;
// unticked and closed with OK, it stores "0".
TEST_F(GuidanceTest, TheInstructionsOpenAtStartUntilTheirBoxIsUnticked) {
  Preset("Instructions on startup", "1");
  sys.onModal["Form3"] = [&](tk::Form& f) {
    auto& dialog = static_cast<Form3&>(f);
    EXPECT_EQ(dialog.Text1.Text().rfind("Instructions:\r\n\r\nLumora runs in your System Tray.", 0), 0u);
    EXPECT_TRUE(dialog.Check1.Value() == tk::kChecked && !dialog.Owner());
    dialog.Check1.UserToggle();
    dialog.PressDefault();
  };
  Start();
  EXPECT_EQ(CRegSettings(sys.registry).GetSetting("Options", "Instructions on startup"), "0");
}

TEST_F(GuidanceTest, TheBannerSlidesOutOnADoubleClickAndBackFromTheCorner) {
  Form1& f = StartSession();
  tk::Image& banner = f.Image1;
  Hover(0, 0);  // the banner covers the corner: the move is the banner's
  EXPECT_FALSE(f.Timer1.Running());

  // Its dialog each time: the arrow hops along the diagonal on from where the last showing left it, only OK
  // closes it and stores the box, which is ticked the second time.
  int form5Shown = 0;
  sys.onModal["Form5"] = [&](tk::Form& shown) {
    auto& dialog = static_cast<Form5&>(shown);
    EXPECT_FALSE(f.Timer1.Running()) << "no tick moves the banner while the dialog is open";
    dialog.Timer.Tick();
    EXPECT_EQ(std::pair(dialog.arrow.Left(), dialog.arrow.Top()),
              ++form5Shown == 1 ? std::pair(100.f, 100.f) : std::pair(-100.f, -100.f));
    if (form5Shown == 2) dialog.Check1.UserToggle();
    dialog.PressCancel();
    EXPECT_TRUE(dialog.Loaded());
    dialog.PressDefault();
  };
  Hover(100, 20);
  EXPECT_EQ(Window().ToolTip(), "Double-click to hide. Right-click anywhere on screen for menu.");
  DoubleClick(100, 20);
  ASSERT_TRUE(f.Timer1.Running());
  f.Timer1.Tick();
  EXPECT_EQ(banner.Left(), -200);
  EXPECT_EQ(f.lblhlp.Bounds().left, 10 - 13) << "the links go with it";
  EXPECT_EQ(TickUntilStopped(f.Timer1), 25);
  EXPECT_EQ(banner.Left(), -5200);
  EXPECT_EQ(Window().ToolTip(), "") << "the tooltip leaves with the banner";
  EXPECT_EQ(form5Shown, 1);
  EXPECT_EQ(f.banner.BannerOffset, 0);

  Hover(1, 0), Hover(0, 1);
  EXPECT_FALSE(f.Timer1.Running()) << "only the very corner brings it back";
  Hover(0, 0);
  ASSERT_TRUE(f.Timer1.Running());
  for (int i = 0; i < 5; ++i) f.Timer1.Tick();
  EXPECT_EQ(banner.Left(), -4200);

  // A double click while it slides in starts the slide out from the offset, not from where it is.
  DoubleClick(20, 20);
  f.Timer1.Tick();
  EXPECT_EQ(banner.Left(), -200);
  EXPECT_EQ(TickUntilStopped(f.Timer1), 25);
  Hover(0, 0);
  EXPECT_EQ(TickUntilStopped(f.Timer1), 27) << "26 steps in and one that stops";
  EXPECT_EQ(banner.Left(), 0);
  EXPECT_EQ(form5Shown, 2);
  EXPECT_EQ(CRegSettings(sys.registry).GetSetting("Options", "Show Banner Message"), "1");
}

TEST_F(GuidanceTest, TheAboutWindowsLinksOpenMailAndWebAndReportOnlyAMissingProgram) {
  StartSession();
  for (int result : {31, 42}) {
    sys.msgBoxes.clear();
    sys.shellResults = {result, result};
    sys.onModal["Form4"] = [](tk::Form& about) {
      EXPECT_EQ(static_cast<Form4&>(about).Label7.Caption(), "Version 1.0");  // of the project version 1.0.0
      static_cast<Form4&>(about).Label5.UserClick();
      static_cast<Form4&>(about).Label6.UserClick();
      EXPECT_TRUE(about.Loaded()) << "the about window stays open";
      static_cast<Form4&>(about).Command1.UserClick();
    };
    form->mnupopabt_Click();
    const auto opened = std::vector<std::string>(sys.shellOpened.end() - 2, sys.shellOpened.end());
    EXPECT_EQ(opened, (std::vector<std::string>{"mailto:support@quillfen.example", kMakerWeb}));
    EXPECT_EQ(Boxes(), (result != 31 ? Strings{}
                                     : Strings{"Oops!: Could not start your email program. (48)",
                                               "Oops!: Could not start your web browser. (48)"}));
  }
}

}  // namespace
