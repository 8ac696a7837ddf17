#include "history/history.h"

#include <algorithm>
#include <cmath>

#include "platform/units.h"

namespace history {

namespace {
constexpr raster::Pixel kNoInk = 0xFFFFFFFF;
constexpr int kMaxRun = 256;
constexpr float kPiece = 8;  // pixels: a long line is kept as boxes along it, not as one box around it
}  // namespace

// --- InkPatch ---

uint8_t InkPatch::Code(raster::Pixel mask) {
  auto it = std::find(palette_.begin(), palette_.end(), mask);
  if (it != palette_.end()) return uint8_t(it - palette_.begin());
  // A layer holds at most 256 masks, so a span taken from it at one time never needs more.
  if (palette_.size() == 256) return 0;
  palette_.push_back(mask);
  return uint8_t(palette_.size() - 1);
}

template <class Key, class MaskOf>
void InkPatch::Add(int y, int first, int count, Key key, MaskOf mask, int from, int to) {
  if (count <= 0 || y < 0 || first < 0 || y > 0xFFFF || first + count > 0xFFFF) return;
  Put16(y), Put16(first), Put16(count);
  auto runs = [this](raster::Pixel m, int n) {
    for (const uint8_t code = Code(m); n > 0; n -= kMaxRun) {
      data_.push_back(code);
      data_.push_back(uint8_t(std::min(n, kMaxRun) - 1));
    }
  };
  // Pixels [from, to) are read one by one; the rest are known to hold no ink.
  from = std::clamp(from, 0, count), to = std::clamp(to, from, count);
  runs(kNoInk, from);
  for (int i = from; i < to;) {
    const auto k = key(i);
    int n = 1;
    while (i + n < to && n < kMaxRun && key(i + n) == k) ++n;
    runs(mask(i), n);
    i += n;
  }
  runs(kNoInk, count - to);
  ++rows_;
}

void InkPatch::AddRow(int y, int first, int count, const raster::Pixel* masks) {
  auto mask = [masks](int i) { return masks[i]; };
  Add(y, first, count, mask, mask, 0, count);
}

void InkPatch::AddRow(int y, int first, int count, const raster::InkLayer& ink) {
  // Read straight from the layer's rows; outside it there is no ink.
  auto none = [](int) { return kNoInk; };
  if (y < 0 || y >= ink.Height()) return Add(y, first, count, none, none, 0, 0);
  // Runs are found on the layer's bytes; equal bytes are equal masks.
  const uint8_t* row = ink.Row(y) + first;
  const raster::Pixel* table = ink.Masks();
  Add(y, first, count, [row](int i) { return row[i]; }, [&](int i) { return table[row[i]]; },
      ink.InkFirst(y) - first, ink.InkLast(y) - first);
}

void InkPatch::AddAll(const raster::InkLayer& ink) {
  for (int y = 0; y < ink.Height(); ++y) {
    const uint8_t* row = ink.Row(y);
    int first = ink.InkFirst(y), last = ink.InkLast(y);
    while (first < last && row[first] == 0) ++first;
    while (last > first && row[last - 1] == 0) --last;
    AddRow(y, first, last - first, ink);
  }
}

InkPatch InkPatch::Swap(tk::Form& form) const {
  InkPatch now;
  std::vector<tk::Form::InkRun> runs;
  auto word = [this](size_t& at) { return at += 2, int(data_[at - 2]) | int(data_[at - 1]) << 8; };
  for (size_t at = 0; at < data_.size();) {
    const int y = word(at), first = word(at), count = word(at);  // each declarator in turn
    now.AddRow(y, first, count, form.Ink());
    for (int x = first; x < first + count; at += 2) {
      const int n = data_[at + 1] + 1;
      runs.push_back({y, x, n, palette_[data_[at]]});
      x += n;
    }
  }
  form.RestoreInk(runs);
  return now;
}

// --- History ---

History::History(tk::Form& form, std::array<tk::ShapeArray*, 2> shapes, std::array<tk::ImageArray*, 5> stamps)
    : form_(form), shapes_(shapes), stamps_(stamps) {}

int History::ArrayOf(const void* array) const {
  for (int a = 0; a < 2; ++a)
    if (shapes_[a] == array) return a;
  for (int a = 0; a < 5; ++a)
    if (stamps_[a] == array) return a + 2;
  return -1;
}

tk::Element* History::Find(int array, int index) const {
  return array < 2 ? static_cast<tk::Element*>((*shapes_[array])[index]) : (*stamps_[array - 2])[index];
}

MarkState History::Read(int array, int index) const {
  MarkState s;
  s.array = uint8_t(array);
  s.index = int16_t(index);
  const tk::Element* e = Find(array, index);
  if (!e) return s;
  s.loaded = true;
  s.visible = e->Visible();
  s.left = e->Left(), s.top = e->Top(), s.width = e->Width(), s.height = e->Height();
  if (array < 2)
    s.style = static_cast<const tk::Shape*>(e)->Style();
  else
    s.stackPosition = form_.StackPosition(*static_cast<const tk::Image*>(e));
  return s;
}

void History::Write(const MarkState& s) {
  tk::Element* e = Find(s.array, s.index);
  if (!s.loaded) {
    if (e) s.array < 2 ? shapes_[s.array]->Unload(s.index) : stamps_[s.array - 2]->Unload(s.index);
    return;
  }
  if (!e) {
    // Only an index this mark had comes back, and as this mark: counters only grow, so no other took it.
    if (s.array < 2) {
      if (!shapes_[s.array]->Load(s.index)) return;
      tk::Shape& shape = *(*shapes_[s.array])[s.index];
      shape.SetStyle(s.style);
      e = &shape;
    } else {
      tk::ImageArray& stamps = *stamps_[s.array - 2];
      if (!stamps.Load(s.index)) return;
      tk::Image& stamp = *stamps[s.index];
      stamp.SetPicture(stamps.Template().GetPicture());
      form_.Restack(stamp, s.stackPosition);
      e = &stamp;
    }
  }
  e->Move(s.left, s.top, s.width, s.height);
  e->SetVisible(s.visible);
}

void History::Touch(int array, int index) {
  if (array < 0 || index <= 0 || index > tk::kMaxControlIndex) return;  // templates are never marks
  for (const MarkState& m : open_.marks)
    if (m.array == array && m.index == index) return;
  open_.marks.push_back(Read(array, index));
}

void History::KeepInk(int y, int first, int last) {
  const raster::InkLayer& ink = form_.Ink();
  if (pending_.size() != size_t(ink.Height()) && pendingRows_.empty()) pending_.assign(ink.Height(), {});
  first = std::max(first, 0), last = std::min(last, ink.Width());
  if (y < 0 || y >= int(pending_.size()) || first >= last) return;
  PendingRow& row = pending_[y];
  auto masks = [&](int a, int b) {
    std::vector<raster::Pixel> out(b - a);
    for (int x = a; x < b; ++x) out[x - a] = ink.Masks()[ink.Row(y)[x]];
    return out;
  };
  if (row.first == row.last) {
    row.first = first, row.last = last;
    row.before = masks(first, last);
    pendingRows_.push_back(y);
    return;
  }
  // Columns outside the kept span have not been drawn on yet in this stroke: they are still as before it.
  if (first < row.first) {
    const std::vector<raster::Pixel> left = masks(first, row.first);
    row.before.insert(row.before.begin(), left.begin(), left.end());
    row.first = first;
  }
  if (last > row.last) {
    const std::vector<raster::Pixel> right = masks(row.last, last);
    row.before.insert(row.before.end(), right.begin(), right.end());
    row.last = last;
  }
}

void History::TouchLine(float x1, float y1, float x2, float y2) {
  // Where the form's Line puts the ends, and a pixel more than half the pen around each piece of the line.
  const float tpp = form_.TwipsPerPixel();
  auto centre = [tpp](float twips) { return float(tk::TwipsToPixels(twips, tpp)) + 0.5f; };
  const float ax = centre(x1), ay = centre(y1), bx = centre(x2), by = centre(y2);
  if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by)) return;
  const float reach = float(std::max(form_.DrawWidth(), 1)) / 2 + 1;
  const int pieces = std::max(1, int(std::ceil(std::hypot(bx - ax, by - ay) / kPiece)));
  const int height = form_.Ink().Height();
  for (int i = 0; i < pieces; ++i) {
    const float px = ax + (bx - ax) * i / pieces, py = ay + (by - ay) * i / pieces;
    const float qx = ax + (bx - ax) * (i + 1) / pieces, qy = ay + (by - ay) * (i + 1) / pieces;
    const int left = int(std::floor(std::min(px, qx) - reach)), right = int(std::ceil(std::max(px, qx) + reach));
    const int top = std::max(int(std::floor(std::min(py, qy) - reach)), 0);
    const int bottom = std::min(int(std::ceil(std::max(py, qy) + reach)), height);
    for (int y = top; y < bottom; ++y) KeepInk(y, left, right + 1);
  }
}

