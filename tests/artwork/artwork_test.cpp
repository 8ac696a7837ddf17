#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>

#include "resources/artwork.h"

namespace {

using artwork::Art;
using artwork::ArtPicture;
using artwork::Stamp;
using artwork::StampPicture;

template <auto which>
const raster::Bitmap& Picture() {
  if constexpr (std::is_same_v<decltype(which), Stamp>) {
    return StampPicture(which);
  } else {
    return ArtPicture(which);
  }
}

// Stamp: a solid body with antialiased rims on a transparent ground. Drawing: something visible on a
// transparent ground. Opaque: covers its whole rectangle, as the banner over any screen must.
enum class Look { Stamp, Drawing, Opaque };

struct Kind {
  const char* name;
  const raster::Bitmap& (*picture)();
  int width, height;
  Look look;
};

// The sizes the program lays the pictures out with: a picture of another size would shift every stamp, or
// the links drawn over the banner and the controls laid over the guidance windows.
constexpr Kind kKinds[] = {
    {"smiley", Picture<Stamp::Smiley>, 47, 47, Look::Stamp},            //
    {"x", Picture<Stamp::X>, 53, 39, Look::Stamp},                      //
    {"check", Picture<Stamp::Check>, 60, 55, Look::Stamp},              //
    {"arrow", Picture<Stamp::Arrow>, 73, 51, Look::Stamp},              //
    {"star", Picture<Stamp::Star>, 70, 66, Look::Stamp},                //
    {"banner", Picture<Art::Banner>, 340, 56, Look::Opaque},            //
    {"guide arrow", Picture<Art::Arrow>, 53, 65, Look::Drawing},        //
    {"title strip", Picture<Art::TitleStrip>, 545, 55, Look::Drawing},  //
    {"picture", Picture<Art::Picture>, 256, 256, Look::Drawing},        //
    {"background", Picture<Art::Background>, 585, 425, Look::Opaque},   //
};

constexpr uint32_t Alpha(raster::Pixel p) {
  return p >> 24;
}
constexpr uint32_t Red(raster::Pixel p) {
  return p >> 16 & 0xFF;
}
constexpr uint32_t Green(raster::Pixel p) {
  return p >> 8 & 0xFF;
}
constexpr uint32_t Blue(raster::Pixel p) {
  return p & 0xFF;
}

TEST(Artwork, HasItsSizeAndItsLook) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    const raster::Bitmap& picture = kind.picture();
    ASSERT_EQ(picture.Width(), kind.width);
    ASSERT_EQ(picture.Height(), kind.height);

    const int right = kind.width - 1, bottom = kind.height - 1;
    if (kind.look != Look::Opaque) {
      EXPECT_EQ(picture.At(0, 0), 0u);
      EXPECT_EQ(picture.At(right, 0), 0u);
      EXPECT_EQ(picture.At(0, bottom), 0u);
      EXPECT_EQ(picture.At(right, bottom), 0u);
    }

    int opaque = 0, partial = 0, badPixels = 0, unlikeCorner = 0;
    for (int y = 0; y < kind.height; ++y) {
      for (int x = 0; x < kind.width; ++x) {
        const raster::Pixel p = picture.At(x, y);
        const uint32_t a = Alpha(p);
        // Premultiplied: no channel can exceed the pixel's coverage.
        if (Red(p) > a || Green(p) > a || Blue(p) > a) ++badPixels;
        if (a == 255) ++opaque;
        if (a > 0 && a < 255) ++partial;
        if (p != picture.At(0, 0)) ++unlikeCorner;
      }
    }
    EXPECT_EQ(badPixels, 0);
    switch (kind.look) {
      case Look::Stamp:  // a solid body with antialiased rims, not a blank or a hard-edged cut-out
        EXPECT_GT(opaque, kind.width * kind.height / 6);
        EXPECT_GT(partial, kind.width + kind.height);
        break;
      case Look::Drawing:
        EXPECT_GT(opaque, kind.width + kind.height);
        EXPECT_GT(partial, kind.width + kind.height);
        break;
      case Look::Opaque:  // and not one flat colour
        EXPECT_EQ(opaque, kind.width * kind.height);
        EXPECT_GT(unlikeCorner, kind.width + kind.height);
        break;
    }
  }
}

TEST(StampPicture, ArrowTipIsTheMiddleOfItsLeftEdge) {
  const raster::Bitmap& arrow = StampPicture(Stamp::Arrow);
  ASSERT_EQ(arrow.Height(), 51);
  // A stamp is placed with the middle of its left edge on the click, so that is where the arrow must point.
  EXPECT_EQ(Alpha(arrow.At(0, 25)), 255u);
  EXPECT_EQ(Alpha(arrow.At(0, 0)), 0u);
  EXPECT_EQ(Alpha(arrow.At(0, 50)), 0u);
  // Nothing else reaches the left edge: the tip is a point, symmetric about the middle row.
  for (int y = 0; y < 51; ++y) {
    SCOPED_TRACE(y);
    if (y < 23 || y > 27) {
      EXPECT_EQ(Alpha(arrow.At(0, y)), 0u);
    }
    EXPECT_EQ(Alpha(arrow.At(0, y)), Alpha(arrow.At(0, 50 - y)));
  }
}

TEST(StampPicture, ColoursKeepTheirChannels) {
  // A red/blue swap between the PNG's RGBA and the compositor's 0xAARRGGBB would turn the x blue.
  const raster::Pixel xCentre = StampPicture(Stamp::X).At(26, 19);
  EXPECT_EQ(Alpha(xCentre), 255u);
  EXPECT_GT(Red(xCentre), 2 * Blue(xCentre));
  EXPECT_GT(Red(xCentre), 2 * Green(xCentre));

  const raster::Pixel checkStroke = StampPicture(Stamp::Check).At(37, 27);
  EXPECT_EQ(Alpha(checkStroke), 255u);
  EXPECT_GT(Green(checkStroke), 2 * Red(checkStroke));
  EXPECT_GT(Green(checkStroke), 2 * Blue(checkStroke));

  // Yellow and gold: much red and green, little blue.
  for (const raster::Pixel p :
       {StampPicture(Stamp::Smiley).At(23, 8), StampPicture(Stamp::Star).At(35, 36)}) {
    EXPECT_EQ(Alpha(p), 255u);
    EXPECT_GT(Red(p), 200u);
    EXPECT_GT(Green(p), 150u);
    EXPECT_LT(Blue(p), 120u);
  }
}

}  // namespace
