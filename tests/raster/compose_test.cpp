// Whole scenes against the per-pixel reference: composed at once, or in the pieces a dirty region repaints;
// and pictures laid out for 96 DPI, resampled for a screen of another DPI. What a moved or resized rectangle
// repaints is checked on the overlay (tests/feature, Stale()).
#include "raster_test_util.h"

namespace rastertest {
namespace {

PER_KERNEL_SUITE(Compose);

// Splits r into random pieces, guillotine fashion.
void Split(Random& rnd, const Rect& r, std::vector<Rect>& pieces) {
  if (r.Empty()) return;
  const bool across = rnd.Chance(0.5);
  if (r.Area() < 40 || rnd.Chance(0.25) || (across ? r.Width() : r.Height()) < 2) return pieces.push_back(r);
  const int at = across ? rnd.Int(r.left + 1, r.right - 1) : rnd.Int(r.top + 1, r.bottom - 1);
  Split(rnd, across ? Rect{r.left, r.top, at, r.bottom} : Rect{r.left, r.top, r.right, at}, pieces);
  Split(rnd, across ? Rect{at, r.top, r.right, r.bottom} : Rect{r.left, at, r.right, r.bottom}, pieces);
}

// What a repaint composes after a w x h frame was invalidated in many pieces, with more added on and off the
// frame: the rectangles of a dirty region, which stays small.
std::vector<Rect> DirtyPieces(Random& rnd, int w, int h) {
  std::vector<Rect> pieces;
  Split(rnd, {0, 0, w, h}, pieces);
  for (int i = rnd.Int(0, 30); i > 0; --i) {
    const int l = rnd.Int(-10, w), t = rnd.Int(-10, h);
    pieces.push_back({l, t, l + rnd.Int(-2, 25), t + rnd.Int(-2, 25)});
  }
  std::shuffle(pieces.begin(), pieces.end(), std::mt19937(rnd.Bits()));
  DirtyRegion region;
  for (const Rect& r : pieces) region.Add(r);
  EXPECT_LE(region.Rects().size(), DirtyRegion::kMaxRects);
  return region.Rects();
}

// Each mix of random scenes, composed into a view inside a larger buffer of noise (as the win32 back buffer
// may be), must equal the reference inside the area and leave every other pixel as it was. Some frames are
// composed whole through a dirty region, a piece at a time over the noise.
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
      const bool dirty = rnd.Chance(0.3);
      const Rect area = dirty || rnd.Chance(0.6)
                            ? Rect{0, 0, w, h}
                            : Rect{rnd.Coord(w), rnd.Coord(h), rnd.Coord(w), rnd.Coord(h)};
      Bitmap out = Noise(w + 7, h + 4, rnd), want = out;
      for (const Rect& r : dirty ? DirtyPieces(rnd, w, h) : std::vector{area})
        raster::Compose(box.scene, r, {out.Row(3) + 5, w, h, out.Width()});
      for (int y = std::max(area.top, 0); y < std::min(area.bottom, h); ++y)  // the reference, pixel by pixel
        for (int x = std::max(area.left, 0); x < std::min(area.right, w); ++x)
          want.Row(y + 3)[x + 5] = ReferencePixel(box.scene, x, y);
      for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x)
          ASSERT_EQ(out.At(x, y), want.At(x, y))
              << x << ", " << y << ": " << mix.name << ", round " << round << (dirty ? ", repainted" : "");
    }
  }
}

// A picture of two halves, resampled larger and smaller.
TEST(ResampleTest, KeepsWhatIsEvenAndPutsEachHalfWhereItWas) {
  Bitmap halves(4, 2, 0x80402010);  // premultiplied, half transparent
  for (int y = 0; y < 2; ++y)
    for (int x = 2; x < 4; ++x) halves.Row(y)[x] = 0xFF00FF00;
  for (auto [w, h] : {std::pair{4, 2}, {6, 3}, {8, 4}, {2, 1}}) {
    const Bitmap out = Resample(halves, w, h);
    ASSERT_EQ(std::pair(out.Width(), out.Height()), std::pair(w, h));
    for (int y = 0; y < h; ++y) {
      EXPECT_EQ(out.At(0, y), 0x80402010u) << w << "x" << h;  // the left edge keeps the left colour
      EXPECT_EQ(out.At(w - 1, y), 0xFF00FF00u) << w << "x" << h;
    }
  }
  EXPECT_EQ(Resample(halves, 8, 4).At(2, 1), 0x80402010u) << "the left half stays left";
}

}  // namespace
}  // namespace rastertest
