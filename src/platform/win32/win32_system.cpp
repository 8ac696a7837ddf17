#include "platform/win32/win32_system.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "platform/win32/win32_capture.h"
#include "platform/win32/win32_window.h"
#include "resources/resource_ids.h"

namespace tk {

namespace {

// Function pointers of different signatures convert through this type without a cast warning; the
// toolkit's WndProc has WNDPROC's layout on x86-64.
using AnyFunction = void (*)();

WNDPROC ToNative(WndProc proc) {
  return reinterpret_cast<WNDPROC>(reinterpret_cast<AnyFunction>(proc));
}
WndProc FromNative(LONG_PTR proc) {
  return reinterpret_cast<WndProc>(reinterpret_cast<AnyFunction>(proc));
}

}  // namespace

Win32System::Win32System(HINSTANCE instance) : instance_(instance) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES;
  ::InitCommonControlsEx(&controls);

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;  // the banner hides on a double click
  windowClass.lpfnWndProc = &Win32Window::ClassProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_LUMORA));
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
  windowClass_ = ::RegisterClassExA(&windowClass);

  // Dialogs keep the dialog manager's data in their window; mingw's header gives the 32-bit size of it.
  windowClass.cbWndExtra = std::max(DLGWINDOWEXTRA, 6 * static_cast<int>(sizeof(void*)));
  windowClass.lpszClassName = kDialogClass;
  windowClass.hIcon = nullptr;  // a dialog shows the icon its window is given, or none
  dialogClass_ = ::RegisterClassExA(&windowClass);
}

Win32System::~Win32System() {
  if (windowClass_) ::UnregisterClassA(kWindowClass, instance_);
  if (dialogClass_) ::UnregisterClassA(kDialogClass, instance_);
}

ScreenMetrics Win32System::PrimaryScreen() {
  // Asked several times per pointer move; the answer changes only with the display, which the windows report.
  if (screen_) return *screen_;
  ScreenMetrics& metrics = screen_.emplace();
  metrics.widthPixels = ::GetSystemMetrics(SM_CXSCREEN);
  metrics.heightPixels = ::GetSystemMetrics(SM_CYSCREEN);
  win32::WindowDc screen(nullptr, true);
  if (screen) metrics.dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  if (metrics.dpi <= 0) metrics.dpi = 96;
  return metrics;
}

bool Win32System::PrevInstance() {
  if (!prevInstance_) {
    // Held until the process ends, so two starts at the same moment cannot both see themselves alone.
    const HANDLE claim = ::CreateMutexA(nullptr, FALSE, "Local\\Lumora.SingleInstance");
    const DWORD error = ::GetLastError();
    instanceClaim_.reset(claim);
    prevInstance_ = claim != nullptr && error == ERROR_ALREADY_EXISTS;
  }
  return *prevInstance_;
}

namespace {
// The executable's full path; empty when the system cannot give it.
std::string ModulePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768 * 4) return {};  // longer than any path the system can give
    path.resize(path.size() * 2);
  }
}
}  // namespace

