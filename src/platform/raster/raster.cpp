#include "platform/raster/raster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace raster {

namespace {

int ClampToInt(int64_t v) {
  return static_cast<int>(
      std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Sums of areas of rectangles spanning the whole int range need more than 64 bits.
__extension__ typedef unsigned __int128 WideArea;

// The pixels that the bounding box of a and b adds to what a and b cover.
WideArea MergeCost(const Rect& a, const Rect& b) {
  return WideArea{Union(a, b).Area()} + Intersect(a, b).Area() - a.Area() - b.Area();
}

// The parts of `box` outside `hole` (which lies inside it), as up to four strips.
void AddFrame(DirtyRegion& region, const Rect& box, const Rect& hole) {
  region.Add({box.left, box.top, box.right, hole.top});
  region.Add({box.left, hole.bottom, box.right, box.bottom});
  region.Add({box.left, hole.top, hole.left, hole.bottom});
  region.Add({hole.right, hole.top, box.right, hole.bottom});
}

}  // namespace

uint64_t Rect::Area() const {
  return Empty() ? 0 : uint64_t(int64_t{right} - left) * uint64_t(int64_t{bottom} - top);
}

bool Rect::Contains(const Rect& inner) const {
  return inner.Empty() ||
         (left <= inner.left && top <= inner.top && right >= inner.right && bottom >= inner.bottom);
}

Rect Union(const Rect& a, const Rect& b) {
  if (a.Empty()) return b.Empty() ? Rect{} : b;
  if (b.Empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

Bitmap Resample(const Bitmap& source, int width, int height) {
  Bitmap out(width, height, 0);
  if (source.Width() == 0 || source.Height() == 0) return out;
  // Sample positions map pixel centres onto pixel centres; each channel blends its four neighbours.
  auto axis = [](int n, int from, int i, int& i0, int& i1, double& t) {
    const double at = std::clamp((i + 0.5) * from / n - 0.5, 0.0, from - 1.0);
    i0 = static_cast<int>(at);
    i1 = std::min(i0 + 1, from - 1);
    t = at - i0;
  };
  for (int y = 0; y < out.Height(); ++y) {
    int y0, y1;
    double ty;
    axis(out.Height(), source.Height(), y, y0, y1, ty);
    for (int x = 0; x < out.Width(); ++x) {
      int x0, x1;
      double tx;
      axis(out.Width(), source.Width(), x, x0, x1, tx);
      Pixel p = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        auto c = [&](int sx, int sy) { return static_cast<double>(source.At(sx, sy) >> shift & 0xFF); };
        const double top = c(x0, y0) + (c(x1, y0) - c(x0, y0)) * tx;
        const double bottom = c(x0, y1) + (c(x1, y1) - c(x0, y1)) * tx;
        p |= static_cast<Pixel>(std::lround(top + (bottom - top) * ty)) << shift;
      }
      out.Row(y)[x] = p;
    }
  }
  return out;
}

Pixel PenFromColorRef(uint32_t colorref) {
  const Pixel r = colorref & 0xFF, g = (colorref >> 8) & 0xFF, b = (colorref >> 16) & 0xFF;
  return 0xFF000000 | r << 16 | g << 8 | b;
}

Bitmap::Bitmap(int width, int height, Pixel fill) : width_(std::max(width, 0)), height_(std::max(height, 0)) {
  if (width_ == 0 || height_ == 0) width_ = height_ = 0;
  pixels_.assign(static_cast<size_t>(width_) * height_, fill);
}

Rect Bounds(const DrawOp& op) {
  if (op.box.Empty()) return {};
  if (op.kind != DrawOp::Kind::Sprite) return op.box;
  if (!op.sprite) return {};
  const Rect r{op.box.left, op.box.top, ClampToInt(int64_t{op.box.left} + op.sprite->Width()),
               ClampToInt(int64_t{op.box.top} + op.sprite->Height())};
  return Intersect(r, op.box);
}

void DirtyRegion::Add(const Rect& r) {
  if (r.Empty()) return;
  Rect add = r;
  // Swallow what the new rectangle covers, and grow it over neighbours it tiles with exactly; repeat, since
  // a grown rectangle may now cover more.
  for (bool grown = true; grown;) {
    grown = false;
    for (size_t i = 0; i < rects_.size(); ++i) {
      if (rects_[i].Contains(add)) return;
      if (add.Contains(rects_[i]) || MergeCost(add, rects_[i]) == 0) {
        add = Union(add, rects_[i]);
        rects_.erase(rects_.begin() + static_cast<ptrdiff_t>(i));
        grown = true;
        break;
      }
    }
  }
  rects_.push_back(add);
  if (rects_.size() <= kMaxRects) return;

  // Too many pieces: merge the pair whose bounding box adds the fewest pixels.
  size_t bestA = 0, bestB = 1;
  WideArea bestCost = MergeCost(rects_[0], rects_[1]);
  for (size_t a = 0; a < rects_.size(); ++a) {
    for (size_t b = a + 1; b < rects_.size(); ++b) {
      const WideArea cost = MergeCost(rects_[a], rects_[b]);
      if (cost < bestCost) bestCost = cost, bestA = a, bestB = b;
    }
  }
  const Rect merged = Union(rects_[bestA], rects_[bestB]);
  rects_.erase(rects_.begin() + static_cast<ptrdiff_t>(bestB));
  rects_.erase(rects_.begin() + static_cast<ptrdiff_t>(bestA));
  Add(merged);
}

void AddRectChange(DirtyRegion& uncovered, DirtyRegion& covered, const Rect& before, const Rect& after) {
  if (before == after) return;
  const Rect common = Intersect(before, after);
  if (common.Empty()) {
    uncovered.Add(before);
    covered.Add(after);
    return;
  }
  AddFrame(uncovered, before, common);
  AddFrame(covered, after, common);
}

}  // namespace raster
