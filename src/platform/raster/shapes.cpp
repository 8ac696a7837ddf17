#include "platform/raster/shapes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/raster/raster.h"

namespace raster::detail {

Capsule::Capsule(double x1, double y1, double x2, double y2, double radius)
    : x1_(x1), y1_(y1), x2_(x2), y2_(y2), r_(radius), r2_(radius * radius) {
  // The body holds the points p = (x1 + u, y1 + v) with 0 <= dot(p - P1, d) <= |d|^2 and
  // |cross(p - P1, d)| <= r |d|; both are linear in u for a fixed row, so the slopes are worked out once.
  constexpr double kInf = std::numeric_limits<double>::infinity();
  alongLo_ = vLo_ = -kInf;
  alongHi_ = vHi_ = acrossHalf_ = kInf;
  const double dx = x2 - x1, dy = y2 - y1, len2 = dx * dx + dy * dy;
  if (!(len2 > 0)) {  // a dot: the discs alone
    vLo_ = kInf, vHi_ = -kInf;
    return;
  }
  const double rLen = r_ * std::sqrt(len2);
  // A side whose slope would overflow (a difference far below the other) is taken as parallel to the axis.
  if (std::isfinite(dy / dx) && std::isfinite(len2 / dx)) {
    alongSlope_ = dy / dx;
    alongLo_ = std::min(0.0, len2 / dx);
    alongHi_ = std::max(0.0, len2 / dx);
  } else {  // vertical: the ends limit the rows
    vLo_ = std::min(0.0, dy);
    vHi_ = std::max(0.0, dy);
  }
  if (std::isfinite(dx / dy) && std::isfinite(rLen / dy)) {
    acrossSlope_ = dx / dy;
    acrossHalf_ = rLen / std::abs(dy);
  } else {  // horizontal: the width limits the rows
    vLo_ = std::max(vLo_, -rLen / std::abs(dx));
    vHi_ = std::min(vHi_, rLen / std::abs(dx));
  }
}

Ellipse::Ellipse(int64_t left, int64_t top, int64_t right, int64_t bottom)
    : a_(right - left),
      b_(bottom - top),
      sumX_(left + right),
      sumY_(top + bottom),
      aOverB_(b_ > 0 ? double(a_) / double(b_) : 0) {}

int64_t Ellipse::HalfWidth(int64_t y) const {
  if (Empty()) return -1;
  const int64_t yy = 2 * y + 1 - sumY_;
  const uint64_t ay = static_cast<uint64_t>(yy < 0 ? -yy : yy);
  const uint64_t a = static_cast<uint64_t>(a_), b = static_cast<uint64_t>(b_);
  if (ay > b) return -1;
  // Largest m with m^2 b^2 <= a^2 (b^2 - yy^2): the half-width of the row in half-pixel units. The double
  // estimate is within one of it; the integer steps make it exact. Boxes up to 2^15 pixels keep every
  // product within 64 bits; larger ones (a shape dragged far off the screen) take 128.
  const double estimate = aOverB_ * std::sqrt(double(b - ay) * double(b + ay));
  uint64_t m = std::min(static_cast<uint64_t>(std::clamp(estimate, 0.0, double(a))), a);
  if (a < (1u << 15) && b < (1u << 15)) {
    const uint64_t b2 = b * b, rhs = a * a * (b2 - ay * ay);
    while (m < a && (m + 1) * (m + 1) * b2 <= rhs) ++m;
    while (m > 0 && m * m * b2 > rhs) --m;
  } else {
    __extension__ typedef unsigned __int128 Wide;
    const Wide b2 = Wide(b) * b, rhs = Wide(a) * a * (b2 - Wide(ay) * ay);
    while (m < a && Wide(m + 1) * (m + 1) * b2 <= rhs) ++m;
    while (m > 0 && Wide(m) * m * b2 > rhs) --m;
  }
  return static_cast<int64_t>(m);
}

Span Ellipse::Row(int64_t y) const {
  const int64_t m = HalfWidth(y);
  if (m < 0) return {};
  // Columns x with |2x + 1 - sumX| <= m.
  const int64_t lowTwice = sumX_ - 1 - m, highTwice = sumX_ - 1 + m;
  const int64_t first = (lowTwice + 1) >> 1;  // ceil(lowTwice / 2)
  const int64_t last = (highTwice >> 1) + 1;  // floor(highTwice / 2) + 1
  return {static_cast<int>(first), static_cast<int>(last)};
}

namespace {

// Margin of the quick tests: far above the rounding of doubles, far below anything a pixel centre can be.
constexpr double kSure = 1e-9;

}  // namespace

bool Ellipse::SurelyOutside(int left, int top, int right, int bottom) const {
  if (Empty() || right <= left || bottom <= top) return true;
  // The rectangle's pixel centre nearest to the centre, in units of the semi-axes.
  const double x = std::clamp(0.0, 2.0 * left + 1 - sumX_, 2.0 * right - 1 - sumX_) / a_;
  const double y = std::clamp(0.0, 2.0 * top + 1 - sumY_, 2.0 * bottom - 1 - sumY_) / b_;
  return x * x + y * y > 1 + kSure;
}

bool Ellipse::SurelyInside(int left, int top, int right, int bottom) const {
  if (Empty() || right <= left || bottom <= top) return false;
  // The ellipse is convex, so holding the four corner pixel centres holds the rectangle.
  for (const double cx : {2.0 * left + 1 - sumX_, 2.0 * right - 1 - sumX_}) {
    for (const double cy : {2.0 * top + 1 - sumY_, 2.0 * bottom - 1 - sumY_}) {
      const double x = cx / a_, y = cy / b_;
      if (x * x + y * y >= 1 - kSure) return false;
    }
  }
  return true;
}

EllipseRing::EllipseRing(int64_t left, int64_t top, int64_t right, int64_t bottom, int penWidth)
    : outer_(left, top, right, bottom),
      inner_(left + std::max(penWidth, 1), top + std::max(penWidth, 1), right - std::max(penWidth, 1),
             bottom - std::max(penWidth, 1)) {}

int EllipseRing::Row(int64_t y, int clipLeft, int clipRight, Span out[2]) const {
  const Span o = outer_.Row(y);
  if (o.last <= clipLeft || o.first >= clipRight || o.Empty()) return 0;  // the hole cannot matter
  const Span hole = inner_.Empty() ? Span{} : inner_.Row(y);
  Span parts[2] = {o, {}};
  if (!hole.Empty()) parts[0] = {o.first, hole.first}, parts[1] = {hole.last, o.last};
  int count = 0;
  for (const Span& s : parts) {
    const Span c{std::max(s.first, clipLeft), std::min(s.last, clipRight)};
    if (!c.Empty()) out[count++] = c;
  }
  return count;
}

}  // namespace raster::detail

