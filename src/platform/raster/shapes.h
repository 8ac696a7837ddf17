// Scanline geometry of the two curved shapes: for one pixel row, which columns a shape covers. Kept apart
// from the pixel loops so the rules for which pixel is in can be read in one place.
#pragma once

#include <emmintrin.h>
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
  return {f + (from > f), t - (to < t) + 1};                       // ceil(from), floor(to) + 1
}

// The points within `radius` of the segment (x1,y1)-(x2,y2): a wide line with round caps. A pixel is covered
// when its centre (x + 0.5, y + 0.5) is inside.
class Capsule {
 public:
  Capsule(double x1, double y1, double x2, double y2, double radius);

  // Rows whose centres can be inside, clipped to [0, height); first >= last when none.
  Span Rows(int height) const { return CentresIn(std::min(y1_, y2_) - r_, std::max(y1_, y2_) + r_, height); }

  // Covered columns of rows y and y + 1, clipped to [0, width). The capsule is convex, so a row meets it in
  // one interval: the hull of what the two end discs and the body between them give. Two rows at a time in
  // the baseline's SSE2 registers, and without branches, so the square roots of consecutive rows overlap.
  void TwoRows(int y, int width, Span out[2]) const {
    const __m128d inf = _mm_set1_pd(std::numeric_limits<double>::infinity()), zero = _mm_setzero_pd();
    const __m128d negInf = _mm_sub_pd(zero, inf);
    auto pick = [](__m128d mask, __m128d yes, __m128d no) {
      return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
    };
    const __m128d py = _mm_add_pd(_mm_set_pd(y + 1.0, y), _mm_set1_pd(0.5));
    const __m128d x1 = _mm_set1_pd(x1_), x2 = _mm_set1_pd(x2_), r2 = _mm_set1_pd(r2_);
    const __m128d d1 = _mm_sub_pd(py, _mm_set1_pd(y1_)), d2 = _mm_sub_pd(py, _mm_set1_pd(y2_));
    const __m128d h1 = _mm_sub_pd(r2, _mm_mul_pd(d1, d1)), h2 = _mm_sub_pd(r2, _mm_mul_pd(d2, d2));
    const __m128d s1 = _mm_sqrt_pd(_mm_max_pd(h1, zero)), s2 = _mm_sqrt_pd(_mm_max_pd(h2, zero));
    const __m128d in1 = _mm_cmpge_pd(h1, zero), in2 = _mm_cmpge_pd(h2, zero);
    __m128d lo = _mm_min_pd(pick(in1, _mm_sub_pd(x1, s1), inf), pick(in2, _mm_sub_pd(x2, s2), inf));
    __m128d hi = _mm_max_pd(pick(in1, _mm_add_pd(x1, s1), negInf), pick(in2, _mm_add_pd(x2, s2), negInf));
    const __m128d along = _mm_mul_pd(d1, _mm_set1_pd(alongSlope_)),
                  across = _mm_mul_pd(d1, _mm_set1_pd(acrossSlope_));
    const __m128d half = _mm_set1_pd(acrossHalf_);
    const __m128d ulo = _mm_max_pd(_mm_sub_pd(_mm_set1_pd(alongLo_), along), _mm_sub_pd(across, half));
    const __m128d uhi = _mm_min_pd(_mm_sub_pd(_mm_set1_pd(alongHi_), along), _mm_add_pd(across, half));
    const __m128d body =
        _mm_and_pd(_mm_and_pd(_mm_cmpge_pd(d1, _mm_set1_pd(vLo_)), _mm_cmple_pd(d1, _mm_set1_pd(vHi_))),
                   _mm_cmple_pd(ulo, uhi));
    lo = _mm_min_pd(lo, pick(body, _mm_add_pd(x1, ulo), inf));
    hi = _mm_max_pd(hi, pick(body, _mm_add_pd(x1, uhi), negInf));
    // The pixels whose centres lie in [lo, hi], as CentresIn gives them.
    const __m128d from = _mm_min_pd(_mm_max_pd(_mm_sub_pd(lo, _mm_set1_pd(0.5)), zero), _mm_set1_pd(width));
    const __m128d to =
        _mm_min_pd(_mm_max_pd(_mm_sub_pd(hi, _mm_set1_pd(0.5)), _mm_set1_pd(-1)), _mm_set1_pd(width - 1.0));
    const __m128i f = _mm_cvttpd_epi32(from), t = _mm_cvttpd_epi32(to);
    const __m128i up = _mm_castpd_si128(_mm_cmpgt_pd(from, _mm_cvtepi32_pd(f)));
    const __m128i down = _mm_castpd_si128(_mm_cmplt_pd(to, _mm_cvtepi32_pd(t)));
    // The compares give 64-bit lanes; their low halves line up with the converted ints after a shuffle.
    const __m128i first = _mm_sub_epi32(f, _mm_shuffle_epi32(up, _MM_SHUFFLE(3, 3, 2, 0)));
    const __m128i last =
        _mm_add_epi32(_mm_add_epi32(t, _mm_shuffle_epi32(down, _MM_SHUFFLE(3, 3, 2, 0))), _mm_set1_epi32(1));
    const __m128i spans = _mm_unpacklo_epi32(first, last);  // first0, last0, first1, last1
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), spans);
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
  // Half the width of row y in half-pixel units: it covers the columns x with |2x + 1 - left - right| <= m.
  // -1 when it covers none.
  int64_t HalfWidth(int64_t y) const;
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
