// Windowed controls: the system's own buttons, labels, text boxes and sliders on a form, so keyboard
// navigation, focus and screen readers work as users expect. The state lives here, portable; a ControlHost
// made by the form's window mirrors it, and user actions come back as the User* calls below, which change the
// state and raise the control's typed events.
//
// Geometry is in pixels at 96 DPI; the backend scales it by the DPI of the monitor the form is on. A control
// placed in a container (a frame) is positioned relative to the container.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tk {

class Form;
class Control;

// The native side of one control.
class ControlHost {
 public:
  virtual ~ControlHost() = default;
  // Applies every property of the control again (called after any change).
  virtual void Update() = 0;
  virtual void SetFocus() = 0;
};

enum class ControlType { Frame, Label, TextBox, CommandButton, CheckBox, OptionButton, Slider, Line, Timer };

// Pointer shapes for windowed controls, beyond the numbered ones of the overlay.
constexpr int kPointerHand = 100;

// A font for a control's text; the default is the dialog font: 8-point sans-serif.
struct Font {
  int points = 8;
  bool bold = false;
  bool underline = false;
  bool operator==(const Font&) const = default;
};

// Colours are 0x00BBGGRR; kSystemColor means "what the system draws there".
constexpr uint32_t kSystemColor = 0xFFFFFFFF;

// Pixel geometry at 96 DPI.
struct DipRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const DipRect&) const = default;
};

// `dips` scaled to `dpi`: each edge is rounded on its own, so neighbouring controls stay neighbours.
DipRect ScaleToDpi(const DipRect& dips, int dpi);

class Control {
 public:
  Control(Form& form, ControlType type, std::string name, int16_t index, Control* container);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Form& form;
  const ControlType type;
  const std::string& Name() const { return name_; }
  int16_t Index() const { return index_; }  // -1 outside a control array
  Control* Container() const { return container_; }

  const DipRect& Bounds() const { return bounds_; }
  // Bounds in the form's client area: the container's position added.
  DipRect FormBounds() const;
  void Move(int left, int top, int width, int height);
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  const Font& GetFont() const { return font_; }
  void SetFont(const Font& font);
  uint32_t ForeColor() const { return foreColor_; }
  void SetForeColor(uint32_t color);
  uint32_t BackColor() const { return backColor_; }
  void SetBackColor(uint32_t color);
  int MousePointer() const { return mousePointer_; }
  void SetMousePointer(int pointer);
  const std::string& ToolTipText() const { return toolTip_; }
  void SetToolTipText(std::string text);
  void SetFocus();

  // Events, raised by the User* calls of each kind.
  std::function<void()> Click, DblClick;

  // --- Used by the backends ---
  ControlHost* Host() const { return host_.get(); }
  void Attach(std::unique_ptr<ControlHost> host);
  void Detach() { host_.reset(); }
  void UserClick();
  void UserDblClick();

 protected:
  void Changed();

 private:
  std::string name_;
  int16_t index_;
  Control* container_;
  DipRect bounds_;
  std::string caption_;
  bool visible_ = true, enabled_ = true;
  Font font_;
  uint32_t foreColor_ = kSystemColor, backColor_ = kSystemColor;
  int mousePointer_ = 0;
  std::string toolTip_;
  std::unique_ptr<ControlHost> host_;
};

// A group box; the controls placed in it form its option-button group.
class Frame : public Control {
 public:
  Frame(Form& owner, std::string name, Control* container = nullptr, int16_t index = -1)
      : Control(owner, ControlType::Frame, std::move(name), index, container) {}
};

// Static text; with a back colour it is a coloured box. Click and DblClick come from the pointer.
class Label : public Control {
 public:
  Label(Form& owner, std::string name, Control* container = nullptr, int16_t index = -1)
      : Control(owner, ControlType::Label, std::move(name), index, container) {}
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  // The look of a web link: blue, underlined, the hand pointer.
  void MakeLink();

 private:
  bool transparent_ = false;
};