std::string Win32System::AppPath() {
  const std::string path = ModulePath();
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string Win32System::ExeName() {
  const std::string path = ModulePath();
  const size_t slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

void Win32System::Sleep(uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

int Win32System::MsgBox(const std::string& text, const std::string& title, int style) {
  // Owned by the program's visible active window, so the box stays above a full-screen overlay.
  HWND owner = ::GetActiveWindow();
  if (owner && !::IsWindowVisible(owner)) owner = nullptr;
  const SystemModal open(systemModals_);
  return ::MessageBoxA(owner, text.c_str(), title.c_str(), static_cast<UINT>(style) | MB_SETFOREGROUND);
}

int Win32System::ModifierState() {
  int state = 0;
  if (::GetKeyState(VK_SHIFT) < 0) state |= 1;
  if (::GetKeyState(VK_CONTROL) < 0) state |= 2;
  if (::GetKeyState(VK_MENU) < 0) state |= 4;
  return state;
}

bool Win32System::KeyIsDown(int virtualKey) {
  return ::GetAsyncKeyState(virtualKey) < 0;
}

bool Win32System::CloseMenus() {
  if (menusOpen_ == 0) return false;
  ::EndMenu();
  return true;
}

void Win32System::Post(std::function<void()> task) {
  // Posted to the first window, the overlay, which lives for the whole run; a menu's or a dialog's loop
  // dispatches it like any other message once the current one has returned.
  if (windows_.empty()) return;
  posted_.push_back(std::move(task));
  ::PostMessageA(static_cast<HWND>(windows_.front()->Handle()), kRunPosted, 0, 0);
}

void Win32System::RunPosted() {
  while (!posted_.empty()) {
    auto task = std::move(posted_.front());
    posted_.pop_front();
    task();
  }
}

WindowHandle Win32System::DesktopWindow() {
  return ::GetDesktopWindow();
}

Picture Win32System::WindowToPicture(WindowHandle window, bool clientArea, int32_t left, int32_t top,
                                     int32_t width, int32_t height) {
  return win32::WindowToPicture(static_cast<HWND>(window), clientArea, left, top, width, height);
}

std::unique_ptr<WindowHost> Win32System::CreateWindowHost(Form& form) {
  return std::make_unique<Win32Window>(*this, form);
}

WndProc Win32System::SetWindowProc(WindowHandle window, WndProc proc) {
  const HWND hwnd = static_cast<HWND>(window);
  if (!proc || !::IsWindow(hwnd)) return nullptr;
  return FromNative(::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ToNative(proc))));
}

intptr_t Win32System::CallWindowProc(WndProc proc, WindowHandle window, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam) {
  if (!proc) return 0;
  return ::CallWindowProcA(ToNative(proc), static_cast<HWND>(window), message, wParam, lParam);
}

void Win32System::Quit() {
  ::PostQuitMessage(0);
}

HCURSOR Win32System::CursorFor(int pointer) const {
  LPCSTR shape = IDC_ARROW;
  switch (pointer) {
    case kPointerCustom: {
      // Loaded from the resources as a shared cursor: the system keeps one copy and never needs it back.
      if (HCURSOR highlighter = ::LoadCursorA(instance_, MAKEINTRESOURCEA(IDC_HIGHLIGHTER)))
        return highlighter;
      break;
    }
    case kPointerSizeAll:
      shape = IDC_SIZEALL;
      break;
    case kPointerSizeNESW:
      shape = IDC_SIZENESW;
      break;
    case kPointerSizeNS:
      shape = IDC_SIZENS;
      break;
    case kPointerSizeNWSE:
      shape = IDC_SIZENWSE;
      break;
    case kPointerSizeWE:
      shape = IDC_SIZEWE;
      break;
    case kPointerHand:
      // The program's own pointing hand, loaded as a shared cursor like the highlighter.
      if (HCURSOR hand = ::LoadCursorA(instance_, MAKEINTRESOURCEA(IDC_HAND_POINTER))) return hand;
      shape = IDC_HAND;
      break;
    default:
      break;
  }
  return ::LoadCursorA(nullptr, shape);
}

void Win32System::WindowCreated(Win32Window& window) {
  windows_.push_back(&window);
}

void Win32System::WindowDestroyed(Win32Window& window) {
  std::erase(windows_, &window);
}

HWND Win32System::MainWindow() const {
  return windows_.empty() ? nullptr : windows_.front()->Hwnd();
}

bool Win32System::BringModalForward() {
  if (!modals_.empty()) ::SetForegroundWindow(modals_.back().dialog);
  return !modals_.empty() || systemModals_ > 0;  // a box or file dialog is in front already
}

void Win32System::RunModal(Form& form) {
  const HWND dialog = static_cast<HWND>(form.hWnd());
  if (!dialog) return;
  const Form* owner = form.Owner();
  const HWND ownerWindow = owner && owner != &form ? static_cast<HWND>(owner->hWnd()) : nullptr;
  // An owner that was disabled already (by an outer dialog) is left for that dialog to enable.
  const bool disabled = ownerWindow && !::EnableWindow(ownerWindow, FALSE);
  modals_.push_back({dialog, disabled ? ownerWindow : nullptr});

  // The form is only compared with what the handle maps to, so a form destroyed meanwhile ends the loop.
  auto open = [&] { return Form::FromHandle(dialog) == &form && form.Visible(); };
  MSG message{};
  while (open()) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(message.wParam));  // the outer loop ends the program
      break;
    }
    // Tab, the arrows, Space, Enter and Esc go to the dialog manager; posted tasks and every other window's
    // messages are dispatched as usual.
    if (!::IsDialogMessageA(dialog, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
  ReleaseOwner(dialog);
  std::erase_if(modals_, [dialog](const Modal& modal) { return modal.dialog == dialog; });
}

void Win32System::ReleaseOwner(HWND dialog) {
  for (Modal& modal : modals_)
    if (modal.dialog == dialog && modal.owner) ::EnableWindow(std::exchange(modal.owner, nullptr), TRUE);
}

int RunMessageLoop() {
  MSG message{};
  for (;;) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace tk
