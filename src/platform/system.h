// What the program needs from the desktop it runs on. One implementation per backend: win32 (the product)
// and headless (tests). Feature code reaches the system only through this interface and the forms.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/raster/raster.h"

namespace tk {

class Control;
class ControlHost;
class Form;
class MenuItem;
class Registry;

// A native window, as an opaque value (an HWND on win32).
using WindowHandle = void*;

// A window procedure. On x86-64 Windows this has the layout of WNDPROC, so win32 can install it directly.
using WndProc = intptr_t (*)(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// A picture owns its pixels; the last reference frees them.
using Picture = std::shared_ptr<const raster::Bitmap>;

// Window messages the program handles by number.
namespace wm {
constexpr uint32_t kNull = 0x0000;
constexpr uint32_t kKeyDown = 0x0100;
constexpr uint32_t kKeyUp = 0x0101;
constexpr uint32_t kChar = 0x0102;
constexpr uint32_t kSysKeyDown = 0x0104;
constexpr uint32_t kSysKeyUp = 0x0105;
constexpr uint32_t kMouseMove = 0x0200;
constexpr uint32_t kLButtonDown = 0x0201;
constexpr uint32_t kLButtonUp = 0x0202;
constexpr uint32_t kLButtonDblClk = 0x0203;
constexpr uint32_t kRButtonDown = 0x0204;
constexpr uint32_t kRButtonUp = 0x0205;
constexpr uint32_t kMButtonDown = 0x0207;
constexpr uint32_t kMButtonUp = 0x0208;
constexpr uint32_t kHotKey = 0x0312;
}  // namespace wm

// Mouse-message key flags (wParam of the mouse messages).
namespace mk {
constexpr uintptr_t kLButton = 0x01, kRButton = 0x02, kShift = 0x04, kControl = 0x08, kMButton = 0x10;
}

// Message-box styles and answers.
enum : int { kMbOk = 0, kMbYesNo = 4, kMbIconQuestion = 32, kMbIconExclamation = 48, kMbIconInformation = 64 };
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// Shell_NotifyIcon messages and flags.
enum : uint32_t { kNimAdd = 0, kNimModify = 1, kNimDelete = 2 };
enum : uint32_t { kNifMessage = 1, kNifIcon = 2, kNifTip = 4, kNifInfo = 0x10 };
enum : uint32_t { kNiifInfo = 1 };  // the balloon's information icon

// Hotkey modifiers.
enum : uint32_t { kModAlt = 1, kModControl = 2, kModShift = 4, kModNoRepeat = 0x4000 };

// Popup-menu flags.
enum : int { kPopupMenuRightButton = 2 };

// The program's one tray-icon record, in the fields of the shell's original ANSI notify-icon data.
struct TrayIconData {
  uint32_t cbSize = 0;
  WindowHandle hWnd = nullptr;
  uint32_t uID = 0;
  uint32_t uFlags = 0;
  uint32_t uCallbackMessage = 0;
  uintptr_t hIcon = 0;
  char szTip[64] = {};
  // A balloon over the icon, shown by a modify whose flags include kNifInfo.
  char szInfo[256] = {};
  char szInfoTitle[64] = {};
  uint32_t dwInfoFlags = 0;
};

struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct ScreenMetrics {
  int widthPixels = 0, heightPixels = 0;  // the primary screen
  int dpi = 96;
};

// One native window belonging to a form. The form keeps the state; the host mirrors it on the desktop.
class WindowHost {
 public:
  virtual ~WindowHost() = default;
  virtual WindowHandle Handle() const = 0;
  virtual uintptr_t IconHandle() const = 0;  // the window's (the program's) icon
  virtual void SetVisible(bool visible) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetWindowState(int state) = 0;  // 0 normal, 1 minimised, 2 maximised over the primary screen
  virtual void Invalidate(const raster::Rect& pixels) = 0;
  virtual void PointerChanged() = 0;           // the shape under the pointer may have changed
  virtual void SetCapture(bool capture) = 0;
  virtual void SetToolTip(const std::string& text, const raster::Rect& pixels) = 0;  // empty text: none
  // Shows `menu`'s visible children; returns the chosen item or nullptr. Without a position the menu opens
  // at the pointer.
  virtual MenuItem* TrackPopupMenu(MenuItem& menu, int flags, std::optional<std::pair<int, int>> pixels,
                                   const MenuItem* defaultItem) = 0;
  // The native control for one of the form's windowed controls.
  virtual std::unique_ptr<ControlHost> CreateControl(Control& control) = 0;
};

class System {
 public:
  virtual ~System() = default;

  virtual ScreenMetrics PrimaryScreen() = 0;
  // True when another instance already runs. The first caller keeps the instance claim until it ends.
  virtual bool PrevInstance() = 0;
  virtual std::string AppPath() = 0;  // folder of the executable, no trailing separator
  virtual std::string ExeName() = 0;  // the executable's file name without its extension
  virtual void Sleep(uint32_t milliseconds) = 0;
  virtual int MsgBox(const std::string& text, const std::string& title, int style) = 0;
  // Keys held now: 1 Shift, 2 Ctrl, 4 Alt.
  virtual int ModifierState() = 0;
  // Whether the key with this virtual-key code is down at this moment.
  virtual bool KeyIsDown(int virtualKey) = 0;

  // Closes the program's open popup menu, if there is one; true when one was open. The menu goes away
  // once its own loop has returned, so work that must not see it is best posted.
  virtual bool CloseMenus() = 0;
  // Runs `task` on this thread once the current message and any menu loop around it have returned.
  virtual void Post(std::function<void()> task) = 0;

  // Screen capture: the desktop window and a picture of a rectangle of a window, in pixels.
  virtual WindowHandle DesktopWindow() = 0;
  virtual Picture WindowToPicture(WindowHandle window, bool clientArea, int32_t left, int32_t top,
                                  int32_t width, int32_t height) = 0;

  virtual std::unique_ptr<WindowHost> CreateWindowHost(Form& form) = 0;
  // Runs a nested message loop until `form` is unloaded or hidden; its owner is disabled meanwhile.
  virtual void RunModal(Form& form) = 0;
  // While one of the program's dialogs, message boxes or file dialogs is open, brings the innermost dialog to
  // the front and returns true: nothing may start or end a session under it.
  virtual bool BringModalForward() = 0;

  virtual bool NotifyIcon(uint32_t message, const TrayIconData& data) = 0;
  virtual bool RegisterHotKey(WindowHandle window, int id, uint32_t modifiers, uint32_t virtualKey) = 0;
  virtual bool UnregisterHotKey(WindowHandle window, int id) = 0;
  // Replaces a window's procedure and returns the previous one.
  virtual WndProc SetWindowProc(WindowHandle window, WndProc proc) = 0;
  virtual intptr_t CallWindowProc(WndProc proc, WindowHandle window, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam) = 0;

  // --- Files, web and help ---
  // The temporary directory as GetTempPathA gives it (it ends in a separator); empty when there is none.
  virtual std::string TempPath() = 0;
  // Whether a normal file (not a folder) is at `path`.
  virtual bool FileExists(const std::string& path) = 0;
  // At most the first `maxBytes` bytes of a file; nothing when it cannot be opened.
  virtual std::optional<std::string> ReadFileHead(const std::string& path, size_t maxBytes) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // Downloads `url` into the file at `path` (URLDownloadToFileA) on a worker thread and waits for it at most
  // `timeoutMs`. True when the transfer has ended, whatever its outcome; false when it is still running: it
  // is then abandoned, its outcome never reported, and its file deleted when it ends.
  virtual bool DownloadToFile(const std::string& url, const std::string& path, uint32_t timeoutMs) = 0;
  // ShellExecuteA: opens `file` with the program the system associates with it. Above 32 is success.
#pragma push_macro("ShellExecute")  // <shellapi.h> makes the name a macro wherever it is included
#undef ShellExecute
  virtual int32_t ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                               const std::string& parameters, const std::string& directory, int show) = 0;
#pragma pop_macro("ShellExecute")
  // HtmlHelpA. The viewer runs on its own; true when it opened a window.
  virtual bool ShowHtmlHelp(WindowHandle owner, const std::string& file, uint32_t command,
                            uintptr_t data) = 0;

  virtual Registry& UserRegistry() = 0;  // HKEY_CURRENT_USER and below

  // --- The picture the user made: the clipboard and a file of their choosing ---
  virtual DateTime LocalTime() = 0;
  // Puts a picture on the clipboard as a device-independent bitmap; false when the clipboard refused it.
  virtual bool CopyToClipboard(WindowHandle owner, const raster::Bitmap& picture) = 0;
  // The system's Save dialog for a PNG picture, opening in the user's Pictures folder with `fileName`
  // proposed; the dialog itself asks before an existing file is replaced. The chosen path (UTF-8), or
  // nothing when the user cancelled.
  virtual std::optional<std::string> AskSavePath(WindowHandle owner, const std::string& fileName) = 0;
  // Writes `bytes` as the whole file at a path from AskSavePath. On failure `why` gets the system's reason and
  // a file that was there is left as it was.
  virtual bool SaveFile(const std::string& path, const std::string& bytes, std::string& why) = 0;

  // Leaves the message loop once the current handler returns; the process then ends.
  virtual void Quit() = 0;
};

}  // namespace tk
