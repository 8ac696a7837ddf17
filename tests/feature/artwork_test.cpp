// The pictures as the compositor takes them: the sizes the program lays them out with (a picture of another
// size would shift every stamp, or the links over the banner), premultiplied, and the look each kind needs.
#include <gtest/gtest.h>

#include "resources/artwork.h"

namespace {

// A stamp: clear corners, a solid body and antialiased rims. A drawing: clear corners and something to see.
// Opaque: every pixel covered, and not one flat colour (the banner over any screen, the window background).
enum class Look { Stamp, Drawing, Opaque };

TEST(Artwork, HasItsSizeIsPremultipliedAndHasItsLook) {
  using artwork::Art;
  using artwork::Stamp;
  const struct {
    const raster::Bitmap& picture;
    int width, height;
    Look look;
  } kinds[] = {
      {artwork::StampPicture(Stamp::Smiley), 47, 47, Look::Stamp},
      {artwork::StampPicture(Stamp::X), 53, 39, Look::Stamp},
      {artwork::StampPicture(Stamp::Check), 60, 55, Look::Stamp},
      {artwork::StampPicture(Stamp::Arrow), 73, 51, Look::Stamp},
      {artwork::StampPicture(Stamp::Star), 70, 66, Look::Stamp},
      {artwork::ArtPicture(Art::Banner), 340, 56, Look::Opaque},
      {artwork::ArtPicture(Art::Arrow), 53, 65, Look::Drawing},
      {artwork::ArtPicture(Art::TitleStrip), 545, 55, Look::Drawing},
      {artwork::ArtPicture(Art::Picture), 256, 256, Look::Drawing},
      {artwork::ArtPicture(Art::Background), 585, 425, Look::Opaque},
  };
  for (const auto& kind : kinds) {
    const raster::Bitmap& picture = kind.picture;
    const int w = picture.Width(), h = picture.Height();
    SCOPED_TRACE(w);
    ASSERT_EQ(std::pair(w, h), std::pair(kind.width, kind.height));
    const raster::Pixel corners = picture.At(0, 0) | picture.At(w - 1, 0) | picture.At(0, h - 1) | picture.At(w - 1, h - 1);
    int opaque = 0, partial = 0, overflowing = 0, likeFirst = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const raster::Pixel p = picture.At(x, y);
        const uint32_t a = p >> 24;
        overflowing += (p >> 16 & 0xFF) > a || (p >> 8 & 0xFF) > a || (p & 0xFF) > a;
        opaque += a == 255;
        partial += a > 0 && a < 255;
        likeFirst += p == picture.At(0, 0);
      }
    }
    EXPECT_EQ(overflowing, 0);
    if (kind.look == Look::Opaque) {
      EXPECT_EQ(opaque, w * h);
      EXPECT_LT(likeFirst, w * h);
      continue;
    }
    EXPECT_EQ(corners, 0u);
    EXPECT_GT(opaque + partial, w + h);
    if (kind.look == Look::Stamp) {
      EXPECT_GT(opaque, w * h / 6);
      EXPECT_GT(partial, w + h);
    }
  }
}

}  // namespace
