#include "platform/widgets.h"

#include <algorithm>
#include <cmath>

#include "platform/form.h"

namespace tk {

DipRect ScaleToDpi(const DipRect& dips, int dpi) {
  // Scales edges rather than sizes, rounding halves away from zero as the system's MulDiv does.
  auto scale = [dpi](int v) { return static_cast<int>(std::lround(static_cast<double>(v) * dpi / 96.0)); };
  const int left = scale(dips.left), top = scale(dips.top);
  return {left, top, scale(dips.left + dips.width) - left, scale(dips.top + dips.height) - top};
}

// --- Control ---

Control::Control(Form& owner, ControlType kind, std::string name, int16_t index, Control* container)
    : form(owner), type(kind), name_(std::move(name)), index_(index), container_(container) {}

Control::~Control() = default;

DipRect Control::FormBounds() const {
  DipRect r = bounds_;
  for (const Control* c = container_; c; c = c->container_) {
    r.left += c->bounds_.left;
    r.top += c->bounds_.top;
  }
  return r;
}

void Control::Attach(std::unique_ptr<ControlHost> host) {
  host_ = std::move(host);
  if (host_) host_->Update();
}

void Control::Changed() {
  if (host_) host_->Update();
}

void Control::Move(int left, int top, int width, int height) {
  bounds_ = {left, top, std::max(0, width), std::max(0, height)};
  Changed();
}

void Control::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Changed();
}

void Control::SetVisible(bool visible) {
  visible_ = visible;
  Changed();
}

void Control::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Changed();
}

void Control::SetFont(const Font& font) {
  font_ = font;
  Changed();
}

void Control::SetForeColor(uint32_t color) {
  foreColor_ = color;
  Changed();
}

void Control::SetBackColor(uint32_t color) {
  backColor_ = color;
  Changed();
}

void Control::SetMousePointer(int pointer) {
  mousePointer_ = pointer;
  Changed();
}

void Control::SetToolTipText(std::string text) {
  toolTip_ = std::move(text);
  Changed();
}

void Control::SetFocus() {
  if (host_) host_->SetFocus();
}

void Control::UserClick() {
  if (enabled_ && Click) Click();
}

void Control::UserDblClick() {
  if (enabled_ && DblClick) DblClick();
}

// --- Kinds ---

void Label::SetTransparent(bool transparent) {
  transparent_ = transparent;
  Changed();
}

void Label::MakeLink() {
  Font font = GetFont();
  font.underline = true;
  SetFont(font);
  SetForeColor(0xFF0000);  // blue, as 0x00BBGGRR
  SetMousePointer(kPointerHand);
}

void CommandButton::SetDefault(bool value) {
  // One default and one cancel button per form: setting one clears the flag on the others.
  if (value)
    for (const auto& c : form.Controls())
      if (auto* button = dynamic_cast<CommandButton*>(c.get());
          button && button != this && button->default_) {
        button->default_ = false;
        button->Changed();
      }
  default_ = value;
  Changed();
}

void CommandButton::SetCancel(bool value) {
  if (value)
    for (const auto& c : form.Controls())
      if (auto* button = dynamic_cast<CommandButton*>(c.get()); button && button != this)
        button->cancel_ = false;
  cancel_ = value;
  Changed();
}

void CheckBox::SetValue(int value) {
  if (value < kUnchecked || value > kGrayed || value == value_) return;
  value_ = value;
  Changed();
}

void CheckBox::UserToggle() {
  if (!Enabled()) return;
  SetValue(value_ == kChecked ? kUnchecked : kChecked);
  UserClick();
}

void OptionButton::SetValue(bool value) {
  if (value)
    for (const auto& c : form.Controls())
      if (auto* other = dynamic_cast<OptionButton*>(c.get());
          other && other != this && other->Container() == Container() && other->value_) {
        other->value_ = false;
        other->Changed();
      }
  const bool changed = value != value_;
  value_ = value;
  if (changed) Changed();
  if (value && Click) Click();
}

void Slider::SetRange(int min, int max) {
  min_ = std::min(min, max);
  max_ = std::max(min, max);
  value_ = std::clamp(value_, min_, max_);
  Changed();
}

void Slider::SetSteps(int smallChange, int largeChange, int tickFrequency) {
  smallChange_ = std::max(1, smallChange);
  largeChange_ = std::max(1, largeChange);
  tickFrequency_ = std::max(1, tickFrequency);
  Changed();
}

void Slider::SetValue(int value) {
  value = std::clamp(value, min_, max_);
  if (value == value_) return;
  value_ = value;
  Changed();
  if (Change) Change();
}

void Slider::UserScroll(int value, bool tracking) {
  value = std::clamp(value, min_, max_);
  const bool moved = value != value_;
  value_ = value;
  if (moved) Changed();
  if (tracking) {
    if (moved && Scroll) Scroll();
  } else if (Change) {
    Change();  // the thumb was let go (or a key moved it): the value has settled
  }
}

void Line::SetPoints(int x1, int y1, int x2, int y2) {
  x1_ = x1, y1_ = y1, x2_ = x2, y2_ = y2;
  Place();
}

void Line::SetBorderWidth(int pixels) {
  borderWidth_ = std::max(1, pixels);
  Place();
}

void Line::Place() {
  // The band a pen of this width covers around the segment, without its round ends.
  const int half = borderWidth_ / 2;
  const int left = std::min(x1_, x2_), top = std::min(y1_, y2_);
  const bool horizontal = std::abs(x2_ - x1_) >= std::abs(y2_ - y1_);
  if (horizontal)
    Move(left, top - half, std::abs(x2_ - x1_), borderWidth_);
  else
    Move(left - half, top, borderWidth_, std::abs(y2_ - y1_));
}

void Timer::SetInterval(int milliseconds) {
  interval_ = std::max(0, milliseconds);
  Changed();
}

}  // namespace tk
