#include "guidance/pictures.h"

#include "resources/artwork.h"

void PlaceArt(tk::Image& image, const raster::Bitmap& picture, int left, int top) {
  // Windowless pictures are placed in twips: fifteen to a pixel at 96 DPI.
  image.SetPicture(tk::Picture(&picture, [](const raster::Bitmap*) {}));
  image.Move(left * 15.0f, top * 15.0f, picture.Width() * 15.0f, picture.Height() * 15.0f);
  image.SetVisible(true);
}

namespace {
// An opaque box of `color` with a one-pixel sunken edge, like an empty picture box.
tk::Picture SunkenBox(int width, int height, uint32_t color) {
  const raster::Pixel fill = raster::PenFromColorRef(color);
  auto box = std::make_shared<raster::Bitmap>(width, height, fill);
  for (int x = 0; x < width; ++x) {
    box->Row(0)[x] = 0xFFA0A0A0;           // shadow along the top
    box->Row(height - 1)[x] = 0xFFFFFFFF;  // light along the bottom
  }
  for (int y = 0; y < height; ++y) {
    box->Row(y)[0] = 0xFFA0A0A0;
    box->Row(y)[width - 1] = 0xFFFFFFFF;
  }
  return box;
}
}  // namespace

void PlaceTitleStrip(tk::Image& box, tk::Image& strip) {
  box.SetPicture(SunkenBox(570, 77, 0xF0F0F0));
  box.Move(11 * 15.0f, 9 * 15.0f, 570 * 15.0f, 77 * 15.0f);
  box.SetVisible(true);
  PlaceArt(strip, artwork::ArtPicture(artwork::Art::TitleStrip), 11 + 11, 9 + 11);
}
