// The software compositor: every overlay frame is drawn here, on every backend, so Windows, Wine and the
// tests see the same pixels.
//
// Pixels are 32-bit 0xAARRGGBB words (B, G, R, A in memory, as in a 32-bit top-down DIB). The alpha byte of
// a composed frame is meaningless. Colours at the toolkit boundary are 0x00BBGGRR values; PenFromColorRef
// converts them.
//
// Every entry point clips: rectangles, lines and sprites may lie partly or wholly outside the buffers, with
// any int or float coordinates, and only pixels inside the buffers are ever read or written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace raster {

using Pixel = uint32_t;

// Half-open pixel rectangle [left, right) x [top, bottom).
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  // Pixel count, 0 when empty; fits for any coordinates (at most (2^32 - 1)^2).
  uint64_t Area() const;
  bool Contains(const Rect& inner) const;  // an empty `inner` is contained in anything
  bool operator==(const Rect&) const = default;
};

inline Rect Intersect(const Rect& a, const Rect& b) {
  const Rect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
               a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  return r.Empty() ? Rect{} : r;
}
Rect Union(const Rect& a, const Rect& b);  // bounding box; an empty operand is ignored

// A 0x00BBGGRR colour as a mask-pen pixel: the colour's channels with the unused byte set, so AND keeps it.
Pixel PenFromColorRef(uint32_t colorref);

// Columns [first, last) of row y.
struct RowSpan {
  int y, first, last;
};

// A view of pixels owned elsewhere (the win32 back buffer is a DIB section).
struct Surface {
  Pixel* pixels = nullptr;
  int width = 0, height = 0;
  int stride = 0;  // in pixels
  Pixel* Row(int y) const { return pixels + static_cast<ptrdiff_t>(y) * stride; }
};

// Owned 32-bit pixels, rows packed (stride == width). Used for the captured picture and for stamp artwork
// (premultiplied alpha).
class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, Pixel fill = 0xFF000000);  // a negative size is taken as 0

  int Width() const { return width_; }
  int Height() const { return height_; }
  Pixel* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const Pixel* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  Pixel At(int x, int y) const { return Row(y)[x]; }
  Pixel* Data() { return pixels_.data(); }
  const Pixel* Data() const { return pixels_.data(); }
  size_t ByteSize() const { return pixels_.size() * sizeof(Pixel); }
  Surface View() { return {pixels_.data(), width_, height_, width_}; }

 private:
  int width_ = 0, height_ = 0;
  std::vector<Pixel> pixels_;
};

// `source` resampled to `width` x `height` (bilinear, on premultiplied pixels, so edges keep their alpha):
// how a picture laid out for 96 DPI is shown on a screen of another DPI.
Bitmap Resample(const Bitmap& source, int width, int height);

class MaskSteps;

