// Wide freehand lines in the ink layer against the distance-to-segment definition of a round-capped line.
#include <cmath>

#include "raster_test_util.h"

namespace rastertest {
namespace {

struct Segment {
  float x1, y1, x2, y2;
  int width;
};

// Checks that the layer holds ink exactly where some segment covers the pixel centre (pixels whose centre
// sits on an edge may go either way), that DrawLine reported tight bounds and that every inked pixel lies in
// its row's extent.
void ExpectInkMatches(const InkLayer& ink, const std::vector<Segment>& segments, const Rect& reported) {
  Rect covered;
  int wrong = 0;
  for (int y = 0; y < ink.Height(); ++y) {
    for (int x = 0; x < ink.Width(); ++x) {
      bool in = false, tie = false;
      for (const Segment& s : segments) {
        const Side side = CapsuleSide(x, y, s.x1, s.y1, s.x2, s.y2, s.width);
        in = in || side == Side::kIn;
        tie = tie || side == Side::kTie;
      }
      const bool inked = ink.MaskAt(x, y) != kNoInk;
      if (inked) covered = raster::Union(covered, {x, y, x + 1, y + 1});
      if (inked) {
        EXPECT_TRUE(x >= ink.InkFirst(y) && x < ink.InkLast(y)) << "outside row extent at " << x << ", " << y;
      }
      if (!tie && inked != in && wrong++ < 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") " << (inked ? "inked" : "missing")
                      << " for segment (" << segments.back().x1 << ", " << segments.back().y1 << ")-("
                      << segments.back().x2 << ", " << segments.back().y2 << ") width "
                      << segments.back().width << " on " << ink.Width() << "x" << ink.Height();
      }
    }
  }
  if (segments.size() == 1) {
    EXPECT_EQ(reported, covered);
  }
}

TEST(WideLine, MatchesDistanceToSegmentOverRandomSegments) {
  Random rnd(11);
  InkLayer ink;
  for (int round = 0; round < 1500; ++round) {
    if (round % 50 == 0) ink.Resize(rnd.Chance(0.1) ? rnd.Int(1, 3) : rnd.Int(1, 90), rnd.Int(1, 60));
    ink.Erase();
    const int w = ink.Width(), h = ink.Height();
    Segment s;
    // Pointer positions arrive in twips, so many endpoints are multiples of 1/15 pixel.
    auto coord = [&](int size) {
      const double v = rnd.Real(-0.3 * size - 20, 1.3 * size + 20);
      return float(rnd.Chance(0.5) ? std::round(v * 15) / 15 : v);
    };
    s.x1 = coord(w), s.y1 = coord(h);
    if (rnd.Chance(0.1)) {
      s.x2 = s.x1, s.y2 = s.y1;  // a dot
    } else if (rnd.Chance(0.2)) {
      s.x2 = s.x1, s.y2 = coord(h);  // vertical and horizontal lines take their own path through the maths
      if (rnd.Chance(0.5)) std::swap(s.x2, s.y2), s.x2 = coord(w), s.y2 = s.y1;
    } else {
      s.x2 = coord(w), s.y2 = coord(h);
    }
    s.width = rnd.Chance(0.05) ? rnd.Int(-3, 0) : rnd.Int(1, 60);
    const Rect reported = ink.DrawLine(s.x1, s.y1, s.x2, s.y2, s.width, kYellowPen);
    ExpectInkMatches(ink, {s}, reported);
    if (HasFailure()) return;
  }
}

TEST(WideLine, DotsAndThinPens) {
  InkLayer ink;
  ink.Resize(20, 20);
  // A zero-length segment is a disc: radius 2 around (10, 10) holds the 12 nearest pixel centres.
  EXPECT_EQ(ink.DrawLine(10, 10, 10, 10, 4, kYellowPen), (Rect{8, 8, 12, 12}));
  int count = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) count += ink.MaskAt(x, y) != kNoInk;
  }
  EXPECT_EQ(count, 12);
  for (int width : {1, 0, -5}) {
    ink.Erase();
    EXPECT_EQ(ink.DrawLine(3.5f, 4.5f, 3.5f, 4.5f, width, kYellowPen), (Rect{3, 4, 4, 5})) << width;
    EXPECT_EQ(ink.MaskAt(3, 4), kYellowPen);
  }
}

