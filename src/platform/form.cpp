#include "platform/form.h"

#include <algorithm>
#include <map>

#include "platform/units.h"

namespace tk {

// --- App and Screen ---

float Screen::Width() const {
  return PixelsToTwips(system_.PrimaryScreen().widthPixels, TwipsPerPixelX());
}
float Screen::Height() const {
  return PixelsToTwips(system_.PrimaryScreen().heightPixels, TwipsPerPixelY());
}
float Screen::TwipsPerPixelX() const { return TwipsPerPixelForDpi(system_.PrimaryScreen().dpi); }
float Screen::TwipsPerPixelY() const { return TwipsPerPixelForDpi(system_.PrimaryScreen().dpi); }

void App::FormLoaded(Form& form) { forms_.push_back(&form); }

void App::FormUnloaded(Form& form) {
  std::erase(forms_, &form);
  if (forms_.empty()) system.Quit();
}

// --- Form ---

namespace {
// Window procedures receive only a handle; this finds the form behind it.
std::map<WindowHandle, Form*>& FormsByHandle() {
  static std::map<WindowHandle, Form*> forms;
  return forms;
}
}  // namespace

Form* Form::FromHandle(WindowHandle window) {
  auto it = FormsByHandle().find(window);
  return it == FormsByHandle().end() ? nullptr : it->second;
}

Form::Form(App& application, std::string name) : app(application), name_(std::move(name)), caption_(name_) {}

void Form::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  if (host_) host_->SetCaption(caption_);
}

Form::~Form() {
  if (!host_) return;
  FormsByHandle().erase(host_->Handle());
  app.FormUnloaded(*this);
}

void Form::Load() {
  if (host_) return;
  host_ = app.system.CreateWindowHost(*this);
  FormsByHandle()[host_->Handle()] = this;
  for (const auto& control : controls_) control->Attach(host_->CreateControl(*control));
  app.FormLoaded(*this);
  Form_Load();
}

void Form::Unload() {
  if (!host_) return;
  int16_t cancel = 0;
  Form_Unload(cancel);
  if (cancel) return;
  captured_ = hovered_ = nullptr;
  captureForm_ = false;
  host_->SetCapture(false);
  visible_ = false;
  FormsByHandle().erase(host_->Handle());
  for (const auto& control : controls_) control->Detach();
  host_.reset();
  app.FormUnloaded(*this);
}

void Form::Show(int modal, Form* owner) {
  if (owner) owner_ = owner;
  if (!host_) Load();
  if (!host_) return;
  visible_ = true;
  host_->SetVisible(true);
  if (modal == kModal) app.system.RunModal(*this);
}

Image& Form::AddImage() {
  auto image = std::make_unique<Image>();
  image->form_ = this;
  image->index_ = -1;
  StackImage(image.get());
  images_.push_back(std::move(image));
  return *images_.back();
}

void Form::SetStartUpPosition(int position, int left, int top) {
  startUpPosition_ = position;
  designBounds_.left = left;
  designBounds_.top = top;
}

namespace {
template <class Pick>
CommandButton* FindButton(const std::vector<std::unique_ptr<Control>>& controls, Pick pick) {
  for (const auto& c : controls)
    if (auto* button = dynamic_cast<CommandButton*>(c.get()); button && button->Visible() && pick(*button))
      return button;
  return nullptr;
}
}  // namespace

void Form::PressDefault() {
  if (CommandButton* button = FindButton(controls_, [](const CommandButton& b) { return b.Default(); }))
    button->UserClick();
}

void Form::PressCancel() {
  if (CommandButton* button = FindButton(controls_, [](const CommandButton& b) { return b.Cancel(); }))
    button->UserClick();
  else
    CloseBox();
}

void Form::CloseBox() {
  if (borderStyle_ != kBorderNone && controlBox_) Unload();
}

void Form::Hide() {
  if (!host_) Load();
  if (!host_) return;
  visible_ = false;
  // A press held through the hiding must not keep the pointer: the hidden form would read its moves as
  // tray notifications.
  captured_ = nullptr;
  captureForm_ = false;
  host_->SetCapture(false);
  Hover(nullptr);  // a hidden window keeps no tooltip, or it would come back over an empty spot
  host_->SetVisible(false);
}

void Form::SetWindowState(int state) {
  windowState_ = state;
  if (host_) host_->SetWindowState(state);
}

void Form::SetMousePointer(int pointer) {
  // The hover test sets the pointer once for every shape it passes; only a change is worth the system's time.
  if (pointer == mousePointer_) return;
  mousePointer_ = pointer;
  if (host_) host_->PointerChanged();
}

