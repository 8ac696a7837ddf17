// The freehand layer's table of AND masks: combining colours, running out of entries, and erasing.
#include "raster_test_util.h"

namespace rastertest {
namespace {

TEST(InkTable, PixelsKeepTheCombinedMaskOfEveryColour) {
  InkLayer ink;
  ink.Resize(40, 40);
  const Pixel yellow = raster::PenFromColorRef(0x00FFFF), cyan = raster::PenFromColorRef(0xFFFF00),
              magenta = raster::PenFromColorRef(0xFF00FF);
  ink.DrawLine(0, 10.5f, 40, 10.5f, 5, yellow);  // rows 8..12
  ink.DrawLine(10.5f, 0, 10.5f, 40, 5, cyan);    // columns 8..12
  ink.DrawLine(0, 0, 40, 40, 1, magenta);        // the diagonal
  EXPECT_EQ(ink.MaskAt(30, 10), yellow);
  EXPECT_EQ(ink.MaskAt(10, 30), cyan);
  EXPECT_EQ(ink.MaskAt(10, 11), yellow & cyan);            // green where they cross
  EXPECT_EQ(ink.MaskAt(10, 10), yellow & cyan & magenta);  // black where all three do
  EXPECT_EQ(ink.MaskAt(20, 20), magenta);
  EXPECT_EQ(ink.MaskAt(30, 20), kNoInk);
  const int used = ink.MasksInUse();
  EXPECT_EQ(used, 5);  // yellow, cyan, magenta, green where two cross and black where all three do
  // Drawing the same strokes again neither changes a pixel nor takes a table entry.
  ink.DrawLine(0, 10.5f, 40, 10.5f, 5, yellow);
  ink.DrawLine(10.5f, 0, 10.5f, 40, 5, cyan);
  EXPECT_EQ(ink.MasksInUse(), used);
  EXPECT_EQ(ink.MaskAt(10, 11), yellow & cyan);

  Bitmap picture(40, 40, 0xFFFFFFFF);
  Scene scene{&picture, 0xFFFFFFFF, &ink, {}};
  Bitmap out(40, 40);
  raster::Compose(scene, {0, 0, 40, 40}, out.View());
  EXPECT_EQ(out.At(10, 11), 0xFF00FF00u);
  EXPECT_EQ(out.At(10, 10), 0xFF000000u);
  EXPECT_EQ(out.At(30, 10), 0xFFFFFF00u);
}

// 255 distinct masks fill the table. Then a new colour has to make do with the nearest existing mask,
// without disturbing any other pixel, until some entry stops being used and can be reused exactly.
TEST(InkTable, FullTableReusesFreedEntriesAndOtherwiseFallsBackToNearest) {
  InkLayer ink;
  ink.Resize(32, 10);
  auto dot = [&](int i, Pixel pen) {
    ink.DrawLine(i % 32 + 0.5f, i / 32 + 0.5f, i % 32 + 0.5f, i / 32 + 0.5f, 1, pen);
  };
  auto penFor = [](int i) { return Pixel{0xFF000000} | static_cast<Pixel>(i); };  // blue = i
  for (int i = 1; i <= 255; ++i) dot(i, penFor(i));
  EXPECT_EQ(ink.MasksInUse(), 255);
  auto expectDotsIntact = [&](int except) {
    for (int i = 1; i <= 255; ++i) {
      if (i != except) {
        ASSERT_EQ(ink.MaskAt(i % 32, i / 32), penFor(i)) << "dot " << i;
      }
    }
  };

  // Truly full: a green pen on a fresh pixel gets the nearest mask, blue 0x01 (channel distance 0x81).
  dot(300, 0xFF008000);
  EXPECT_EQ(ink.MaskAt(300 % 32, 300 / 32), penFor(1));
  expectDotsIntact(0);

  // Dot 255 masked with blue 0x01 becomes blue 0x01: its old entry is free again, and the next new mask
  // is stored exactly.
  dot(255, penFor(1));
  EXPECT_EQ(ink.MaskAt(255 % 32, 255 / 32), penFor(1));
  EXPECT_EQ(ink.MasksInUse(), 254);
  dot(301, 0xFF008000);
  EXPECT_EQ(ink.MaskAt(301 % 32, 301 / 32), 0xFF008000u);
  expectDotsIntact(255);

  // Erasing gives the whole table back.
  ink.Erase();
  EXPECT_EQ(ink.MasksInUse(), 0);
  for (int i = 0; i < 40; ++i) dot(i, penFor(200 + i % 20));
  EXPECT_EQ(ink.MasksInUse(), 20);
  EXPECT_EQ(ink.MaskAt(39 % 32, 1), penFor(219));
}

int DistinctMasks(const InkLayer& ink) {
  std::vector<Pixel> masks;
  for (int y = 0; y < ink.Height(); ++y) {
    for (int x = 0; x < ink.Width(); ++x) {
      if (ink.MaskAt(x, y) != kNoInk) masks.push_back(ink.MaskAt(x, y));
    }
  }
  std::sort(masks.begin(), masks.end());
  return static_cast<int>(std::unique(masks.begin(), masks.end()) - masks.begin());
}

// The use counts follow wide strokes too: a colour painted over completely gives its entry back.
TEST(InkTable, CoveredColoursGiveTheirEntriesBack) {
  InkLayer ink;
  ink.Resize(300, 120);
  ink.DrawLine(20, 40, 280, 40, 40, raster::PenFromColorRef(0x00FFFF));
  ink.DrawLine(20, 70, 280, 70, 40, raster::PenFromColorRef(0xFFFF00));
  EXPECT_EQ(ink.MasksInUse(), 3);  // yellow, cyan, and green where they overlap
  ink.DrawLine(-10, 55, 310, 55, 130, 0xFF000000);
  EXPECT_EQ(ink.MasksInUse(), 1);
  EXPECT_EQ(ink.MaskAt(150, 40), 0xFF000000u);
}

// Random strokes of many colours keep the table full and churning: no pixel outside a line changes, with
// room in the table each touched pixel gets its exact mask, and the table's count of entries in use always
// equals the number of different masks on the layer.
TEST(InkTable, ChurnNearAFullTableKeepsEveryPixelConsistent) {
  Random rnd(51);
  InkLayer ink;
  ink.Resize(64, 64);
  Bitmap want(64, 64, kNoInk);  // the mask each pixel should have, kept by brute force
  for (int i = 0; i < 400; ++i) {
    const Pixel pen =
        rnd.Chance(0.5) ? rnd.Colour() : 0xFF000000 | static_cast<Pixel>(rnd.Int(0, 255)) * 0x010101;
    const float x1 = float(rnd.Real(-5, 69)), y1 = float(rnd.Real(-5, 69)), x2 = float(rnd.Real(-5, 69)),
                y2 = float(rnd.Real(-5, 69));
    const int width = rnd.Chance(0.3) ? rnd.Int(10, 40) : rnd.Int(1, 9);
    const Bitmap before = want;
    // The table cannot overflow during this line when the entries in use plus one new entry per distinct
    // mask under the line fit; then every touched pixel must get its exact mask.
    std::vector<Pixel> under;
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        if (CapsuleSide(x, y, x1, y1, x2, y2, width) != Side::kOut) under.push_back(before.At(x, y));
      }
    }
    std::sort(under.begin(), under.end());
    const bool roomy = ink.MasksInUse() + std::unique(under.begin(), under.end()) - under.begin() <= 255;
    ink.DrawLine(x1, y1, x2, y2, width, pen);
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        const Pixel was = before.At(x, y), now = ink.MaskAt(x, y);
        const bool touched = CapsuleSide(x, y, x1, y1, x2, y2, width) != Side::kOut;
        if (!touched) {
          ASSERT_EQ(now, was) << "untouched pixel changed at " << x << ", " << y << " line " << i;
        } else if (roomy) {  // a pixel centre on the edge may have been left alone
          ASSERT_TRUE(now == (was & pen) ||
                      (now == was && CapsuleSide(x, y, x1, y1, x2, y2, width) == Side::kTie))
              << x << ", " << y << " line " << i;
        }
        want.Row(y)[x] = now;
      }
    }
    ASSERT_EQ(ink.MasksInUse(), DistinctMasks(ink)) << "line " << i;
  }
}

