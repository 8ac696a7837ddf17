// Owners for Win32 handles. Every handle the backend obtains lives in one of these from the call that
// returns it, so it is released on every path, in the reverse order of acquisition.
#pragma once

#include <windows.h>

#include <utility>

namespace tk::win32 {

// One move-only owner for any handle whose release is a single call. Traits give the handle type, the
// value meaning "none" and the release call. There is deliberately no conversion to the raw handle: get()
// makes every hand-over visible.
template <class Traits>
class UniqueHandle {
 public:
  using pointer = typename Traits::pointer;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(pointer handle) noexcept : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  pointer get() const noexcept { return handle_; }
  pointer release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
  void reset(pointer handle = Traits::Invalid()) noexcept {
    const pointer old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }

 private:
  pointer handle_ = Traits::Invalid();
};

// A timer is named by its window and its id together, so its "handle" is the pair.
struct TimerId {
  HWND window = nullptr;
  UINT_PTR id = 0;
  bool operator==(const TimerId&) const = default;
};

namespace traits {

// The release calls are wrapped in plain functions: the address of an imported API function is not a
// constant that a template argument can hold.
template <class H, void (*Release)(H) noexcept>
struct NullIsNone {
  using pointer = H;
  static constexpr H Invalid() noexcept { return nullptr; }
  static void Close(H handle) noexcept { Release(handle); }
};

inline void DeleteDc(HDC dc) noexcept {
  ::DeleteDC(dc);
}
template <class H>
inline void DeleteGdiObject(H object) noexcept {
  ::DeleteObject(object);
}
inline void DestroyMenu(HMENU menu) noexcept {
  ::DestroyMenu(menu);
}
inline void DestroyWindow(HWND window) noexcept {
  ::DestroyWindow(window);
}
inline void DestroyIcon(HICON icon) noexcept {
  ::DestroyIcon(icon);
}
inline void FreeLibrary(HMODULE module) noexcept {
  ::FreeLibrary(module);
}
inline void CloseHandle(HANDLE handle) noexcept {
  ::CloseHandle(handle);
}

inline void GlobalFree(HGLOBAL memory) noexcept {
  ::GlobalFree(memory);
}
inline void LocalFree(HLOCAL memory) noexcept {
  ::LocalFree(memory);
}

// CreateFile's failure value is INVALID_HANDLE_VALUE, not null.
struct File {
  using pointer = HANDLE;
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE file) noexcept { ::CloseHandle(file); }
};

struct WindowTimer {
  using pointer = TimerId;
  static constexpr TimerId Invalid() noexcept { return {}; }
  static void Close(TimerId timer) noexcept { ::KillTimer(timer.window, timer.id); }
};

}  // namespace traits

// Memory device contexts from CreateCompatibleDC. Contexts from GetDC/GetWindowDC use WindowDc.
using UniqueHdc = UniqueHandle<traits::NullIsNone<HDC, &traits::DeleteDc>>;

// GDI objects (bitmaps, palettes, brushes, fonts) from their Create* calls.
template <class H>
using UniqueGdi = UniqueHandle<traits::NullIsNone<H, &traits::DeleteGdiObject<H>>>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniquePalette = UniqueGdi<HPALETTE>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniqueFont = UniqueGdi<HFONT>;

using UniqueHmenu = UniqueHandle<traits::NullIsNone<HMENU, &traits::DestroyMenu>>;
using UniqueHwnd = UniqueHandle<traits::NullIsNone<HWND, &traits::DestroyWindow>>;
// Icons from LoadImage without LR_SHARED (shared icons and cursors are never destroyed).
using UniqueHicon = UniqueHandle<traits::NullIsNone<HICON, &traits::DestroyIcon>>;
using UniqueHmodule = UniqueHandle<traits::NullIsNone<HMODULE, &traits::FreeLibrary>>;
// A running SetTimer timer; reset() kills it.
using UniqueTimer = UniqueHandle<traits::WindowTimer>;

