// The tray icon, the Ctrl+H hotkey and its window procedure, and the decoding of tray notifications.
#include <cstring>
#include <string_view>

#include "app/form1.h"
#include "platform/units.h"

namespace {

constexpr int kHotkeyId = 1;
constexpr uint32_t kVirtualKeyH = 0x48;

template <size_t N>
void CopyText(char (&to)[N], std::string_view text) {
  text.copy(to, N - 1);  // the rest stays NUL
}

}  // namespace

bool Form1::TakeHotkey() {
  // Asking again while held would only fail; another program may have let go of it since the last try.
  // MOD_NOREPEAT: holding Ctrl+H must not toggle the session again and again.
  if (!hotkey.held)
    hotkey.held =
        app.system.RegisterHotKey(hWnd(), kHotkeyId, tk::kModControl | tk::kModNoRepeat, kVirtualKeyH);
  return hotkey.held;
}

void Form1::ReleaseHotkey() {
  if (hotkey.held) app.system.UnregisterHotKey(hWnd(), kHotkeyId);
}

void Form1::TellHotkeyTaken() {
  if (hotkey.told) return;
  // A copy: the icon's own record must not carry the balloon into later modifies.
  tk::TrayIconData balloon = TrayIconData;
  balloon.uFlags |= tk::kNifInfo;
  CopyText(balloon.szInfoTitle, "Lumora");
  CopyText(balloon.szInfo, "Ctrl+H is in use by another program. Start highlighting from the tray icon.");
  balloon.dwInfoFlags = tk::kNiifInfo;
  // A shell that has not taken the icon yet refuses the balloon: it is told at the next chance.
  hotkey.told = app.system.NotifyIcon(tk::kNimModify, balloon);
}

void AddTrayIcon(Form1& form) {
  tk::TrayIconData& data = form.TrayIconData;
  data = {};
  data.cbSize = 88;
  data.hWnd = form.hWnd();
  data.uID = 1;
  data.uFlags = tk::kNifMessage | tk::kNifIcon | tk::kNifTip;
  // Notifications come back as mouse moves of the hidden overlay, the mouse message in X.
  data.uCallbackMessage = tk::wm::kMouseMove;
  data.hIcon = form.IconHandle();
  std::memset(data.szTip, ' ', sizeof data.szTip);
  std::memcpy(data.szTip, "Lumora", 7);  // with its NUL

  form.app.system.NotifyIcon(tk::kNimAdd, data);
  form.app.system.NotifyIcon(tk::kNimModify, data);
  if (!form.hotkey.held) form.TellHotkeyTaken();  // the balloon needs the icon
  form.Hide();
}

intptr_t HotkeyWindowProc(tk::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  auto* form = dynamic_cast<Form1*>(tk::Form::FromHandle(window));
  if (!form) return 0;
  if (message == tk::wm::kHotKey) form->mnupophl_Click();
  return form->app.system.CallWindowProc(form->OldWindowProc, window, message, wParam, lParam);
}

void Form1::TrayEvent(float x) {
  TrayMessage = tk::RoundToInt32(x / app.screen.TwipsPerPixelX());
  switch (TrayMessage) {
    case tk::wm::kLButtonDblClk:
      mnupophl_Click();  // the icon exists only while no session runs, so this starts one
      TrayMessage = 0;
      break;
    case tk::wm::kRButtonUp:
      TakeHotkey();  // the user is at the icon: the other program may have let go of Ctrl+H
      PopupMenu(pop, tk::kPopupMenuRightButton, std::nullopt, std::nullopt, &mnupophl);
      TrayMessage = 0;
      break;
    default:
      break;  // moves, presses, single clicks
  }
}