// A multi-line, read-only text with a vertical scroll bar; its text can be selected and copied.
class TextBox : public Control {
 public:
  TextBox(Form& owner, std::string name, Control* container = nullptr, int16_t index = -1)
      : Control(owner, ControlType::TextBox, std::move(name), index, container) {}
  const std::string& Text() const { return Caption(); }
  void SetText(std::string text) { SetCaption(std::move(text)); }
};

class CommandButton : public Control {
 public:
  CommandButton(Form& owner, std::string name, Control* container = nullptr, int16_t index = -1)
      : Control(owner, ControlType::CommandButton, std::move(name), index, container) {}
  // Enter presses the form's default button, Esc its cancel button.
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value);

 private:
  bool default_ = false, cancel_ = false;
};

enum : int { kUnchecked = 0, kChecked = 1, kGrayed = 2 };

class CheckBox : public Control {
 public:
  CheckBox(Form& owner, std::string name, Control* container = nullptr, int16_t index = -1)
      : Control(owner, ControlType::CheckBox, std::move(name), index, container) {}
  int Value() const { return value_; }
  void SetValue(int value);  // 0 unchecked, 1 checked, 2 grayed; anything else is refused

  // The user's click: checked becomes unchecked, anything else checked; then Click.
  void UserToggle();

 private:
  int value_ = kUnchecked;
};

// Option buttons that share a container form a group: selecting one clears the others.
class OptionButton : public Control {
 public:
  OptionButton(Form& owner, std::string name, Control* container = nullptr, int16_t index = -1)
      : Control(owner, ControlType::OptionButton, std::move(name), index, container) {}
  bool Value() const { return value_; }
  // Selecting clears the group's other buttons and raises Click, as the user's choice does.
  void SetValue(bool value);
  void UserSelect() { SetValue(true); }

 private:
  bool value_ = false;
};

// A trackbar. Scroll is raised while the thumb moves, Change when the value has settled.
class Slider : public Control {
 public:
  Slider(Form& owner, std::string name, Control* container = nullptr, int16_t index = -1)
      : Control(owner, ControlType::Slider, std::move(name), index, container) {}
  int Min() const { return min_; }
  int Max() const { return max_; }
  int SmallChange() const { return smallChange_; }
  int LargeChange() const { return largeChange_; }
  int TickFrequency() const { return tickFrequency_; }
  int Value() const { return value_; }
  void SetRange(int min, int max);
  void SetSteps(int smallChange, int largeChange, int tickFrequency);
  // Clamped to the range; raises Change when the value changes.
  void SetValue(int value);
  // The thumb moved to `value`: Scroll while `tracking`, Change when it settles.
  void UserScroll(int value, bool tracking);

  std::function<void()> Change, Scroll;

 private:
  int min_ = 0, max_ = 10, smallChange_ = 1, largeChange_ = 5, tickFrequency_ = 1, value_ = 0;
};

// A straight line from (x1, y1) to (x2, y2), BorderWidth pixels wide, in BorderColor. Horizontal and vertical
// lines are what forms use; the backend draws the line's bounding band.
class Line : public Control {
 public:
  Line(Form& owner, std::string name, Control* container = nullptr, int16_t index = -1)
      : Control(owner, ControlType::Line, std::move(name), index, container) {}
  void SetPoints(int x1, int y1, int x2, int y2);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int pixels);
  uint32_t BorderColor() const { return BackColor(); }
  void SetBorderColor(uint32_t color) { SetBackColor(color); }

 private:
  void Place();
  int x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0, borderWidth_ = 1;
};

// Raises Tick every Interval milliseconds while enabled and the interval is above 0.
class Timer : public Control {
 public:
  Timer(Form& owner, std::string name) : Control(owner, ControlType::Timer, std::move(name), -1, nullptr) {}
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);
  bool Running() const { return Enabled() && interval_ > 0; }

  std::function<void()> Tick;

 private:
  int interval_ = 0;
};

}  // namespace tk
