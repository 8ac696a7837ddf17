// One form's native window: a borderless pop-up (the overlay) or a fixed dialog, whose client area is the
// form's surface and whose children are the form's windowed controls. The window procedure only turns
// messages into toolkit calls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/win32/handle.h"
#include "platform/win32/win32_controls.h"

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
  std::unique_ptr<ControlHost> CreateControl(Control& control) override;


  // --- For the controls ---
  HWND Hwnd() const { return hwnd_; }
  HINSTANCE Instance() const;
  bool IsDialog() const { return dialog_; }
  int Dpi() const { return dpi_; }
  const win32::ControlWindow* HostOf(const Control& control) const;
  void ControlGone(const win32::ControlWindow& control);
  // Gives a child the keyboard focus, through the dialog manager; a hidden window gives it when shown.
  void FocusControl(HWND child);
  // The tooltip of a child control; empty text removes it.
  void SetControlTip(HWND child, const std::string& text);
  // Paints the part of the form's surface that lies under `child` into the child's `dc`.
  void PaintSurfaceBehind(HWND child, HDC dc);

  // The window class's procedure: the form's own procedure, to which a replaced procedure chains.
  static LRESULT CALLBACK ClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT DefaultProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // The messages of the form's windowed controls; true when one was used.
  bool OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  win32::ControlWindow* ControlOf(HWND child) const;
  bool ComposeBuffer();
  void Paint();
  void FitToMonitor();
  void RelayToToolTip(UINT message, WPARAM wParam, LPARAM lParam);
  HWND NativeOwner() const;
  // Where the dialog opens, by its start-up position (manual: DesignBounds' left and top are the window's
  // place on the screen, in pixels); sets the DPI it will have there.
  RECT PlaceDialog(HWND owner);
  void ShowDialog();
  void Relayout();

  static constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;
  static constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;  // the overlay never has a task-bar button
  // A title bar with only a close box; owned, so it has no task-bar button either.
  // A title bar with only the close box; without a control box, a plain framed box with no title bar.
  DWORD DialogStyle() const {
    return form_.ControlBox() ? WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN
                              : WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
  }
  static constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME;
  // Child ids start above the dialog manager's IDOK and IDCANCEL, which stand for Enter and Esc.
  static constexpr UINT kFirstControlId = 0x100;

  Win32System& system_;
  Form& form_;
  const bool dialog_;
  int state_ = kWindowNormal;
  int dpi_ = 96;
  bool placed_ = false;  // a dialog is placed where it opens when it is first shown
  HWND hwnd_ = nullptr;  // set while the window is created, before CreateWindowEx returns
  HWND pendingFocus_ = nullptr;
  UINT nextControlId_ = kFirstControlId;
  std::vector<win32::ControlWindow*> controls_;

  // Declaration order is destruction order reversed: the buffer and the tooltip go before the window,
  // the window before its icons.
  win32::UniqueHicon bigIcon_, smallIcon_;
  win32::UniqueHwnd window_;
  win32::UniqueHwnd toolTip_;
  win32::UniqueHwnd controlTips_;
  bool toolShown_ = false;
  win32::BackBuffer buffer_;
};

}  // namespace tk