void Form::SetPicture(Picture picture) {
  picture_ = std::move(picture);
  InvalidateAll();
}

void Form::SetBackColor(uint32_t color) {
  backColor_ = color;
  InvalidateAll();
}

void Form::Line(float x1, float y1, float x2, float y2) {
  // Like the system's pens, a line runs between pixel centres; the run-time graphics are a mask layer, which
  // is what every drawing of this program uses.
  const float tpp = TwipsPerPixel();
  auto centre = [tpp](float twips) { return static_cast<float>(TwipsToPixels(twips, tpp)) + 0.5f; };
  const size_t queued = masked_.Size();
  const raster::Rect touched =
      ink_.DrawLine(centre(x1), centre(y1), centre(x2), centre(y2), drawWidth_,
                    raster::PenFromColorRef(foreColor_), masked_.Full() ? nullptr : &masked_);
  // A stroke step is masked into the frame where it stands unless a stamp or the banner lies over it.
  if (masked_.Size() > queued && OnlyMasksOver(touched)) return ShowMasked(touched);
  masked_.Truncate(queued);
  Invalidate(touched);
}

void Form::Cls() {
  if (ink_.Empty()) return;
  ink_.Erase();
  InvalidateAll();
}

void Form::RestoreInk(const std::vector<InkRun>& runs) {
  raster::Rect touched;
  for (const InkRun& run : runs) {
    ink_.SetRun(run.y, run.first, run.count, run.mask);
    touched = raster::Union(touched, {run.first, run.y, run.first + run.count, run.y + 1});
  }
  Invalidate(touched);
}

raster::Bitmap Form::Snapshot() {
  raster::Bitmap out(clientWidth_, clientHeight_);
  const raster::Rect all{0, 0, clientWidth_, clientHeight_};
  BuildScene(all, false);
  raster::Compose(scene_, all, out.View());
  for (size_t i = 0; i < out.ByteSize() / sizeof(raster::Pixel); ++i) out.Data()[i] |= 0xFF000000;
  return out;
}

void Form::PopupMenu(MenuItem& menu, int flags, std::optional<float> x, std::optional<float> y,
                     const MenuItem* defaultItem) {
  if (!host_) return;
  std::optional<std::pair<int, int>> at;
  if (x && y) at = {{TwipsToPixels(*x, TwipsPerPixel()), TwipsToPixels(*y, TwipsPerPixel())}};
  MenuItem* chosen = host_->TrackPopupMenu(menu, flags, at, defaultItem);
  if (chosen && chosen->Click) chosen->Click();
}

intptr_t Form::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled) {
  handled = true;
  switch (message) {
    case wm::kMouseMove:
    case wm::kLButtonDown:
    case wm::kLButtonDblClk:
    case wm::kLButtonUp:
    case wm::kRButtonDown:
    case wm::kRButtonUp:
    case wm::kMButtonDown:
    case wm::kMButtonUp:
      // Coordinates are signed: a captured pointer left or above the window reports negative values.
      MouseInput(message, wParam, static_cast<int16_t>(lParam & 0xFFFF),
                 static_cast<int16_t>((lParam >> 16) & 0xFFFF));
      return 0;
    case wm::kKeyDown:
    case wm::kSysKeyDown: {
      int16_t code = static_cast<int16_t>(wParam);
      Form_KeyDown(code, static_cast<int16_t>(app.system.ModifierState()));
      handled = message == wm::kKeyDown;  // leave Alt combinations to the system as well
      return 0;
    }
    case wm::kKeyUp:
    case wm::kSysKeyUp: {
      int16_t code = static_cast<int16_t>(wParam);
      Form_KeyUp(code, static_cast<int16_t>(app.system.ModifierState()));
      handled = message == wm::kKeyUp;
      return 0;
    }
    case wm::kChar: {
      int16_t ascii = static_cast<int16_t>(wParam);
      Form_KeyPress(ascii);
      return 0;
    }
    default:
      handled = false;
      return 0;
  }
}

