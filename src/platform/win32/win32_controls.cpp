#include "platform/win32/win32_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/form.h"
#include "platform/win32/win32_dpi.h"
#include "platform/win32/win32_window.h"

namespace tk::win32 {

namespace {

struct Kind {
  const char* windowClass;
  DWORD style, exStyle;
};

Kind KindOf(const Control& control) {
  switch (control.type) {
    case ControlType::Frame:
      return {WC_BUTTONA, BS_GROUPBOX, 0};
    case ControlType::Label:
      return {WC_STATICA, SS_LEFT | SS_NOTIFY, 0};
    case ControlType::TextBox:
      return {WC_EDITA, ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE};
    case ControlType::CommandButton:
      return {WC_BUTTONA,
              static_cast<DWORD>(static_cast<const CommandButton&>(control).Default() ? BS_DEFPUSHBUTTON
                                                                                      : BS_PUSHBUTTON),
              0};
    case ControlType::CheckBox:
      return {WC_BUTTONA, BS_AUTOCHECKBOX, 0};
    case ControlType::OptionButton:
      return {WC_BUTTONA, BS_AUTORADIOBUTTON, 0};
    case ControlType::Slider:
      return {TRACKBAR_CLASSA, TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM, 0};
    case ControlType::Line:
      return {WC_STATICA, SS_LEFT, 0};  // no SS_NOTIFY: clicks go through it
    case ControlType::Timer:
      break;
  }
  return {nullptr, 0, 0};
}

COLORREF Or(uint32_t color, int systemColor) {
  return color == kSystemColor ? ::GetSysColor(systemColor) : static_cast<COLORREF>(color & 0xFFFFFF);
}

// A control inside a hidden or disabled frame is hidden or disabled with it.
bool ShownWithContainers(const Control& control) {
  for (const Control* c = &control; c; c = c->Container())
    if (!c->Visible()) return false;
  return true;
}
bool EnabledWithContainers(const Control& control) {
  for (const Control* c = &control; c; c = c->Container())
    if (!c->Enabled()) return false;
  return true;
}

size_t IndexOf(const Control& control) {
  const auto& all = control.form.Controls();
  return static_cast<size_t>(
      std::find_if(all.begin(), all.end(), [&](const auto& c) { return c.get() == &control; }) - all.begin());
}

bool SameOptionGroup(const Control& a, const Control& b) {
  return a.type == ControlType::OptionButton && b.type == ControlType::OptionButton &&
         a.Container() == b.Container();
}

// The option buttons of `option`'s group, in creation order.
std::vector<const OptionButton*> OptionGroup(const Control& option) {
  const auto& all = option.form.Controls();
  size_t first = IndexOf(option), last = first;
  if (first >= all.size()) return {};
  while (first > 0 && SameOptionGroup(*all[first - 1], option)) --first;
  while (last + 1 < all.size() && SameOptionGroup(*all[last + 1], option)) ++last;
  std::vector<const OptionButton*> group;
  for (size_t i = first; i <= last; ++i) group.push_back(static_cast<const OptionButton*>(all[i].get()));
  return group;
}

// Whether the control starts a group for the arrow keys: option buttons of one container created one after
// the other are one group; every other control starts one, as the labels of a dialog template do.
bool StartsGroup(const Control& control) {
  const size_t at = IndexOf(control);
  return at == 0 || at >= control.form.Controls().size() ||
         !SameOptionGroup(*control.form.Controls()[at - 1], control);
}

// Tab reaches the buttons, boxes, sliders and text boxes, and of an option group only the selected button
// (or the first one, while none is).
bool TabStop(const Control& control) {
  switch (control.type) {
    case ControlType::CommandButton:
    case ControlType::CheckBox:
    case ControlType::Slider:
    case ControlType::TextBox:
      return true;
    case ControlType::OptionButton: {
      const auto group = OptionGroup(control);
      const bool anySelected = std::any_of(group.begin(), group.end(), [](auto* o) { return o->Value(); });
      return anySelected ? static_cast<const OptionButton&>(control).Value() : group.front() == &control;
    }
    default:
      return false;
  }
}

void ApplyGroupStyles(HWND hwnd, const Control& control) {
  if (!hwnd) return;
  const LONG_PTR style = ::GetWindowLongPtrA(hwnd, GWL_STYLE);
  const LONG_PTR wanted = (style & ~LONG_PTR{WS_TABSTOP | WS_GROUP}) | (StartsGroup(control) ? WS_GROUP : 0) |
                          (TabStop(control) ? WS_TABSTOP : 0);
  if (wanted != style) ::SetWindowLongPtrA(hwnd, GWL_STYLE, wanted);
}

// Edit controls break lines only at CR LF.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

ControlWindow::ControlWindow(Win32Window& window, Control& control, UINT id)
    : window_(window), control_(control), id_(id) {
  const Kind kind = KindOf(control);
  if (!kind.windowClass) return;
  hwnd_.reset(::CreateWindowExA(kind.exStyle, kind.windowClass, "", WS_CHILD | kind.style, 0, 0, 0, 0,
                                window.Hwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                window.Instance(), nullptr));
  if (hwnd_ && control.type == ControlType::TextBox)
    ::SetWindowSubclass(hwnd_.get(), &ReadOnlyTextProc, 1, 0);
}

LRESULT CALLBACK ControlWindow::ReadOnlyTextProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR /*id*/, DWORD_PTR /*data*/) {
  // A text to read: reaching it with the keyboard must not select all of it and scroll to its end.
  const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
  return message == WM_GETDLGCODE ? result & ~LRESULT{DLGC_HASSETSEL} : result;
}

ControlWindow::~ControlWindow() {
  if (!tipShown_.empty()) window_.SetControlTip(hwnd_.get(), {});
  window_.ControlGone(*this);
}

void ControlWindow::Update() {
  if (control_.type == ControlType::Timer) {
    const auto& timer = static_cast<const Timer&>(control_);
    if (!timer.Running()) {
      timer_.reset();
      return;
    }
    if (timer_ && timerInterval_ == timer.Interval()) return;
    timer_.reset();
    if (::SetTimer(window_.Hwnd(), id_, static_cast<UINT>(timer.Interval()), nullptr))
      timer_ = UniqueTimer(TimerId{window_.Hwnd(), id_});
    timerInterval_ = timer.Interval();
    return;
  }
  if (!hwnd_) return;
  ApplyText();
  ApplyFont();
  ApplyKind();
  ApplyGeometry();
  ApplyGroupStyles(hwnd_.get(), control_);
  ApplyToolTip();
  const bool enabled = EnabledWithContainers(control_);
  if (enabled != (::IsWindowEnabled(hwnd_.get()) != FALSE)) ::EnableWindow(hwnd_.get(), enabled);
  const bool shown = ShownWithContainers(control_);
  if (shown != ((::GetWindowLongPtrA(hwnd_.get(), GWL_STYLE) & WS_VISIBLE) != 0))
    ::ShowWindow(hwnd_.get(), shown ? SW_SHOWNA : SW_HIDE);
  // Colours and transparency show only on the next paint.
  ::InvalidateRect(hwnd_.get(), nullptr, TRUE);

  if (control_.type == ControlType::Frame) {
    // The frame's contents are its siblings: they follow its visibility and its enabled state.
    for (const auto& c : control_.form.Controls())
      if (c->Container() == &control_ && c->Host()) c->Host()->Update();
  }
}

void ControlWindow::ApplyText() {
  std::string text;
  switch (control_.type) {
    case ControlType::Slider:
    case ControlType::Line:
      break;
    case ControlType::TextBox:
      text = WithCrLf(control_.Caption());
      break;
    default:
      text = control_.Caption();
      break;
  }
  if (text == textShown_) return;
  ::SetWindowTextA(hwnd_.get(), text.c_str());
  textShown_ = std::move(text);
}

void ControlWindow::ApplyFont() {
  if (control_.type == ControlType::Slider || control_.type == ControlType::Line) return;
  const int dpi = window_.Dpi();
  if (font_ && fontShown_ == control_.GetFont() && fontDpi_ == dpi) return;
  UniqueFont font = CreateControlFont(control_.GetFont(), dpi);
  if (!font) return;
  ::SendMessageA(hwnd_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  font_ = std::move(font);  // the previous font goes only once the control has let go of it
  fontShown_ = control_.GetFont();
  fontDpi_ = dpi;
}

void ControlWindow::ApplyGeometry() {
  const DipRect r = ScaleToDpi(control_.FormBounds(), window_.Dpi());
  RECT now{};
  ::GetWindowRect(hwnd_.get(), &now);
  ::MapWindowPoints(nullptr, window_.Hwnd(), reinterpret_cast<POINT*>(&now), 2);
  if (now.left == r.left && now.top == r.top && now.right - now.left == r.width &&
      now.bottom - now.top == r.height)
    return;
  ::SetWindowPos(hwnd_.get(), nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlWindow::ApplyToolTip() {
  if (control_.ToolTipText() == tipShown_) return;
  tipShown_ = control_.ToolTipText();
  window_.SetControlTip(hwnd_.get(), tipShown_);
}

void ControlWindow::ApplyKind() {
  const HWND hwnd = hwnd_.get();
  auto send = [hwnd](UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageA(hwnd, message, wParam, lParam);
  };
  switch (control_.type) {
    case ControlType::CommandButton: {
      const bool isDefault = static_cast<const CommandButton&>(control_).Default();
      if (window_.IsDialog()) {
        // The dialog manager keeps the default button, and moves the default look with the focus.
        const LRESULT current = ::SendMessageA(window_.Hwnd(), DM_GETDEFID, 0, 0);
        const UINT currentId = HIWORD(current) == DC_HASDEFID ? LOWORD(current) : 0;
        if (isDefault && currentId != id_) ::SendMessageA(window_.Hwnd(), DM_SETDEFID, id_, 0);
        if (!isDefault && currentId == id_) ::SendMessageA(window_.Hwnd(), DM_SETDEFID, 0, 0);
      } else if (const LONG_PTR wanted = isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
                 (::GetWindowLongPtrA(hwnd, GWL_STYLE) & BS_TYPEMASK) != wanted) {
        send(BM_SETSTYLE, wanted, TRUE);
      }
      break;
    }
    case ControlType::CheckBox: {
      const int value = static_cast<const CheckBox&>(control_).Value();
      // Only a three-state box can show the grayed state; the user's clicks are the toolkit's to decide.
      const LONG_PTR wanted = value == kGrayed ? BS_AUTO3STATE : BS_AUTOCHECKBOX;
      if ((::GetWindowLongPtrA(hwnd, GWL_STYLE) & BS_TYPEMASK) != wanted) send(BM_SETSTYLE, wanted, TRUE);
      const WPARAM state = value == kChecked  ? BST_CHECKED
                           : value == kGrayed ? BST_INDETERMINATE
                                              : BST_UNCHECKED;
      if (static_cast<WPARAM>(send(BM_GETCHECK)) != state) send(BM_SETCHECK, state);
      break;
    }
    case ControlType::OptionButton: {
      const WPARAM state = static_cast<const OptionButton&>(control_).Value() ? BST_CHECKED : BST_UNCHECKED;
      if (static_cast<WPARAM>(send(BM_GETCHECK)) != state) send(BM_SETCHECK, state);
      // The group's Tab stop follows the selection.
      for (const OptionButton* other : OptionGroup(control_))
        if (other != &control_)
          if (const ControlWindow* host = window_.HostOf(*other)) ApplyGroupStyles(host->Handle(), *other);
      break;
    }
    case ControlType::Slider: {
      const auto& slider = static_cast<const Slider&>(control_);
      if (send(TBM_GETRANGEMIN) != slider.Min() || send(TBM_GETRANGEMAX) != slider.Max()) {
        send(TBM_SETRANGEMIN, FALSE, slider.Min());
        send(TBM_SETRANGEMAX, TRUE, slider.Max());
      }
      if (send(TBM_GETLINESIZE) != slider.SmallChange()) send(TBM_SETLINESIZE, 0, slider.SmallChange());
      if (send(TBM_GETPAGESIZE) != slider.LargeChange()) send(TBM_SETPAGESIZE, 0, slider.LargeChange());
      send(TBM_SETTICFREQ, static_cast<WPARAM>(slider.TickFrequency()));
      if (send(TBM_GETPOS) != slider.Value()) send(TBM_SETPOS, TRUE, slider.Value());
      break;
    }
    default:
      break;
  }
}

void ControlWindow::SetFocus() {
  if (hwnd_) window_.FocusControl(hwnd_.get());
}

void ControlWindow::OnCommand(UINT code) {
  switch (control_.type) {
    case ControlType::Label:
      if (code == STN_CLICKED) control_.UserClick();
      if (code == STN_DBLCLK) control_.UserDblClick();
      break;
    case ControlType::CommandButton:
      if (code == BN_CLICKED) control_.UserClick();
      break;
    case ControlType::CheckBox:
      if (code == BN_CLICKED) static_cast<CheckBox&>(control_).UserToggle();
      break;
    case ControlType::OptionButton:
      if (code == BN_CLICKED) static_cast<OptionButton&>(control_).UserSelect();
      break;
    default:
      break;
  }
}

void ControlWindow::OnScroll(UINT code) {
  if (control_.type != ControlType::Slider) return;
  auto& slider = static_cast<Slider&>(control_);
  const int position = static_cast<int>(::SendMessageA(hwnd_.get(), TBM_GETPOS, 0, 0));
  // Every move ends with TB_ENDTRACK; it settles a value only when a drag or a change came before it
  // that has not been settled yet, so one key press is one Change.
  if (code == TB_ENDTRACK && !tracking_ && position == slider.Value()) return;
  tracking_ = code == TB_THUMBTRACK;
  slider.UserScroll(position, tracking_);
}

void ControlWindow::OnTimer() {
  auto& timer = static_cast<Timer&>(control_);
  if (timer.Running() && timer.Tick) timer.Tick();
}

HBRUSH ControlWindow::SolidBrush(COLORREF color) {
  if (!brush_ || brushColor_ != color) {
    brush_.reset(::CreateSolidBrush(color));
    brushColor_ = color;
  }
  return brush_.get();
}

HBRUSH ControlWindow::OnColor(HDC dc) {
  const uint32_t back = control_.BackColor();
  switch (control_.type) {
    case ControlType::Line:
      return SolidBrush(Or(back, COLOR_WINDOWTEXT));
    case ControlType::TextBox:
      ::SetTextColor(dc, Or(control_.ForeColor(), COLOR_WINDOWTEXT));
      ::SetBkColor(dc, Or(back, COLOR_WINDOW));
      return SolidBrush(Or(back, COLOR_WINDOW));
    default:
      break;
  }
  ::SetTextColor(dc, Or(control_.ForeColor(), COLOR_BTNTEXT));
  // A label's default back is the system's face colour; the other controls let the form show through
  // unless they were given a colour of their own.
  const bool label = control_.type == ControlType::Label;
  const bool seeThrough = label ? static_cast<const Label&>(control_).Transparent() : back == kSystemColor;
  if (!seeThrough) {
    const COLORREF color = Or(back, COLOR_BTNFACE);
    ::SetBkColor(dc, color);
    return SolidBrush(color);
  }
  window_.PaintSurfaceBehind(hwnd_.get(), dc);
  ::SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

}  // namespace tk::win32
