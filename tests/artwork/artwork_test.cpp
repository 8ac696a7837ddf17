// The stamp pictures as the compositor takes them. Their sizes, colours and the arrow's tip are checked where
// the stamps are placed and shown (tests/feature, tests/e2e).
#include <gtest/gtest.h>

#include "resources/artwork.h"

namespace {

// Premultiplied (no channel above the pixel's coverage), clear corners, and a solid body with antialiased
// rims rather than a blank or a hard-edged cut-out.
TEST(StampPicture, IsPremultipliedWithClearCornersASolidBodyAndSoftRims) {
  using artwork::Stamp;
  for (Stamp stamp : {Stamp::Smiley, Stamp::X, Stamp::Check, Stamp::Arrow, Stamp::Star}) {
    const raster::Bitmap& picture = artwork::StampPicture(stamp);
    const int w = picture.Width(), h = picture.Height();
    SCOPED_TRACE(w);
    EXPECT_EQ(picture.At(0, 0) | picture.At(w - 1, 0) | picture.At(0, h - 1) | picture.At(w - 1, h - 1), 0u);
    int opaque = 0, partial = 0, overflowing = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const raster::Pixel p = picture.At(x, y);
        const uint32_t a = p >> 24;
        overflowing += (p >> 16 & 0xFF) > a || (p >> 8 & 0xFF) > a || (p & 0xFF) > a;
        opaque += a == 255;
        partial += a > 0 && a < 255;
      }
    }
    EXPECT_EQ(overflowing, 0);
    EXPECT_GT(opaque, w * h / 6);
    EXPECT_GT(partial, w + h);
  }
}

}  // namespace
