// Whole scenes against the per-pixel reference: composed at once, or in the pieces a dirty region repaints.
// What a moved or resized rectangle repaints is checked on the overlay (tests/feature, Stale()).
#include "raster_test_util.h"

namespace rastertest {
namespace {

PER_KERNEL_SUITE(Compose);

// Each mix of random scenes, composed into a view inside a larger buffer of noise (as the win32 back buffer
// may be), must equal the reference inside the area and leave every other pixel as it was.
TEST_P(Compose, RandomScenesMatchReference) {
  const Mix mixes[] = {
      {"mixed", 400, 1, 1, 1, 0, 12, true, false},
      {"crowded", 20, 1, 1, 1, 25, 60, true, false},  // more ops than a repaint keeps on the stack
      {"one filled rectangle", 600, 1, 0, 0, 1, 1, false, false},
      {"one ellipse outline", 600, 0, 1, 0, 1, 1, false, false},
      // More rectangles than are folded into the picture copy, with a sprite somewhere among them.
      {"many rectangles around a sprite", 40, 40, 0, 1, 30, 90, false, true},
  };
  Random rnd(31);
  for (const Mix& mix : mixes) {
    for (int round = 0; round < mix.rounds; ++round) {
      // Now and then a frame large enough to be composed in several bands.
      const bool large = round % 40 == 39;
      const int w = large ? rnd.Int(500, 900) : rnd.Chance(0.05) ? 1 : rnd.Int(1, 140);
      const int h = large ? rnd.Int(200, 400) : rnd.Chance(0.05) ? 1 : rnd.Int(1, 90);
      SceneBox box;
      RandomScene(rnd, w, h, mix, box);
      const Rect area =
          rnd.Chance(0.6) ? Rect{0, 0, w, h} : Rect{rnd.Coord(w), rnd.Coord(h), rnd.Coord(w), rnd.Coord(h)};
      Bitmap out = Noise(w + 7, h + 4, rnd), want = out;
      raster::Compose(box.scene, area, {out.Row(3) + 5, w, h, out.Width()});
      ReferenceCompose(box.scene, area, {want.Row(3) + 5, w, h, want.Width()});
      ASSERT_TRUE(SamePixels(out, want)) << mix.name << ", round " << round;
    }
  }
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

}  // namespace
}  // namespace rastertest
