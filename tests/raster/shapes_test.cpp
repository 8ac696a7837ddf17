// Filled rectangles and ellipse outlines against per-pixel point-in-shape tests, on and off the frame.
#include "raster_test_util.h"

namespace rastertest {
namespace {

// One shape per scene over a noise picture, composed into a frame of random size (with a random area);
// the result must equal the per-pixel reference everywhere, including outside the area.
void CheckRandomShapes(DrawOp::Kind kind, uint32_t seed) {
  Random rnd(seed);
  for (int round = 0; round < 600; ++round) {
    const int w = rnd.Chance(0.05) ? 1 : rnd.Int(1, 120), h = rnd.Chance(0.05) ? 1 : rnd.Int(1, 90);
    const Bitmap picture = Noise(w, h, rnd);
    DrawOp op;
    op.kind = kind;
    op.pen = rnd.Colour();
    op.penWidth = rnd.Chance(0.05) ? rnd.Int(-2, 0) : rnd.Int(1, 45);
    const int l = rnd.Coord(w), t = rnd.Coord(h);
    op.box = {l, t, l + rnd.Int(-3, 2 * w), t + rnd.Int(-3, 2 * h)};
    Scene scene{&picture, 0xFFFFFFFF, nullptr, {op}};
    const Rect area =
        rnd.Chance(0.7) ? Rect{0, 0, w, h} : Rect{rnd.Coord(w), rnd.Coord(h), rnd.Coord(w), rnd.Coord(h)};

    Bitmap out = Noise(w, h, rnd), want = out;
    raster::Compose(scene, area, out.View());
    ReferenceCompose(scene, area, want);
    ASSERT_TRUE(SamePixels(out, want))
        << "round " << round << " box {" << op.box.left << ", " << op.box.top << ", " << op.box.right << ", "
        << op.box.bottom << "} pen width " << op.penWidth << " frame " << w << "x" << h;
  }
}

TEST(ShapeRaster, FilledRectangleMatchesReference) {
  CheckRandomShapes(DrawOp::Kind::FillRect, 21);
}

TEST(ShapeRaster, EllipseOutlineMatchesReference) {
  CheckRandomShapes(DrawOp::Kind::EllipseOutline, 22);
}

// Every small box with a few pen widths: the rows of small ellipses are where an off-by-one in the
// half-width (rounding of the square root, parity of the centre) shows.
TEST(ShapeRaster, EllipseOutlineEverySmallBox) {
  const Bitmap picture(44, 44, 0xFFFFFFFF);
  for (int w = 1; w <= 38; ++w) {
    for (int h = 1; h <= 38; ++h) {
      for (int penWidth : {1, 3, 8}) {
        const Rect box{2, 3, 2 + w, 3 + h};
        Scene scene{
            &picture, 0xFFFFFFFF, nullptr, {{DrawOp::Kind::EllipseOutline, box, 0xFF000000, penWidth}}};
        Bitmap out(44, 44), want(44, 44);
        raster::Compose(scene, {0, 0, 44, 44}, out.View());
        ReferenceCompose(scene, {0, 0, 44, 44}, want);
        ASSERT_TRUE(SamePixels(out, want)) << w << "x" << h << " pen width " << penWidth;
      }
    }
  }
}

// Boxes far larger than any screen, and boxes at the ends of the int range, whose edges still pass through
// the frame.
TEST(ShapeRaster, HugeBoxesClip) {
  constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
  const Bitmap picture(64, 40, 0xFFFFFFFF);
  const Rect boxes[] = {{kMin, kMin, kMax, kMax},
                        {-1000000, 10, 1000064, 30},
                        {kMin, 5, 32, 35},
                        {30, kMin, kMax, 20},
                        {-3000000, -20, 30, 3000000},
                        {kMax - 5, 0, kMax, 10},
                        {kMin, kMin, kMin + 3, kMin + 3},
                        {-2000000000, -2000000000, 40, 20}};
  for (const Rect& box : boxes) {
    for (int penWidth : {1, 25, kMax}) {
      for (DrawOp::Kind kind : {DrawOp::Kind::FillRect, DrawOp::Kind::EllipseOutline}) {
        Scene scene{&picture, 0xFFFFFFFF, nullptr, {{kind, box, 0xFF00FF00, penWidth}}};
        Bitmap out(64, 40), want(64, 40);
        raster::Compose(scene, {kMin, kMin, kMax, kMax}, out.View());
        ReferenceCompose(scene, {0, 0, 64, 40}, want);
        EXPECT_TRUE(SamePixels(out, want)) << "box {" << box.left << ", " << box.top << ", " << box.right
                                           << ", " << box.bottom << "} pen width " << penWidth;
      }
    }
  }
}

// Ellipses wider than 2^15 pixels need wider arithmetic; their ends still land on the screen.
TEST(ShapeRaster, EllipseOutlineOfVeryWideBoxes) {
  const Bitmap picture(40, 40, 0xFFFFFFFF);
  for (int extra = 0; extra < 40; ++extra) {
    for (int h = 3; h <= 39; h += 4) {
      const Rect boxes[] = {{1, 1, 1 + (1 << 15) + extra * 977, 1 + h},
                            {-(1 << 20) - extra * 7919, 0, 38, h + 1},
                            {0, -(1 << 16) - extra * 131, h, 38}};
      for (const Rect& box : boxes) {
        Scene scene{&picture, 0xFFFFFFFF, nullptr, {{DrawOp::Kind::EllipseOutline, box, 0xFF000000, 2}}};
        Bitmap out(40, 40), want(40, 40);
        raster::Compose(scene, {0, 0, 40, 40}, out.View());
        ReferenceCompose(scene, {0, 0, 40, 40}, want);
        ASSERT_TRUE(SamePixels(out, want))
            << "box {" << box.left << ", " << box.top << ", " << box.right << ", " << box.bottom << "}";
      }
    }
  }
}

TEST(ShapeRaster, EllipseOutlineShapes) {
  const Bitmap picture(30, 20, 0xFFFFFFFF);
  auto draw = [&](Rect box, int penWidth) {
    Scene scene{&picture, 0xFFFFFFFF, nullptr, {{DrawOp::Kind::EllipseOutline, box, 0xFF000000, penWidth}}};
    Bitmap out(30, 20);
    raster::Compose(scene, {0, 0, 30, 20}, out.View());
    std::vector<std::string> rows;
    for (int y = box.top; y < box.bottom; ++y) {
      std::string row;
      for (int x = box.left; x < box.right; ++x) row += out.At(x, y) == 0xFF000000 ? '#' : '.';
      rows.push_back(row);
    }
    return rows;
  };
  // The smallest shape a drag leaves, one pixel, is one inked pixel; a box of no width draws nothing.
  EXPECT_EQ(draw({4, 4, 5, 5}, 10), std::vector<std::string>{"#"});
  EXPECT_EQ(draw({4, 4, 4, 9}, 1), std::vector<std::string>(5, ""));
  // A circle drawn one pixel wide is symmetric and closed.
  EXPECT_EQ(draw({0, 0, 8, 8}, 1),
            (std::vector<std::string>{"..####..", ".#....#.", "#......#", "#......#", "#......#", "#......#",
                                      ".#....#.", "..####.."}));
  // A pen at least half the box wide fills it.
  EXPECT_EQ(draw({0, 0, 8, 6}, 3), (std::vector<std::string>{"..####..", ".######.", "########", "########",
                                                             ".######.", "..####.."}));
}

}  // namespace
}  // namespace rastertest