void Form::MouseInput(uint32_t message, uintptr_t wParam, int xPixels, int yPixels) {
  const float tpp = TwipsPerPixel();
  const float x = PixelsToTwips(xPixels, tpp), y = PixelsToTwips(yPixels, tpp);
  const int16_t shift = static_cast<int16_t>((wParam & mk::kShift ? 1 : 0) | (wParam & mk::kControl ? 2 : 0) |
                                             (app.system.ModifierState() & 4));
  const int16_t state = static_cast<int16_t>((wParam & mk::kLButton ? 1 : 0) | (wParam & mk::kRButton ? 2 : 0) |
                                             (wParam & mk::kMButton ? 4 : 0));
  enum { kDown, kMove, kUp } kind = kMove;
  int16_t button = state;
  switch (message) {
    case wm::kLButtonDown:
    case wm::kLButtonDblClk: kind = kDown, button = 1; break;
    case wm::kRButtonDown: kind = kDown, button = 2; break;
    case wm::kMButtonDown: kind = kDown, button = 4; break;
    case wm::kLButtonUp: kind = kUp, button = 1; break;
    case wm::kRButtonUp: kind = kUp, button = 2; break;
    case wm::kMButtonUp: kind = kUp, button = 4; break;
    default: break;
  }

  // A hidden form still gets the shell's tray notifications, which arrive as moves.
  if (!visible_) {
    if (kind == kMove) Form_MouseMove(button, shift, x, y);
    return;
  }

  pointerX_ = x, pointerY_ = y;
  const bool capturing = captured_ || captureForm_;
  Image* target = capturing ? captured_ : ImageAt(x, y);
  if (kind == kDown && !capturing) {
    captured_ = target;
    captureForm_ = target == nullptr;
    if (host_) host_->SetCapture(true);
  }
  if (kind == kMove && !capturing) Hover(target);
  if (kind == kUp && state == 0) {
    captured_ = nullptr;
    captureForm_ = false;
    if (host_) host_->SetCapture(false);
  }

  if (target && !target->Array()) {
    // An image of its own takes the pointer from what lies beneath and answers only double clicks.
    if (message == wm::kLButtonDblClk && target->DblClick) target->DblClick();
    return;
  }
  if (target) {
    // The handler may unload the element: keep what the call needs.
    ImageArray* array = target->Array();
    const int16_t index = target->Index();
    const float ex = x - target->Left(), ey = y - target->Top();
    const ImageArray::Handler& handler =
        kind == kDown ? array->MouseDown : kind == kMove ? array->MouseMove : array->MouseUp;
    if (handler) handler(index, button, shift, ex, ey);
    return;
  }
  switch (kind) {
    case kDown: Form_MouseDown(button, shift, x, y); break;
    case kMove: Form_MouseMove(button, shift, x, y); break;
    case kUp: Form_MouseUp(button, shift, x, y); break;
  }
}

Image* Form::ImageAt(float x, float y) const {
  for (auto it = imageStack_.rbegin(); it != imageStack_.rend(); ++it) {
    const Image& image = **it;
    if (image.Visible() && x >= image.Left() && x < image.Left() + image.Width() && y >= image.Top() &&
        y < image.Top() + image.Height())
      return *it;
  }
  return nullptr;
}

void Form::Hover(Image* image) {
  // A dragged stamp is the same element in another place: its tooltip has to move with it.
  const raster::Rect box = image ? image->PixelBox(TwipsPerPixel()) : raster::Rect{};
  if (image == hovered_ && box == hoveredBox_) return;
  hovered_ = image;
  hoveredBox_ = box;
  if (!host_) return;
  if (image)
    host_->SetToolTip(image->ToolTipText(), box);
  else
    host_->SetToolTip({}, {});
  host_->PointerChanged();
}

int Form::CurrentPointer() const {
  if (hovered_ && hovered_->MousePointer() != kPointerDefault) return hovered_->MousePointer();
  return mousePointer_;
}

void Form::Resize(int widthPixels, int heightPixels) {
  if (widthPixels == clientWidth_ && heightPixels == clientHeight_) return;
  clientWidth_ = std::max(0, widthPixels);
  clientHeight_ = std::max(0, heightPixels);
  ink_.Resize(clientWidth_, clientHeight_);
  masked_.Truncate(0);  // a new frame is composed whole
  InvalidateAll();
}

void Form::Invalidate(const raster::Rect& pixels) {
  const raster::Rect r = raster::Intersect(pixels, {0, 0, clientWidth_, clientHeight_});
  if (r.Empty()) return;
  dirty_.Add(r);
  if (host_) host_->Invalidate(r);
}

void Form::InvalidateAll() { Invalidate({0, 0, clientWidth_, clientHeight_}); }

void Form::ShowMasked(const raster::Rect& pixels) {
  if (host_ && !pixels.Empty()) host_->Invalidate(pixels);
}

