#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/raster/raster.h"
#include "platform/raster/shapes.h"
#include "platform/raster/spans.h"

namespace raster {

namespace {

constexpr Pixel kNoInk = 0xFFFFFFFF;
constexpr int kRowsPerBatch = 64;

int ChannelDistance(Pixel a, Pixel b) {
  int d = 0;
  for (int shift = 0; shift < 32; shift += 8)
    d += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
  return d;
}

// Calls apply(y, columns) for every row of [0, width) x [0, height) that the line (x1,y1)-(x2,y2) of pen
// width `penWidth` covers (see InkLayer::DrawLine). Rows are worked out a batch at a time: their square roots
// overlap in the pipeline, and prefetch(y, columns) can ask for every row of the batch before the first is
// written.
template <class Prefetch, class Apply>
void ForLineRows(float x1, float y1, float x2, float y2, int penWidth, int width, int height,
                 Prefetch prefetch, Apply apply) {
  if (width <= 0 || !std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
    return;
  const detail::Capsule capsule(x1, y1, x2, y2, std::max(penWidth, 1) / 2.0);
  const detail::Span rows = capsule.Rows(height);
  detail::Span spans[kRowsPerBatch];
  for (int first = rows.first; first < rows.last; first += kRowsPerBatch) {
    const int count = std::min(kRowsPerBatch, rows.last - first);
    for (int i = 0; i < count; i += 2) capsule.TwoRows(first + i, width, spans + i);
    for (int i = 0; i < count; ++i)
      if (!spans[i].Empty()) prefetch(first + i, spans[i]);
    for (int i = 0; i < count; ++i)
      if (!spans[i].Empty()) apply(first + i, spans[i]);
  }
}

}  // namespace

InkLayer::InkLayer() : map16_{}, mapped16_{} {
  std::fill(std::begin(masks_), std::end(masks_), kNoInk);
  std::fill(std::begin(useCount_), std::end(useCount_), 0u);
  std::fill(std::begin(penMap_), std::end(penMap_), kUnmapped);
}

void InkLayer::SetPenMap(int from, uint16_t to) {
  penMap_[from] = to;
  if (from < 16) {
    map16_[from] = static_cast<uint8_t>(to);
    mapped16_[from] = to == kUnmapped ? 0 : 0xFF;
  }
}

void InkLayer::Resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  if (width_ == 0 || height_ == 0) width_ = height_ = 0;
  index_.assign(static_cast<size_t>(width_) * height_, 0);
  rowFirst_.assign(height_, 0);
  rowLast_.assign(height_, 0);
  inkedRows_ = 0;
  std::fill(std::begin(useCount_), std::end(useCount_), 0u);
  maskCount_ = 1;
}

void InkLayer::Erase() {
  // Only the rows' inked extents can hold non-zero bytes, so a Cls after a few strokes is cheap.
  for (int y = 0; y < height_; ++y) {
    if (rowFirst_[y] < rowLast_[y]) {
      std::memset(index_.data() + static_cast<size_t>(y) * width_ + rowFirst_[y], 0,
                  rowLast_[y] - rowFirst_[y]);
    }
    rowFirst_[y] = rowLast_[y] = 0;
  }
  inkedRows_ = 0;
  std::fill(std::begin(useCount_), std::end(useCount_), 0u);
  maskCount_ = 1;
}

Pixel InkLayer::MaskAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kNoInk;
  return masks_[Row(y)[x]];
}

void InkLayer::SetRun(int y, int first, int count, Pixel mask) {
  int last = std::min(first + count, width_);
  first = std::max(first, 0);
  if (y < 0 || y >= height_ || first >= last) return;
  const uint8_t to = IndexFor(0, mask);  // masks_[0] is no ink, so this finds or makes the entry of `mask`
  if (to == 0) {  // outside the row's extent there is no ink to take away
    first = std::max(first, rowFirst_[y]), last = std::min(last, rowLast_[y]);
    if (first >= last) return;
  }
  uint8_t* p = index_.data() + static_cast<size_t>(y) * width_;
  // Use counts go down a run of equal indexes at a time: one counter decremented pixel by pixel is a chain.
  for (int x = first; x < last;) {
    const uint8_t from = p[x];
    const int start = x;
    while (x < last && p[x] == from) ++x;
    if (from != 0) useCount_[from] -= x - start;
  }
  std::memset(p + first, to, last - first);
  if (to == 0) return;
  useCount_[to] += last - first;
  if (rowFirst_[y] == rowLast_[y]) {
    rowFirst_[y] = first, rowLast_[y] = last;
    ++inkedRows_;
  } else {
    rowFirst_[y] = std::min(rowFirst_[y], first), rowLast_[y] = std::max(rowLast_[y], last);
  }
}

int InkLayer::MasksInUse() const {
  int n = 0;
  for (int i = 1; i < maskCount_; ++i) n += useCount_[i] > 0;
  return n;
}

size_t InkLayer::ByteSize() const {
  return sizeof(*this) + index_.capacity() + (rowFirst_.capacity() + rowLast_.capacity()) * sizeof(int32_t);
}

