// Shared pieces of the compositor tests: seeded randomness, brute-force per-pixel references written
// independently of the scanline code.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "platform/raster/raster.h"
#include "platform/raster/spans.h"

namespace rastertest {

using namespace raster;

constexpr Pixel kNoInk = 0xFFFFFFFF;
constexpr Pixel kYellowPen = 0xFFFFFF00;  // COLORREF 65535
__extension__ typedef unsigned __int128 Wide;

// Runs a test once per kernel variant, skipped where this CPU lacks it.
class PerKernel : public ::testing::TestWithParam<detail::Variant> {
 protected:
  void SetUp() override {
    if (!detail::UseKernels(GetParam())) GTEST_SKIP() << "the CPU lacks " << VariantName(GetParam());
  }
};
inline std::string KernelName(const ::testing::TestParamInfo<detail::Variant>& info) {
  std::string name = detail::VariantName(info.param);
  std::erase(name, '.');
  return name;
}
#define PER_KERNEL_SUITE(Suite)      \
  class Suite : public PerKernel {}; \
  INSTANTIATE_TEST_SUITE_P(Kernels, Suite, ::testing::ValuesIn(detail::kVariants), KernelName)

class Random {
 public:
  explicit Random(uint32_t seed) : gen_(seed) {}
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen_); }  // inclusive
  double Real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen_); }
  bool Chance(double p) { return Real(0, 1) < p; }
  Pixel Colour() { return 0xFF000000 | static_cast<Pixel>(Int(0, 0xFFFFFF)); }
  // A premultiplied pixel, often fully transparent or opaque as stamp artwork is.
  Pixel Premultiplied() {
    const int a = Chance(0.5) ? 255 * Int(0, 1) : Int(0, 255);
    return static_cast<Pixel>(a) << 24 | static_cast<Pixel>(Int(0, a)) << 16 |
           static_cast<Pixel>(Int(0, a)) << 8 | static_cast<Pixel>(Int(0, a));
  }
  // A coordinate near [0, size), sometimes well outside it.
  int Coord(int size) {
    return Chance(0.05) ? Int(-100000, 100000) : Int(-size / 2 - 8, size + size / 2 + 8);
  }
  uint32_t Bits() { return gen_(); }

 private:
  std::mt19937 gen_;
};

inline Bitmap Noise(int width, int height, Random& rnd) {
  Bitmap b(width, height);
  std::generate_n(b.Data(), b.ByteSize() / sizeof(Pixel), [&] { return rnd.Bits(); });
  return b;
}

// Where a pixel centre lies against a wide line, in long double; kTie when it is too close to the edge for
// the rounding of either computation to decide.
enum class Side { kIn, kOut, kTie };

inline Side CapsuleSide(int x, int y, double x1, double y1, double x2, double y2, int width) {
  using LD = long double;
  const LD px = x + 0.5L, py = y + 0.5L, r = std::max(width, 1) / 2.0L;
  const LD dx = LD(x2) - x1, dy = LD(y2) - y1, len2 = dx * dx + dy * dy;
  const LD ux = px - x1, uy = py - y1, dot = ux * dx + uy * dy;
  LD d2;
  if (len2 > 0 && dot > 0 && dot < len2) {
    const LD cross = ux * dy - uy * dx;  // beside the segment: the distance to its line
    d2 = cross * cross / len2;
  } else {
    const LD ex = dot <= 0 ? ux : px - x2, ey = dot <= 0 ? uy : py - y2;  // beyond an end: to that end
    d2 = ex * ex + ey * ey;
  }
  const LD margin = 1e-6L * std::max<LD>(1, r * r);
  if (d2 < r * r - margin) return Side::kIn;
  if (d2 > r * r + margin) return Side::kOut;
  return Side::kTie;
}

// Pixel centre (x + 0.5, y + 0.5) inside the ellipse inscribed in box, exactly, in half-pixel units.
inline bool InEllipse(int64_t left, int64_t top, int64_t right, int64_t bottom, int x, int y) {
  const int64_t a = right - left, b = bottom - top;
  if (a <= 0 || b <= 0) return false;
  const int64_t ex = 2 * int64_t{x} + 1 - left - right, ey = 2 * int64_t{y} + 1 - top - bottom;
  const uint64_t ux = ex < 0 ? -ex : ex, uy = ey < 0 ? -ey : ey, ua = a, ub = b;
  if (ux > ua || uy > ub) return false;
  // Both sides stay below 2^128 because |ex| <= a and |ey| <= b.
  return Wide(ux) * ux * ub * ub <= Wide(ua) * ua * ub * ub - Wide(uy) * uy * ua * ua;
}

inline bool InRing(const Rect& box, int penWidth, int x, int y) {
  const int64_t w = std::max(penWidth, 1);
  if (!InEllipse(box.left, box.top, box.right, box.bottom, x, y)) return false;
  return !InEllipse(box.left + w, box.top + w, box.right - w, box.bottom - w, x, y);
}

inline bool InBox(const Rect& box, int x, int y) {
  return x >= box.left && x < box.right && y >= box.top && y < box.bottom;
}

