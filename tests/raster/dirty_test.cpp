// Invalidation: the dirty region and the strips a moved or resized rectangle repaints.
#include "raster_test_util.h"

namespace rastertest {
namespace {

bool InRegion(const raster::DirtyRegion& region, int x, int y) {
  return std::any_of(region.Rects().begin(), region.Rects().end(),
                     [&](const Rect& r) { return InBox(r, x, y); });
}

// Splits r into random pieces, guillotine fashion.
void Split(Random& rnd, const Rect& r, std::vector<Rect>& pieces) {
  if (r.Empty()) return;
  const bool across = rnd.Chance(0.5);
  if (r.Area() < 40 || rnd.Chance(0.25) || (across ? r.Width() : r.Height()) < 2) return pieces.push_back(r);
  const int at = across ? rnd.Int(r.left + 1, r.right - 1) : rnd.Int(r.top + 1, r.bottom - 1);
  Split(rnd, across ? Rect{r.left, r.top, at, r.bottom} : Rect{r.left, r.top, r.right, at}, pieces);
  Split(rnd, across ? Rect{at, r.top, r.right, r.bottom} : Rect{r.left, at, r.right, r.bottom}, pieces);
}

// However many pieces a frame is invalidated in (and whatever else is added, on and off the frame), the
// region stays small and repainting only its rectangles over stale pixels gives one full recompose.
TEST(DirtyRegion, RepaintingTheRegionGivesTheFullFrame) {
  Random rnd(32);
  const Mix mix{"mixed", 0, 1, 1, 1, 0, 12, true, false};
  for (int round = 0; round < 200; ++round) {
    const int w = rnd.Int(1, 300), h = rnd.Int(1, 120);
    SceneBox box;
    RandomScene(rnd, w, h, mix, box);
    Bitmap full(w, h), repainted = Noise(w, h, rnd);
    raster::Compose(box.scene, {0, 0, w, h}, full.View());
    std::vector<Rect> pieces;
    Split(rnd, {0, 0, w, h}, pieces);
    for (int i = rnd.Int(0, 30); i > 0; --i) {
      const int l = rnd.Int(-10, w), t = rnd.Int(-10, h);
      pieces.push_back({l, t, l + rnd.Int(-2, 25), t + rnd.Int(-2, 25)});
    }
    std::shuffle(pieces.begin(), pieces.end(), std::mt19937(round));
    raster::DirtyRegion region;
    for (const Rect& r : pieces) region.Add(r);
    ASSERT_LE(region.Rects().size(), raster::DirtyRegion::kMaxRects);
    for (const Rect& r : region.Rects()) {
      ASSERT_FALSE(r.Empty());
      raster::Compose(box.scene, r, repainted.View());
    }
    ASSERT_TRUE(SamePixels(repainted, full)) << "round " << round << ", " << pieces.size() << " pieces";
  }
}

// A rectangle dragged or resized: the region holds exactly the pixels that one box covers and the other
// does not, and repainting just those on the old frame gives the new frame.
TEST(DirtyRegion, ARectangleChangeRepaintsExactlyThePixelsThatDiffer) {
  Random rnd(42);
  const int w = 80, h = 60;
  const Mix mix{"mixed", 0, 1, 1, 1, 0, 12, true, false};
  for (int round = 0; round < 300; ++round) {
    SceneBox box;
    RandomScene(rnd, w, h, mix, box);
    const int l = rnd.Int(-30, 90), t = rnd.Int(-30, 70);
    const Rect b{l, t, l + rnd.Int(-1, 50), t + rnd.Int(-1, 40)};
    Rect a = b;
    const int dx = rnd.Int(-6, 6), dy = rnd.Int(-6, 6);
    switch (rnd.Int(0, 3)) {
      case 0:
        a = {b.left + dx, b.top + dy, b.right + dx, b.bottom + dy};
        break;  // a drag step
      case 1:
        a.right += rnd.Int(-10, 10), a.top += rnd.Int(-10, 10);
        break;  // edges pulled
      case 2:
        a = {b.left + 60, b.top - 45, b.right + 60, b.bottom - 45};
        break;  // a jump far away
      default:
        a = {rnd.Int(-30, 90), rnd.Int(-30, 70), rnd.Int(-30, 90), rnd.Int(-30, 70)};
        break;
    }
    const size_t at = rnd.Int(0, int(box.scene.ops.size()));
    box.scene.ops.insert(box.scene.ops.begin() + at, DrawOp{DrawOp::Kind::FillRect, b, rnd.Colour()});
    Bitmap frame(w, h), want(w, h);
    raster::Compose(box.scene, {0, 0, w, h}, frame.View());

    box.scene.ops[at].box = a;
    raster::DirtyRegion region;
    raster::AddRectChange(region, b, a);
    for (int y = -40; y < 120; ++y)
      for (int x = -40; x < 160; ++x)
        ASSERT_EQ(InRegion(region, x, y), InBox(a, x, y) != InBox(b, x, y))
            << x << ", " << y << " round " << round;
    for (const Rect& r : region.Rects()) raster::Compose(box.scene, r, frame.View());
    raster::Compose(box.scene, {0, 0, w, h}, want.View());
    ASSERT_TRUE(SamePixels(frame, want)) << "round " << round;
  }
}

}  // namespace
}  // namespace rastertest
