// The program as a tray program: start-up and the settings it reads, a second instance, the hotkey's window
// procedure, the tray icon's notifications, the program menu and Exit.
#include <functional>
#include <tuple>

#include "fixture.h"

namespace {

using ShellTest = LumoraTest;

TEST_F(ShellTest, StartUpTakesItsStepsInOrderAndEndsInTheTrayWithTheHotkeyChained) {
  Preset("Instructions on startup", "1");
  Form1& f = Start();
  EXPECT_EQ(sys.calls, (Strings{"PrevInstance", "Modal Form3", "RegisterHotKey",
                                "SetWindowProc", "NotifyIcon 0", "NotifyIcon 1"}));
  EXPECT_FALSE(f.Visible());
  const tk::TrayIconData& icon = sys.trayIcon.value();
  EXPECT_EQ(std::tuple(icon.hWnd, icon.uID, icon.uFlags, icon.uCallbackMessage, icon.hIcon),
            std::tuple(f.hWnd(), 1u, 7u, 0x200u, f.IconHandle()));
  EXPECT_EQ(std::string(icon.szTip, 64), "Lumora" + std::string(1, '\0') + std::string(57, ' '));
  const auto& hotkey = sys.hotkeys.at(1);
  EXPECT_EQ(std::tuple(hotkey.window, hotkey.modifiers, hotkey.virtualKey),
            std::tuple(f.hWnd(), tk::kModControl | tk::kModNoRepeat, 0x48u))
      << "MOD_NOREPEAT: holding Ctrl+H toggles once";

  // The hotkey's procedure toggles on WM_HOTKEY, whatever its id, and passes every message on unchanged.
  const size_t before = Window().Received().size();
  sys.SendMessage(f, tk::wm::kHotKey, 1, 0x00480002);
  EXPECT_TRUE(f.Visible());
  sys.SendMessage(f, 0x1234, 0xABCD, -42);
  sys.SendMessage(f, tk::wm::kHotKey, 7, 0);
  EXPECT_FALSE(f.Visible());
  const std::vector<tk::Message> passed(Window().Received().begin() + before, Window().Received().end());
  EXPECT_EQ(passed, (std::vector<tk::Message>{
                        {tk::wm::kHotKey, 1, 0x00480002}, {0x1234, 0xABCD, -42}, {tk::wm::kHotKey, 7, 0}}));
}

// Only decimal text that fits, with blanks around it and a sign, is a number; a width must be 1 to 32767
// and a colour 0 to 0xFFFFFF, or the defaults (10, yellow) apply. The instructions show for exactly "1".
TEST_F(ShellTest, StoredSettingsReachOverlayAndTemplatesAndUnusableOnesGiveTheDefaults) {
  using Text = std::optional<std::string>;
  const std::tuple<Text, Text, Text, int, uint32_t, bool> cases[] = {
      {"25", "16711680", "1", 25, 0xFF0000, true},
      {std::nullopt, std::nullopt, std::nullopt, 10, 65535, true},
      {" 35", "255", "0", 35, 255, false},
      {"\t8\t", "-0", "", 8, 0, false},
      {"+7", "007", "01", 7, 7, false},
      {"32767", "16777215", " 1", 32767, 0xFFFFFF, false},
      {"0", "-1", "0", 10, 65535, false},
      {"-3", "16777216", "0", 10, 65535, false},
      {"12abc", "255abc", "0", 10, 65535, false},
      {"99999999999", "4294967551", "0", 10, 65535, false},  // 2^32 + 255 must not wrap to 255
      {"32768", "0x00FF", "0", 10, 65535, false},
      {"1 2", " ", "0", 10, 65535, false},
  };
  for (const auto& [width, color, instructions, drawWidth, foreColor, shown] : cases) {
    SCOPED_TRACE(width.value_or("(none)") + " / " + color.value_or("(none)"));
    Preset("Line Width", width);
    Preset("Color", color);
    Preset("Instructions on startup", instructions);
    // At the instructions window the settings are already applied.
    sys.onModal["Form3"] = [&](tk::Form&) { EXPECT_EQ(form->DrawWidth(), drawWidth); };
    sys.calls.clear();
    Form1& f = Start();
    EXPECT_EQ(std::count(sys.calls.begin(), sys.calls.end(), "Modal Form3"), shown ? 1 : 0);
    const tk::ShapeStyle &oval = f.ShapeArrOv.Template().Style(), &rect = f.shapeArrRect.Template().Style();
    EXPECT_EQ(std::tuple(f.DrawWidth(), oval.borderWidth), std::tuple(drawWidth, drawWidth));
    EXPECT_EQ(std::tuple(f.ForeColor(), oval.borderColor, rect.fillColor),
              std::tuple(foreColor, foreColor, foreColor));
  }
}

TEST_F(ShellTest, ASecondInstanceShowsOnlyItsBoxAndTouchesNothing) {
  sys.otherInstanceRunning = true;
  const size_t registryOpens = sys.registry.OpenCalls().size();
  Form1& f = Start();
  EXPECT_EQ(Boxes(), Strings{"Message: Lumora is already running. (64)"});
  EXPECT_EQ(sys.calls, (Strings{"PrevInstance", "MsgBox Message", "Quit"}));
  EXPECT_EQ(sys.registry.OpenCalls().size(), registryOpens) << "no setting is read";
  EXPECT_TRUE(sys.hotkeys.empty() && !sys.trayIcon && !f.Visible());
}

// Another program holds Ctrl+H: the tray works, one balloon says so, and each session end or tray-menu
// opening asks for the key again until it comes free; only a held key is given back at unload.
TEST_F(ShellTest, CtrlHHeldElsewhereIsToldOnceAndTakenBackAtSessionEndOrTrayMenu) {
  auto count = [this](const char* call) { return std::count(sys.calls.begin(), sys.calls.end(), call); };
  const std::function<void()> retries[] = {[this] { Tray(tk::wm::kLButtonDblClk), Char(27); },
                                           [this] { Tray(tk::wm::kRButtonUp); }};
  for (const auto& retry : retries) {
    sys.hotkeyTaken = true;
    sys.calls.clear(), sys.trayCalls.clear();
    Form1& f = Start();
    const tk::TrayIconData& b = sys.trayCalls.back().data;  // after the icon
    EXPECT_EQ(std::tuple(b.uFlags & tk::kNifInfo, std::string(b.szInfoTitle), std::string(b.szInfo),
                         b.dwInfoFlags),
              std::tuple(tk::kNifInfo, "Lumora",
                         "Ctrl+H is in use by another program. Start highlighting from the tray icon.", 1u));
    Tray(tk::wm::kLButtonDblClk);
    EXPECT_TRUE(f.Visible()) << "the tray starts a session without the key";
    Char(27);
    for (auto [taken, asks] : {std::pair(true, 1L), {false, 1L}, {false, 0L}}) {
      sys.hotkeyTaken = taken;
      const auto before = count("RegisterHotKey");
      retry();
      EXPECT_EQ(std::tuple(count("RegisterHotKey") - before, f.hotkey.held, sys.hotkeys.size()),
                std::tuple(asks, !taken, size_t(!taken)));
    }
    EXPECT_EQ(std::count_if(sys.trayCalls.begin(), sys.trayCalls.end(),
                            [](const auto& c) { return (c.data.uFlags & tk::kNifInfo) != 0; }), 1);
    f.Unload();
    EXPECT_EQ(count("UnregisterHotKey"), 1);
  }
  sys.hotkeyTaken = true;
  Start().Unload();
  EXPECT_EQ(count("UnregisterHotKey"), 1) << "a key never held is not given back";
}

// Under an open dialog of ours, neither Ctrl+H nor the tray icon starts or stops a session: the dialog comes
// to the front instead.
TEST_F(ShellTest, CtrlHAndTheTrayIconWaitForAnOpenDialog) {
  for (bool session : {false, true}) {
    Form1& f = session ? StartSession() : Start();
    sys.onModal["Form4"] = [&](tk::Form&) {
      sys.SendMessage(f, tk::wm::kHotKey, 1, 0);
      Tray(tk::wm::kLButtonDblClk);  // a move over the overlay while a session runs
      EXPECT_EQ(f.Visible(), session);
    };
    ChooseNext("&About");
    session ? RightClick(400, 300) : Tray(tk::wm::kRButtonUp);
    EXPECT_EQ(std::count(sys.calls.begin(), sys.calls.end(), "BringModalForward"), session ? 1 : 2);
    sys.SendMessage(f, tk::wm::kHotKey, 1, 0);
    EXPECT_EQ(f.Visible(), !session) << "the key works again once the dialog has closed";
    sys.calls.clear();
  }
}

TEST_F(ShellTest, TheTrayIconActsOnADoubleClickOrARightReleaseAndExitAnsweredNoChangesNothingButYesEndsAll) {
  Form1& f = Start();
  for (uint32_t ignored : {0x200u, 0x201u, 0x202u, 0x204u, 0x207u, 0x208u}) Tray(ignored);
  EXPECT_TRUE(sys.popups.empty() && !f.Visible());
  Tray(tk::wm::kRButtonUp);  // its menu: at the pointer, with the right button
  ASSERT_EQ(sys.popups.size(), 1u);
  EXPECT_EQ(sys.popups[0].entries, (Strings{"&Start Highlighting", "-", "&Options", "-", "&Help",
                                            "&Quick Reference", "&About", "-", "&Exit"}));
  EXPECT_EQ(std::tuple(sys.popups[0].flags, sys.popups[0].pixels, sys.popups[0].defaultItem),
            std::tuple(int(tk::kPopupMenuRightButton), std::nullopt, "mnupophl"));
  Tray(tk::wm::kLButtonDblClk);
  ASSERT_TRUE(f.Visible());

  // The overlay's menu, at the click, shows Clear second.
  const size_t trayCalls = sys.trayCalls.size();
  sys.msgBoxAnswers = {tk::kIdNo};
  ChooseNext("&Exit");
  RightClick(400, 300);
  ASSERT_EQ(sys.popups.size(), 2u);
  EXPECT_EQ(sys.popups[1].entries, (Strings{"Stop highlighting", "&Clear", "-", "&Options", "-", "&Help",
                                            "&Quick Reference", "&About", "-", "&Exit"}));
  EXPECT_EQ(std::tuple(sys.popups[1].flags, sys.popups[1].pixels, sys.popups[1].defaultItem),
            std::tuple(0, std::optional(std::pair(400, 300)), "mnupophl"));
  EXPECT_EQ(Boxes(), Strings{"Please Confirm: Do you really want to exit Lumora? (36)"});
  EXPECT_TRUE(f.Loaded() && f.Visible() && !sys.quit && sys.trayCalls.size() == trayCalls &&
              sys.hotkeys.count(1));

  ChooseNext("Stop highlighting");
  RightClick(400, 300);
  EXPECT_FALSE(f.Visible());
  sys.calls.clear();
  sys.msgBoxAnswers = {tk::kIdYes};
  ChooseNext("&Exit");
  Tray(tk::wm::kRButtonUp);
  EXPECT_EQ(sys.calls, (Strings{"MsgBox Please Confirm", "NotifyIcon 2", "SetWindowProc", "NotifyIcon 2",
                                "UnregisterHotKey", "Quit"}));
  EXPECT_TRUE(sys.hotkeys.empty() && !sys.trayIcon);
}

}  // namespace
