// Undo and redo of the marks: every user action on them (a stroke, a shape made, resized, moved or deleted, a
// stamp placed, moved or removed, a Clear) becomes one step. A step keeps only what its action changed, and it
// keeps the other side of the change: what the marks were before while it waits to be undone, what they were
// after while it waits to be redone. Undo and redo both swap that with what is shown, so they are exact.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/controls.h"
#include "platform/form.h"

namespace history {

// Pixels of the run-time graphics, a span per row, their masks run-length coded against a small palette.
class InkPatch {
 public:
  // The masks of columns [first, first + count) of row y, from `masks` (one per pixel).
  void AddRow(int y, int first, int count, const raster::Pixel* masks);
  // The same columns as the layer has them now.
  void AddRow(int y, int first, int count, const raster::InkLayer& ink);
  // Every inked pixel of the layer.
  void AddAll(const raster::InkLayer& ink);
  // The same spans as they are now on the form, and then this patch's masks put there.
  InkPatch Swap(tk::Form& form) const;
  bool Empty() const { return rows_ == 0; }
  size_t ByteSize() const { return palette_.capacity() * sizeof(raster::Pixel) + data_.capacity(); }
  void Shrink() { palette_.shrink_to_fit(), data_.shrink_to_fit(); }

 private:
  // Runs of equal `key` in [from, to), each coded as its `mask`; outside that span no ink.
  template <class Key, class MaskOf>
  void Add(int y, int first, int count, Key key, MaskOf mask, int from, int to);
  uint8_t Code(raster::Pixel mask);
  void Put16(int v) { data_.push_back(uint8_t(v)), data_.push_back(uint8_t(v >> 8)); }

  std::vector<raster::Pixel> palette_;
  // Per row: y, first and count as 16-bit words, then runs (palette code, length - 1) that cover count pixels.
  std::vector<uint8_t> data_;
  size_t rows_ = 0;
};

// A mark as a step keeps it: in which array, its index, and whether and how it was there.
struct MarkState {
  uint8_t array = 0;  // 0 rectangles, 1 ellipses, 2 to 6 the stamp kinds
  int16_t index = 0;
  bool loaded = false, visible = false;
  float left = 0, top = 0, width = 0, height = 0;
  tk::ShapeStyle style;  // shapes: the colours it had, given back with it when it comes back
  int stackPosition = 0;  // stamps: its place among the others, so one that comes back lies as it lay
  // The same place and look; a style changed by the options meanwhile does not make a change.
  bool SameAs(const MarkState& o) const {
    return loaded == o.loaded && (!loaded || (visible == o.visible && left == o.left && top == o.top &&
                                              width == o.width && height == o.height &&
                                              stackPosition == o.stackPosition));
  }
};

class History {
 public:
  static constexpr size_t kDefaultCap = size_t(64) << 20;

  History(tk::Form& form, std::array<tk::ShapeArray*, 2> shapes, std::array<tk::ImageArray*, 5> stamps);

  // --- Recording: called before each change, so the state it changes is kept; Commit ends the action ---
  void Touch(const tk::ShapeArray& shapes, int index) { Touch(ArrayOf(&shapes), index); }
  void Touch(const tk::ImageArray& stamps, int index) { Touch(ArrayOf(&stamps), index); }
  // Before the form's Line from (x1, y1) to (x2, y2), twips, in its drawing width.
  void TouchLine(float x1, float y1, float x2, float y2);
  // Before a Clear: ends the action in progress and keeps every mark and all the ink.
  void TouchEverything();
  // Ends the action: a step when it changed something (the redo steps then go), nothing otherwise.
  void Commit();

  // Both end the action in progress first; false when there was no step to take.
  bool Undo();
  bool Redo();

  size_t UndoSteps() const { return undo_.size(); }
  size_t RedoSteps() const { return redo_.size(); }
  size_t ByteSize() const { return bytes_; }
  // The most the steps may hold; the oldest go first.
  void SetCap(size_t bytes);
  size_t LastStepBytes() const { return undo_.empty() ? 0 : undo_.back().bytes; }

 private:
  struct Step {
    std::vector<MarkState> marks;
    InkPatch ink;
    size_t bytes = 0;
    void Measure() { bytes = sizeof(Step) + marks.capacity() * sizeof(MarkState) + ink.ByteSize(); }
  };
  // Row y's pixels a stroke in progress may change, [first, last), as they were before it.
  struct PendingRow {
    int first = 0, last = 0;
    std::vector<raster::Pixel> before;
  };

  int ArrayOf(const void* array) const;
  tk::Element* Find(int array, int index) const;
  MarkState Read(int array, int index) const;
  void Write(const MarkState& state);
  void Touch(int array, int index);
  void KeepInk(int y, int first, int last);
  void Swap(Step& step);
  template <typename From, typename To>
  bool Move(From& from, To& to);
  void Trim();

  tk::Form& form_;
  std::array<tk::ShapeArray*, 2> shapes_;
  std::array<tk::ImageArray*, 5> stamps_;
  size_t cap_ = kDefaultCap;
  size_t bytes_ = 0;
  std::deque<Step> undo_;
  std::vector<Step> redo_;  // the next to redo last
  Step open_;               // the action in progress
  std::vector<PendingRow> pending_;
  std::vector<int> pendingRows_;  // the rows of pending_ in use
};

}  // namespace history
