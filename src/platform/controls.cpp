#include "platform/controls.h"

#include <algorithm>

#include "platform/form.h"
#include "platform/units.h"

namespace tk {

// --- Element ---

template <class F>
void Element::Change(F&& change) {
  if (!form_) {
    change();
    Changed();
    return;
  }
  std::vector<raster::DrawOp> before;
  AppendOps(before, form_->TwipsPerPixel());
  change();
  Changed();
  InvalidateChange(before);
}

void Element::InvalidateChange(const std::vector<raster::DrawOp>& before) {
  std::vector<raster::DrawOp> after;
  AppendOps(after, form_->TwipsPerPixel());
  form_->InvalidateOps(before, after);
}

void Element::SetVisible(bool visible) {
  if (visible != visible_) Change([&] { visible_ = visible; });
}

bool Element::Move(float left, float top, float width, float height) {
  if (width < 0 || height < 0) return false;
  if (left == left_ && top == top_ && width == width_ && height == height_) return true;
  Change([&] {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
  });
  if (form_) form_->ElementMoved(*this);
  return true;
}

raster::Rect Element::PixelBox(float tpp) const {
  return {TwipsToPixels(left_, tpp), TwipsToPixels(top_, tpp), TwipsToPixels(double(left_) + width_, tpp),
          TwipsToPixels(double(top_) + height_, tpp)};
}

// --- Shape ---

void Shape::SetStyle(const ShapeStyle& style) {
  Change([&] { style_ = style; });
}
void Shape::SetFillColor(uint32_t color) {
  if (style_.fillColor != color) Change([&] { style_.fillColor = color; });
}
void Shape::SetBorderColor(uint32_t color) {
  if (style_.borderColor != color) Change([&] { style_.borderColor = color; });
}
void Shape::SetBorderWidth(int pixels) {
  if (style_.borderWidth != pixels) Change([&] { style_.borderWidth = pixels; });
}

void Shape::AppendOps(std::vector<raster::DrawOp>& ops, float tpp) const {
  if (!Visible()) return;
  // A repaint lists the shapes near it again and again; the pixel box is worked out again only after a move.
  const std::array<float, 5> key{Left(), Top(), Width(), Height(), tpp};
  if (key != boxKey_) boxKey_ = key, box_ = PixelBox(tpp);
  const raster::Rect box = box_;
  if (style_.shape == ShapeKind::Rectangle && style_.fillStyle == 0)
    ops.push_back({raster::DrawOp::Kind::FillRect, box, raster::PenFromColorRef(style_.fillColor), 1, nullptr});
  if (style_.shape == ShapeKind::Oval && style_.borderStyle != 0 && style_.borderWidth > 0) {
    raster::DrawOp& op = ops.emplace_back(raster::DrawOp{raster::DrawOp::Kind::EllipseOutline, box,
                                                         raster::PenFromColorRef(style_.borderColor),
                                                         style_.borderWidth});
    if (!rings_ || !rings_->Fits(op)) rings_ = std::make_shared<const raster::RingRows>(op);
    op.rings = rings_.get();
  }
}

void Shape::Changed() {
  if (grid_) grid_->Place(*this);
}

// --- ShapeGrid ---

ShapeGrid::ShapeGrid() : cells_(size_t(kCells) * kCells), placed_(cells_.size()) {}

// The cell of a coordinate; NaN and everything left of the grid go to the first, so a range from Lo to Hi
// always covers what the coordinates could be compared true with.
int ShapeGrid::Lo(double v) {
  if (!(v >= 0)) return 0;
  return v >= kCells * kCell ? kCells - 1 : int(v / kCell);
}
int ShapeGrid::Hi(double v) {
  if (!(v < kCells * kCell)) return kCells - 1;
  return v < 0 ? 0 : int(v / kCell);
}

void ShapeGrid::Place(Shape& shape) {
  Shape::Cells now;
  Placed placed{};
  if (shape.Visible() && shape.Index() != 0) {
    // The same sums as the hover test's, so its bands lie inside the widened box.
    const double l = shape.Left(), t = shape.Top(), r = l + shape.Width(), b = t + shape.Height();
    now = {Lo(l - kReach), Lo(t - kReach), Hi(r + kReach), Hi(b + kReach)};
    placed = {l - kReach, t - kReach, r + kReach, b + kReach, shape.Index(), uint8_t(now.x0), uint8_t(now.y0),
              &shape};
  }
  Settle(shape, now, placed);
}

void ShapeGrid::Settle(Shape& shape, const Shape::Cells& now, const Placed& placed) {
  const Shape::Cells was = shape.cells_;
  auto in = [](const Shape::Cells& c, int x, int y) { return x >= c.x0 && x <= c.x1 && y >= c.y0 && y <= c.y1; };
  auto before = [](const Placed& p, int16_t index) { return p.index < index; };
  // Cells it left or entered gain or lose it (a rubber band growing by a few pixels changes few or none);
  // the others keep it where it is, with its new box.
  for (int y = was.y0; y <= was.y1; ++y)
    for (int x = was.x0; x <= was.x1; ++x)
      if (!in(now, x, y)) {
        std::vector<Placed>& cell = placed_[size_t(y) * kCells + x];
        const auto at = std::lower_bound(cell.begin(), cell.end(), shape.Index(), before);
        At(x, y).erase(At(x, y).begin() + (at - cell.begin()));
        cell.erase(at);
      }
  for (int y = now.y0; y <= now.y1; ++y)
    for (int x = now.x0; x <= now.x1; ++x) {
      std::vector<Placed>& cell = placed_[size_t(y) * kCells + x];
      const auto at = std::lower_bound(cell.begin(), cell.end(), shape.Index(), before);
      if (in(was, x, y)) {
        *at = placed;
      } else {
        At(x, y).insert(At(x, y).begin() + (at - cell.begin()), &shape);
        cell.insert(at, placed);
      }
    }
  count_ += (now.x1 >= now.x0) - (was.x1 >= was.x0);
  shape.cells_ = now;
}

void ShapeGrid::Remove(Shape& shape) { Settle(shape, {}, {}); }

const std::vector<Shape*>& ShapeGrid::Near(double x, double y) const {
  return cells_[size_t(Lo(y)) * kCells + Lo(x)];
}

bool ShapeGrid::Meeting(double left, double top, double right, double bottom,
                        std::vector<const Shape*>& out) const {
  const int x0 = Lo(left), y0 = Lo(top), x1 = Hi(right), y1 = Hi(bottom);
  if ((x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCellsMet) return false;
  found_.clear();
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      // A cell is far larger than a repaint strip: only the shapes whose widened box meets the area count,
      // and a shape spanning several cells counts in the first of them the area meets.
      for (const Placed& p : placed_[size_t(y) * kCells + x]) {
        if (p.left <= right && left <= p.right && p.top <= bottom && top <= p.bottom &&
            x == std::max(x0, int(p.x0)) && y == std::max(y0, int(p.y0)))
          found_.push_back(&p);
      }
    }
  // Each cell lists its shapes in order, so an area within one is in order already.
  if (x0 != x1 || y0 != y1)
    std::sort(found_.begin(), found_.end(),
              [](const Placed* a, const Placed* b) { return a->index < b->index; });
  for (const Placed* p : found_) out.push_back(p->shape);
  return true;
}

// --- Image ---

void Image::SetPicture(Picture picture) {
  Change([&] {
    picture_ = std::move(picture);
    scaled_.reset();
  });
}

void Image::AppendOps(std::vector<raster::DrawOp>& ops, float tpp) const {
  if (!Visible() || !picture_) return;
  const int x = TwipsToPixels(Left(), tpp), y = TwipsToPixels(Top(), tpp);
  // A picture shows at its own size when its box has that size; otherwise (a layout made for 96 DPI on a
  // screen of another DPI) it is resampled once to the box and the copy kept. Sizes are rounded as sizes, so
  // a box at half a pixel is not mistaken for a larger one.
  const int width = TwipsToPixels(Width(), tpp), height = TwipsToPixels(Height(), tpp);
  const raster::Bitmap* shown = picture_.get();
  if (width > 0 && height > 0 && (width != shown->Width() || height != shown->Height())) {
    if (!scaled_ || scaled_->Width() != width || scaled_->Height() != height)
      scaled_ = std::make_shared<raster::Bitmap>(raster::Resample(*shown, width, height));
    shown = scaled_.get();
  }
  ops.push_back({raster::DrawOp::Kind::Sprite, {x, y, x + shown->Width(), y + shown->Height()}, 0xFFFFFFFF, 1,
                 shown});
}

// --- ControlArray ---

template <class T>
ControlArray<T>::ControlArray(Form& form, std::string name) : form_(form), name_(std::move(name)) {
  auto element = std::make_unique<T>();
  element->form_ = &form;
  elements_.emplace(0, std::move(element));
}

template <class T>
T* ControlArray<T>::operator[](int index) const {
  auto it = elements_.find(static_cast<int16_t>(index));
  return it == elements_.end() || index < 0 || index > kMaxControlIndex ? nullptr : it->second.get();
}

template <class T>
bool ControlArray<T>::Load(int index) {
  if (index < 1 || index > kMaxControlIndex || elements_.count(static_cast<int16_t>(index))) return false;
  auto element = std::make_unique<T>(*elements_.at(0));
  element->index_ = static_cast<int16_t>(index);
  element->visible_ = false;
  T& loaded = *element;
  elements_.emplace(static_cast<int16_t>(index), std::move(element));
  Loaded(loaded);
  return true;
}

template <class T>
bool ControlArray<T>::Unload(int index) {
  if (index < 1 || index > kMaxControlIndex) return false;
  auto it = elements_.find(static_cast<int16_t>(index));
  if (it == elements_.end()) return false;
  it->second->SetVisible(false);  // repaints what it covered
  Unloading(*it->second);
  elements_.erase(it);
  return true;
}

template <class T>
std::vector<int16_t> ControlArray<T>::Indexes() const {
  std::vector<int16_t> indexes;
  indexes.reserve(elements_.size());
  for (const auto& [index, element] : elements_) indexes.push_back(index);
  return indexes;
}

template class ControlArray<Shape>;
template class ControlArray<Image>;

ShapeArray::ShapeArray(Form& form, std::string name) : ControlArray<Shape>(form, std::move(name)) {
  Template().grid_ = &grid_;  // every element loaded as its copy keeps the grid up to date
  form.AddShapeArray(this);
}

void ShapeArray::ShapesIn(const raster::Rect& pixels, float tpp, std::vector<const Shape*>& out) const {
  // A pixel further on every side covers the rounding of twips to pixels.
  if (grid_.Meeting((pixels.left - 1) * double(tpp), (pixels.top - 1) * double(tpp),
                    (pixels.right + 1) * double(tpp), (pixels.bottom + 1) * double(tpp), out))
    return;
  for (const auto& [index, shape] : Elements())
    if (index != 0 && shape->Visible()) out.push_back(shape.get());
}
ShapeArray::~ShapeArray() { form_.RemoveShapeArray(this); }

ImageArray::ImageArray(Form& form, std::string name) : ControlArray<Image>(form, std::move(name)) {
  Template().array_ = this;
}
ImageArray::~ImageArray() {
  for (const auto& [index, image] : Elements()) form_.UnstackImage(image.get());
}
void ImageArray::Loaded(Image& image) {
  image.array_ = this;
  form_.StackImage(&image);
}
void ImageArray::Unloading(Image& image) { form_.UnstackImage(&image); }

}  // namespace tk
