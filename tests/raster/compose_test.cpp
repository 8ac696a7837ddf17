// Whole scenes: picture, back colour, ink and ops in order, against the per-pixel reference.
#include "raster_test_util.h"

namespace rastertest {
namespace {

// Each mix of random scenes, composed into a view inside a larger buffer of noise (as the win32 back buffer
// may be), must equal the reference inside the area and leave every other pixel as it was.
TEST(Compose, RandomScenesMatchReference) {
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

}  // namespace
}  // namespace rastertest