void History::TouchEverything() {
  Commit();
  for (int a = 0; a < 7; ++a) {
    const std::vector<int16_t> indexes = a < 2 ? shapes_[a]->Indexes() : stamps_[a - 2]->Indexes();
    for (int16_t index : indexes)
      if (index != 0) open_.marks.push_back(Read(a, index));
  }
  open_.ink.AddAll(form_.Ink());
}

void History::Commit() {
  const raster::InkLayer& ink = form_.Ink();
  for (int y : pendingRows_) {
    PendingRow& row = pending_[y];
    // Only the pixels that changed: the ends of the kept span that the stroke did not reach go.
    int a = row.first, b = row.last;
    while (a < b && ink.MaskAt(a, y) == row.before[a - row.first]) ++a;
    while (b > a && ink.MaskAt(b - 1, y) == row.before[b - 1 - row.first]) --b;
    open_.ink.AddRow(y, a, b - a, row.before.data() + (a - row.first));
    row.first = row.last = 0;
    std::vector<raster::Pixel>().swap(row.before);
  }
  pendingRows_.clear();
  std::erase_if(open_.marks, [this](const MarkState& m) { return m.SameAs(Read(m.array, m.index)); });
  if (open_.marks.empty() && open_.ink.Empty()) {
    open_ = {};
    return;
  }
  for (const Step& step : redo_) bytes_ -= step.bytes;
  redo_.clear();
  open_.marks.shrink_to_fit();
  open_.ink.Shrink();
  open_.Measure();
  bytes_ += open_.bytes;
  undo_.push_back(std::move(open_));
  open_ = {};
  Trim();
}

