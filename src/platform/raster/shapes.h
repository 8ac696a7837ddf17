// Scanline geometry of the two curved shapes: for one pixel row, which columns a shape covers. Kept apart
// from the pixel loops so the rules for which pixel is in can be read in one place.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace raster::detail {

// Columns [first, last) of one row; empty when first >= last.
struct Span {
  int first = 0, last = 0;
  bool Empty() const { return last <= first; }
};

// The pixels whose centres c + 0.5 lie in [lo, hi], as [first, last) clipped to [0, limit); NaN gives 0.
// Clamped before rounding, so the rounding is a truncation and a compare: the baseline instruction set has
// no rounding instruction, and this runs for every row of every line.
inline Span CentresIn(double lo, double hi, int limit) {
  auto clamp = [](double v, double a, double b) {
    v = a < v ? v : a;  // NaN gives a
    return v < b ? v : b;
  };
  const double from = clamp(lo - 0.5, 0, limit), to = clamp(hi - 0.5, -1, limit - 1);
  const int f = static_cast<int>(from), t = static_cast<int>(to);  // truncated towards 0
  return {f + (from > f), t - (to < t) + 1};                        // ceil(from), floor(to) + 1
}

// The points within `radius` of the segment (x1,y1)-(x2,y2): a wide line with round caps. A pixel is covered
// when its centre (x + 0.5, y + 0.5) is inside.
class Capsule {
 public:
  Capsule(double x1, double y1, double x2, double y2, double radius);

  // Rows whose centres can be inside, clipped to [0, height); first >= last when none.
  Span Rows(int height) const { return CentresIn(std::min(y1_, y2_) - r_, std::max(y1_, y2_) + r_, height); }

  // Covered columns of row y, clipped to [0, width). The capsule is convex, so a row meets it in one
  // interval: the hull of what the two end discs and the body between them give. Written without
  // branches so consecutive rows overlap in the pipeline.
  Span Row(int y, int width) const {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double py = y + 0.5;
    const double d1 = py - y1_, d2 = py - y2_;
    const double h1 = r2_ - d1 * d1, h2 = r2_ - d2 * d2;
    const double s1 = std::sqrt(std::max(h1, 0.0)), s2 = std::sqrt(std::max(h2, 0.0));
    double lo = std::min(h1 >= 0 ? x1_ - s1 : kInf, h2 >= 0 ? x2_ - s2 : kInf);
    double hi = std::max(h1 >= 0 ? x1_ + s1 : -kInf, h2 >= 0 ? x2_ + s2 : -kInf);
    const double ulo = std::max(alongLo_ - d1 * alongSlope_, d1 * acrossSlope_ - acrossHalf_);
    const double uhi = std::min(alongHi_ - d1 * alongSlope_, d1 * acrossSlope_ + acrossHalf_);
    const bool body = d1 >= vLo_ && d1 <= vHi_ && ulo <= uhi;
    lo = std::min(lo, body ? x1_ + ulo : kInf);
    hi = std::max(hi, body ? x1_ + uhi : -kInf);
    return CentresIn(lo, hi, width);
  }

 private:
  double x1_, y1_, x2_, y2_, r_, r2_;
  // The body between the end discs, for a row at v = py - y1, as columns x1 + u: along the segment
  // u in [alongLo - v * alongSlope, alongHi - v * alongSlope], across it u in [v * acrossSlope -+
  // acrossHalf], and only for v in [vLo, vHi]. A side parallel to an axis limits v instead of u: its u bounds
  // are infinite and its slope 0.
  double alongSlope_ = 0, alongLo_, alongHi_;
  double acrossSlope_ = 0, acrossHalf_;
  double vLo_, vHi_;
};

// The ellipse inscribed in the box [left, right) x [top, bottom), with exact integer tests: the centre of
// pixel (x, y) is inside when (2x+1-left-right)^2 / (right-left)^2 + (2y+1-top-bottom)^2 / (bottom-top)^2
// <= 1.
class Ellipse {
 public:
  Ellipse(int64_t left, int64_t top, int64_t right, int64_t bottom);
  bool Empty() const { return a_ <= 0 || b_ <= 0; }
  // Covered columns of row y, unclipped (within the box, so they fit an int).
  Span Row(int64_t y) const;
  // Quick tests for a whole rectangle of pixels, which may say false when unsure: every pixel centre lies
  // outside the ellipse, or inside it.
  bool SurelyOutside(int left, int top, int right, int bottom) const;
  bool SurelyInside(int left, int top, int right, int bottom) const;

 private:
  int64_t a_, b_;        // box width and height: the axes in half-pixel units
  int64_t sumX_, sumY_;  // left + right, top + bottom: twice the centre
  double aOverB_;
};

// The outline of an ellipse drawn inside its box with a pen of `penWidth`: the ellipse of the box minus the
// ellipse of the box inset by penWidth on every side.
class EllipseRing {
 public:
  EllipseRing(int64_t left, int64_t top, int64_t right, int64_t bottom, int penWidth);
  // Covered columns of row y as up to two spans, clipped to [clipLeft, clipRight); returns how many.
  int Row(int64_t y, int clipLeft, int clipRight, Span out[2]) const;
  // True when the ring surely covers no pixel of the rectangle, so a band can skip the per-row work.
  bool Misses(int left, int top, int right, int bottom) const {
    return outer_.SurelyOutside(left, top, right, bottom) ||
           (!inner_.Empty() && inner_.SurelyInside(left, top, right, bottom));
  }

 private:
  Ellipse outer_, inner_;
};

}  // namespace raster::detail
