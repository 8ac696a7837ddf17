// One form's native window: a borderless pop-up whose client area is the form's surface. The window
// procedure only turns messages into toolkit calls.
#pragma once

#include <windows.h>

#include <string>

#include "platform/form.h"
#include "platform/win32/handle.h"

namespace tk {

class Win32System;

namespace win32 {

// The back buffer: a 32-bit top-down DIB section selected into its own memory context. The compositor
// writes its pixels directly; WM_PAINT copies them to the screen.
class BackBuffer {
 public:
  // Makes the buffer `width` x `height`; true when it was (re)created and so holds nothing yet.
  bool Fit(int width, int height);
  raster::Surface Surface() const { return {bits_, width_, height_, width_}; }
  HDC Dc() const { return dc_.get(); }
  bool Valid() const { return bits_ != nullptr; }

 private:
  int width_ = 0, height_ = 0;
  raster::Pixel* bits_ = nullptr;
  UniqueBitmap dib_;
  UniqueHdc dc_;
  ScopedSelect selected_;  // declared last: the DIB leaves the context before either goes
};

}  // namespace win32

class Win32Window final : public WindowHost {
 public:
  Win32Window(Win32System& system, Form& form);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // --- WindowHost ---
  WindowHandle Handle() const override { return hwnd_; }
  uintptr_t IconHandle() const override { return reinterpret_cast<uintptr_t>(smallIcon_.get()); }
  void SetVisible(bool visible) override;
  void SetCaption(const std::string& caption) override;
  void SetWindowState(int state) override;
  void Invalidate(const raster::Rect& pixels) override;
  void PointerChanged() override;
  void SetCapture(bool capture) override;
  void SetToolTip(const std::string& text, const raster::Rect& pixels) override;
  MenuItem* TrackPopupMenu(MenuItem& menu, int flags, std::optional<std::pair<int, int>> pixels,
                           const MenuItem* defaultItem) override;

  // Keeps the window off the task bar and the task list, or gives it its designed place there.
  void ApplyTaskVisible(bool visible);

  // The window class's procedure: the form's own procedure, to which a replaced procedure chains.
  static LRESULT CALLBACK ClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void FitToMonitor();
  void RelayToToolTip(UINT message, WPARAM wParam, LPARAM lParam);

  static constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;
  static constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;  // the overlay never has a task-bar button

  Win32System& system_;
  Form& form_;
  int state_ = kWindowNormal;
  HWND hwnd_ = nullptr;  // set while the window is created, before CreateWindowEx returns
  bool painting_ = false;

  // Declaration order is destruction order reversed: the buffer and the tooltip go before the window,
  // the window before its icons.
  win32::UniqueHicon bigIcon_, smallIcon_;
  win32::UniqueHwnd window_;
  win32::UniqueHwnd toolTip_;
  bool toolShown_ = false;
  win32::BackBuffer buffer_;
};

}  // namespace tk