void History::Swap(Step& step) {
  std::vector<MarkState> now;
  now.reserve(step.marks.size());
  for (const MarkState& m : step.marks) now.push_back(Read(m.array, m.index));
  // Marks go first, then the ones that come back from the bottom of the pile up, so each stamp finds the
  // ones that lay beneath it already there.
  std::vector<const MarkState*> order;
  for (const MarkState& m : step.marks) order.push_back(&m);
  std::stable_sort(order.begin(), order.end(), [](const MarkState* a, const MarkState* b) {
    return a->loaded != b->loaded ? !a->loaded : a->stackPosition < b->stackPosition;
  });
  for (const MarkState* m : order) Write(*m);
  step.marks = std::move(now);
  step.ink = step.ink.Swap(form_);
  bytes_ -= step.bytes;
  step.Measure();
  bytes_ += step.bytes;
}

// Undo and redo are the same swap, of the last step of one list, which then goes to the other.
template <typename From, typename To>
bool History::Move(From& from, To& to) {
  Commit();
  if (from.empty()) return false;
  to.push_back(std::move(from.back()));
  from.pop_back();
  Swap(to.back());
  Trim();
  return true;
}

bool History::Undo() {
  return Move(undo_, redo_);
}

bool History::Redo() {
  return Move(redo_, undo_);
}

void History::SetCap(size_t bytes) {
  cap_ = bytes;
  Trim();
}

void History::Trim() {
  while (bytes_ > cap_ && !undo_.empty()) {
    bytes_ -= undo_.front().bytes;
    undo_.pop_front();
  }
  // A redo step that grew past the cap on its own: the furthest goes.
  while (bytes_ > cap_ && !redo_.empty()) {
    bytes_ -= redo_.front().bytes;
    redo_.erase(redo_.begin());
  }
}

}  // namespace history