// The freehand layer: what strokes have masked, one byte per pixel. Each byte indexes a small table of AND
// masks (0 = no ink), so a pixel inked by several colours keeps their combined mask. Erase() is the form's
// Cls.
//
// The table holds at most 256 masks. A use count per entry lets an entry be reused as soon as no pixel refers
// to it. Only when all 256 are in use does a new combination fall back to the existing entry whose mask is
// nearest to it (smallest sum of channel differences): that pixel's tint is then approximate, but no other
// pixel changes. Four highlight colours give at most 16 combinations, so this never happens in normal use.
class InkLayer {
 public:
  InkLayer();
  void Resize(int width, int height);  // also erases; a negative size is taken as 0
  void Erase();
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return inkedRows_ == 0; }

  // Masks every pixel whose centre lies within width/2 of the segment (x1,y1)-(x2,y2), in pixel coordinates,
  // with `pen`: a wide line with round caps, not antialiased, like a system pen of that width. A width below
  // 1 draws as 1; a zero-length segment draws its round dot. Returns the bounds it touched, clipped to the
  // layer (empty when nothing was inside, or a coordinate is not finite).
  // With `queue`, also adds the pixels as one step to be ANDed into the frame, unless the line was not exact.
  Rect DrawLine(float x1, float y1, float x2, float y2, int width, Pixel pen, MaskSteps* queue = nullptr);
  // Whether every pixel of the last line got exactly its old mask AND the pen: false when a full table made
  // it settle for a nearest mask.
  bool LastLineExact() const { return exact_; }

  // The AND mask at a pixel (0xFFFFFFFF where there is no ink or outside the layer).
  Pixel MaskAt(int x, int y) const;
  // Sets pixels [first, first + count) of row y, clipped to the layer, to exactly `mask` (0xFFFFFFFF: no ink),
  // whatever they held: how an undo puts back what a stroke or an erase changed.
  void SetRun(int y, int first, int count, Pixel mask);

  const uint8_t* Row(int y) const { return index_.data() + static_cast<size_t>(y) * width_; }
  const Pixel* Masks() const { return masks_; }
  // Table entries that at least one pixel refers to, not counting entry 0.
  int MasksInUse() const;
  // Columns [first, last) of row y that may hold ink; first == last when the row has none. Extents only
  // grow until Erase(), so they may include clean gaps between strokes.
  int InkFirst(int y) const { return rowFirst_[y]; }
  int InkLast(int y) const { return rowLast_[y]; }
  size_t ByteSize() const;

 private:
  static constexpr uint16_t kUnmapped = 0xFFFF;

  uint8_t IndexFor(uint8_t current, Pixel pen);
  void SetPenMap(int from, uint16_t to);
  void ApplyPen(uint8_t* p, int n, Pixel pen);
  void ApplyPenScalar(uint8_t* p, int first, int last, Pixel pen);

  int width_ = 0, height_ = 0;
  std::vector<uint8_t> index_;
  std::vector<int32_t> rowFirst_, rowLast_;
  int inkedRows_ = 0;
  Pixel masks_[256];
  uint32_t useCount_[256];  // pixels referring to each entry; entry 0 is not counted
  int maskCount_ = 1;       // entries [0, maskCount_) have been handed out at least once
  bool exact_ = true;
  uint16_t penMap_[256];    // during one DrawLine: the index each index becomes, or kUnmapped
  // penMap_ of the indices below 16 as bytes, and 0xFF where it is set: 16 pixels map in one shuffle.
  alignas(16) uint8_t map16_[16];
  alignas(16) uint8_t mapped16_[16];
};

class RingRows;

// One thing drawn over the picture and the ink, in order.
struct DrawOp {
  enum class Kind : uint8_t { FillRect, EllipseOutline, Sprite };
  Kind kind = Kind::FillRect;
  Rect box;                        // pixels; for a sprite, where its top-left pixel lands and its size
  Pixel pen = 0xFFFFFFFF;          // FillRect, EllipseOutline: AND mask
  int penWidth = 1;                // EllipseOutline: outline width in pixels, drawn inside the box
  const Bitmap* sprite = nullptr;  // Sprite: premultiplied-alpha pixels, blended over
  const RingRows* rings = nullptr;  // EllipseOutline: its rows worked out already, used when it fits
};

// The rows of an ellipse outline worked out once for its size and pen width: a mark keeps its size while it
// is dragged, and every repaint near it then looks its rows up instead of working them out again.
class RingRows {
 public:
  // Empty (fitting nothing) for a box too large to keep rows for.
  explicit RingRows(const DrawOp& op);
  bool Fits(const DrawOp& op) const {
    return !rows_.empty() && op.kind == DrawOp::Kind::EllipseOutline &&
           int64_t{op.box.right} - op.box.left == width_ && int64_t{op.box.bottom} - op.box.top == height_ &&
           (op.penWidth > 1 ? op.penWidth : 1) == penWidth_;
  }
  // Columns [first, last) of the box, from its left.
  struct Columns {
    int first, last;
  };
  // The columns the ring covers in row `row` of the box (from its top, within its height), clipped to
  // [clipLeft, clipRight), as up to two runs; returns how many.
  int Row(int64_t row, int clipLeft, int clipRight, Columns out[2]) const {
    // A row of half-width m covers the columns x with |2x + 1 - width| <= m.
    const HalfWidths& r = rows_[Half(row)];
    const int w = int(width_), first = (w - r.outer) >> 1, last = ((w - 1 + r.outer) >> 1) + 1;
    if (last <= clipLeft || first >= clipRight || last <= first) return 0;  // the hole cannot matter
    int count = 0;
    auto add = [&](int a, int b) {
      a = a > clipLeft ? a : clipLeft, b = b < clipRight ? b : clipRight;
      if (a < b) out[count++] = {a, b};
    };
    const int m = r.innerPlus1 - 1, holeFirst = (w - m) >> 1, holeLast = ((w - 1 + m) >> 1) + 1;
    if (m < 0) {
      add(first, last);
    } else {
      add(first, holeFirst);
      add(holeLast, last);
    }
    return count;
  }
  // Rows [first, last) of the box, from its top.
  struct Rows {
    int64_t first, last;
  };
  // The rows that may have a pixel of the ring in columns [clipLeft, clipRight) of the box (from its left;
  // clipLeft < clipRight), as up to two ranges; returns how many. The others either fall short of the
  // columns or have them all in the hole.
  int RowsMeeting(int64_t clipLeft, int64_t clipRight, Rows out[2]) const;

