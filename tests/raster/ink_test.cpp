// The freehand layer: wide round-capped lines against the distance-to-segment definition, and its table of
// AND masks (combining colours, running out of entries, erasing).
#include <cmath>

#include "raster_test_util.h"

namespace rastertest {
namespace {

PER_KERNEL_SUITE(InkLine);
PER_KERNEL_SUITE(InkChurn);

struct Segment {
  float x1, y1, x2, y2;
  int width;
};

// The layer holds ink exactly where the segment covers the pixel centre (a centre on the edge may go either
// way), every inked pixel lies in its row's extent, and DrawLine reported tight bounds.
void ExpectInkMatches(const InkLayer& ink, const Segment& s, const Rect& reported) {
  Rect covered;
  int wrong = 0;
  for (int y = 0; y < ink.Height(); ++y) {
    for (int x = 0; x < ink.Width(); ++x) {
      const Side side = CapsuleSide(x, y, s.x1, s.y1, s.x2, s.y2, s.width);
      const bool inked = ink.MaskAt(x, y) != kNoInk;
      if (inked) {
        covered = raster::Union(covered, {x, y, x + 1, y + 1});
        EXPECT_TRUE(x >= ink.InkFirst(y) && x < ink.InkLast(y)) << "outside row extent at " << x << ", " << y;
      }
      if (side != Side::kTie && inked != (side == Side::kIn) && wrong++ < 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") " << (inked ? "inked" : "missing") << " for ("
                      << s.x1 << ", " << s.y1 << ")-(" << s.x2 << ", " << s.y2 << ") width " << s.width
                      << " on " << ink.Width() << "x" << ink.Height();
    }
  }
  EXPECT_EQ(reported, covered);
}

// Draws the segment on an erased layer, also ANDing it into a white frame in place, which must then show
// exactly the ink's masks.
Rect DrawAndShow(InkLayer& ink, const Segment& s) {
  ink.Erase();
  raster::MaskSteps queue;
  Bitmap shown(ink.Width(), ink.Height(), kNoInk);
  const Rect reported = ink.DrawLine(s.x1, s.y1, s.x2, s.y2, s.width, kYellowPen, &queue);
  queue.Apply(shown.View());
  for (int y = 0; y < ink.Height(); ++y)
    for (int x = 0; x < ink.Width(); ++x) EXPECT_EQ(shown.At(x, y), ink.MaskAt(x, y)) << x << ", " << y;
  return reported;
}

TEST_P(InkLine, MatchesDistanceToSegment) {
  InkLayer ink;
  ink.Resize(40, 30);
  // Dots are discs (radius 2 holds the 12 nearest centres), a pen below 1 draws as 1, and lines from very
  // far away, or wholly beside the layer, clip.
  const Segment known[] = {{10, 10, 10, 10, 4},
                           {3.5f, 4.5f, 3.5f, 4.5f, 0},
                           {3.5f, 4.5f, 3.5f, 4.5f, -5},
                           {-1e9f, 10.3f, 1e9f, 10.3f, 5},
                           {20.2f, -3e38f, 20.2f, 3e38f, 7},
                           {-1e7f, -1e7f, 1e7f, 1e7f, 9},
                           {-500, -500, -40, -40, 30},
                           {100, 15, 300, 15, 50},
                           {-2e9f, 15, -2e9f, 15, 2000000000}};
  for (const Segment& s : known) ExpectInkMatches(ink, s, DrawAndShow(ink, s));
  Random rnd(11);
  for (int round = 0; round < 1500 && !HasFailure(); ++round) {
    if (round % 50 == 0) ink.Resize(rnd.Chance(0.1) ? rnd.Int(1, 3) : rnd.Int(1, 90), rnd.Int(1, 60));
    const int w = ink.Width(), h = ink.Height();
    // Pointer positions arrive in twips, so many endpoints are multiples of 1/15 pixel.
    auto coord = [&](int size) {
      const double v = rnd.Real(-0.3 * size - 20, 1.3 * size + 20);
      return float(rnd.Chance(0.5) ? std::round(v * 15) / 15 : v);
    };
    Segment s{coord(w), coord(h), 0, 0, rnd.Chance(0.05) ? rnd.Int(-3, 0) : rnd.Int(1, 60)};
    s.x2 = s.x1, s.y2 = s.y1;
    const double pick = rnd.Real(0, 1);  // a dot below 0.1; vertical and horizontal lines take their own path
    if (pick >= 0.1 && pick < 0.2) s.y2 = coord(h);
    if (pick >= 0.2) s.x2 = coord(w);
    if (pick >= 0.3) s.y2 = coord(h);
    ExpectInkMatches(ink, s, DrawAndShow(ink, s));
  }
  // Nothing is drawn for coordinates that are not finite, nor on a layer without pixels.
  const float nan = std::nanf(""), inf = INFINITY;
  ink.Erase();
  for (const Segment& s : {Segment{nan, 1, 2, 3, 10}, Segment{1, 2, inf, 3, 10}, Segment{-inf, 0, 0, 0, 10}})
    EXPECT_TRUE(ink.DrawLine(s.x1, s.y1, s.x2, s.y2, s.width, kYellowPen).Empty());
  EXPECT_TRUE(ink.Empty());
  ink.Resize(0, 7);
  EXPECT_TRUE(ink.DrawLine(0, 0, 1, 1, 3, kYellowPen).Empty());
}

// 255 distinct masks fill the table. Then a new colour has to make do with the nearest existing mask,
// without disturbing any other pixel, until some entry stops being used and can be reused exactly.
TEST(InkTable, FullTableReusesFreedEntriesAndOtherwiseFallsBackToNearest) {
  InkLayer ink;
  ink.Resize(32, 10);
  raster::MaskSteps queue;  // what a line may AND into the shown frame: only an exact mask
  auto dot = [&](int i, Pixel pen) {
    ink.DrawLine(i % 32 + 0.5f, i / 32 + 0.5f, i % 32 + 0.5f, i / 32 + 0.5f, 1, pen, &queue);
  };
  auto at = [&](int i) { return ink.MaskAt(i % 32, i / 32); };
  auto penFor = [](int i) { return Pixel{0xFF000000} | static_cast<Pixel>(i); };  // blue = i
  for (int i = 1; i <= 255; ++i) dot(i, penFor(i));
  EXPECT_EQ(ink.MasksInUse(), 255);

  dot(300, 0xFF008000);  // green on a fresh pixel: the nearest mask is blue 0x01 (channel distance 0x81)
  EXPECT_EQ(std::pair(at(300), queue.Size()), std::pair(penFor(1), size_t{255}));
  dot(255, penFor(1));  // dot 255 becomes blue 0x01 and frees its entry
  EXPECT_EQ(ink.MasksInUse(), 254);
  dot(301, 0xFF008000);
  EXPECT_EQ(at(301), 0xFF008000u) << "a freed entry is reused exactly";
  for (int i = 1; i < 255; ++i) ASSERT_EQ(at(i), penFor(i)) << "dot " << i;
}

int DistinctMasks(const InkLayer& ink) {
  std::vector<Pixel> masks;
  for (int y = 0; y < ink.Height(); ++y)
    for (int x = 0; x < ink.Width(); ++x)
      if (ink.MaskAt(x, y) != kNoInk) masks.push_back(ink.MaskAt(x, y));
  std::sort(masks.begin(), masks.end());
  return static_cast<int>(std::unique(masks.begin(), masks.end()) - masks.begin());
}

// Random strokes of many colours keep the table full and churning: no pixel outside a line changes, with
// room in the table each touched pixel gets exactly its old mask AND the pen (so going over a stroke again
// never darkens it), and the table's count of entries in use always equals the different masks on the layer
// (a colour painted over completely gives its entry back). Erase then leaves no trace.
TEST_P(InkChurn, NearAFullTableKeepsEveryPixelConsistent) {
  Random rnd(51);
  InkLayer ink;
  ink.Resize(64, 64);
  Bitmap want(64, 64, kNoInk);  // the mask each pixel should have, kept by brute force
  const Pixel few[] = {kYellowPen, 0xFF00FFFF, 0xFFFF80FF};
  for (int i = 0; i < 500; ++i) {
    // First a few colours, as in use, whose masks stay among the first 16 entries; then many.
    const Pixel pen = i < 100           ? few[rnd.Int(0, 2)]
                      : rnd.Chance(0.5) ? rnd.Colour()
                                        : 0xFF000000 | static_cast<Pixel>(rnd.Int(0, 255)) * 0x010101;
    const float x1 = float(rnd.Real(-5, 69)), y1 = float(rnd.Real(-5, 69)), x2 = float(rnd.Real(-5, 69)),
                y2 = float(rnd.Real(-5, 69));
    const int width = rnd.Chance(0.3) ? rnd.Int(10, 40) : rnd.Int(1, 9);
    const Bitmap before = want;
    // The table cannot overflow during this line when the entries in use plus one new entry per distinct
    // mask under the line fit.
    std::vector<Pixel> under;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x)
        if (CapsuleSide(x, y, x1, y1, x2, y2, width) != Side::kOut) under.push_back(before.At(x, y));
    std::sort(under.begin(), under.end());
    const bool roomy = ink.MasksInUse() + std::unique(under.begin(), under.end()) - under.begin() <= 255;
    ink.DrawLine(x1, y1, x2, y2, width, pen);
    if (i % 3 == 0) ink.DrawLine(x1, y1, x2, y2, width, pen);  // the same stroke again
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        const Pixel was = before.At(x, y), now = ink.MaskAt(x, y);
        const Side side = CapsuleSide(x, y, x1, y1, x2, y2, width);
        if (side == Side::kOut) {
          ASSERT_EQ(now, was) << "untouched pixel changed at " << x << ", " << y << " line " << i;
        } else if (roomy) {
          ASSERT_TRUE(now == (was & pen) || (now == was && side == Side::kTie))
              << x << ", " << y << " line " << i;
        }
        want.Row(y)[x] = now;
      }
    }
    ASSERT_EQ(ink.MasksInUse(), DistinctMasks(ink)) << "line " << i;
  }
  ink.Erase();
  EXPECT_TRUE(ink.Empty());
  EXPECT_EQ(ink.MasksInUse(), 0);
  for (int y = 0; y < 64; ++y) {
    ASSERT_EQ(ink.InkFirst(y), ink.InkLast(y));
    for (int x = 0; x < 64; ++x) ASSERT_EQ(ink.Row(y)[x], 0) << x << ", " << y;
  }
}

}  // namespace
}  // namespace rastertest
