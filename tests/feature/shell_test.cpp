// The program as a tray program: start-up, a second instance, the hotkey's window procedure, the tray icon's
// notifications, the program menu and Exit.
#include "fixture.h"

namespace {

using ShellTest = LumoraTest;
using Calls = std::vector<std::string>;

const std::vector<std::string> kIdleMenu = {"&Start Highlighting", "-", "&Options", "-", "&Help",
                                            "&Quick Reference",    "&About", "-", "&Exit"};

TEST_F(ShellTest, StartUpTakesItsStepsInOrderAndEndsHiddenInTheTray) {
  Preset("Instructions on startup", "1");
  Preset("Line Width", "25");
  Preset("Color", "255");
  // At the instructions box the settings are applied, and nothing can reach the program yet.
  sys.answerMsgBox = [this](const tk::MsgBoxRecord&) {
    EXPECT_EQ(form->DrawWidth(), 25);
    EXPECT_EQ(form->ForeColor(), 255u);
    EXPECT_TRUE(sys.hotkeys.empty());
    EXPECT_FALSE(sys.trayIcon.has_value());
    return tk::kIdOk;
  };
  Form1& f = Start();

  EXPECT_EQ(sys.calls, (Calls{"PrevInstance", "MsgBox Lumora Instructions", "RegisterHotKey", "SetWindowProc",
                              "NotifyIcon 0", "NotifyIcon 1", "SetTaskVisible 0"}));
  EXPECT_FALSE(f.Visible());
  EXPECT_FALSE(sys.taskVisible);
  ASSERT_TRUE(sys.trayIcon.has_value());
  const tk::TrayIconData& icon = *sys.trayIcon;
  EXPECT_EQ(icon.hWnd, f.hWnd());
  EXPECT_EQ(icon.uID, 1u);
  EXPECT_EQ(icon.uFlags, 7u);
  EXPECT_EQ(icon.uCallbackMessage, 0x200u);
  EXPECT_EQ(icon.hIcon, f.IconHandle());
  EXPECT_STREQ(icon.szTip, "Lumora");
  EXPECT_EQ(icon.szTip[63], ' ') << "the tip is padded with spaces";
  ASSERT_EQ(sys.hotkeys.count(1), 1u);
  EXPECT_EQ(sys.hotkeys[1].window, f.hWnd());
  EXPECT_EQ(sys.hotkeys[1].modifiers, tk::kModControl | tk::kModNoRepeat) << "holding Ctrl+H toggles once";
  EXPECT_EQ(sys.hotkeys[1].virtualKey, 0x48u);
  EXPECT_EQ(sys.registry.OpenHandleCount(), 0);
}

TEST_F(ShellTest, TheDrawingSettingsReachTheOverlayAndBothTemplates) {
  Preset("Line Width", "25");
  Preset("Color", "16711680");  // blue
  Form1& f = Start();
  EXPECT_EQ(f.DrawWidth(), 25);
  EXPECT_EQ(f.ForeColor(), 0xFF0000u);
  EXPECT_EQ(f.ShapeArrOv.Template().Style().borderWidth, 25);
  EXPECT_EQ(f.ShapeArrOv.Template().Style().borderColor, 0xFF0000u);
  EXPECT_EQ(f.shapeArrRect.Template().Style().fillColor, 0xFF0000u);
  EXPECT_EQ(f.shapeArrRect.Template().Style().backColor, 0xFF0000u);
  EXPECT_FALSE(f.shapeArrRect.Template().Visible());
  EXPECT_FALSE(f.ShapeArrOv.Template().Visible());
}

TEST_F(ShellTest, MissingOrUnusableSettingsGiveWidthTenAndYellow) {
  struct Case {
    std::optional<std::string> width, color;
  };
  for (const Case& c : {Case{std::nullopt, std::nullopt}, Case{"abc", "red"}, Case{"0", "-1"},
                        Case{"-3", "16777216"}, Case{"99999999999", ""}, Case{"12abc", " "}, Case{"40000", "0x00FF"}}) {
    SCOPED_TRACE(c.width.value_or("(none)") + " / " + c.color.value_or("(none)"));
    c.width ? Preset("Line Width", *c.width) : Unset("Line Width");
    c.color ? Preset("Color", *c.color) : Unset("Color");
    Form1& f = Start();
    EXPECT_EQ(f.DrawWidth(), 10);
    EXPECT_EQ(f.ForeColor(), 65535u);
    EXPECT_EQ(f.ShapeArrOv.Template().Style().borderWidth, 10);
  }
}

TEST_F(ShellTest, AValueOfTheWrongRegistryTypeIsReadSafely) {
  sys.registry.PresetDword(tk::kHkeyCurrentUser, "Software\\Quillfen\\Lumora\\Options", "Line Width", 20);
  sys.registry.PresetValue(tk::kHkeyCurrentUser, "Software\\Quillfen\\Lumora\\Options", "Color", tk::kRegSz,
                           "255");  // no terminating NUL
  Form1& f = Start();
  EXPECT_EQ(f.DrawWidth(), 10);
  EXPECT_EQ(f.ForeColor(), 255u);
}

TEST_F(ShellTest, InstructionsShowOnlyForExactlyOne) {
  struct Case {
    std::optional<std::string> stored;
    bool shown;
  };
  for (const Case& c : {Case{std::nullopt, true}, Case{"1", true}, Case{"0", false}, Case{"", false},
                        Case{"01", false}, Case{" 1", false}, Case{"yes", false}}) {
    SCOPED_TRACE(c.stored.value_or("(none)"));
    sys.msgBoxes.clear();
    c.stored ? Preset("Instructions on startup", *c.stored) : Unset("Instructions on startup");
    Start();
    ASSERT_EQ(sys.msgBoxes.size(), c.shown ? 1u : 0u);
    if (c.shown) {
      EXPECT_EQ(sys.msgBoxes[0].title, "Lumora Instructions");
    }
  }
}

TEST_F(ShellTest, ASecondInstanceShowsOnlyItsBoxAndTouchesNothing) {
  sys.otherInstanceRunning = true;
  const size_t registryOpens = sys.registry.OpenCalls().size();
  Form1& f = Start();
  ASSERT_EQ(sys.msgBoxes.size(), 1u);
  EXPECT_EQ(sys.msgBoxes[0].text, "Lumora is already running.");
  EXPECT_EQ(sys.msgBoxes[0].title, "Message");
  EXPECT_EQ(sys.msgBoxes[0].style, 64);
  EXPECT_EQ(sys.calls, (Calls{"PrevInstance", "MsgBox Message", "Quit"}));
  EXPECT_EQ(sys.registry.OpenCalls().size(), registryOpens) << "no setting is read";
  EXPECT_FALSE(sys.trayIcon.has_value());
  EXPECT_TRUE(sys.hotkeys.empty());
  EXPECT_FALSE(f.Visible());
}

TEST_F(ShellTest, TrayDoubleClickStartsAndRightReleaseOpensTheMenu) {
  Form1& f = Start();
  for (uint32_t ignored : {0x200u, 0x201u, 0x202u, 0x204u, 0x207u, 0x208u}) {
    Tray(ignored);
    EXPECT_EQ(f.TrayMessage, static_cast<int32_t>(ignored));
  }
  EXPECT_TRUE(sys.popups.empty());
  EXPECT_FALSE(f.Visible());

  Tray(tk::wm::kRButtonUp);
  ASSERT_EQ(sys.popups.size(), 1u);
  EXPECT_EQ(sys.popups[0].entries, kIdleMenu);
  EXPECT_EQ(sys.popups[0].flags, tk::kPopupMenuRightButton);
  EXPECT_FALSE(sys.popups[0].pixels.has_value()) << "the menu opens at the pointer";
  EXPECT_EQ(sys.popups[0].defaultItem, "mnupophl");
  EXPECT_EQ(f.TrayMessage, 0);
  EXPECT_FALSE(f.Visible());

  Tray(tk::wm::kLButtonDblClk);
  EXPECT_TRUE(f.Visible());
  EXPECT_EQ(f.TrayMessage, 0);
}

TEST_F(ShellTest, AMoveToTheCornerNeverReachesTheTrayBranch) {
  Form1& f = Start();
  f.TrayMessage = 77;
  sys.Mouse(f, tk::wm::kMouseMove, 0, 0);
  EXPECT_EQ(f.TrayMessage, 77);
}

TEST_F(ShellTest, TheHotkeyToggleChainsToThePreviousWindowProcedure) {
  Form1& f = Start();
  const size_t before = Window().Received().size();
  sys.SendMessage(f, tk::wm::kHotKey, 1, 0x00480002);
  EXPECT_TRUE(f.Visible());
  sys.SendMessage(f, 0x1234, 0xABCD, -42);
  sys.SendMessage(f, tk::wm::kHotKey, 7, 0);  // the id is not looked at
  EXPECT_FALSE(f.Visible());

  const std::vector<tk::Message> passed(Window().Received().begin() + before, Window().Received().end());
  EXPECT_EQ(passed, (std::vector<tk::Message>{
                        {tk::wm::kHotKey, 1, 0x00480002}, {0x1234, 0xABCD, -42}, {tk::wm::kHotKey, 7, 0}}));
}

TEST_F(ShellTest, TheOverlayMenuShowsClearSecondAndCaptionsFollowSessions) {
  Form1& f = StartSession();
  RightClick(400, 300);
  ASSERT_EQ(sys.popups.size(), 1u);
  EXPECT_EQ(sys.popups[0].entries,
            (std::vector<std::string>{"Stop highlighting", "&Clear", "-", "&Options", "-", "&Help",
                                      "&Quick Reference", "&About", "-", "&Exit"}));
  EXPECT_EQ(sys.popups[0].flags, 0);
  EXPECT_EQ(sys.popups[0].pixels, (std::pair<int, int>{400, 300}));
  EXPECT_EQ(sys.popups[0].defaultItem, "mnupophl");

  ChooseNext("Stop highlighting");
  RightClick(400, 300);
  EXPECT_FALSE(f.Visible());
  sys.chooseMenuItem = nullptr;
  Tray(tk::wm::kRButtonUp);
  EXPECT_EQ(sys.popups.back().entries.front(), "Start highlighting");
  EXPECT_EQ(sys.popups.back().entries.size(), 9u);
}

TEST_F(ShellTest, ExitAnsweredNoChangesNothing) {
  Form1& f = StartSession();
  const size_t trayCalls = sys.trayCalls.size();
  sys.msgBoxAnswers = {tk::kIdNo};
  ChooseNext("&Exit");
  RightClick(10, 10);
  ASSERT_EQ(sys.msgBoxes.size(), 1u);
  EXPECT_EQ(sys.msgBoxes[0].text, "Do you really want to exit Lumora?");
  EXPECT_EQ(sys.msgBoxes[0].title, "Please Confirm");
  EXPECT_EQ(sys.msgBoxes[0].style, 36);
  EXPECT_TRUE(f.Loaded());
  EXPECT_TRUE(f.Visible());
  EXPECT_EQ(sys.trayCalls.size(), trayCalls);
  EXPECT_EQ(sys.hotkeys.count(1), 1u);
  EXPECT_FALSE(sys.quit);
}

TEST_F(ShellTest, ExitAnsweredYesReleasesEverythingAndEndsTheProgram) {
  Form1& f = Start();
  sys.calls.clear();
  sys.msgBoxAnswers = {tk::kIdYes};
  ChooseNext("&Exit");
  Tray(tk::wm::kRButtonUp);
  EXPECT_EQ(sys.calls, (Calls{"MsgBox Please Confirm", "NotifyIcon 2", "SetWindowProc", "NotifyIcon 2",
                              "UnregisterHotKey", "Quit"}));
  EXPECT_FALSE(sys.trayIcon.has_value());
  EXPECT_TRUE(sys.hotkeys.empty());
  EXPECT_FALSE(f.Loaded());
  EXPECT_TRUE(app->Forms().empty());
}

TEST_F(ShellTest, ExitDuringASessionClosesTheOverlayToo) {
  Form1& f = StartSession();
  ASSERT_FALSE(sys.trayIcon.has_value());
  f.mnupopexit_Click();
  EXPECT_FALSE(f.Loaded());
  EXPECT_TRUE(sys.quit);
  EXPECT_FALSE(sys.trayIcon.has_value()) << "removing an icon that is already gone changes nothing";
}

TEST_F(ShellTest, WithoutTheHotkeyTheTrayStillStartsSessions) {
  sys.hotkeyTaken = true;
  Form1& f = Start();
  EXPECT_TRUE(sys.hotkeys.empty());
  Tray(tk::wm::kLButtonDblClk);
  EXPECT_TRUE(f.Visible());
}

}  // namespace