 private:
  // Rows mirror about the middle, so only the upper half is kept; towards the middle both half-widths
  // grow, which lets RowsMeeting find its rows by bisection.
  size_t Half(int64_t row) const { return size_t(row < height_ - 1 - row ? row : height_ - 1 - row); }
  struct HalfWidths {
    uint16_t outer, innerPlus1;  // innerPlus1 is 0 where the inner ellipse has no pixel centre
  };
  int64_t width_ = 0, height_ = 0;
  int penWidth_ = 1;
  std::vector<HalfWidths> rows_;
};

// Everything one frame is made of. The form keeps one and refills `ops` when it composes.
struct Scene {
  const Bitmap* picture = nullptr;  // drawn unscaled from the top-left corner
  Pixel backColor = 0xFFFFFFFF;     // where the picture does not reach
  const InkLayer* ink = nullptr;
  std::vector<DrawOp> ops;
};

// Composes `area` of the scene into `out` (clipped to out's size). Works in bands of rows so each pixel is
// read and written once per band while it is in cache.
//
// FillRect: pen AND every pixel of the box. EllipseOutline: pen AND every pixel whose centre lies inside the
// ellipse inscribed in the box but not inside the one inscribed in the box inset by penWidth (a penWidth
// below 1 counts as 1; one that leaves no inner box fills the ellipse). Sprite: premultiplied "over".
void Compose(const Scene& scene, Rect area, const Surface& out);

// Masks to be ANDed into a composed frame where it stands rather than recomposed: what a freehand segment or
// a growing mask-pen rectangle adds where the frame shows nothing but the picture, the ink and mask-pen
// shapes. Every one of those layers is an AND, and ANDs commute, so masking the shown pixels gives what a
// full recompose would. They wait for the next repaint; Full() says when to stop adding.
class MaskSteps {
 public:
  bool Full() const { return steps_.size() >= kMaxSteps || rows_.size() >= kMaxRows; }
  size_t Size() const { return steps_.size(); }
  void AddRect(const Rect& box, Pixel pen);
  // Forgets the steps added after the first `count`.
  void Truncate(size_t count);
  // ANDs every step into `out` (clipped to its size) and forgets them.
  void Apply(const Surface& out);

 private:
  friend class InkLayer;  // queues a line's rows as it draws them
  static constexpr size_t kMaxSteps = 256, kMaxRows = 16384;
  struct Step {
    Rect box;  // a rectangle; empty for a line, whose rows are rows_[rowsFrom, rowsTo)
    Pixel pen;
    size_t rowsFrom, rowsTo;
  };
  std::vector<Step> steps_;
  std::vector<RowSpan> rows_;
};

// The set of pixels that need recomposing. Keeps a handful of rectangles and merges when there are many.
class DirtyRegion {
 public:
  static constexpr size_t kMaxRects = 16;

  void Add(const Rect& r);
  bool Empty() const { return rects_.empty(); }
  const std::vector<Rect>& Rects() const { return rects_; }
  void Clear() { rects_.clear(); }

 private:
  std::vector<Rect> rects_;
};

// The pixels covered by `op` alone: used to invalidate what a change touched.
Rect Bounds(const DrawOp& op);

// Invalidates only the pixels that differ between a filled rectangle at `before` and at `after` (same pen):
// the parts of each box that the other does not cover. A move of a few pixels repaints thin strips.
// `uncovered` gets the parts of `before`, `covered` those of `after`.
void AddRectChange(DirtyRegion& uncovered, DirtyRegion& covered, const Rect& before, const Rect& after);
inline void AddRectChange(DirtyRegion& region, const Rect& before, const Rect& after) {
  AddRectChange(region, region, before, after);
}

}  // namespace raster
