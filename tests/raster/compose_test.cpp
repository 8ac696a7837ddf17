// Whole scenes: picture, back colour, ink and ops in order, composed whole or in pieces.
#include "raster_test_util.h"

namespace rastertest {
namespace {

TEST(Compose, RandomScenesMatchReference) {
  Random rnd(31);
  for (int round = 0; round < 400; ++round) {
    // Now and then a frame large enough to be composed in several bands.
    const bool large = round % 40 == 0;
    const int w = large ? rnd.Int(500, 900) : rnd.Int(1, 140), h = large ? rnd.Int(200, 400) : rnd.Int(1, 80);
    SceneBox box;
    RandomScene(rnd, w, h, box);
    const Rect area =
        rnd.Chance(0.5) ? Rect{0, 0, w, h} : Rect{rnd.Coord(w), rnd.Coord(h), rnd.Coord(w), rnd.Coord(h)};
    Bitmap out = Noise(w, h, rnd), want = out;
    raster::Compose(box.scene, area, out.View());
    ReferenceCompose(box.scene, area, want);
    ASSERT_TRUE(SamePixels(out, want)) << "round " << round;
  }
}

// Scenes of many overlapping rectangles, some after a sprite: however the compositor groups the ANDs, each
// pixel gets every pen that covers it and the sprite keeps its place in the order.
TEST(Compose, ManyOverlappingRectangles) {
  Random rnd(34);
  for (int round = 0; round < 40; ++round) {
    const int w = rnd.Int(20, 200), h = rnd.Int(20, 120);
    SceneBox box;
    box.picture = Noise(w, h, rnd);
    box.scene.picture = &box.picture;
    Bitmap& sprite = box.sprites.emplace_back(rnd.Int(5, 60), rnd.Int(5, 60));
    for (int y = 0; y < sprite.Height(); ++y) {
      for (int x = 0; x < sprite.Width(); ++x) sprite.Row(y)[x] = rnd.Premultiplied();
    }
    const int count = rnd.Int(1, 90), spriteAt = rnd.Int(0, count);
    for (int i = 0; i < count; ++i) {
      if (i == spriteAt) {
        const int l = rnd.Coord(w), t = rnd.Coord(h);
        box.scene.ops.push_back(
            {DrawOp::Kind::Sprite, {l, t, l + sprite.Width(), t + sprite.Height()}, 0, 1, &sprite});
      }
      const int l = rnd.Coord(w), t = rnd.Coord(h);
      // Pens with most bits set, so that many overlaps still leave something to see.
      const Pixel pen = ~(Pixel{1} << rnd.Int(0, 23) | Pixel{1} << rnd.Int(0, 23));
      box.scene.ops.push_back({DrawOp::Kind::FillRect, {l, t, l + rnd.Int(1, w), t + rnd.Int(1, h)}, pen});
    }
    const Rect area =
        rnd.Chance(0.5) ? Rect{0, 0, w, h} : Rect{rnd.Coord(w), rnd.Coord(h), rnd.Coord(w), rnd.Coord(h)};
    Bitmap out = Noise(w, h, rnd), want = out;
    raster::Compose(box.scene, area, out.View());
    ReferenceCompose(box.scene, area, want);
    ASSERT_TRUE(SamePixels(out, want)) << "round " << round << ", " << count << " rectangles";
  }
}

// Splits [area] into random pieces, guillotine fashion.
void Split(Random& rnd, const Rect& r, std::vector<Rect>& pieces) {
  if (r.Empty()) return;
  if (r.Area() < 40 || rnd.Chance(0.25)) {
    pieces.push_back(r);
    return;
  }
  if (rnd.Chance(0.5) && r.Width() > 1) {
    const int x = rnd.Int(r.left + 1, r.right - 1);
    Split(rnd, {r.left, r.top, x, r.bottom}, pieces);
    Split(rnd, {x, r.top, r.right, r.bottom}, pieces);
  } else if (r.Height() > 1) {
    const int y = rnd.Int(r.top + 1, r.bottom - 1);
    Split(rnd, {r.left, r.top, r.right, y}, pieces);
    Split(rnd, {r.left, y, r.right, r.bottom}, pieces);
  } else {
    pieces.push_back(r);
  }
}

// Repainting only dirty rectangles must give the very pixels of one full recompose, whatever the pieces
// (and whatever DirtyRegion merges them into).
TEST(Compose, AnySplitIntoDirtyRectanglesMatchesFullCompose) {
  Random rnd(32);
  for (int round = 0; round < 150; ++round) {
    const int w = rnd.Int(1, 300), h = rnd.Int(1, 120);
    SceneBox box;
    RandomScene(rnd, w, h, box);
    Bitmap full(w, h);
    raster::Compose(box.scene, {0, 0, w, h}, full.View());

    std::vector<Rect> pieces;
    Split(rnd, {0, 0, w, h}, pieces);
    Bitmap pieced = Noise(w, h, rnd), merged = Noise(w, h, rnd);
    raster::DirtyRegion region;
    for (const Rect& r : pieces) {
      raster::Compose(box.scene, r, pieced.View());
      region.Add(r);
    }
    for (const Rect& r : region.Rects()) raster::Compose(box.scene, r, merged.View());
    ASSERT_TRUE(SamePixels(pieced, full, "pieces"))
        << "round " << round << ", " << pieces.size() << " pieces";
    ASSERT_TRUE(SamePixels(merged, full, "region")) << "round " << round;
  }
}

// The back buffer may be a view into a larger buffer; nothing outside the view is written.
TEST(Compose, WritesOnlyInsideTheSurface) {
  Random rnd(33);
  SceneBox box;
  RandomScene(rnd, 50, 40, box);
  Bitmap big = Noise(70, 60, rnd);
  const Bitmap before = big;
  const raster::Surface view{big.Row(10) + 7, 50, 40, 70};
  raster::Compose(box.scene, {-100, -100, 1000, 1000}, view);

  Bitmap want(50, 40), got(50, 40);
  ReferenceCompose(box.scene, {0, 0, 50, 40}, want);
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 70; ++x) {
      const bool inside = x >= 7 && x < 57 && y >= 10 && y < 50;
      if (inside) {
        got.Row(y - 10)[x - 7] = big.At(x, y);
      } else {
        ASSERT_EQ(big.At(x, y), before.At(x, y)) << x << ", " << y;
      }
    }
  }
  EXPECT_TRUE(SamePixels(got, want));

