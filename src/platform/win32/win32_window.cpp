#include "platform/win32/win32_window.h"

#include <commctrl.h>

#include <vector>

#include "platform/win32/win32_menu.h"
#include "platform/win32/win32_system.h"
#include "resources/resource_ids.h"

namespace tk {

namespace win32 {

bool BackBuffer::Fit(int width, int height) {
  if (width == width_ && height == height_ && bits_) return false;
  selected_.Restore();
  dib_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
  if (width <= 0 || height <= 0) return false;
  if (!dc_) dc_.reset(::CreateCompatibleDC(nullptr));
  if (!dc_) return false;

  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;  // top-down, like the compositor's rows
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  dib_.reset(::CreateDIBSection(dc_.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib_ || !bits) {
    dib_.reset();
    return false;
  }
  selected_ = ScopedSelect(dc_.get(), dib_.get());
  bits_ = static_cast<raster::Pixel*>(bits);
  width_ = width;
  height_ = height;
  return true;
}

}  // namespace win32

Win32Window::Win32Window(Win32System& system, Form& form)
    : system_(system), form_(form), dialog_(form.BorderStyle() != kBorderNone) {
  const HINSTANCE instance = system.Instance();
  bigIcon_.reset(
      static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_LUMORA), IMAGE_ICON,
                                      ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
  smallIcon_.reset(
      static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_LUMORA), IMAGE_ICON,
                                      ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));

  if (dialog_) {
    // A dialog's surface is the system's face colour, unless the form chose a colour of its own.
    if (form.BackColor() == kSystemColor) form.SetBackColor(::GetSysColor(COLOR_BTNFACE));
    const HWND owner = NativeOwner();
    const RECT frame = PlaceDialog(owner);
    window_.reset(::CreateWindowExA(kDialogExStyle, system.DialogClass(), form.Caption().c_str(),
                                    DialogStyle(), frame.left, frame.top, frame.right - frame.left,
                                    frame.bottom - frame.top, owner, nullptr, instance, this));
  } else {
    window_.reset(::CreateWindowExA(kExStyle, system.WindowClass(), form.Caption().c_str(), kStyle, 0, 0, 0, 0,
                                    nullptr, nullptr, instance, this));
  }
  hwnd_ = window_.get();
  if (!window_) return;
  if (!dialog_) dpi_ = system.Dpi().OfWindow(hwnd_);
  // A form without an icon sets none, so the frame of a modal dialog shows none either.
  if (form.ShowIcon()) {
    ::SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    ::SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  }
  system_.WindowCreated(*this);
}

Win32Window::~Win32Window() {
  system_.WindowDestroyed(*this);
  if (!hwnd_) return;
  // The owner takes input again before this window goes, so the system activates it and not another
  // program.
  system_.ReleaseOwner(hwnd_);
  system_.Tray().WindowDestroyed(hwnd_);
  // From here on the window's messages go to the default procedure: the form is being unloaded.
  ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  if (::GetCapture() == hwnd_) ::ReleaseCapture();
}

HINSTANCE Win32Window::Instance() const {
  return system_.Instance();
}

LRESULT CALLBACK Win32Window::ClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<Win32Window*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
    created->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* self = reinterpret_cast<Win32Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefaultProc(hwnd, message, wParam, lParam);
  try {
    return self->OnMessage(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the system's frames; the event is dropped.
    return 0;
  }
}

LRESULT Win32Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // A handler may unload the form, which destroys this object: after calling into the form, only locals.
  const HWND hwnd = hwnd_;
  if (system_.Tray().OnWindowMessage(hwnd, message, wParam)) return 0;
  LRESULT result = 0;
  if (!controls_.empty() && OnControlMessage(message, wParam, lParam, result)) return result;

  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the back buffer covers every pixel
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SIZE:
      // A minimised window reports 0 x 0; the surface (and the strokes on it) keeps its size.
      if (wParam != SIZE_MINIMIZED) form_.Resize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_DISPLAYCHANGE:
    case WM_SETTINGCHANGE:
      system_.ScreenChanged();
      if (message == WM_DISPLAYCHANGE && state_ == kWindowMaximized) FitToMonitor();
      break;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == hwnd) {
        ::SetCursor(system_.CursorFor(form_.CurrentPointer()));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      // The overlay has no close box: Alt+F4 must not end the program.
      if (dialog_) form_.CloseBox();
      return 0;
    case WM_PRINTCLIENT:
      // Themed controls ask for what lies behind them this way.
      if (ComposeBuffer())
        ::BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, form_.ClientWidth(), form_.ClientHeight(), buffer_.Dc(),
                 0, 0, SRCCOPY);
      return 0;
    case WM_DPICHANGED:
      system_.ScreenChanged();
      if (!dialog_) break;
      dpi_ = LOWORD(wParam);
      if (const auto* suggested = reinterpret_cast<const RECT*>(lParam))
        ::SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      Relayout();
      return 0;
    case Win32System::kRunPosted:
      system_.RunPosted();
      return 0;
    case WM_ENDSESSION:
      if (wParam) {
        const std::vector<Form*> forms = form_.app.Forms();
        for (Form* form : forms) form->Unload();
      }
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      RelayToToolTip(message, wParam, lParam);
      break;
    default:
      break;
  }

  bool handled = false;
  result = form_.HandleMessage(message, wParam, lParam, handled);
  return handled ? result : DefaultProc(hwnd, message, wParam, lParam);
}

