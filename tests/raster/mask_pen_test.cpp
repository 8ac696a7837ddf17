// The mask pen: every mark ANDs its colour into what lies beneath, and covering twice adds nothing.
#include "raster_test_util.h"

namespace rastertest {
namespace {

constexpr Pixel kWhite = 0xFFFFFFFF, kBlue = 0xFF0000FF, kBlack = 0xFF000000;

TEST(MaskPen, ColorRefChannelsLandInDibOrder) {
  EXPECT_EQ(raster::PenFromColorRef(65535), kYellowPen);
  EXPECT_EQ(raster::PenFromColorRef(0x00336699), 0xFF996633u);  // red 0x99, green 0x66, blue 0x33
  EXPECT_EQ(raster::PenFromColorRef(0x0080FFFF), 0xFFFFFF80u);
  EXPECT_EQ(raster::PenFromColorRef(0xAB000000), kBlack);  // the unused byte is ignored
}

// Yellow over white stays yellow, over blue and over black turns black, whichever mark draws it.
TEST(MaskPen, YellowOverWhiteBlueAndBlack) {
  Bitmap picture(6, 1);
  const Pixel under[] = {kWhite, kWhite, kBlue, kBlue, kBlack, kBlack};
  std::copy(std::begin(under), std::end(under), picture.Row(0));
  const Pixel pen = raster::PenFromColorRef(65535);
  const Pixel want[] = {0xFFFFFF00, 0xFFFFFF00, kBlack, kBlack, kBlack, kBlack};

  InkLayer ink;
  ink.Resize(6, 1);
  ink.DrawLine(0, 0.5f, 6, 0.5f, 1, pen);
  DrawOp rect{DrawOp::Kind::FillRect, {0, 0, 6, 1}, pen};
  DrawOp ellipse{
      DrawOp::Kind::EllipseOutline, {-20, -20, 26, 21}, pen, 40};  // wide pen: filled, over all six

  struct Case {
    const char* name;
    const InkLayer* ink;
    std::vector<DrawOp> ops;
  } cases[] = {{"stroke", &ink, {}}, {"rectangle", nullptr, {rect}}, {"ellipse", nullptr, {ellipse}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene{&picture, kWhite, c.ink, c.ops};
    Bitmap out(6, 1, 0x12345678);
    raster::Compose(scene, {0, 0, 6, 1}, out.View());
    for (int x = 0; x < 6; ++x) EXPECT_EQ(out.At(x, 0), want[x]) << "x = " << x;
  }
}

// Rectangles, ellipses and strokes of one pen over each other leave exactly picture AND pen where any of
// them lies, however often they overlap.
TEST(MaskPen, CoveringTwiceChangesNothingMore) {
  Random rnd(7);
  const Bitmap picture = Noise(90, 70, rnd);
  const Pixel pen = raster::PenFromColorRef(0x0080FFFF);
  InkLayer ink;
  ink.Resize(90, 70);
  for (int i = 0; i < 4; ++i) ink.DrawLine(5, 10, 80, 50, 12, pen);
  ink.DrawLine(80, 50, 5, 10, 20, pen);
  Scene scene{&picture, kWhite, &ink, {}};
  for (int i = 0; i < 3; ++i) scene.ops.push_back({DrawOp::Kind::FillRect, {10, 5, 60, 40}, pen});
  scene.ops.push_back({DrawOp::Kind::FillRect, {30, 20, 85, 65}, pen});
  scene.ops.push_back({DrawOp::Kind::EllipseOutline, {0, 0, 90, 70}, pen, 15});
  scene.ops.push_back({DrawOp::Kind::EllipseOutline, {0, 0, 90, 70}, pen, 15});

  Bitmap out(90, 70);
  raster::Compose(scene, {0, 0, 90, 70}, out.View());
  Bitmap want = picture;
  for (int y = 0; y < 70; ++y) {
    for (int x = 0; x < 90; ++x) {
      bool covered = ink.MaskAt(x, y) != kNoInk || InRing({0, 0, 90, 70}, 15, x, y);
      for (const DrawOp& op : scene.ops)
        covered = covered || (op.kind == DrawOp::Kind::FillRect && InBox(op.box, x, y));
      if (covered) want.Row(y)[x] &= pen;
    }
  }
  EXPECT_TRUE(SamePixels(out, want));
  EXPECT_EQ(ink.MasksInUse(), 1);
}

}  // namespace
}  // namespace rastertest
