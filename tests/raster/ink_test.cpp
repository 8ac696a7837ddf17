// The freehand layer: wide round-capped lines against the distance-to-segment definition, and its table of
// AND masks (combining colours, running out of entries, erasing).
#include <cmath>
#include <set>

#include "raster_test_util.h"

namespace rastertest {
namespace {

PER_KERNEL_SUITE(InkLine);

struct Segment {
  float x1, y1, x2, y2;
  int width;
};

// Draws the segment over what the layer holds, queueing it for a white frame, and maybe draws it again. The
// line takes exactly the pixels whose centres it covers (a centre on the edge may go either way): each gets
// its old mask AND the pen, shows the pen in the frame and lies in the reported bounds, and no other pixel
// changes. Inked pixels lie in their row's extent, and the table counts exactly the masks on the layer.
// When the table had to settle for a nearest mask, nothing is queued and only the pixels off the line are
// checked.
void DrawAndCheck(InkLayer& ink, const Segment& s, Pixel pen, bool again) {
  const InkLayer before = ink;
  Bitmap shown(ink.Width(), ink.Height(), kNoInk);
  MaskSteps queue;
  const Rect reported = ink.DrawLine(s.x1, s.y1, s.x2, s.y2, s.width, pen, &queue);
  const bool exact = ink.LastLineExact();
  if (again) ink.DrawLine(s.x1, s.y1, s.x2, s.y2, s.width, pen);  // going over it again changes nothing
  queue.Apply(shown.View());
  Rect covered;
  std::set<Pixel> masks;
  for (int y = 0; y < ink.Height(); ++y) {
    for (int x = 0; x < ink.Width(); ++x) {
      const Pixel was = before.MaskAt(x, y), now = ink.MaskAt(x, y), frame = shown.At(x, y);
      const Side side = CapsuleSide(x, y, s.x1, s.y1, s.x2, s.y2, s.width);
      const bool on = frame != kNoInk;
      if (now != kNoInk) {
        masks.insert(now);
        EXPECT_TRUE(x >= ink.InkFirst(y) && x < ink.InkLast(y)) << "outside row extent at " << x << ", " << y;
      }
      if (on) covered = Union(covered, {x, y, x + 1, y + 1});
      const bool right = exact ? (side == Side::kTie || on == (side == Side::kIn)) && (!on || frame == pen) &&
                                     now == (on ? was & pen : was)
                               : !on && (side != Side::kOut || now == was);
      ASSERT_TRUE(right) << "pixel (" << x << ", " << y << ") was 0x" << std::hex << was << ", now 0x" << now
                         << ", shown 0x" << frame << ", pen 0x" << pen << std::dec << " for (" << s.x1 << ", "
                         << s.y1 << ")-(" << s.x2 << ", " << s.y2 << ") width " << s.width << " on "
                         << ink.Width() << "x" << ink.Height();
    }
  }
  EXPECT_EQ(reported, exact ? covered : reported);
  EXPECT_EQ(ink.MasksInUse(), int(masks.size()));
}

// Lines over earlier lines on layers of many sizes, now and then erased. Dots are discs (radius 2 holds the
// 12 nearest centres), a pen below 1 draws as 1, and lines from very far away, or wholly beside the layer,
// clip. The pens are a few colours at first, as in use, whose masks stay among the first 16 entries; then
// many, whose masks do not.
TEST_P(InkLine, MasksWhatTheSegmentCoversAndNothingElse) {
  const Segment known[] = {{10, 10, 10, 10, 4},
                           {-1e9f, 10.3f, 1e9f, 10.3f, 5},
                           {20.2f, -3e38f, 20.2f, 3e38f, 7},
                           {-1e7f, -1e7f, 1e7f, 1e7f, 9},
                           {-500, -500, -40, -40, 30},
                           {100, 15, 300, 15, 50},
                           {-2e9f, 15, -2e9f, 15, 2000000000}};
  const Pixel few[] = {kYellowPen, 0xFF00FFFF, 0xFFFF80FF};
  InkLayer ink;
  ink.Resize(40, 30);
  Random rnd(11);
  for (const Segment& s : known) DrawAndCheck(ink, s, few[rnd.Int(0, 2)], false);
  for (int round = 0; round < 2000 && !HasFailure(); ++round) {
    const Pixel pen = round < 1000      ? few[rnd.Int(0, 2)]
                      : rnd.Chance(0.5) ? rnd.Colour() & 0xFFFFFFFE
                                        : 0xFF000000 | static_cast<Pixel>(rnd.Int(0, 254)) * 0x010101;
    if (round % 50 == 49) ink.Resize(rnd.Chance(0.1) ? rnd.Int(1, 3) : rnd.Int(1, 90), rnd.Int(1, 60));
    if (rnd.Chance(0.05)) ink.Erase();
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
    DrawAndCheck(ink, s, pen, round % 3 == 0);
  }
  // Nothing is drawn for coordinates that are not finite.
  const float nan = std::nanf(""), inf = INFINITY;
  ink.Erase();
  for (const Segment& s : {Segment{nan, 1, 2, 3, 10}, Segment{1, 2, inf, 3, 10}, Segment{-inf, 0, 0, 0, 10}})
    EXPECT_TRUE(ink.DrawLine(s.x1, s.y1, s.x2, s.y2, s.width, kYellowPen).Empty());
  EXPECT_TRUE(ink.Empty());
}

// 255 distinct masks fill the table. Then a new colour has to make do with the nearest existing mask,
// without disturbing any other pixel, until some entry stops being used and can be reused exactly.
TEST_P(InkLine, AFullTableReusesFreedEntriesAndOtherwiseFallsBackToNearest) {
  InkLayer ink;
  ink.Resize(32, 10);
  auto dot = [&](int i, Pixel pen) {  // the mask it leaves, and whether it is exact
    const float x = i % 32 + 0.5f, y = i / 32 + 0.5f;
    DrawAndCheck(ink, {x, y, x, y, 1}, pen, false);
    return std::pair(ink.MaskAt(i % 32, i / 32), ink.LastLineExact());
  };
  auto penFor = [](int i) { return Pixel{0xFF000000} | static_cast<Pixel>(i); };  // blue = i
  for (int i = 1; i <= 255; ++i) dot(i, penFor(i));
  // On a fresh pixel: the nearest mask is blue 200 (channel distance 0x80).
  EXPECT_EQ(dot(300, 0xFF0080C8), std::pair(penFor(200), false));
  dot(255, penFor(1));  // dot 255 becomes blue 0x01 and frees its entry
  EXPECT_EQ(dot(301, 0xFF008000), std::pair(Pixel{0xFF008000}, true)) << "a freed entry is reused exactly";
}

}  // namespace
}  // namespace rastertest
