#include "platform/headless/headless_system.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tk {

// --- HeadlessWindow ---

HeadlessWindow::HeadlessWindow(HeadlessSystem& system, Form& owner)
    : form(owner), system_(system), proc_(&HeadlessWindow::OwnProc), caption_(owner.Caption()) {
  system_.windows_.push_back(this);
}

HeadlessWindow::~HeadlessWindow() { std::erase(system_.windows_, this); }

intptr_t HeadlessWindow::OwnProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  auto* self = static_cast<HeadlessWindow*>(window);
  self->received_.push_back({message, wParam, lParam});
  bool handled = false;
  return self->form.HandleMessage(message, wParam, lParam, handled);
}

void HeadlessWindow::SetWindowState(int state) {
  state_ = state;
  // A maximised borderless window covers the whole primary screen, task bar included.
  if (state == kWindowMaximized) form.Resize(system_.screen.Width(), system_.screen.Height());
}

MenuItem* HeadlessWindow::TrackPopupMenu(MenuItem& menu, int flags, std::optional<std::pair<int, int>> pixels,
                                         const MenuItem* defaultItem) {
  PopupRecord record;
  for (const MenuItem* item : menu.Items)
    if (item->Visible) record.entries.push_back(item->Caption);
  record.flags = flags;
  record.pixels = pixels;
  record.defaultItem = defaultItem ? defaultItem->Name : std::string();
  system_.popups.push_back(record);
  if (!system_.chooseMenuItem) return nullptr;
  ++system_.menuDepth_;
  system_.menuClosed_ = false;
  MenuItem* chosen = system_.chooseMenuItem(record, menu);
  --system_.menuDepth_;
  if (std::exchange(system_.menuClosed_, false)) return nullptr;
  // Only a visible, non-separator entry of this menu can be chosen.
  const bool valid = chosen && chosen->Visible && !chosen->IsSeparator() &&
                     std::find(menu.Items.begin(), menu.Items.end(), chosen) != menu.Items.end();
  return valid ? chosen : nullptr;
}

namespace {
// The headless control keeps nothing of its own: the toolkit's state is what tests read.
class HeadlessControl final : public ControlHost {
 public:
  void Update() override {}
  void SetFocus() override {}
};
}  // namespace

std::unique_ptr<ControlHost> HeadlessWindow::CreateControl(Control&) { return std::make_unique<HeadlessControl>(); }

const raster::Bitmap& HeadlessWindow::Frame() {
  if (frame_.Width() != form.ClientWidth() || frame_.Height() != form.ClientHeight()) {
    frame_ = raster::Bitmap(form.ClientWidth(), form.ClientHeight());
    form.InvalidateAll();
  }
  raster::Surface out{frame_.Data(), frame_.Width(), frame_.Height(), frame_.Width()};
  form.ComposeDirty(out);
  return frame_;
}

// --- HeadlessSystem ---

HeadlessSystem::HeadlessSystem(int screenWidth, int screenHeight, int screenDpi)
    : screen(screenWidth, screenHeight, 0xFF3A6EA5), dpi(screenDpi) {}

HeadlessWindow* HeadlessSystem::Find(WindowHandle window) const {
  auto it = std::find(windows_.begin(), windows_.end(), static_cast<HeadlessWindow*>(window));
  return it == windows_.end() ? nullptr : *it;
}

HeadlessWindow* HeadlessSystem::WindowOf(const Form& form) const { return Find(form.hWnd()); }

intptr_t HeadlessSystem::SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  HeadlessWindow* target = Find(window);
  if (!target) return 0;
  ++sendDepth_;
  const intptr_t result = target->proc_(window, message, wParam, lParam);
  // Back in the message loop: what was posted meanwhile runs now.
  if (--sendDepth_ == 0) RunPosted();
  return result;
}

void HeadlessSystem::RunPosted() {
  ++sendDepth_;
  while (!posted_.empty()) {
    auto task = std::move(posted_.front());
    posted_.pop_front();
    task();
  }
  --sendDepth_;
}

bool HeadlessSystem::KeyIsDown(int virtualKey) {
  const int modifier = virtualKey == 16 ? 1 : virtualKey == 17 ? 2 : virtualKey == 18 ? 4 : 0;
  return (modifiers & modifier) != 0 || keysDown.count(virtualKey) > 0;
}

bool HeadlessSystem::CloseMenus() {
  calls.push_back("CloseMenus");
  if (menuDepth_ == 0) return false;
  menuClosed_ = true;
  return true;
}

void HeadlessSystem::Mouse(const Form& form, uint32_t message, int x, int y, uintptr_t keys) {
  const intptr_t lParam = static_cast<intptr_t>((static_cast<uint32_t>(y & 0xFFFF) << 16) | (x & 0xFFFF));
  SendMessage(form, message, keys, lParam);
}

void HeadlessSystem::Sleep(uint32_t milliseconds) {
  calls.push_back("Sleep");
  sleeps.push_back(milliseconds);
  clockMs += milliseconds;
}

int HeadlessSystem::MsgBox(const std::string& text, const std::string& title, int style) {
  msgBoxes.push_back({text, title, style});
  calls.push_back("MsgBox " + title);
  if (!msgBoxAnswers.empty()) {
    const int answer = msgBoxAnswers.front();
    msgBoxAnswers.pop_front();
    return answer;
  }
  if (answerMsgBox) return answerMsgBox(msgBoxes.back());
  return (style & 0xF) == kMbYesNo ? kIdYes : kIdOk;
}