uint8_t InkLayer::IndexFor(uint8_t current, Pixel pen) {
  const Pixel want = masks_[current] & pen;
  if (want == masks_[current]) return current;
  int unused = -1;
  for (int i = 1; i < maskCount_; ++i) {
    if (masks_[i] == want) return static_cast<uint8_t>(i);
    if (unused < 0 && useCount_[i] == 0) unused = i;
  }
  int slot = unused;
  if (slot < 0 && maskCount_ < 256) slot = maskCount_++;
  if (slot < 0) {
    // Every entry is in use by some pixel: settle for the nearest existing mask rather than change theirs.
    exact_ = false;
    int best = 1;
    for (int i = 2; i < 256; ++i) {
      if (ChannelDistance(masks_[i], want) < ChannelDistance(masks_[best], want)) best = i;
    }
    return static_cast<uint8_t>(best);
  }
  // A line visits each pixel once, and every index it has mapped to keeps the pixels it was given, so no
  // pixel still to come refers to a reused entry; its old mapping is dropped all the same.
  masks_[slot] = want;
  SetPenMap(slot, kUnmapped);
  return static_cast<uint8_t>(slot);
}

// Maps pixels [first, last) of p one at a time, working out each index's new index on first sight.
void InkLayer::ApplyPenScalar(uint8_t* p, int first, int last, Pixel pen) {
  for (int i = first; i < last; ++i) {
    const uint8_t from = p[i];
    if (penMap_[from] == kUnmapped) SetPenMap(from, IndexFor(from, pen));
    const uint8_t to = static_cast<uint8_t>(penMap_[from]);
    if (to != from) {
      p[i] = to;
      if (from != 0) --useCount_[from];
      ++useCount_[to];
    }
  }
}

void InkLayer::ApplyPen(uint8_t* p, int n, Pixel pen) {
  const auto mapInk16 = detail::activeKernels->mapInk16;
  if (!mapInk16) return ApplyPenScalar(p, 0, n, pen);
  const detail::InkPenMap map{penMap_, map16_, mapped16_, useCount_};
  for (int i = 0; i < n;) {
    i = mapInk16(p, i, n, map);
    const int end = std::min(i + 16, n);
    ApplyPenScalar(p, i, end, pen);
    i = end;
  }
}

Rect InkLayer::DrawLine(float x1, float y1, float x2, float y2, int width, Pixel pen, MaskSteps* queue) {
  exact_ = true;
  const size_t rowsFrom = queue ? queue->rows_.size() : 0;
  std::fill(std::begin(penMap_), std::end(penMap_), kUnmapped);
  std::fill(std::begin(mapped16_), std::end(mapped16_), 0);
  int left = width_, right = 0, top = height_, bottom = 0;
  ForLineRows(
      x1, y1, x2, y2, width, width_, height_,
      [&](int y, detail::Span s) {
        const uint8_t* row = index_.data() + static_cast<size_t>(y) * width_;
        __builtin_prefetch(row + s.first);
        __builtin_prefetch(row + s.last - 1);
      },
      [&](int y, detail::Span s) {
        ApplyPen(index_.data() + static_cast<size_t>(y) * width_ + s.first, s.last - s.first, pen);
        if (rowFirst_[y] == rowLast_[y]) {
          rowFirst_[y] = s.first;
          rowLast_[y] = s.last;
          ++inkedRows_;
        } else {
          rowFirst_[y] = std::min(rowFirst_[y], s.first);
          rowLast_[y] = std::max(rowLast_[y], s.last);
        }
        left = std::min(left, s.first), right = std::max(right, s.last);
        top = std::min(top, y), bottom = y + 1;
        if (queue) queue->rows_.push_back({y, s.first, s.last});
      });
  if (queue && queue->rows_.size() > rowsFrom) {
    if (exact_) {
      queue->steps_.push_back({{}, pen, rowsFrom, queue->rows_.size()});
    } else {
      queue->rows_.resize(rowsFrom);
    }
  }
  return right > left ? Rect{left, top, right, bottom} : Rect{};
}

void MaskSteps::AddRect(const Rect& box, Pixel pen) {
  if (!box.Empty()) steps_.push_back({box, pen, rows_.size(), rows_.size()});
}

void MaskSteps::Truncate(size_t count) {
  if (count >= steps_.size()) return;
  steps_.resize(count);
  rows_.resize(count ? steps_.back().rowsTo : 0);
}

void MaskSteps::Apply(const Surface& out) {
  for (const Step& step : steps_) {
    if (!out.pixels) break;
    const Rect r = Intersect(step.box, {0, 0, out.width, out.height});
    for (int y = r.top; y < r.bottom; ++y) detail::AndSpan(out.Row(y) + r.left, r.Width(), step.pen);
    detail::AndRows(rows_.data() + step.rowsFrom, step.rowsTo - step.rowsFrom, out, step.pen);
  }
  steps_.clear();
  rows_.clear();
}

}  // namespace raster