TEST(InkTable, EraseClearsEveryRowAndExtent) {
  InkLayer ink;
  ink.Resize(50, 30);
  EXPECT_TRUE(ink.Empty());
  ink.DrawLine(-5, 3, 60, 25, 9, kYellowPen);
  EXPECT_FALSE(ink.Empty());
  ink.Erase();
  EXPECT_TRUE(ink.Empty());
  for (int y = 0; y < 30; ++y) {
    EXPECT_EQ(ink.InkFirst(y), ink.InkLast(y));
    for (int x = 0; x < 50; ++x) ASSERT_EQ(ink.Row(y)[x], 0) << x << ", " << y;
  }
  EXPECT_EQ(ink.MaskAt(-1, 0), kNoInk);
  EXPECT_EQ(ink.MaskAt(50, 29), kNoInk);
  ink.Resize(1, 1);
  EXPECT_FALSE(ink.DrawLine(0.5f, 0.5f, 0.5f, 0.5f, 1, kYellowPen).Empty());
  EXPECT_EQ(ink.MaskAt(0, 0), kYellowPen);
  ink.Resize(0, 7);
  EXPECT_EQ(ink.Width(), 0);
  EXPECT_TRUE(ink.DrawLine(0, 0, 1, 1, 3, kYellowPen).Empty());
}

}  // namespace
}  // namespace rastertest
