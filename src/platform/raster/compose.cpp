#include <algorithm>
#include <limits>
#include <span>
#include <vector>

#include "platform/raster/raster.h"
#include "platform/raster/shapes.h"
#include "platform/raster/spans.h"

namespace raster {

namespace {

// About an eighth of a typical L2 cache: one band of output stays resident while every op of the scene
// visits it.
constexpr int kBandBytes = 128 * 1024;

constexpr int kPrefetchRows = 8;
constexpr int kPrefetchWidth = 256;
constexpr int kEllipseRowsPerTest = 8;
// Rectangles folded into the copy of the picture; the runs of a row cost a little for each, so a scene with
// very many rectangles applies the rest in passes of their own.
constexpr size_t kMaxFolded = 32;
// A repaint this small (a strip that a dragged mark uncovered) stays in the cache while it is composed, so
// its rectangles cost less in passes of their own than cut into runs that change from row to row.
constexpr uint64_t kMinFoldedArea = 4096;

struct ActiveOp {
  const DrawOp* op;
  Rect bounds;  // Bounds(op) clipped to the composed area
};

// A few items on the stack, more on the heap. Small repaints (a stroke step, a drag strip) run many times a
// second, and their handful of ops should not cost an allocation.
template <class T, size_t N>
class SmallVector {
 public:
  void push_back(const T& item) {
    if (size_ < N) {
      inline_[size_++] = item;
      return;
    }
    if (heap_.empty()) heap_.assign(inline_, inline_ + size_);
    heap_.push_back(item);
    ++size_;
  }
  void clear() {
    size_ = 0;
    heap_.clear();
  }
  size_t size() const { return size_; }
  const T* begin() const { return heap_.empty() ? inline_ : heap_.data(); }
  const T* end() const { return begin() + size_; }
  T& back() { return (heap_.empty() ? inline_ : heap_.data())[size_ - 1]; }

 private:
  T inline_[N];
  std::vector<T> heap_;
  size_t size_ = 0;
};

using OpList = SmallVector<ActiveOp, 24>;

// A stretch [first, last) of a row and the AND of the rectangles that cover it.
struct PenRun {
  int first = 0, last = 0;
  Pixel pen = 0xFFFFFFFF;
};

// Rectangles ANDed into the copy of the picture rather than in a pass of their own. For each row they cut
// the area into runs of one combined pen; the runs change only at a rectangle's top or bottom, so they are
// worked out again only there.
class FoldedRects {
 public:
  FoldedRects(const OpList& rects, int left, int right) : rects_(rects), left_(left), right_(right) {}

  std::span<const PenRun> RunsFor(int y) {
    if (y < validFrom_ || y >= validTo_) Build(y);
    return {runs_, count_};
  }

 private:
  // Each rectangle of the row splits the runs at its edges and ANDs its pen into those between: no sort,
  // and only the few rectangles a small repaint meets cost anything.
  void Build(int y) {
    validFrom_ = y;
    validTo_ = std::numeric_limits<int>::max();
    runs_[0] = {left_, right_, 0xFFFFFFFF};
    count_ = 1;
    for (const ActiveOp& r : rects_) {
      const Rect& b = r.bounds;
      if (y < b.top) {
        validTo_ = std::min(validTo_, b.top);
      } else if (y < b.bottom) {
        validTo_ = std::min(validTo_, b.bottom);
        const size_t first = SplitAt(b.left), last = SplitAt(b.right);
        for (size_t i = first; i < last; ++i) runs_[i].pen &= r.op->pen;
      }
    }
    size_t kept = 0;
    for (size_t i = 1; i < count_; ++i) {
      if (runs_[i].pen == runs_[kept].pen) {
        runs_[kept].last = runs_[i].last;
      } else {
        runs_[++kept] = runs_[i];
      }
    }
    count_ = kept + 1;
  }

  // Makes x the start of a run (or the end of the last) and returns that run's place.
  size_t SplitAt(int x) {
    size_t i = 0;
    while (i < count_ && runs_[i].last <= x) ++i;
    if (i == count_ || runs_[i].first == x) return i;
    std::copy_backward(runs_ + i, runs_ + count_, runs_ + count_ + 1);
    ++count_;
    runs_[i].last = x;
    runs_[i + 1].first = x;
    return i + 1;
  }