LRESULT Win32Window::DefaultProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // A dialog's default procedure is the dialog manager's: default button, focus kept across activation.
  if (::GetClassLongPtrA(hwnd, GCL_CBWNDEXTRA) >= DLGWINDOWEXTRA)
    return ::DefDlgProcA(hwnd, message, wParam, lParam);
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

bool Win32Window::ComposeBuffer() {
  // A new buffer holds nothing yet, so the whole surface is composed into it.
  if (buffer_.Fit(form_.ClientWidth(), form_.ClientHeight())) form_.InvalidateAll();
  if (!buffer_.Valid()) return false;
  ::GdiFlush();  // GDI may still be reading the pixels the compositor is about to write
  form_.ComposeDirty(buffer_.Surface());
  return true;
}

void Win32Window::Paint() {
  win32::PaintDc paint(hwnd_);
  if (!paint || !ComposeBuffer()) return;
  const RECT& area = paint.Area();
  ::BitBlt(paint.get(), area.left, area.top, area.right - area.left, area.bottom - area.top, buffer_.Dc(),
           area.left, area.top, SRCCOPY);
}

void Win32Window::SetVisible(bool visible) {
  if (!hwnd_) return;
  if (!visible) {
    if (toolTip_) ::SendMessageA(toolTip_.get(), TTM_POP, 0, 0);
    system_.ReleaseOwner(hwnd_);
    ::ShowWindow(hwnd_, SW_HIDE);
    return;
  }
  if (dialog_) {
    ShowDialog();
    return;
  }
  if (state_ == kWindowMaximized) FitToMonitor();
  ::ShowWindow(hwnd_, state_ == kWindowMinimized ? SW_SHOWMINNOACTIVE : SW_SHOW);
  if (state_ != kWindowMinimized) ::SetForegroundWindow(hwnd_);
}

void Win32Window::SetCaption(const std::string& caption) {
  if (hwnd_) ::SetWindowTextA(hwnd_, caption.c_str());
}

void Win32Window::SetWindowState(int state) {
  state_ = state;
  if (!hwnd_) return;
  const bool visible = ::IsWindowVisible(hwnd_) != FALSE;
  if (state == kWindowMinimized) {
    if (visible) ::ShowWindow(hwnd_, SW_MINIMIZE);
    return;
  }
  if (::IsIconic(hwnd_)) ::ShowWindow(hwnd_, visible ? SW_RESTORE : SW_HIDE);
  if (state == kWindowMaximized) FitToMonitor();
}

void Win32Window::FitToMonitor() {
  // Maximised means the whole primary monitor, task bar included; a borderless window has to be placed
  // there itself, since the system would keep a maximised window inside the work area.
  RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (::GetMonitorInfoA(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info))
    area = info.rcMonitor;
  ::SetWindowPos(hwnd_, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::Invalidate(const raster::Rect& pixels) {
  if (!hwnd_ || pixels.Empty()) return;
  const RECT area{pixels.left, pixels.top, pixels.right, pixels.bottom};
  ::InvalidateRect(hwnd_, &area, FALSE);
}

void Win32Window::PointerChanged() {
  if (!hwnd_ || !::IsWindowVisible(hwnd_)) return;
  POINT at{};
  if (!::GetCursorPos(&at)) return;
  if (::GetCapture() == hwnd_ || ::WindowFromPoint(at) == hwnd_)
    ::SetCursor(system_.CursorFor(form_.CurrentPointer()));
}

void Win32Window::SetCapture(bool capture) {
  if (!hwnd_) return;
  if (capture)
    ::SetCapture(hwnd_);
  else if (::GetCapture() == hwnd_)
    ::ReleaseCapture();
}

void Win32Window::SetToolTip(const std::string& text, const raster::Rect& pixels) {
  if (!hwnd_) return;
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = hwnd_;
  tool.uId = 1;
  if (toolShown_) {
    ::SendMessageA(toolTip_.get(), TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    toolShown_ = false;
  }
  if (text.empty()) return;
  if (!toolTip_) {
    // One tooltip control for the window; the pointer messages reach it through RelayToToolTip.
    toolTip_.reset(::CreateWindowExA(
        WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, system_.Instance(), nullptr));
    if (!toolTip_) return;
  }
  std::string copy = text;  // the control copies the text; the pointer only has to live through the call
  tool.rect = RECT{pixels.left, pixels.top, pixels.right, pixels.bottom};
  tool.lpszText = copy.data();
  toolShown_ = ::SendMessageA(toolTip_.get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
}

void Win32Window::RelayToToolTip(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!toolShown_ || !::IsWindowVisible(hwnd_)) return;
  MSG relayed{};
  relayed.hwnd = hwnd_;
  relayed.message = message;
  relayed.wParam = wParam;
  relayed.lParam = lParam;
  relayed.time = static_cast<DWORD>(::GetMessageTime());
  const DWORD pos = ::GetMessagePos();
  relayed.pt = POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
  ::SendMessageA(toolTip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

MenuItem* Win32Window::TrackPopupMenu(MenuItem& menu, int flags, std::optional<std::pair<int, int>> pixels,
                                      const MenuItem* defaultItem) {
  if (!hwnd_) return nullptr;
  ++system_.MenusOpen();
  MenuItem* chosen = win32::TrackPopup(hwnd_, menu, flags, pixels, defaultItem);
  --system_.MenusOpen();
  return chosen;
}

}  // namespace tk
