#include "platform/win32/win32_capture.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

namespace tk::win32 {

namespace {

constexpr int kPaletteSize = 256;

// Every failure path ends here; a size too large to hold gives an empty picture rather than an exception.
Picture BlackPicture(int32_t width, int32_t height) {
  try {
    return std::make_shared<const raster::Bitmap>(std::max(0, width), std::max(0, height), 0xFF000000);
  } catch (const std::bad_alloc&) {
    return std::make_shared<const raster::Bitmap>();
  }
}

bool IsPaletteDevice(HDC dc) {
  return (::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0 &&
         ::GetDeviceCaps(dc, SIZEPALETTE) == kPaletteSize;
}

// A palette holding the 256 entries of the system palette as `dc` sees it.
UniquePalette CopySystemPalette(HDC dc) {
  // LOGPALETTE declares one entry; the other 255 follow it in the same block.
  struct {
    WORD version;
    WORD count;
    PALETTEENTRY entries[kPaletteSize];
  } record{0x300, kPaletteSize, {}};
  ::GetSystemPaletteEntries(dc, 0, kPaletteSize, record.entries);
  return UniquePalette(::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&record)));
}

}  // namespace

Picture WindowToPicture(HWND window, bool clientArea, int32_t left, int32_t top, int32_t width,
                        int32_t height) {
  if (width <= 0 || height <= 0) return BlackPicture(0, 0);

  WindowDc source(window, clientArea);
  UniqueHdc memory(::CreateCompatibleDC(source.get()));
  UniqueBitmap bitmap(::CreateCompatibleBitmap(source.get(), width, height));
  UniquePalette palette;

  ScopedSelect keptBitmap(memory.get(), bitmap.get());
  ScopedPaletteSelect keptPalette;
  if (source && IsPaletteDevice(source.get())) {
    palette = CopySystemPalette(source.get());
    keptPalette = ScopedPaletteSelect(memory.get(), palette.get());
    ::RealizePalette(memory.get());
  }
  const bool copied = ::BitBlt(memory.get(), 0, 0, width, height, source.get(), left, top, SRCCOPY) != FALSE;

  // Bitmap first, then the palette, and only then the contexts go.
  keptBitmap.Restore();
  keptPalette.Restore();
  memory.reset();
  source.reset();

  if (!copied) return BlackPicture(width, height);
  Picture picture = CreateBitmapPicture(std::move(bitmap), std::move(palette));
  if (picture->Width() != width || picture->Height() != height) return BlackPicture(width, height);
  return picture;
}

Picture CreateBitmapPicture(UniqueBitmap bitmap, UniquePalette palette) {
  BITMAP info{};
  if (!bitmap || ::GetObjectA(bitmap.get(), sizeof info, &info) != sizeof info || info.bmWidth <= 0 ||
      info.bmHeight <= 0)
    return BlackPicture(0, 0);

  std::shared_ptr<raster::Bitmap> pixels;
  try {
    pixels = std::make_shared<raster::Bitmap>(info.bmWidth, info.bmHeight, 0xFF000000);
  } catch (const std::bad_alloc&) {
    return BlackPicture(0, 0);
  }

  // 32 bits per pixel, top-down: exactly the compositor's layout, so the rows land in place.
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = info.bmWidth;
  format.bmiHeader.biHeight = -info.bmHeight;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;

  UniqueHdc dc(::CreateCompatibleDC(nullptr));
  ScopedPaletteSelect usePalette;
  if (palette) {
    usePalette = ScopedPaletteSelect(dc.get(), palette.get());
    ::RealizePalette(dc.get());
  }
  const int rows = ::GetDIBits(dc.get(), bitmap.get(), 0, static_cast<UINT>(info.bmHeight), pixels->Data(),
                               &format, DIB_RGB_COLORS);
  usePalette.Restore();

  if (rows != info.bmHeight) return BlackPicture(info.bmWidth, info.bmHeight);
  // GDI leaves the top byte zero; the compositor's pictures are opaque.
  raster::Pixel* p = pixels->Data();
  const size_t count = pixels->ByteSize() / sizeof(raster::Pixel);
  for (size_t i = 0; i < count; ++i) p[i] |= 0xFF000000u;
  return pixels;
}

}  // namespace tk::win32
