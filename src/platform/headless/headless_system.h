// The headless backend: forms as plain objects, a fake screen, an in-memory registry, scripted message boxes
// and menus, and a manual clock. Tests preset it, drive the program through it and read back what it did.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/headless/memory_registry.h"
#include "platform/system.h"

namespace tk {

class HeadlessSystem;

struct Message {
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
  bool operator==(const Message&) const = default;
};

// A popup menu as the user saw it.
struct PopupRecord {
  std::vector<std::string> entries;  // visible captions in order, "-" for separators
  int flags = 0;
  std::optional<std::pair<int, int>> pixels;
  std::string defaultItem;  // name of the bold item, empty when none
};

struct MsgBoxRecord {
  std::string text, title;
  int style = 0;
};

class HeadlessWindow : public WindowHost {
 public:
  HeadlessWindow(HeadlessSystem& system, Form& form);
  ~HeadlessWindow() override;

  WindowHandle Handle() const override { return const_cast<HeadlessWindow*>(this); }
  uintptr_t IconHandle() const override { return 0x1C0; }
  void SetVisible(bool visible) override { visible_ = visible; }
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  void SetWindowState(int state) override;
  void Invalidate(const raster::Rect&) override {}
  void PointerChanged() override {}
  void SetCapture(bool capture) override { captured_ = capture; }
  void SetToolTip(const std::string& text, const raster::Rect& pixels) override {
    toolTip_ = text;
    toolTipRect_ = pixels;
  }
  MenuItem* TrackPopupMenu(MenuItem& menu, int flags, std::optional<std::pair<int, int>> pixels,
                           const MenuItem* defaultItem) override;
  std::unique_ptr<ControlHost> CreateControl(Control& control) override;

  Form& form;
  bool Visible() const { return visible_; }
  int State() const { return state_; }
  bool Captured() const { return captured_; }
  const std::string& ToolTip() const { return toolTip_; }
  const std::string& Caption() const { return caption_; }
  // Where the tooltip shows, in pixels of the window.
  const raster::Rect& ToolTipRect() const { return toolTipRect_; }
  // The frame as the desktop would show it now: the dirty parts recomposed into the back buffer.
  const raster::Bitmap& Frame();
  // Every message that reached the window's own procedure, in order.
  const std::vector<Message>& Received() const { return received_; }

 private:
  friend class HeadlessSystem;
  static intptr_t OwnProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

  HeadlessSystem& system_;
  WndProc proc_;
  bool visible_ = false;
  int state_ = kWindowNormal;
  bool captured_ = false;
  std::string toolTip_;
  std::string caption_;
  raster::Rect toolTipRect_;
  raster::Bitmap frame_;
  std::vector<Message> received_;
};

class HeadlessSystem : public System {
 public:
  explicit HeadlessSystem(int screenWidth = 1920, int screenHeight = 1080, int dpi = 96);

  // --- The fake desktop, preset by tests ---
  raster::Bitmap screen;  // what a capture reads
  int dpi;
  bool otherInstanceRunning = false;
  bool hotkeyTaken = false;     // another program holds every hotkey
  int modifiers = 0;            // keys held: 1 Shift, 2 Ctrl, 4 Alt
  std::set<int> keysDown;       // other keys held, by virtual-key code
  std::string appPath = "C:\\Program Files\\Lumora";
  MemoryRegistry registry;

  // Answers for the next message boxes, in order; without one, a box is answered with its first button.
  std::deque<int> msgBoxAnswers;
  // Chooses a menu entry by its item name; without a chooser (or with nullptr) the menu is dismissed.
  std::function<MenuItem*(const PopupRecord&, MenuItem& menu)> chooseMenuItem;

  // When set, answers message boxes that have no queued answer; it sees the program as the box opens.
  std::function<int(const MsgBoxRecord&)> answerMsgBox;
  // The user of a modal form, by form name: works its controls and closes it. A modal form without one is
  // closed with its close box.
  std::map<std::string, std::function<void(Form&)>> onModal;

  // --- What the program did ---
  // The system calls in order, by name ("MsgBox Message", "NotifyIcon 0", "RegisterHotKey", ...).
  std::vector<std::string> calls;
  std::vector<MsgBoxRecord> msgBoxes;
  std::vector<PopupRecord> popups;
  std::vector<uint32_t> sleeps;
  uint64_t clockMs = 0;
  struct TrayCall {
    uint32_t message;
    TrayIconData data;
  };
  std::vector<TrayCall> trayCalls;
  std::optional<TrayIconData> trayIcon;  // the icon the shell shows now
  struct Hotkey {
    WindowHandle window;
    uint32_t modifiers, virtualKey;
  };
  std::map<int, Hotkey> hotkeys;
  bool quit = false;
  int captures = 0;
  bool trayIconAtCapture = false;  // whether the shell showed the icon when the last capture was taken
  uint64_t clockAtCapture = 0;

