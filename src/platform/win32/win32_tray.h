// The program's tray icon as the shell keeps it: remembers whether the icon should be up, so it can be
// put back when the shell was not ready for it or when the task bar is re-created.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>

#include "platform/system.h"

namespace tk::win32 {

class TrayIcon {
 public:
  TrayIcon();

  // Shell_NotifyIconA with the fields of `data` in the shell's original record; returns the shell's answer.
  bool Notify(uint32_t message, const TrayIconData& data);

  // Messages of a window that may own the icon: the retry timer and the shell's "TaskbarCreated". Returns
  // true when the message was the tray's own.
  bool OnWindowMessage(HWND window, UINT message, WPARAM wParam);
  // The window is going away: nothing may be retried for it any more.
  void WindowDestroyed(HWND window);

 private:
  static constexpr UINT_PTR kRetryTimer = 0x7E41;
  static constexpr int kRetries = 5;
  static constexpr UINT kRetryMilliseconds = 1000;

  bool Add();
  void StartRetries();
  void StopRetries();

  UINT taskbarCreated_;
  NOTIFYICONDATAA record_{};
  bool wanted_ = false;  // the program asked for the icon and has not removed it
  bool shown_ = false;   // the shell accepted it
  int retriesLeft_ = 0;
};

}  // namespace tk::win32
