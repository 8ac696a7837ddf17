// A running program on the headless backend: the overlay loaded as at start-up, with helpers that act as
// the user (keys, pointer, menus) and read back what the desktop shows.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "platform/headless/headless_system.h"

constexpr uint32_t kYellow = 0x0000FFFF;
constexpr int kVkShift = 16, kVkControl = 17, kVkDelete = 46;
constexpr uintptr_t kShift = tk::mk::kShift, kControl = tk::mk::kControl;
// The stamp keys in the order of the stampCount slots: smiley, x, check, arrow, star.
constexpr int kStampKeys[] = {'S', 'X', 'C', 'A', '8'};
using Points = std::vector<std::pair<int, int>>;
using Strings = std::vector<std::string>;

// An element's geometry in twips: left, top, width and height; a missing element reads as all -1.
using Box = std::array<float, 4>;
inline Box BoxOf(const tk::Element* e) {
  return e ? Box{e->Left(), e->Top(), e->Width(), e->Height()} : Box{-1, -1, -1, -1};
}

// The colour channels of a pixel; the alpha byte of a composed frame means nothing.
inline raster::Pixel Rgb(raster::Pixel p) {
  return p & 0xFFFFFF;
}
inline int DifferingPixels(const raster::Bitmap& a, const raster::Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int count = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) count += Rgb(a.At(x, y)) != Rgb(b.At(x, y));
  return count;
}

class LumoraTest : public ::testing::Test {
 protected:
  explicit LumoraTest(int width = 1920, int height = 1080, int dpi = 96) : sys(width, height, dpi) {
    Preset("Instructions on startup", "0");  // most tests are not about the first-start box
  }

  // Stores a setting, or removes it for nullopt.
  void Preset(const std::string& key, const std::optional<std::string>& text) {
    CRegSettings store(sys.registry);
    text ? store.SaveSetting("Options", key, *text) : store.DeleteSetting("Options", key);
  }

  // Starts the program as Windows would, with the overlay's load handler; an earlier one exits first.
  Form1& Start() {
    if (form) form->Unload();
    form.reset();
    app = std::make_unique<tk::App>(sys);
    form = std::make_unique<Form1>(*app);
    form->Load();
    // The banner covers the top-left corner of every frame; only its own tests want it there.
    if (hideBanner) form->Image1.SetVisible(false);
    return *form;
  }
  Form1& StartSession() {
    Start().mnupophl_Click();
    return *form;
  }

  tk::HeadlessWindow& Window() { return *sys.WindowOf(*form); }
  const raster::Bitmap& Frame() { return Window().Frame(); }
  raster::Pixel Shown(int x, int y) { return Rgb(Frame().At(x, y)); }
  raster::Pixel Under(int x, int y) { return Rgb(sys.screen.At(x, y)); }
  raster::Pixel Yellowed(int x, int y) { return Rgb(sys.screen.At(x, y) & raster::PenFromColorRef(kYellow)); }

  // The user's pointer, in pixels, through the window procedure.
  void Mouse(uint32_t message, int x, int y, uintptr_t keys) { sys.Mouse(*form, message, x, y, keys); }
  void Press(int x, int y, uintptr_t keys = tk::mk::kLButton) { Mouse(tk::wm::kLButtonDown, x, y, keys); }
  void MoveTo(int x, int y, uintptr_t keys = tk::mk::kLButton) { Mouse(tk::wm::kMouseMove, x, y, keys); }
  void Release(int x, int y, uintptr_t keys = 0) { Mouse(tk::wm::kLButtonUp, x, y, keys); }
  void Hover(int x, int y) { MoveTo(x, y, 0); }  // no button down: when the hover test runs
  void Drag(int x1, int y1, int x2, int y2, uintptr_t keys = 0, int steps = 8) {
    Press(x1, y1, tk::mk::kLButton | keys);
    for (int i = 1; i <= steps; ++i)
      MoveTo(x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps, tk::mk::kLButton | keys);
    Release(x2, y2, keys);
  }
  void CtrlDrag(int x1, int y1, int x2, int y2) {
    KeyDown(kVkControl);
    Drag(x1, y1, x2, y2, kControl);
    KeyUp(kVkControl);
  }
  void RightClick(int x, int y) {
    Mouse(tk::wm::kRButtonDown, x, y, tk::mk::kRButton);
    Mouse(tk::wm::kRButtonUp, x, y, 0);
  }
  void KeyDown(int vk) { sys.SendMessage(*form, tk::wm::kKeyDown, vk); }
  void KeyUp(int vk) { sys.SendMessage(*form, tk::wm::kKeyUp, vk); }
  void Char(int ch) { sys.SendMessage(*form, tk::wm::kChar, ch); }
  void ClickWithKey(int vk, int x, int y) {
    KeyDown(vk);
    Press(x, y);
    Release(x, y);
    KeyUp(vk);
  }