  // --- Files, web and help: a disk of named texts, scripted downloads, the shell and the help viewer ---
  std::string tempPath = "C:\\Users\\Lumora\\AppData\\Local\\Temp\\";  // empty: the system cannot say
  std::map<std::string, std::string> files;                          // by path as the program spelled it
  std::set<std::string> lockedFiles;                                 // cannot be deleted
  // What the next downloads do, in order; without one a download fails at once, as with no network.
  struct Transfer {
    std::optional<std::string> body;  // saved to the file when the transfer ends; none: nothing saved
    uint64_t durationMs = 0;          // kNeverEnds: a server that accepts and never answers
  };
  static constexpr uint64_t kNeverEnds = UINT64_MAX;
  std::deque<Transfer> transfers;
  struct Download {
    std::string url, path;
    uint32_t timeoutMs;
  };
  std::vector<Download> downloads;
  // Results of the next ShellExecute calls, in order; without one, 42 (success).
  std::deque<int32_t> shellResults;
  struct ShellCall {
    WindowHandle owner;
    std::string verb, file, parameters, directory;
    int show;
  };
  std::vector<ShellCall> shellCalls;
  std::vector<std::string> shellOpened;  // the files of shellCalls alone
  struct HelpCall {
    WindowHandle owner;
    std::string file;
    uint32_t command;
    uintptr_t data;
  };
  std::vector<HelpCall> helpCalls;  // the viewer opens a window for a file that is in `files`

  std::string TempPath() override { return tempPath; }
  bool FileExists(const std::string& path) override { return files.count(path) > 0; }
  std::optional<std::string> ReadFileHead(const std::string& path, size_t maxBytes) override;
  bool RemoveFile(const std::string& path) override;
  bool DownloadToFile(const std::string& url, const std::string& path, uint32_t timeoutMs) override;
  int32_t ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                       const std::string& parameters, const std::string& directory, int show) override;
  bool ShowHtmlHelp(WindowHandle owner, const std::string& file, uint32_t command, uintptr_t data) override;

  // --- The picture the user made ---
  DateTime localTime{2026, 3, 4, 5, 6, 7};
  std::optional<raster::Bitmap> clipboard;
  bool clipboardBusy = false;
  // The user of the Save dialog: given the proposed file name, the path chosen or nothing (Cancel). Without
  // one the dialog is cancelled.
  std::function<std::optional<std::string>(const std::string& fileName)> answerSaveDialog;
  std::map<std::string, std::string> writeErrors;  // paths that cannot be written, and the system's reason

  DateTime LocalTime() override { return localTime; }
  bool CopyToClipboard(WindowHandle owner, const raster::Bitmap& picture) override;
  std::optional<std::string> AskSavePath(WindowHandle owner, const std::string& fileName) override;
  bool SaveFile(const std::string& path, const std::string& bytes, std::string& why) override;

  HeadlessWindow* WindowOf(const Form& form) const;
  // Sends a message through the window's current procedure chain.
  intptr_t SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
  intptr_t SendMessage(const Form& form, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
    return SendMessage(form.hWnd(), message, wParam, lParam);
  }
  // A pointer message at a pixel, with the key flags of the mouse messages.
  void Mouse(const Form& form, uint32_t message, int x, int y, uintptr_t keys = 0);

  // --- System ---
  ScreenMetrics PrimaryScreen() override { return {screen.Width(), screen.Height(), dpi}; }
  bool PrevInstance() override {
    calls.push_back("PrevInstance");
    return otherInstanceRunning;
  }
  std::string AppPath() override { return appPath; }
  std::string ExeName() override { return "Lumora"; }
  void Sleep(uint32_t milliseconds) override;
  int MsgBox(const std::string& text, const std::string& title, int style) override;
  int ModifierState() override { return modifiers; }
  bool KeyIsDown(int virtualKey) override;
  bool CloseMenus() override;
  void Post(std::function<void()> task) override { posted_.push_back(std::move(task)); }
  WindowHandle DesktopWindow() override { return &desktopWindow_; }
  Picture WindowToPicture(WindowHandle window, bool clientArea, int32_t left, int32_t top, int32_t width,
                          int32_t height) override;
  std::unique_ptr<WindowHost> CreateWindowHost(Form& form) override;
  void RunModal(Form& form) override;
  bool BringModalForward() override;
  bool NotifyIcon(uint32_t message, const TrayIconData& data) override;
  bool RegisterHotKey(WindowHandle window, int id, uint32_t modifiers, uint32_t virtualKey) override;
  bool UnregisterHotKey(WindowHandle window, int id) override;
  WndProc SetWindowProc(WindowHandle window, WndProc proc) override;
  intptr_t CallWindowProc(WndProc proc, WindowHandle window, uint32_t message, uintptr_t wParam,
                          intptr_t lParam) override;
  tk::Registry& UserRegistry() override { return registry; }
  // Whether a form's window takes input now: not while a modal form it owns is open.
  bool Enabled(const Form& form) const { return !disabled_.count(&form); }
  void Quit() override {
    calls.push_back("Quit");
    quit = true;
  }

 private:
  friend class HeadlessWindow;
  HeadlessWindow* Find(WindowHandle window) const;
  void RunPosted();

  std::vector<HeadlessWindow*> windows_;
  char desktopWindow_ = 0;
  int sendDepth_ = 0;
  std::set<const Form*> disabled_;
  int menuDepth_ = 0;
  int modalsOpen_ = 0;
  bool menuClosed_ = false;  // CloseMenus dismissed the open menu
  std::deque<std::function<void()>> posted_;
};

}  // namespace tk