namespace raster {

RingRows::RingRows(const DrawOp& op) {
  const int64_t w = int64_t{op.box.right} - op.box.left, h = int64_t{op.box.bottom} - op.box.top;
  // Half-widths stay below the width, so they fit 16 bits; the height is bounded to keep the memory small.
  if (op.kind != DrawOp::Kind::EllipseOutline || w <= 0 || h <= 0 || w >= 0xFFFF || h > (1 << 15)) return;
  width_ = w, height_ = h, penWidth_ = std::max(op.penWidth, 1);
  const detail::Ellipse outer(0, 0, w, h), inner(penWidth_, penWidth_, w - penWidth_, h - penWidth_);
  rows_.resize(size_t((h + 1) / 2));
  for (size_t r = 0; r < rows_.size(); ++r)
    rows_[r] = {uint16_t(outer.HalfWidth(int64_t(r))), uint16_t(inner.HalfWidth(int64_t(r)) + 1)};
}

int RingRows::RowsMeeting(int64_t clipLeft, int64_t clipRight, Rows out[2]) const {
  // A row of half-width m covers columns [ceil((w - 1 - m) / 2), floor((w - 1 + m) / 2] + 1): it reaches
  // the columns from this m on, and its hole covers them all from that one on.
  const int64_t reach = std::max({int64_t{0}, width_ + 1 - 2 * clipRight, 2 * clipLeft + 1 - width_});
  const int64_t cover = std::max({int64_t{0}, width_ - 1 - 2 * clipLeft, 2 * clipRight - 1 - width_});
  const auto first =
      std::partition_point(rows_.begin(), rows_.end(), [&](const HalfWidths& r) { return r.outer < reach; });
  const auto hole =
      std::partition_point(first, rows_.end(), [&](const HalfWidths& r) { return r.innerPlus1 < cover + 1; });
  const int64_t from = first - rows_.begin(), to = hole - rows_.begin();
  if (from == to) return 0;
  // The upper rows and their mirror images below, one range when they meet in the middle.
  out[0] = {from, to};
  out[1] = {height_ - to, height_ - from};
  if (out[1].first > out[0].last) return 2;
  out[0].last = out[1].last;
  return 1;
}

}  // namespace raster
