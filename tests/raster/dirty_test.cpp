// Invalidation: the dirty region. What a moved or resized rectangle repaints is checked on the overlay
// (tests/feature, Stale()).
#include "raster_test_util.h"

namespace rastertest {
namespace {

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

}  // namespace
}  // namespace rastertest