  raster::Compose(box.scene, {0, 0, 50, 40}, raster::Surface{});  // no pixels: nothing to do
  raster::Compose(box.scene, {0, 0, 50, 40}, raster::Surface{big.Data(), 0, 0, 70});
  EXPECT_TRUE(SamePixels(got, want));
}

TEST(Compose, PictureThenBackColourThenInkThenOpsInOrder) {
  Bitmap picture(4, 2, 0xFFFFFFFF);
  InkLayer ink;
  ink.Resize(6, 3);
  ink.DrawLine(0, 1.5f, 6, 1.5f, 1, 0xFFFF00FF);  // row 1, magenta
  Bitmap sprite(1, 1, 0xFF123456);
  Scene scene{&picture, 0xFF00FFFF, &ink, {}};
  scene.ops.push_back({DrawOp::Kind::FillRect, {0, 0, 6, 4}, 0xFFFFFF00});   // yellow over all
  scene.ops.push_back({DrawOp::Kind::Sprite, {2, 0, 3, 1}, 0, 1, &sprite});  // opaque, on top
  scene.ops.push_back({DrawOp::Kind::FillRect, {2, 0, 3, 1}, 0xFF00FF00});   // then masked again
  Bitmap out(6, 4);
  raster::Compose(scene, {0, 0, 6, 4}, out.View());
  const Pixel want[4][6] = {
      {0xFFFFFF00, 0xFFFFFF00, 0xFF003400, 0xFFFFFF00, 0xFF00FF00, 0xFF00FF00},  // picture, then back colour
      {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFF000000, 0xFF000000},  // ink row
      {0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00},  // below the picture
      {0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00}};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(out.At(x, y), want[y][x]) << x << ", " << y;
  }
}

// Premultiplied stamps: transparent pixels keep what is beneath, opaque ones replace it, half-covered ones
// mix; the sprite may stick out of the frame on any side.
TEST(Compose, SpriteBlendsTransparentOpaqueAndHalfPixels) {
  const Pixel kClear = 0, kHalfWhite = 0x80808080, kRed = 0xFFFF0000, kHalfGreen = 0x80008000;
  // Seven columns so the four-pixel steps see uniform and mixed groups and a tail.
  Bitmap sprite(7, 2);
  const Pixel row[7] = {kClear, kRed, kHalfWhite, kHalfGreen, kClear, kClear, kRed};
  for (int y = 0; y < 2; ++y) std::copy(row, row + 7, sprite.Row(y));
  const Pixel under[3] = {0xFFFFFFFF, 0xFF0000FF, 0xFF000000};
  // The expected blend of each sprite pixel over each of the three ground colours.
  const Pixel want[7][3] = {{0xFFFFFFFF, 0xFF0000FF, 0xFF000000},
                            {kRed, kRed, kRed},
                            {0xFFFFFFFF, 0xFF8080FF, 0xFF808080},
                            {0xFF7FFF7F, 0xFF00807F, 0xFF008000},
                            {0xFFFFFFFF, 0xFF0000FF, 0xFF000000},
                            {0xFFFFFFFF, 0xFF0000FF, 0xFF000000},
                            {kRed, kRed, kRed}};
  for (int g = 0; g < 3; ++g) {
    for (int dx : {-3, 0, 5}) {
      Scene scene{nullptr, under[g], nullptr, {{DrawOp::Kind::Sprite, {dx, -1, dx + 7, 1}, 0, 1, &sprite}}};
      Bitmap out(9, 2);
      raster::Compose(scene, {0, 0, 9, 2}, out.View());
      for (int x = 0; x < 9; ++x) {
        const int sx = x - dx;
        EXPECT_EQ(out.At(x, 0), sx >= 0 && sx < 7 ? want[sx][g] : under[g]) << "x " << x << " dx " << dx;
        EXPECT_EQ(out.At(x, 1), under[g]) << "the box is one row high";
      }
    }
  }
}

}  // namespace
}  // namespace rastertest
