// The tray icon, the Ctrl+H hotkey's window procedure and the decoding of tray notifications.
#include <cstring>

#include "app/form1.h"
#include "platform/units.h"

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
      PopupMenu(pop, tk::kPopupMenuRightButton, std::nullopt, std::nullopt, &mnupophl);
      TrayMessage = 0;
      break;
    default:
      break;  // moves, presses, single clicks
  }
}
