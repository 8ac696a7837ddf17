// The stamp pictures as the overlay lays them out and composes them.
#include <gtest/gtest.h>

#include <functional>

#include "resources/artwork.h"

namespace {

using artwork::Stamp;

// A picture of another size would shift every stamp; premultiplied pixels cannot have a channel above their
// coverage; a red/blue swap between the PNG's RGBA and 0xAARRGGBB would turn the x blue.
TEST(StampPicture, HasItsSizeClearCornersPremultipliedPixelsAndItsColours) {
  const auto red = [](int r, int g, int b) { return r > 2 * g && r > 2 * b; };
  const auto green = [](int r, int g, int b) { return g > 2 * r && g > 2 * b; };
  const auto yellow = [](int r, int g, int b) { return r > 200 && g > 150 && b < 120; };
  const struct {
    Stamp stamp;
    int width, height, x, y;  // a pixel of the body, and what it looks like
    std::function<bool(int, int, int)> looks;
  } kinds[] = {{Stamp::Smiley, 47, 47, 23, 8, yellow},
               {Stamp::X, 53, 39, 26, 19, red},
               {Stamp::Check, 60, 55, 37, 27, green},
               {Stamp::Arrow, 73, 51, 0, 25, red},
               {Stamp::Star, 70, 66, 35, 36, yellow}};
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.width);
    const raster::Bitmap& picture = artwork::StampPicture(kind.stamp);
    ASSERT_EQ(std::pair(picture.Width(), picture.Height()), std::pair(kind.width, kind.height));
    const int right = kind.width - 1, bottom = kind.height - 1;
    EXPECT_EQ(picture.At(0, 0) | picture.At(right, 0) | picture.At(0, bottom) | picture.At(right, bottom),
              0u);
    int opaque = 0, partial = 0, overflowing = 0;
    for (int y = 0; y < kind.height; ++y) {
      for (int x = 0; x < kind.width; ++x) {
        const raster::Pixel p = picture.At(x, y);
        const uint32_t a = p >> 24;
        overflowing += (p >> 16 & 0xFF) > a || (p >> 8 & 0xFF) > a || (p & 0xFF) > a;
        opaque += a == 255;
        partial += a > 0 && a < 255;
      }
    }
    EXPECT_EQ(overflowing, 0);
    // A solid body with antialiased rims, not a blank or a hard-edged cut-out.
    EXPECT_GT(opaque, kind.width * kind.height / 6);
    EXPECT_GT(partial, kind.width + kind.height);
    const raster::Pixel body = picture.At(kind.x, kind.y);
    EXPECT_EQ(body >> 24, 255u);
    EXPECT_TRUE(kind.looks(body >> 16 & 0xFF, body >> 8 & 0xFF, body & 0xFF)) << std::hex << body;
  }
  // A stamp is placed with the middle of its left edge on the click: the arrow's tip is there, and alone.
  const raster::Bitmap& arrow = artwork::StampPicture(Stamp::Arrow);
  for (int y = 0; y < 51; ++y) EXPECT_EQ(arrow.At(0, y) >> 24 != 0, y >= 23 && y <= 27) << y;
}

}  // namespace
