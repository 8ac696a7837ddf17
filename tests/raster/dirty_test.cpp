// Invalidation: the dirty region and the strips a moved or resized rectangle repaints.
#include "raster_test_util.h"

namespace rastertest {
namespace {

bool InRegion(const raster::DirtyRegion& region, int x, int y) {
  for (const Rect& r : region.Rects()) {
    if (InBox(r, x, y)) return true;
  }
  return false;
}

TEST(DirtyRegion, StaysSmallAndCoversEverythingAdded) {
  Random rnd(41);
  for (int round = 0; round < 200; ++round) {
    raster::DirtyRegion region;
    std::vector<Rect> added;
    for (int i = rnd.Int(0, 40); i > 0; --i) {
      const int l = rnd.Int(-10, 60), t = rnd.Int(-10, 60);
      added.push_back({l, t, l + rnd.Int(-2, 25), t + rnd.Int(-2, 25)});
      region.Add(added.back());
      ASSERT_LE(region.Rects().size(), raster::DirtyRegion::kMaxRects);
    }
    for (const Rect& r : region.Rects()) ASSERT_FALSE(r.Empty());
    for (const Rect& r : added) {
      for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) ASSERT_TRUE(InRegion(region, x, y)) << x << ", " << y;
      }
    }
    EXPECT_EQ(region.Empty(), region.Rects().empty());
  }
}

TEST(DirtyRegion, MergesOnlyWhatCostsNothing) {
  raster::DirtyRegion region;
  region.Add({0, 0, 10, 10});
  region.Add({2, 2, 5, 5});     // inside: nothing new
  region.Add({0, 10, 10, 20});  // tiles with the first: one rectangle
  EXPECT_EQ(region.Rects(), (std::vector<Rect>{{0, 0, 10, 20}}));
  region.Add({50, 50, 60, 60});    // apart: kept apart
  region.Add({-5, -5, 100, 100});  // covers both
  EXPECT_EQ(region.Rects(), (std::vector<Rect>{{-5, -5, 100, 100}}));
  region.Clear();
  region.Add({3, 3, 3, 9});  // empty
  EXPECT_TRUE(region.Empty());

  // Rectangles spanning the whole int range: areas beyond 64-bit sums, still merged exactly.
  constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
  region.Add({kMin, kMin, 0, kMax});
  region.Add({0, kMin, kMax, kMax});
  EXPECT_EQ(region.Rects(), (std::vector<Rect>{{kMin, kMin, kMax, kMax}}));
  region.Clear();
  for (int i = 0; i < 60; ++i) {  // tall slivers across the range, merged when there are too many
    const int left = kMin + i * (1 << 25);
    region.Add({left, kMin, left + 1000, kMax});
  }
  EXPECT_LE(region.Rects().size(), raster::DirtyRegion::kMaxRects);
  EXPECT_TRUE(InRegion(region, kMin + 59 * (1 << 25) + 999, kMax - 1));
}

// A rectangle dragged or resized: the region holds exactly the pixels that one box covers and the other
// does not, and repainting just those on the old frame gives the new frame.
TEST(AddRectChange, RepaintsExactlyThePixelsThatDiffer) {
  Random rnd(42);
  const int w = 80, h = 60;
  for (int round = 0; round < 300; ++round) {
    SceneBox box;
    RandomScene(rnd, w, h, box);
    const Rect before{rnd.Int(-30, 90), rnd.Int(-30, 70), 0, 0};
    Rect b = {before.left, before.top, before.left + rnd.Int(-1, 50), before.top + rnd.Int(-1, 40)};
    Rect a = b;
    switch (rnd.Int(0, 3)) {
      case 0: {  // a drag step of a few pixels
        const int dx = rnd.Int(-6, 6), dy = rnd.Int(-6, 6);
        a = {b.left + dx, b.top + dy, b.right + dx, b.bottom + dy};
        break;
      }
      case 1:  // one edge pulled
        a.right += rnd.Int(-10, 10);
        a.top += rnd.Int(-10, 10);
        break;
      case 2:  // a jump far away
        a = {b.left + 60, b.top - 45, b.right + 60, b.bottom - 45};
        break;
      default:
        a = {rnd.Int(-30, 90), rnd.Int(-30, 70), rnd.Int(-30, 90), rnd.Int(-30, 70)};
        break;
    }
    const Pixel pen = rnd.Colour();
    const size_t at = box.scene.ops.empty() ? 0 : rnd.Int(0, int(box.scene.ops.size()));
    box.scene.ops.insert(box.scene.ops.begin() + at, DrawOp{DrawOp::Kind::FillRect, b, pen});
    Bitmap frame(w, h);
    raster::Compose(box.scene, {0, 0, w, h}, frame.View());

    box.scene.ops[at].box = a;
    raster::DirtyRegion region;
    raster::AddRectChange(region, b, a);
    for (int y = -40; y < 120; ++y) {
      for (int x = -40; x < 160; ++x) {
        const bool differs = InBox(a, x, y) != InBox(b, x, y);
        ASSERT_EQ(InRegion(region, x, y), differs) << x << ", " << y << " round " << round;
      }
    }
    for (const Rect& r : region.Rects()) raster::Compose(box.scene, r, frame.View());
    Bitmap want(w, h);
    raster::Compose(box.scene, {0, 0, w, h}, want.View());
    ASSERT_TRUE(SamePixels(frame, want)) << "round " << round;
  }
}

}  // namespace
}  // namespace rastertest
