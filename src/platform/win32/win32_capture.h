// Screen capture with GDI: a copy of a window's pixels into a picture that owns them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/system.h"
#include "platform/win32/handle.h"

namespace tk::win32 {

// A picture of the rectangle (left, top, width, height) of `window`: its client area when `clientArea`,
// else the whole window. Never fails: a step that goes wrong leaves a black picture of the asked size
// (0 x 0 when a side is not positive).
Picture WindowToPicture(HWND window, bool clientArea, int32_t left, int32_t top, int32_t width,
                        int32_t height);

// The pixels of a device-dependent bitmap, read through `palette` when there is one, as a picture that owns
// its own copy; the bitmap and the palette are freed here. A null bitmap gives an empty picture.
Picture CreateBitmapPicture(UniqueBitmap bitmap, UniquePalette palette);

}  // namespace tk::win32
