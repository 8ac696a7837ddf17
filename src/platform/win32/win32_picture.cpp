// The picture the user made, out of the program: the clipboard, the system's Save dialog and the file.
#include "platform/win32/win32_system.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tk {

namespace {

struct CoTaskMemTraits {
  using pointer = wchar_t*;
  static constexpr wchar_t* Invalid() noexcept { return nullptr; }
  static void Close(wchar_t* text) noexcept { ::CoTaskMemFree(text); }
};

// The clipboard is the system's, open to one window at a time: closed again on every path.
class OpenClipboard {
 public:
  explicit OpenClipboard(HWND owner) : open_(::OpenClipboard(owner) != 0) {}
  ~OpenClipboard() {
    if (open_) ::CloseClipboard();
  }
  OpenClipboard(const OpenClipboard&) = delete;
  OpenClipboard& operator=(const OpenClipboard&) = delete;
  explicit operator bool() const { return open_; }

 private:
  bool open_;
};

std::wstring Wide(const std::string& utf8) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring wide(size_t(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
  return wide;
}

std::string Utf8(const wchar_t* wide) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(n > 0 ? n : 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), n, nullptr, nullptr);
  utf8.resize(utf8.size() - 1);
  return utf8;
}

// The system's own words for an error, as a message box shows them.
std::string ErrorText(DWORD error) {
  char* text = nullptr;
  ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  const win32::UniqueLocal owner(text);
  std::string said = text ? text : "";
  while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == ' ')) said.pop_back();
  return said.empty() ? "Error " + std::to_string(error) + "." : said;
}

}  // namespace

DateTime Win32System::LocalTime() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool Win32System::CopyToClipboard(WindowHandle owner, const raster::Bitmap& picture) {
  const int width = picture.Width(), height = picture.Height();
  if (width <= 0 || height <= 0) return false;
  const size_t rowBytes = size_t(width) * sizeof(raster::Pixel);
  win32::UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + rowBytes * height));
  auto* data = memory ? static_cast<unsigned char*>(::GlobalLock(memory.get())) : nullptr;
  if (!data) return false;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // bottom-up, which every reader of CF_DIB takes
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  header.biSizeImage = DWORD(rowBytes * height);
  std::memcpy(data, &header, sizeof header);
  for (int y = 0; y < height; ++y)
    std::memcpy(data + sizeof header + rowBytes * (height - 1 - y), picture.Row(y), rowBytes);
  ::GlobalUnlock(memory.get());

  const OpenClipboard clipboard(static_cast<HWND>(owner));
  if (!clipboard || !::EmptyClipboard() || !::SetClipboardData(CF_DIB, memory.get())) return false;
  memory.release();  // the clipboard owns it now
  return true;
}

std::optional<std::string> Win32System::AskSavePath(WindowHandle owner, const std::string& fileName) {
  uiApartment_.Enter();  // the dialog hosts the shell's folder views
  wchar_t* found = nullptr;
  ::SHGetKnownFolderPath(FOLDERID_Pictures, 0, nullptr, &found);
  const win32::UniqueHandle<CoTaskMemTraits> pictures(found);

  std::vector<wchar_t> file(32768, L'\0');  // the longest path the system takes
  const std::wstring name = Wide(fileName);
  std::copy(name.begin(), name.begin() + std::min(name.size(), file.size() - 1), file.begin());
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = static_cast<HWND>(owner);
  dialog.lpstrFilter = L"PNG picture (*.png)\0*.png\0";
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = DWORD(file.size());
  dialog.lpstrInitialDir = pictures.get();
  dialog.lpstrDefExt = L"png";
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  const SystemModal open(systemModals_);
  if (!::GetSaveFileNameW(&dialog)) return std::nullopt;
  return Utf8(file.data());
}

bool Win32System::SaveFile(const std::string& path, const std::string& bytes, std::string& why) {
  // Written beside the target and moved over it once whole, so a failure never leaves half a picture where a
  // good file was.
  const std::wstring target = Wide(path), part = target + L".part";
  DWORD error = ERROR_SUCCESS;
  {
    const win32::UniqueFile file(
        ::CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr))
      error = ::GetLastError();
    else if (written != bytes.size())
      error = ERROR_HANDLE_DISK_FULL;
  }
  if (error == ERROR_SUCCESS && !::MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
    error = ::GetLastError();
  if (error == ERROR_SUCCESS) return true;
  ::DeleteFileW(part.c_str());
  why = ErrorText(error);
  return false;
}

}  // namespace tk