Picture HeadlessSystem::WindowToPicture(WindowHandle, bool, int32_t left, int32_t top, int32_t width,
                                        int32_t height) {
  ++captures;
  calls.push_back("Capture");
  trayIconAtCapture = trayIcon.has_value();
  clockAtCapture = clockMs;
  // A failed or impossible capture still gives a picture: black, of the size asked for when it has one.
  auto picture = std::make_shared<raster::Bitmap>(std::max(0, width), std::max(0, height), 0xFF000000);
  const raster::Rect from = raster::Intersect({left, top, left + std::max(0, width), top + std::max(0, height)},
                                              {0, 0, screen.Width(), screen.Height()});
  for (int y = from.top; y < from.bottom; ++y)
    std::memcpy(picture->Row(y - top) + (from.left - left), screen.Row(y) + from.left,
                static_cast<size_t>(from.Width()) * sizeof(raster::Pixel));
  return picture;
}

std::unique_ptr<WindowHost> HeadlessSystem::CreateWindowHost(Form& form) {
  return std::make_unique<HeadlessWindow>(*this, form);
}

void HeadlessSystem::RunModal(Form& form) {
  calls.push_back("Modal " + form.Name());
  Form* owner = form.Owner();
  if (owner) disabled_.insert(owner);
  auto user = onModal.find(form.Name());
  ++modalsOpen_;
  if (user != onModal.end() && user->second) user->second(form);
  --modalsOpen_;
  if (form.Loaded() && form.Visible()) form.CloseBox();
  if (owner) disabled_.erase(owner);
}

bool HeadlessSystem::BringModalForward() {
  if (modalsOpen_ > 0) calls.push_back("BringModalForward");
  return modalsOpen_ > 0;
}

bool HeadlessSystem::NotifyIcon(uint32_t message, const TrayIconData& data) {
  trayCalls.push_back({message, data});
  calls.push_back("NotifyIcon " + std::to_string(message));
  switch (message) {
    case kNimAdd:
      if (trayIcon) return false;  // the shell refuses a second icon with the same id
      trayIcon = data;
      return true;
    case kNimModify:
      if (!trayIcon) return false;
      trayIcon = data;
      return true;
    case kNimDelete: {
      const bool had = trayIcon.has_value();
      trayIcon.reset();
      return had;
    }
    default:
      return false;
  }
}

bool HeadlessSystem::RegisterHotKey(WindowHandle window, int id, uint32_t mods, uint32_t virtualKey) {
  calls.push_back("RegisterHotKey");
  if (hotkeyTaken || hotkeys.count(id)) return false;
  hotkeys[id] = {window, mods, virtualKey};
  return true;
}

bool HeadlessSystem::UnregisterHotKey(WindowHandle, int id) {
  calls.push_back("UnregisterHotKey");
  return hotkeys.erase(id) > 0;
}

WndProc HeadlessSystem::SetWindowProc(WindowHandle window, WndProc proc) {
  calls.push_back("SetWindowProc");
  HeadlessWindow* target = Find(window);
  if (!target || !proc) return nullptr;
  return std::exchange(target->proc_, proc);
}

intptr_t HeadlessSystem::CallWindowProc(WndProc proc, WindowHandle window, uint32_t message, uintptr_t wParam,
                                        intptr_t lParam) {
  return proc ? proc(window, message, wParam, lParam) : 0;
}

// --- Files, web and help ---

std::optional<std::string> HeadlessSystem::ReadFileHead(const std::string& path, size_t maxBytes) {
  auto file = files.find(path);
  if (file == files.end()) return std::nullopt;
  return file->second.substr(0, maxBytes);
}

bool HeadlessSystem::RemoveFile(const std::string& path) {
  return !lockedFiles.count(path) && files.erase(path) > 0;
}

bool HeadlessSystem::CopyToClipboard(WindowHandle, const raster::Bitmap& picture) {
  calls.push_back("CopyToClipboard");
  if (clipboardBusy) return false;
  clipboard = picture;
  return true;
}

std::optional<std::string> HeadlessSystem::AskSavePath(WindowHandle, const std::string& fileName) {
  calls.push_back("AskSavePath " + fileName);
  return answerSaveDialog ? answerSaveDialog(fileName) : std::nullopt;
}

bool HeadlessSystem::SaveFile(const std::string& path, const std::string& bytes, std::string& why) {
  calls.push_back("SaveFile " + path);
  if (auto error = writeErrors.find(path); error != writeErrors.end()) return why = error->second, false;
  files[path] = bytes;
  return true;
}

bool HeadlessSystem::DownloadToFile(const std::string& url, const std::string& path, uint32_t timeoutMs) {
  downloads.push_back({url, path, timeoutMs});
  Transfer transfer;
  if (!transfers.empty()) {
    transfer = std::move(transfers.front());
    transfers.pop_front();
  }
  // The caller waits on the manual clock: up to the transfer's end or the deadline, whichever is first.
  if (transfer.durationMs > timeoutMs) {
    clockMs += timeoutMs;
    return false;  // abandoned: whatever it brings later is never saved
  }
  clockMs += transfer.durationMs;
  if (transfer.body) files[path] = *transfer.body;
  return true;
}

int32_t HeadlessSystem::ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                                     const std::string& parameters, const std::string& directory, int show) {
  shellCalls.push_back({owner, verb, file, parameters, directory, show});
  shellOpened.push_back(file);
  if (shellResults.empty()) return 42;
  const int32_t result = shellResults.front();
  shellResults.pop_front();
  return result;
}

bool HeadlessSystem::ShowHtmlHelp(WindowHandle owner, const std::string& file, uint32_t command,
                                  uintptr_t data) {
  helpCalls.push_back({owner, file, command, data});
  return files.count(file) > 0;
}

}  // namespace tk
