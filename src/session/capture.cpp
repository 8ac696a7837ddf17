#include "session/capture.h"

#include <algorithm>

#include "platform/units.h"

tk::Picture CaptureDesktop(tk::App& app) {
  const tk::WindowHandle desktop = app.system.DesktopWindow();
  // The screen size comes in twips; dividing by the exact twips per pixel (not a rounded one) keeps the
  // whole screen at DPIs where a pixel is a fractional number of twips, such as 7.5 at 192 DPI.
  const float tppX = std::max(app.screen.TwipsPerPixelX(), 1e-3f);
  const float tppY = std::max(app.screen.TwipsPerPixelY(), 1e-3f);
  const int32_t width = tk::RoundToInt32(tk::RoundToInt32(app.screen.Width()) / tppX);
  const int32_t height = tk::RoundToInt32(tk::RoundToInt32(app.screen.Height()) / tppY);
  return app.system.WindowToPicture(desktop, false, 0, 0, width, height);
}
