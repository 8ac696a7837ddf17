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

ArtWindow::ArtWindow(tk::App& application, std::string name, const Layout& layout)
    : tk::Form(application, std::move(name)),
      Image3(AddImage()),
      Picture1(AddImage()),
      Image2(AddImage()),
      Image1(AddImage()) {
  MakeDialog(layout.caption, layout.width, layout.height);
  SetBackColor(0xFFFFFF);
  PlaceArt(Image3, artwork::ArtPicture(artwork::Art::Background), layout.backgroundLeft,
           layout.backgroundTop);
  Picture1.SetPicture(SunkenBox(570, 77, 0xF0F0F0));
  Picture1.Move(11 * 15.0f, 9 * 15.0f, 570 * 15.0f, 77 * 15.0f);
  Picture1.SetVisible(true);
  PlaceArt(Image2, artwork::ArtPicture(artwork::Art::TitleStrip), 11 + 11, 9 + 11);
  PlaceArt(Image1, artwork::ArtPicture(artwork::Art::Picture), layout.pictureLeft, layout.pictureTop);
}