  // A left drag in twips straight into the handlers, with `shift` as their Shift argument: the press at the
  // first point, a move to each of the others and the release at the last.
  void DragTwips(const std::vector<std::pair<float, float>>& path, int16_t shift = 0) {
    form->Form_MouseDown(1, shift, path[0].first, path[0].second);
    for (size_t i = 1; i < path.size(); ++i) form->Form_MouseMove(1, shift, path[i].first, path[i].second);
    form->Form_MouseUp(1, shift, path.back().first, path.back().second);
  }
  // A Shift drag (rectangle) or Ctrl drag (ellipse) in twips; gives its index.
  int ShapeTwips(bool oval, float x1, float y1, float x2, float y2) {
    if (oval) KeyDown(kVkControl);
    DragTwips({{x1, y1}, {x2, y2}}, oval ? 2 : 1);
    if (oval) KeyUp(kVkControl);
    return oval ? form->ovalCount : form->rectCount;
  }
  int RectTwips(float x1, float y1, float x2, float y2) { return ShapeTwips(false, x1, y1, x2, y2); }
  void HoverTwips(float x, float y) { form->Form_MouseMove(0, 0, x, y); }
  Box RectBox(int index) { return BoxOf(form->shapeArrRect[index]); }
  Box OvalBox(int index) { return BoxOf(form->ShapeArrOv[index]); }

  // Every shape and stamp the user made; the templates do not count.
  size_t Marks() {
    size_t marks = form->shapeArrRect.Count() + form->ShapeArrOv.Count() - 2;
    for (int kind = 0; kind < 5; ++kind) marks += form->StampArray(kind).Count() - 1;
    return marks;
  }

  // Every message box shown so far, as "title: text (style)".
  std::vector<std::string> Boxes() {
    std::vector<std::string> boxes;
    for (const auto& box : sys.msgBoxes)
      boxes.push_back(box.title + ": " + box.text + " (" + std::to_string(box.style) + ")");
    return boxes;
  }

  // A tray notification: the shell's mouse message arrives as a move of the hidden overlay.
  void Tray(uint32_t mouseMessage) { sys.SendMessage(*form, tk::wm::kMouseMove, 1, mouseMessage); }
  // Chooses the menu entry with this caption or name the next time a menu opens.
  void ChooseNext(const std::string& caption) {
    sys.chooseMenuItem = [caption](const tk::PopupRecord&, tk::MenuItem& menu) -> tk::MenuItem* {
      for (tk::MenuItem* item : menu.Items)
        if (item->Caption == caption || item->Name == caption) return item;
      return nullptr;
    };
  }

  // Paints the fake screen with a pattern no two nearby pixels share, so scaling or shifting shows.
  void PaintScreenPattern() {
    for (int y = 0; y < sys.screen.Height(); ++y)
      for (int x = 0; x < sys.screen.Width(); ++x)
        sys.screen.Row(y)[x] = 0xFF000000u | (uint32_t(x * 7 + y * 13) & 0xFF) << 16 |
                               (uint32_t(x) & 0xFF) << 8 | (uint32_t(y * 3) & 0xFF);
  }

  tk::HeadlessSystem sys;
  bool hideBanner = true;
  std::unique_ptr<tk::App> app;
  std::unique_ptr<Form1> form;
};