  const OpList& rects_;
  int left_, right_;
  int validFrom_ = 0, validTo_ = 0;  // rows for which runs_ holds
  PenRun runs_[2 * kMaxFolded + 1];  // each rectangle adds at most two
  size_t count_ = 0;
};

// The ground layers: picture (or back colour) ANDed with the freehand ink.
class Ground {
 public:
  Ground(const Scene& scene, int left, int right)
      : scene_(scene), left_(left), right_(right), lookup_(scene.ink ? scene.ink->Masks() : nullptr) {
    if (scene.picture) {
      pictureRows_ = scene.picture->Height();
      pictureEnd_ = std::clamp(scene.picture->Width(), left, right);
    }
    if (scene.ink) inkRows_ = scene.ink->Height();
  }

  // Starts loading row y of everything Row() reads and writes.
  void Prefetch(int y, const Surface& out) const {
    auto lines = [&](const void* from, size_t bytes) {
      const char* p = static_cast<const char*>(from);
      for (size_t at = 0; at < bytes; at += 64) __builtin_prefetch(p + at);
      __builtin_prefetch(p + bytes - 1);
    };
    const size_t n = static_cast<size_t>(right_ - left_);
    lines(out.Row(y) + left_, n * sizeof(Pixel));
    if (y < pictureRows_ && pictureEnd_ > left_) {
      lines(scene_.picture->Row(y) + left_, (pictureEnd_ - left_) * sizeof(Pixel));
    }
    if (y < inkRows_) {
      const int first = std::max(scene_.ink->InkFirst(y), left_),
                last = std::min(scene_.ink->InkLast(y), right_);
      if (first < last) lines(scene_.ink->Row(y) + first, last - first);
    }
  }

  // One row into dst (which points at column `left`), each run of it also ANDed with the run's pen.
  template <class Runs>
  void Row(int y, const Runs& runs, Pixel* dst) const {
    const Pixel* picture = y < pictureRows_ ? scene_.picture->Row(y) : nullptr;
    const int pictureEnd = picture ? pictureEnd_ : left_;
    int inkFirst = right_, inkLast = right_;
    const uint8_t* ink = nullptr;
    if (y < inkRows_) {
      inkFirst = std::clamp(scene_.ink->InkFirst(y), left_, right_);
      inkLast = std::clamp(scene_.ink->InkLast(y), left_, right_);
      if (inkFirst < inkLast) {
        ink = scene_.ink->Row(y);
      } else {
        inkFirst = inkLast = right_;
      }
    }
    for (const PenRun& run : runs) {
      const Pixel pen = run.pen, back = scene_.backColor & run.pen;
      auto span = [&](int a, int b, bool inked) {
        const int mid = std::clamp(pictureEnd, a, b);
        if (a < mid) {
          if (inked) {
            detail::CopyAndInk(picture + a, ink + a, lookup_, dst + (a - left_), mid - a, pen);
          } else {
            detail::CopyAnd(picture + a, dst + (a - left_), mid - a, pen);
          }
        }
        if (mid < b) {
          if (inked) {
            detail::FillAndInk(back, ink + mid, lookup_, dst + (mid - left_), b - mid);
          } else {
            detail::Fill(dst + (mid - left_), b - mid, back);
          }
        }
      };
      const int first = std::clamp(inkFirst, run.first, run.last),
                last = std::clamp(inkLast, run.first, run.last);
      if (run.first < first) span(run.first, first, false);
      if (first < last) span(first, last, true);
      if (last < run.last) span(last, run.last, false);
    }
  }

