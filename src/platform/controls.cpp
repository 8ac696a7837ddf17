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
    return;
  }
  std::vector<raster::DrawOp> before;
  AppendOps(before, form_->TwipsPerPixel());
  change();
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
  const raster::Rect box = PixelBox(tpp);
  if (style_.shape == ShapeKind::Rectangle && style_.fillStyle == 0)
    ops.push_back({raster::DrawOp::Kind::FillRect, box, raster::PenFromColorRef(style_.fillColor), 1, nullptr});
  if (style_.shape == ShapeKind::Oval && style_.borderStyle != 0 && style_.borderWidth > 0)
    ops.push_back({raster::DrawOp::Kind::EllipseOutline, box, raster::PenFromColorRef(style_.borderColor),
                   style_.borderWidth, nullptr});
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
  form.AddShapeArray(this);
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
