#include "platform/win32/win32_shell.h"

#include <objbase.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/win32/win32_system.h"

#undef ShellExecute  // <shellapi.h>'s macro; the System call of that name is ours

namespace tk {

namespace win32 {

namespace {

// Exported functions of different signatures convert through this type without a cast warning.
using AnyFunction = void (*)();

template <class Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<AnyFunction>(::GetProcAddress(module, name)));
}

constexpr UINT kHhCloseAll = 0x12;  // HH_CLOSE_ALL

}  // namespace

void RestrictDllSearch() {
  // Looked up, not imported: Windows 7 has it only with an update, and the program must start without it.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const auto setDefault = Export<SetDefaultDllDirectoriesFunction>(::GetModuleHandleW(L"kernel32.dll"),
                                                                   "SetDefaultDllDirectories");
  // Without it, at least the current folder leaves the search.
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");
}

UniqueHmodule LoadSystemLibrary(const wchar_t* name) {
  UniqueHmodule module(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // A system without the search flags: name the file in the system directory in full instead.
  wchar_t path[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + 1 + ::lstrlenW(name) >= MAX_PATH) return module;
  ::lstrcatW(path, L"\\");
  ::lstrcatW(path, name);
  module.reset(::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  return module;
}

ComApartment::~ComApartment() {
  if (entered_) ::CoUninitialize();
}

void ComApartment::Enter() {
  if (std::exchange(tried_, true)) return;
  entered_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

HelpViewer::~HelpViewer() {
  if (htmlHelp_) htmlHelp_(nullptr, nullptr, kHhCloseAll, 0);
}

HWND HelpViewer::Show(HWND owner, const char* file, UINT command, DWORD_PTR data) {
  if (!htmlHelp_) {
    library_ = LoadSystemLibrary(L"hhctrl.ocx");
    htmlHelp_ = library_ ? Export<HtmlHelpFunction>(library_.get(), "HtmlHelpA") : nullptr;
  }
  return htmlHelp_ ? htmlHelp_(owner, file, command, data) : nullptr;
}

}  // namespace win32

namespace {

// One download, shared by the thread that runs it and the thread that waits for it: whichever lets go
// last frees it, so an abandoned transfer never touches freed memory, however late it ends.
struct DownloadJob {
  using DownloadFunction = HRESULT(WINAPI*)(IUnknown*, LPCSTR, LPCSTR, DWORD, void*);

  DownloadFunction download = nullptr;
  std::string url, path;
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  bool abandoned = false;

  void Run() {
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    download(nullptr, url.c_str(), path.c_str(), 0, nullptr);
    if (SUCCEEDED(com)) ::CoUninitialize();
    std::lock_guard lock(mutex);
    done = true;
    // Nobody reads what came too late, so it must not lie about until the next start.
    if (abandoned) ::DeleteFileA(path.c_str());
    ended.notify_all();
  }
};

// urlmon, loaded once and pinned: its own threads may still run its code after a download has returned, so
// unloading it could pull that code from under them (under load, Wine then crashed executing unmapped urlmon
// code).
DownloadJob::DownloadFunction UrlDownload() {
  static const DownloadJob::DownloadFunction download = [] {
    const win32::UniqueHmodule urlmon = win32::LoadSystemLibrary(L"urlmon.dll");
    HMODULE pinned = nullptr;
    if (!urlmon || !::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, L"urlmon.dll", &pinned))
      return DownloadJob::DownloadFunction{};
    return win32::Export<DownloadJob::DownloadFunction>(urlmon.get(), "URLDownloadToFileA");
  }();
  return download;
}

}  // namespace

std::string Win32System::TempPath() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathA(MAX_PATH, buffer);
  return length == 0 || length > MAX_PATH ? std::string() : std::string(buffer);
}

bool Win32System::FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32System::ReadFileHead(const std::string& path, size_t maxBytes) {
  win32::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string head(maxBytes, '\0');
  size_t filled = 0;
  DWORD got = 0;
  while (
      filled < head.size() &&
      ::ReadFile(file.get(), head.data() + filled, static_cast<DWORD>(head.size() - filled), &got, nullptr) &&
      got > 0)
    filled += got;
  head.resize(filled);
  return head;
}

bool Win32System::RemoveFile(const std::string& path) {
  return ::DeleteFileA(path.c_str()) != 0;
}

bool Win32System::DownloadToFile(const std::string& url, const std::string& path, uint32_t timeoutMs) {
  auto job = std::make_shared<DownloadJob>();
  job->download = UrlDownload();
  if (!job->download) return true;  // nothing started, so nothing is still running
  job->url = url;
  job->path = path;
  try {
    // Detached: a server that never answers keeps the call blocked for minutes, and the process must still
    // end at Exit (ending the process ends the thread).
    std::thread([job] { job->Run(); }).detach();
  } catch (const std::system_error&) {
    return true;
  }
  std::unique_lock lock(job->mutex);
  if (job->ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return job->done; })) return true;
  job->abandoned = true;
  return false;
}

int32_t Win32System::ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                                  const std::string& parameters, const std::string& directory, int show) {
  uiApartment_.Enter();
  const HINSTANCE result = ::ShellExecuteA(static_cast<HWND>(owner), verb.c_str(), file.c_str(),
                                           parameters.c_str(), directory.c_str(), show);
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(result));
}

bool Win32System::ShowHtmlHelp(WindowHandle owner, const std::string& file, uint32_t command,
                               uintptr_t data) {
  return helpViewer_.Show(static_cast<HWND>(owner), file.c_str(), command, data) != nullptr;
}

}  // namespace tk
