#include "platform/win32/win32_dpi.h"

namespace tk::win32 {

namespace {

// GetProcAddress gives a generic function pointer; this converts it without a cast-type warning.
template <class Call>
Call Lookup(HMODULE module, const char* name) {
  using AnyFunction = void (*)();
  return module ? reinterpret_cast<Call>(reinterpret_cast<AnyFunction>(::GetProcAddress(module, name)))
                : nullptr;
}

constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

}  // namespace

Dpi::Dpi() : shcore_(::LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
  const HMODULE user32 = ::GetModuleHandleA("user32.dll");
  monitorDpi_ = Lookup<MonitorDpiCall>(shcore_.get(), "GetDpiForMonitor");
  windowDpi_ = Lookup<WindowDpiCall>(user32, "GetDpiForWindow");
  adjust_ = Lookup<AdjustCall>(user32, "AdjustWindowRectExForDpi");
}

int ScreenDpi() {
  WindowDc screen(nullptr, true);
  const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : 96;
}

int Dpi::OfMonitor(HMONITOR monitor) const {
  UINT x = 0, y = 0;
  if (monitor && monitorDpi_ && SUCCEEDED(monitorDpi_(monitor, kEffectiveDpi, &x, &y)) && x > 0)
    return static_cast<int>(x);
  return ScreenDpi();
}

int Dpi::OfWindow(HWND window) const {
  const UINT dpi = window && windowDpi_ ? windowDpi_(window) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : OfMonitor(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY));
}

RECT Dpi::WindowRect(const RECT& client, DWORD style, DWORD exStyle, int dpi) const {
  RECT frame = client;
  if (!adjust_ || !adjust_(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi)))
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  return frame;
}

UniqueFont CreateControlFont(const Font& font, int dpi) {
  LOGFONTA face{};
  face.lfHeight = -::MulDiv(font.points, dpi, 72);
  face.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  face.lfUnderline = font.underline;
  face.lfCharSet = DEFAULT_CHARSET;
  face.lfQuality = CLEARTYPE_QUALITY;
  face.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  // The name every system maps to its own dialog face (Tahoma, Segoe UI, or what it has).
  lstrcpynA(face.lfFaceName, "MS Shell Dlg 2", LF_FACESIZE);
  return UniqueFont(::CreateFontIndirectA(&face));
}

}  // namespace tk::win32
