// The form window's side of the windowed controls and of dialog forms: creating the controls, decoding the
// messages their children send the form's window, and where a dialog opens and what has the focus in it.
#include "platform/win32/win32_window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "platform/win32/win32_system.h"

namespace tk {

// --- Windowed controls ---

std::unique_ptr<ControlHost> Win32Window::CreateControl(Control& control) {
  if (!hwnd_) return nullptr;
  auto host = std::make_unique<win32::ControlWindow>(*this, control, nextControlId_++);
  controls_.push_back(host.get());
  return host;
}

void Win32Window::ControlGone(const win32::ControlWindow& control) {
  std::erase(controls_, &control);
  if (pendingFocus_ && pendingFocus_ == control.Handle()) pendingFocus_ = nullptr;
}

win32::ControlWindow* Win32Window::ControlOf(HWND child) const {
  if (!child) return nullptr;
  for (win32::ControlWindow* control : controls_)
    if (control->Handle() == child) return control;
  return nullptr;
}

const win32::ControlWindow* Win32Window::HostOf(const Control& control) const {
  for (const win32::ControlWindow* host : controls_)
    if (&host->Model() == &control) return host;
  return nullptr;
}

bool Win32Window::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const auto child = reinterpret_cast<HWND>(lParam);
  result = 0;
  switch (message) {
    case WM_COMMAND:
      // The dialog manager's Esc, and its Enter when there is no default button to take it.
      if (dialog_ && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        LOWORD(wParam) == IDOK ? form_.PressDefault() : form_.PressCancel();
        return true;
      }
      if (win32::ControlWindow* control = ControlOf(child)) {
        control->OnCommand(HIWORD(wParam));
        return true;
      }
      return false;
    case WM_HSCROLL:
      if (win32::ControlWindow* control = ControlOf(child)) {
        control->OnScroll(LOWORD(wParam));
        return true;
      }
      return false;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      if (win32::ControlWindow* control = ControlOf(child)) {
        result = reinterpret_cast<LRESULT>(control->OnColor(reinterpret_cast<HDC>(wParam)));
        return result != 0;
      }
      return false;
    case WM_TIMER:
      for (win32::ControlWindow* control : controls_)
        if (control->Id() == wParam && control->Model().type == ControlType::Timer) {
          control->OnTimer();
          return true;
        }
      return false;
    case WM_SETCURSOR: {
      const win32::ControlWindow* control = ControlOf(reinterpret_cast<HWND>(wParam));
      if (LOWORD(lParam) != HTCLIENT || !control || control->Model().MousePointer() == kPointerDefault)
        return false;
      ::SetCursor(system_.CursorFor(control->Model().MousePointer()));
      result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

void Win32Window::FocusControl(HWND child) {
  if (!::IsWindowVisible(hwnd_)) {
    pendingFocus_ = child;
    return;
  }
  if (dialog_)
    ::SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(child), TRUE);
  else
    ::SetFocus(child);
}

void Win32Window::SetControlTip(HWND child, const std::string& text) {
  if (!child) return;
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(child);
  if (controlTips_) ::SendMessageA(controlTips_.get(), TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  if (text.empty()) return;
  if (!controlTips_) {
    // The controls' tooltips watch their own pointer messages (TTF_SUBCLASS); the overlay's tooltip is
    // relayed by hand and stays apart.
    controlTips_.reset(::CreateWindowExA(
        WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, system_.Instance(), nullptr));
    if (!controlTips_) return;
  }
  std::string copy = text;
  tool.lpszText = copy.data();
  ::SendMessageA(controlTips_.get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32Window::PaintSurfaceBehind(HWND child, HDC dc) {
  if (!ComposeBuffer()) return;
  POINT origin{0, 0};
  ::MapWindowPoints(child, hwnd_, &origin, 1);
  RECT client{};
  ::GetClientRect(child, &client);
  ::BitBlt(dc, 0, 0, client.right, client.bottom, buffer_.Dc(), origin.x, origin.y, SRCCOPY);
}

void Win32Window::Relayout() {
  for (win32::ControlWindow* control : controls_) control->Update();
}

// --- Dialogs ---

HWND Win32Window::NativeOwner() const {
  // Without an owner of its own a dialog belongs to the program's first window, the hidden overlay, which
  // keeps it off the task bar.
  const Form* owner = form_.Owner();
  if (owner && owner != &form_ && owner->hWnd()) return static_cast<HWND>(owner->hWnd());
  const HWND first = system_.MainWindow();
  return first != hwnd_ ? first : nullptr;
}

RECT Win32Window::PlaceDialog(HWND owner) {
  const DipRect& design = form_.DesignBounds();
  const int position = form_.StartUpPosition();
  RECT around{};
  const bool onOwner = position == kStartCenterOwner && owner && ::IsWindowVisible(owner) &&
                       !::IsIconic(owner) && ::GetWindowRect(owner, &around);
  const HMONITOR monitor = position == kStartManual
                               ? ::MonitorFromPoint(POINT{design.left, design.top}, MONITOR_DEFAULTTONEAREST)
                           : onOwner ? ::MonitorFromRect(&around, MONITOR_DEFAULTTONEAREST)
                                     : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  dpi_ = system_.Dpi().OfMonitor(monitor);
  const DipRect client = ScaleToDpi({0, 0, design.width, design.height}, dpi_);
  const RECT frame =
      system_.Dpi().WindowRect(RECT{0, 0, client.width, client.height}, DialogStyle(), kDialogExStyle, dpi_);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  if (position == kStartManual) return {design.left, design.top, design.left + width, design.top + height};

  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (::GetMonitorInfoA(monitor, &info)) work = info.rcWork;
  if (!onOwner) around = work;
  // Centred, but never with the title bar off the work area.
  const int left = std::max<int>(
      work.left, std::min<int>(around.left + (around.right - around.left - width) / 2, work.right - width));
  const int top = std::max<int>(
      work.top, std::min<int>(around.top + (around.bottom - around.top - height) / 2, work.bottom - height));
  return {left, top, left + width, top + height};
}

void Win32Window::ShowDialog() {
  if (!placed_) {
    // Form_Load may have changed the size, the position or the owner since the window was made.
    placed_ = true;
    const HWND owner = NativeOwner();
    if (owner != ::GetWindow(hwnd_, GW_OWNER))
      ::SetWindowLongPtrA(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    const int dpi = dpi_;
    const RECT frame = PlaceDialog(owner);
    ::SetWindowPos(hwnd_, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    if (dpi != dpi_) Relayout();
  }
  // The focus starts on the control that asked for it, or the first Tab stop; a dialog shown again keeps it.
  const HWND asked = std::exchange(pendingFocus_, nullptr);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetForegroundWindow(hwnd_);
  const HWND focus = ::GetFocus();
  if (!asked && focus && ::IsChild(hwnd_, focus)) return;
  const HWND first = asked ? asked : ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  if (first && first != focus) ::SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
}

}  // namespace tk
