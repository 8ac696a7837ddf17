#include "platform/win32/win32_tray.h"

#include <cstring>

#include "platform/win32/win32_system.h"

namespace tk::win32 {

TrayIcon::TrayIcon() : taskbarCreated_(::RegisterWindowMessageA("TaskbarCreated")) {}

bool TrayIcon::Notify(uint32_t message, const TrayIconData& data) {
  // The original ANSI record: the shell reads exactly this many bytes, a 64-byte tip included.
  NOTIFYICONDATAA record{};
  record.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record.hWnd = static_cast<HWND>(data.hWnd);
  record.uID = data.uID;
  record.uFlags = data.uFlags;
  record.uCallbackMessage = data.uCallbackMessage;
  record.hIcon = reinterpret_cast<HICON>(data.hIcon);
  static_assert(sizeof data.szTip == 64);
  std::memcpy(record.szTip, data.szTip, sizeof data.szTip);
  record.szTip[63] = '\0';
  if (data.uFlags & NIF_INFO) {
    // Balloons came with the second version of the record; its tip is 128 bytes, the rest stays NUL.
    record.cbSize = NOTIFYICONDATAA_V2_SIZE;
    static_assert(sizeof data.szInfo == sizeof record.szInfo);
    static_assert(sizeof data.szInfoTitle == sizeof record.szInfoTitle);
    std::memcpy(record.szInfo, data.szInfo, sizeof record.szInfo);
    std::memcpy(record.szInfoTitle, data.szInfoTitle, sizeof record.szInfoTitle);
    record.szInfo[sizeof record.szInfo - 1] = record.szInfoTitle[sizeof record.szInfoTitle - 1] = '\0';
    record.dwInfoFlags = data.dwInfoFlags;
  }

  switch (message) {
    case NIM_ADD: {
      if (wanted_ && record_.hWnd && record_.hWnd != record.hWnd) StopRetries();
      record_ = record;
      wanted_ = true;
      if (Add()) return true;
      // A shell that is still starting refuses the icon; one that already shows it refuses a second add.
      if (!shown_) StartRetries();
      return false;
    }
    case NIM_MODIFY: {
      if (wanted_ && record.hWnd == record_.hWnd && record.uID == record_.uID) {
        // The icon is remembered for a new task bar, its balloon is not: that was said once.
        record_ = record;
        record_.cbSize = NOTIFYICONDATAA_V1_SIZE;
        record_.uFlags &= ~NIF_INFO;
      }
      return ::Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
    }
    case NIM_DELETE: {
      if (record.hWnd == record_.hWnd && record.uID == record_.uID) {
        StopRetries();
        wanted_ = false;
        shown_ = false;
      }
      return ::Shell_NotifyIconA(NIM_DELETE, &record) != FALSE;
    }
    default:
      return ::Shell_NotifyIconA(message, &record) != FALSE;
  }
}

bool TrayIcon::Add() {
  if (!::Shell_NotifyIconA(NIM_ADD, &record_)) return false;
  shown_ = true;
  StopRetries();
  return true;
}

void TrayIcon::StartRetries() {
  retriesLeft_ = kRetries;
  ::SetTimer(record_.hWnd, kRetryTimer, kRetryMilliseconds, nullptr);
}

void TrayIcon::StopRetries() {
  if (retriesLeft_ > 0 && record_.hWnd) ::KillTimer(record_.hWnd, kRetryTimer);
  retriesLeft_ = 0;
}

bool TrayIcon::OnWindowMessage(HWND window, UINT message, WPARAM wParam) {
  if (message == WM_TIMER && wParam == kRetryTimer) {
    if (window != record_.hWnd || !wanted_ || shown_ || retriesLeft_ <= 0) {
      ::KillTimer(window, kRetryTimer);
      return true;
    }
    if (!Add() && --retriesLeft_ <= 0) StopRetries();
    return true;
  }
  if (message == taskbarCreated_ && taskbarCreated_ != 0) {
    // A new task bar has no icons: put ours back if the program wants it.
    if (window == record_.hWnd && wanted_) {
      shown_ = false;
      StopRetries();
      if (!Add()) StartRetries();
    }
    return false;  // other windows of the program may want to know as well
  }
  return false;
}

void TrayIcon::WindowDestroyed(HWND window) {
  if (window != record_.hWnd) return;
  StopRetries();
  // An icon must not outlive its window: the shell would keep it until someone pointed at it.
  if (shown_) ::Shell_NotifyIconA(NIM_DELETE, &record_);
  wanted_ = false;
  shown_ = false;
  record_ = {};
}

}  // namespace tk::win32

// --- The hotkey and the tray, as the program reaches them ---

namespace tk {

bool Win32System::NotifyIcon(uint32_t message, const TrayIconData& data) {
  return tray_.Notify(message, data);
}

bool Win32System::RegisterHotKey(WindowHandle window, int id, uint32_t modifiers, uint32_t virtualKey) {
  return ::RegisterHotKey(static_cast<HWND>(window), id, modifiers, virtualKey) != FALSE;
}

bool Win32System::UnregisterHotKey(WindowHandle window, int id) {
  return ::UnregisterHotKey(static_cast<HWND>(window), id) != FALSE;
}

}  // namespace tk