// Premultiplied "over", channel by channel, rounded to nearest.
inline Pixel Over(Pixel s, Pixel d) {
  const uint32_t inv = 255 - (s >> 24);
  Pixel out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t c = ((s >> shift) & 0xFF) + (((d >> shift) & 0xFF) * inv + 127) / 255;
    out |= std::min<uint32_t>(c, 255) << shift;
  }
  return out;
}

inline Pixel ReferencePixel(const Scene& scene, int x, int y) {
  Pixel p = scene.backColor;
  if (scene.picture && x < scene.picture->Width() && y < scene.picture->Height()) p = scene.picture->At(x, y);
  if (scene.ink) p &= scene.ink->MaskAt(x, y);
  for (const DrawOp& op : scene.ops) {
    switch (op.kind) {
      case DrawOp::Kind::FillRect:
        if (InBox(op.box, x, y)) p &= op.pen;
        break;
      case DrawOp::Kind::EllipseOutline:
        if (InRing(op.box, op.penWidth, x, y)) p &= op.pen;
        break;
      case DrawOp::Kind::Sprite:
        if (op.sprite && InBox(op.box, x, y) && int64_t{x} - op.box.left < op.sprite->Width() &&
            int64_t{y} - op.box.top < op.sprite->Height())
          p = Over(op.sprite->At(x - op.box.left, y - op.box.top), p);
        break;
    }
  }
  return p;
}

// A scene with everything it points at: pictures, ink and sprites stay put while the scene is used.
struct SceneBox {
  Bitmap picture;
  InkLayer ink;
  std::deque<Bitmap> sprites;
  std::deque<RingRows> rings;
  Scene scene;
};

// What a random scene is made of: between minOps and maxOps ops, rectangles, ellipses and sprites in the
// proportions of their weights.
struct Mix {
  const char* name;
  int rounds;
  int rects, ellipses, sprites;
  int minOps, maxOps;
  bool ink;
  bool palePens;  // pens with most bits set, so that many overlaps still leave something to see
};

// A random scene, in a fresh box, for an out buffer of width x height: a picture that may be smaller or
// larger than the frame, maybe some freehand ink, and ops partly or wholly off the frame.
inline void RandomScene(Random& rnd, int width, int height, const Mix& mix, SceneBox& box) {
  box.scene.backColor = rnd.Colour();
  if (!rnd.Chance(0.1)) {
    box.picture = Noise(rnd.Int(0, width + 20), rnd.Int(0, height + 20), rnd);
    box.scene.picture = &box.picture;
  }
  if (mix.ink && !rnd.Chance(0.1)) {
    box.ink.Resize(rnd.Int(width / 2, width + 10), rnd.Int(height / 2, height + 10));
    // Usually a few colours, as in use; sometimes enough that the mask table grows past 16 entries.
    const Pixel pens[] = {rnd.Colour(), rnd.Colour(), rnd.Colour()};
    const bool manyColours = rnd.Chance(0.2);
    for (int i = manyColours ? rnd.Int(20, 40) : rnd.Int(0, 8); i > 0; --i)
      box.ink.DrawLine(float(rnd.Real(-10, width + 10)), float(rnd.Real(-10, height + 10)),
                       float(rnd.Real(-10, width + 10)), float(rnd.Real(-10, height + 10)), rnd.Int(1, 30),
                       manyColours ? rnd.Colour() : pens[rnd.Int(0, 2)]);
    box.scene.ink = &box.ink;
  }
  for (int i = rnd.Int(mix.minOps, mix.maxOps); i > 0; --i) {
    DrawOp op;
    const int l = rnd.Coord(width), t = rnd.Coord(height);
    op.box = {l, t, l + rnd.Int(-2, width), t + rnd.Int(-2, height)};
    if (rnd.Chance(0.05)) op.box = {INT_MIN, rnd.Coord(height), INT_MAX, rnd.Coord(height)};
    op.pen = mix.palePens ? ~(Pixel{1} << rnd.Int(0, 23) | Pixel{1} << rnd.Int(0, 23)) : rnd.Colour();
    const int pick = rnd.Int(1, mix.rects + mix.ellipses + mix.sprites);
    if (pick <= mix.rects) {
      op.kind = DrawOp::Kind::FillRect;
    } else if (pick <= mix.rects + mix.ellipses) {
      op.kind = DrawOp::Kind::EllipseOutline;
      op.penWidth = rnd.Int(-1, 45);
      if (rnd.Chance(0.5)) op.rings = &box.rings.emplace_back(op);  // rows looked up rather than worked out
    } else {
      op.kind = DrawOp::Kind::Sprite;
      Bitmap& s = box.sprites.emplace_back(rnd.Int(1, 60), rnd.Int(1, 60));
      std::generate_n(s.Data(), s.ByteSize() / sizeof(Pixel), [&] { return rnd.Premultiplied(); });
      op.sprite = &s;
      op.box = {l, t, l + s.Width() + rnd.Int(-5, 5), t + s.Height() + rnd.Int(-5, 5)};
    }
    box.scene.ops.push_back(op);
  }
}

}  // namespace rastertest