// Kernel objects closed with CloseHandle whose failure value is null (mutexes, events, threads). The
// template is UniqueHandle, so this one is named for what it closes.
using UniqueKernelHandle = UniqueHandle<traits::NullIsNone<HANDLE, &traits::CloseHandle>>;
using UniqueMutex = UniqueKernelHandle;
using UniqueFile = UniqueHandle<traits::File>;
// Memory from GlobalAlloc (what the clipboard takes) and LocalAlloc (what FormatMessage gives).
using UniqueGlobal = UniqueHandle<traits::NullIsNone<HGLOBAL, &traits::GlobalFree>>;
using UniqueLocal = UniqueHandle<traits::NullIsNone<HLOCAL, &traits::LocalFree>>;

// A context from GetDC or GetWindowDC: it must go back to the same window with ReleaseDC, so the owner
// remembers the window.
class WindowDc {
 public:
  WindowDc() noexcept = default;
  // clientArea true reads the client area (GetDC), false the whole window (GetWindowDC). A null window
  // means the screen.
  WindowDc(HWND window, bool clientArea) noexcept
      : window_(window), dc_(clientArea ? ::GetDC(window) : ::GetWindowDC(window)) {}
  WindowDc(WindowDc&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = std::exchange(other.window_, nullptr);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() { reset(); }

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  void reset() noexcept {
    if (dc_) ::ReleaseDC(window_, dc_);
    dc_ = nullptr;
    window_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// BeginPaint/EndPaint for one WM_PAINT.
class PaintDc {
 public:
  explicit PaintDc(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() {
    if (dc_) ::EndPaint(window_, &paint_);
  }

  HDC get() const noexcept { return dc_; }
  const RECT& Area() const noexcept { return paint_.rcPaint; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// Selects an object into a context and puts the previous one back: a context must not be deleted, nor
// its object destroyed, while one of ours is selected.
class ScopedSelect {
 public:
  ScopedSelect() noexcept = default;
  ScopedSelect(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ScopedSelect(ScopedSelect&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
  ScopedSelect& operator=(ScopedSelect&& other) noexcept {
    if (this != &other) {
      Restore();
      dc_ = std::exchange(other.dc_, nullptr);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;
  ~ScopedSelect() { Restore(); }

  // Puts the previous object back now; returns the object that was selected until then.
  HGDIOBJ Restore() noexcept {
    HGDIOBJ ours = nullptr;
    if (dc_ && previous_ && previous_ != HGDI_ERROR) ours = ::SelectObject(dc_, previous_);
    dc_ = nullptr;
    previous_ = nullptr;
    return ours;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// The same for palettes, which have their own selection call.
class ScopedPaletteSelect {
 public:
  ScopedPaletteSelect() noexcept = default;
  ScopedPaletteSelect(HDC dc, HPALETTE palette) noexcept
      : dc_(dc), previous_(dc && palette ? ::SelectPalette(dc, palette, FALSE) : nullptr) {}
  ScopedPaletteSelect(ScopedPaletteSelect&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
  ScopedPaletteSelect& operator=(ScopedPaletteSelect&& other) noexcept {
    if (this != &other) {
      Restore();
      dc_ = std::exchange(other.dc_, nullptr);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }
  ScopedPaletteSelect(const ScopedPaletteSelect&) = delete;
  ScopedPaletteSelect& operator=(const ScopedPaletteSelect&) = delete;
  ~ScopedPaletteSelect() { Restore(); }

  HPALETTE Restore() noexcept {
    HPALETTE ours = nullptr;
    if (dc_ && previous_) ours = ::SelectPalette(dc_, previous_, FALSE);
    dc_ = nullptr;
    previous_ = nullptr;
    return ours;
  }

 private:
  HDC dc_ = nullptr;
  HPALETTE previous_ = nullptr;
};

}  // namespace tk::win32
