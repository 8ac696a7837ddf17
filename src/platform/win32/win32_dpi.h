// Dots per inch of monitors and windows, and the dialog font made for a given DPI. The per-monitor calls
// exist only on newer systems, so they are looked up at run time; older ones get the screen's DPI.
#pragma once

#include <windows.h>

#include "platform/widgets.h"
#include "platform/win32/handle.h"

namespace tk::win32 {

class Dpi {
 public:
  Dpi();
  Dpi(const Dpi&) = delete;
  Dpi& operator=(const Dpi&) = delete;

  int OfMonitor(HMONITOR monitor) const;
  int OfWindow(HWND window) const;
  // The window rectangle around a client rectangle, with the frame measured at `dpi`.
  RECT WindowRect(const RECT& client, DWORD style, DWORD exStyle, int dpi) const;

 private:
  using MonitorDpiCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  using WindowDpiCall = UINT(WINAPI*)(HWND);
  using AdjustCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

  UniqueHmodule shcore_;
  MonitorDpiCall monitorDpi_ = nullptr;
  WindowDpiCall windowDpi_ = nullptr;
  AdjustCall adjust_ = nullptr;
};

// The screen's DPI, which every monitor has where per-monitor DPI does not exist.
int ScreenDpi();

// The dialog font at `dpi`: `font.points` high, in the system's dialog face.
UniqueFont CreateControlFont(const Font& font, int dpi);

}  // namespace tk::win32