bool Form::OnlyMasksOver(const raster::Rect& pixels) {
  const float tpp = TwipsPerPixel();
  for (const Image* image : imageStack_) {
    if (image->Index() == 0 || !image->Visible()) continue;
    spriteOps_.clear();
    image->AppendOps(spriteOps_, tpp);
    for (const raster::DrawOp& op : spriteOps_)
      if (!raster::Intersect(raster::Bounds(op), pixels).Empty()) return false;
  }
  return true;
}

void Form::InvalidateOps(const std::vector<raster::DrawOp>& before, const std::vector<raster::DrawOp>& after) {
  using Kind = raster::DrawOp::Kind;
  if (before.size() <= 1 && after.size() == 1 && after[0].kind == Kind::FillRect &&
      (before.empty() || (before[0].kind == Kind::FillRect && before[0].pen == after[0].pen))) {
    // A filled rectangle that appeared, moved or changed size repaints only the pixels that differ, and
    // masks those it newly covers in place where nothing but masks is drawn.
    raster::DirtyRegion uncovered, covered;
    raster::AddRectChange(uncovered, covered, before.empty() ? raster::Rect{} : before[0].box, after[0].box);
    for (const raster::Rect& r : uncovered.Rects()) Invalidate(r);
    for (const raster::Rect& r : covered.Rects()) {
      const raster::Rect shown = raster::Intersect(r, {0, 0, clientWidth_, clientHeight_});
      if (shown.Empty() || masked_.Full() || !OnlyMasksOver(shown)) {
        Invalidate(shown);
      } else {
        masked_.AddRect(shown, after[0].pen);
        ShowMasked(shown);
      }
    }
    return;
  }
  for (const raster::DrawOp& op : before) Invalidate(raster::Bounds(op));
  for (const raster::DrawOp& op : after) Invalidate(raster::Bounds(op));
}

void Form::ElementMoved(const Element& element) {
  if (&element == hovered_ && !captured_) Hover(ImageAt(pointerX_, pointerY_));
}

void Form::RemoveShapeArray(ShapeArray* array) { std::erase(shapeArrays_, array); }

void Form::StackImage(Image* image) {
  // Images of their own (the banner) stay above every array element, however many are added later.
  auto firstOwn = std::find_if(imageStack_.begin(), imageStack_.end(), [](Image* i) { return !i->Array(); });
  imageStack_.insert(image->Array() ? firstOwn : imageStack_.end(), image);
}

int Form::StackPosition(const Image& image) const {
  return static_cast<int>(std::find(imageStack_.begin(), imageStack_.end(), &image) - imageStack_.begin());
}

void Form::Restack(Image& image, int position) {
  std::erase(imageStack_, &image);
  // Never above the form's own images, which stay on top.
  auto firstOwn = std::find_if(imageStack_.begin(), imageStack_.end(), [](Image* i) { return !i->Array(); });
  const auto at = imageStack_.begin() + std::clamp<ptrdiff_t>(position, 0, firstOwn - imageStack_.begin());
  imageStack_.insert(at, &image);
  if (image.Visible()) Invalidate(image.PixelBox(TwipsPerPixel()));
}

void Form::UnstackImage(Image* image) {
  std::erase(imageStack_, image);
  if (captured_ == image) captured_ = nullptr;
  if (hovered_ == image) {
    hovered_ = nullptr;
    if (host_) {
      host_->SetToolTip({}, {});
      host_->PointerChanged();
    }
  }
}

void Form::BuildScene(const raster::Rect& area, bool ownImages) {
  scene_.picture = picture_.get();
  scene_.backColor = raster::PenFromColorRef(backColor_);
  scene_.ink = &ink_;
  scene_.ops.clear();
  const float tpp = TwipsPerPixel();
  // Only the shapes near the area: a small repaint over thousands of marks lists a handful.
  for (const ShapeArray* array : shapeArrays_) {
    shapesIn_.clear();
    array->ShapesIn(area, tpp, shapesIn_);
    for (const Shape* shape : shapesIn_) shape->AppendOps(scene_.ops, tpp);
  }
  for (const Image* image : imageStack_)
    if (image->Index() != 0 && (ownImages || image->Array())) image->AppendOps(scene_.ops, tpp);
}

std::vector<raster::Rect> Form::ComposeDirty(const raster::Surface& out) {
  // The masks first: where something else changed since, the recompose below overwrites them.
  masked_.Apply(out);
  std::vector<raster::Rect> done = dirty_.Rects();
  dirty_.Clear();
  if (done.empty()) return done;
  for (const raster::Rect& r : done) {
    BuildScene(r);
    raster::Compose(scene_, r, out);
  }
  return done;
}

}  // namespace tk