TEST(WideLine, ClipsFarAwayAndRejectsNonFiniteCoordinates) {
  InkLayer ink;
  ink.Resize(40, 30);
  // Lines that cross the layer from very far away, or lie wholly beside it.
  const std::vector<Segment> far = {{-1e9f, 10.3f, 1e9f, 10.3f, 5}, {20.2f, -3e38f, 20.2f, 3e38f, 7},
                                    {-1e7f, -1e7f, 1e7f, 1e7f, 9},  {-500, -500, -40, -40, 30},
                                    {100, 15, 300, 15, 50},         {-2e9f, 15, -2e9f, 15, 2000000000}};
  for (const Segment& s : far) {
    ink.Erase();
    const Rect reported = ink.DrawLine(s.x1, s.y1, s.x2, s.y2, s.width, kYellowPen);
    ExpectInkMatches(ink, {s}, reported);
  }
  ink.Erase();
  const float nan = std::nanf(""), inf = INFINITY;
  for (const Segment& s :
       {Segment{nan, 1, 2, 3, 10}, Segment{1, 2, inf, 3, 10}, Segment{-inf, 0, 0, 0, 10}}) {
    EXPECT_TRUE(ink.DrawLine(s.x1, s.y1, s.x2, s.y2, s.width, kYellowPen).Empty());
  }
  EXPECT_TRUE(ink.Empty());
  InkLayer none;  // never sized
  EXPECT_TRUE(none.DrawLine(0, 0, 10, 10, 10, kYellowPen).Empty());
}

// A stroke is a chain of segments, each starting a third of a pixel below where the last ended, as the
// freehand handler draws them; sharp turns must leave no notch and no gap.
TEST(WideLine, ConsecutiveSegmentsJoinWithoutGaps) {
  Random rnd(5);
  for (int width : {2, 7, 10, 20, 50}) {
    SCOPED_TRACE(width);
    InkLayer ink;
    ink.Resize(160, 120);
    std::vector<Segment> stroke;
    float x = 80, y = 60;
    for (int i = 0; i < 25; ++i) {
      const float nx = float(std::round(rnd.Real(10, 150) * 15) / 15);
      const float ny = float(std::round(rnd.Real(10, 110) * 15) / 15);
      stroke.push_back({x, y + 1.0f / 3, nx, ny, width});
      ink.DrawLine(x, y + 1.0f / 3, nx, ny, width, kYellowPen);
      x = nx, y = ny;
    }
    ExpectInkMatches(ink, stroke, {});
  }
}

TEST(WideLine, OverlappingSegmentsDoNotDarken) {
  Random rnd(9);
  const Bitmap picture = Noise(64, 48, rnd);
  InkLayer ink;
  ink.Resize(64, 48);
  const Pixel pen = raster::PenFromColorRef(0x00FF80FF);
  for (int i = 0; i < 30; ++i) {  // scribbling back and forth over one spot
    ink.DrawLine(float(rnd.Real(20, 44)), float(rnd.Real(15, 33)), float(rnd.Real(20, 44)),
                 float(rnd.Real(15, 33)), 14, pen);
  }
  Scene scene{&picture, 0xFFFFFFFF, &ink, {}};
  Bitmap out(64, 48);
  raster::Compose(scene, {0, 0, 64, 48}, out.View());
  Bitmap want = picture;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      if (ink.MaskAt(x, y) != kNoInk) want.Row(y)[x] &= pen;
    }
  }
  EXPECT_TRUE(SamePixels(out, want));
  EXPECT_EQ(ink.MasksInUse(), 1);
}

}  // namespace
}  // namespace rastertest
