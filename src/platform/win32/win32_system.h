// The product's backend: the toolkit's System on the Win32 API. Thin by design: each operation is the
// matching system call; what the program decides lives in the feature code.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/system.h"
#include "platform/win32/handle.h"
#include "platform/win32/win32_dpi.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_tray.h"

namespace tk {

class Win32Window;

class Win32System final : public System {
 public:
  explicit Win32System(HINSTANCE instance);
  ~Win32System() override;
  Win32System(const Win32System&) = delete;
  Win32System& operator=(const Win32System&) = delete;

  // --- System ---
  ScreenMetrics PrimaryScreen() override;
  bool PrevInstance() override;
  std::string AppPath() override;
  std::string ExeName() override;
  void Sleep(uint32_t milliseconds) override;
  int MsgBox(const std::string& text, const std::string& title, int style) override;
  int ModifierState() override;
  bool KeyIsDown(int virtualKey) override;
  bool CloseMenus() override;
  bool BringModalForward() override;
  void Post(std::function<void()> task) override;
  WindowHandle DesktopWindow() override;
  Picture WindowToPicture(WindowHandle window, bool clientArea, int32_t left, int32_t top, int32_t width,
                          int32_t height) override;
  std::unique_ptr<WindowHost> CreateWindowHost(Form& form) override;
  void RunModal(Form& form) override;
  bool NotifyIcon(uint32_t message, const TrayIconData& data) override;
  bool RegisterHotKey(WindowHandle window, int id, uint32_t modifiers, uint32_t virtualKey) override;
  bool UnregisterHotKey(WindowHandle window, int id) override;
  WndProc SetWindowProc(WindowHandle window, WndProc proc) override;
  intptr_t CallWindowProc(WndProc proc, WindowHandle window, uint32_t message, uintptr_t wParam,
                          intptr_t lParam) override;
  Registry& UserRegistry() override { return registry_; }
  void Quit() override;

  // --- For the windows ---
  HINSTANCE Instance() const { return instance_; }
  const char* WindowClass() const { return kWindowClass; }
  const char* DialogClass() const { return kDialogClass; }
  const win32::Dpi& Dpi() const { return dpi_; }
  // The program's first window (the overlay), or null.
  HWND MainWindow() const;
  // A modal dialog is closing: its owner takes input again now, before the dialog leaves the screen.
  void ReleaseOwner(HWND dialog);
  // The cursor for a pointer shape number; the custom shape is the program's highlighter.
  HCURSOR CursorFor(int pointer) const;
  win32::TrayIcon& Tray() { return tray_; }
  void WindowCreated(Win32Window& window);
  void WindowDestroyed(Win32Window& window);
  // Popup menus open now; a menu's loop counts itself while it runs.
  int& MenusOpen() { return menusOpen_; }
  // The display changed (size, DPI): the next PrimaryScreen asks the system again.
  void ScreenChanged() { screen_.reset(); }
  // Runs what Post queued; the message that carries the request is kRunPosted.
  void RunPosted();
  static constexpr UINT kRunPosted = WM_APP + 1;

  // --- Files, web and help (win32_shell.cpp) ---
  std::string TempPath() override;
  bool FileExists(const std::string& path) override;
  std::optional<std::string> ReadFileHead(const std::string& path, size_t maxBytes) override;
  bool RemoveFile(const std::string& path) override;
  bool DownloadToFile(const std::string& url, const std::string& path, uint32_t timeoutMs) override;
#pragma push_macro("ShellExecute")  // <shellapi.h>'s macro would rename it
#undef ShellExecute
  int32_t ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                       const std::string& parameters, const std::string& directory, int show) override;
#pragma pop_macro("ShellExecute")
  bool ShowHtmlHelp(WindowHandle owner, const std::string& file, uint32_t command, uintptr_t data) override;

  // --- The picture the user made (win32_picture.cpp) ---
  DateTime LocalTime() override;
  bool CopyToClipboard(WindowHandle owner, const raster::Bitmap& picture) override;
  std::optional<std::string> AskSavePath(WindowHandle owner, const std::string& fileName) override;
  bool SaveFile(const std::string& path, const std::string& bytes, std::string& why) override;

 private:
  // Before the other members, so they go last: COM after the help viewer, on the thread that ends the program.
  win32::ComApartment uiApartment_;
  win32::HelpViewer helpViewer_;

 private:
  static constexpr const char* kWindowClass = "Lumora.Form";
  static constexpr const char* kDialogClass = "Lumora.Dialog";

  // Counts a system-run modal loop (a message box, a file dialog) for as long as it is open.
  struct SystemModal {
    explicit SystemModal(int& open) : open_(++open) {}
    ~SystemModal() { --open_; }
    SystemModal(const SystemModal&) = delete;
    SystemModal& operator=(const SystemModal&) = delete;
    int& open_;
  };

  struct Modal {
    HWND dialog;
    HWND owner;  // disabled for the dialog; null once it takes input again
  };

  HINSTANCE instance_;
  ATOM windowClass_ = 0, dialogClass_ = 0;
  win32::Dpi dpi_;
  std::vector<Modal> modals_;
  int systemModals_ = 0;  // message boxes and file dialogs open now
  Win32Registry registry_;
  win32::UniqueMutex instanceClaim_;
  std::optional<bool> prevInstance_;
  win32::TrayIcon tray_;
  std::vector<Win32Window*> windows_;
  int menusOpen_ = 0;
  std::optional<ScreenMetrics> screen_;
  std::deque<std::function<void()>> posted_;
};

// Runs the thread's message loop until Quit; returns the exit code it carried.
int RunMessageLoop();

}  // namespace tk