 private:
  const Scene& scene_;
  int left_, right_;
  int pictureRows_ = 0, pictureEnd_ = 0, inkRows_ = 0;
  detail::InkLookup lookup_;
};

// An outline crosses most rows of a repaint in a few pixels, and a narrow repaint has few in each row: too
// few to be worth a call of the kernel.
inline void AndShort(Pixel* dst, int n, Pixel pen) {
  if (n > 8) return detail::AndSpan(dst, n, pen);
  for (int i = 0; i < n; ++i) dst[i] &= pen;
}

// The part r of an ellipse outline whose rows were worked out already: they tell which rows reach the
// repaint and miss the hole, and each row is a lookup.
void ApplyRingRows(const DrawOp& op, const RingRows& rows, const Rect& r, const Surface& out) {
  const int64_t left = op.box.left, top = op.box.top;
  const int clipLeft = int(r.left - left), clipRight = int(r.right - left);  // within the box
  RingRows::Rows meeting[2] = {{r.top - top, r.bottom - top}, {}};
  // A few rows are visited quicker than the ones among them that count are found.
  const int ranges = r.Height() <= kEllipseRowsPerTest ? 1 : rows.RowsMeeting(clipLeft, clipRight, meeting);
  for (int i = 0; i < ranges; ++i) {
    const int64_t last = std::min<int64_t>(meeting[i].last, r.bottom - top);
    for (int64_t row = std::max<int64_t>(meeting[i].first, r.top - top); row < last; ++row) {
      RingRows::Columns spans[2];
      Pixel* line = out.Row(int(top + row));
      for (int k = 0, n = rows.Row(row, clipLeft, clipRight, spans); k < n; ++k)
        AndShort(line + (left + spans[k].first), spans[k].last - spans[k].first, op.pen);
    }
  }
}

void ApplyOp(const ActiveOp& active, const Rect& band, const Surface& out) {
  const Rect r = Intersect(active.bounds, band);
  if (r.Empty()) return;
  const DrawOp& op = *active.op;
  switch (op.kind) {
    case DrawOp::Kind::FillRect:
      for (int y = r.top; y < r.bottom; ++y) AndShort(out.Row(y) + r.left, r.Width(), op.pen);
      break;
    case DrawOp::Kind::EllipseOutline: {
      if (op.rings && op.rings->Fits(op)) return ApplyRingRows(op, *op.rings, r, out);
      const detail::EllipseRing ring(op.box.left, op.box.top, op.box.right, op.box.bottom, op.penWidth);
      detail::Span spans[2];
      // A small repaint near a large ellipse often lies wholly inside the hole or outside the ring; that
      // is cheap to prove for a few rows at a time, and saves working out each row.
      for (int top = r.top; top < r.bottom; top += kEllipseRowsPerTest) {
        const int bottom = std::min(top + kEllipseRowsPerTest, r.bottom);
        if (ring.Misses(r.left, top, r.right, bottom)) continue;
        for (int y = top; y < bottom; ++y) {
          const int n = ring.Row(y, r.left, r.right, spans);
          for (int i = 0; i < n; ++i)
            AndShort(out.Row(y) + spans[i].first, spans[i].last - spans[i].first, op.pen);
        }
      }
      break;
    }
    case DrawOp::Kind::Sprite:
      for (int y = r.top; y < r.bottom; ++y) {
        detail::BlendOver(op.sprite->Row(y - op.box.top) + (r.left - op.box.left), out.Row(y) + r.left,
                          r.Width());
      }
      break;
  }
}

}  // namespace

void Compose(const Scene& scene, Rect area, const Surface& out) {
  if (!out.pixels) return;
  area = Intersect(area, Rect{0, 0, out.width, out.height});
  if (area.Empty()) return;

  // Every AND commutes with the ink and with every other AND, so the rectangles that come before the first
  // sprite are folded into the copy of the picture: a highlight costs no pass of its own. Everything else
  // is applied per band, in order.
  OpList folded, layered;
  const bool fold = area.Area() >= kMinFoldedArea;
  bool seenSprite = false;
  for (const DrawOp& op : scene.ops) {
    const Rect b = Intersect(op.kind == DrawOp::Kind::Sprite ? Bounds(op) : op.box, area);
    if (b.Empty()) continue;
    seenSprite = seenSprite || op.kind == DrawOp::Kind::Sprite;
    if (fold && !seenSprite && op.kind == DrawOp::Kind::FillRect && folded.size() < kMaxFolded) {
      folded.push_back({&op, b});
    } else {
      layered.push_back({&op, b});
    }
  }
  FoldedRects runs(folded, area.left, area.right);

  const Ground ground(scene, area.left, area.right);
  // Hardware prefetchers follow long rows by themselves; a narrow area jumps to a new row every few cache
  // lines, so it asks for the rows ahead itself.
  const bool prefetch = area.Width() <= kPrefetchWidth;
  if (prefetch) {
    for (int y = area.top; y < std::min(area.top + kPrefetchRows, area.bottom); ++y) ground.Prefetch(y, out);
  }
  const int bandRows = std::clamp(kBandBytes / (area.Width() * int(sizeof(Pixel))), 1, area.Height());
  for (int top = area.top; top < area.bottom; top += bandRows) {
    const Rect band{area.left, top, area.right, std::min(top + bandRows, area.bottom)};
    for (int y = band.top; y < band.bottom; ++y) {
      if (prefetch && y + kPrefetchRows < area.bottom) ground.Prefetch(y + kPrefetchRows, out);
      ground.Row(y, runs.RunsFor(y), out.Row(y) + area.left);
    }
    for (const ActiveOp& op : layered) ApplyOp(op, band, out);
  }
}

}  // namespace raster
