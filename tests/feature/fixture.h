// A running program on the headless backend: the overlay loaded as at start-up, with helpers that act as
// the user (keys, pointer, menus) and read back what the desktop shows.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/form1.h"
#include "platform/headless/headless_system.h"

class LumoraTest : public ::testing::Test {
 protected:
  explicit LumoraTest(int width = 1920, int height = 1080, int dpi = 96) : sys(width, height, dpi) {
    // Most tests are not about the instructions box shown at the first start.
    Preset("Instructions on startup", "0");
  }

  void Preset(const std::string& key, const std::string& text) {
    CRegSettings store(sys.registry);
    store.SaveSetting("Options", key, text);
  }

  void Unset(const std::string& key) {
    CRegSettings store(sys.registry);
    store.DeleteSetting("Options", key);
  }

  // Starts the program as Windows would: the overlay's load handler is the start. A program started
  // earlier in the test exits first.
  Form1& Start() {
    if (form) form->Unload();
    form.reset();
    sys.quit = false;
    app = std::make_unique<tk::App>(sys);
    form = std::make_unique<Form1>(*app);
    form->Load();
    return *form;
  }

  // Starts the program and a session on it.
  Form1& StartSession() {
    Start();
    form->mnupophl_Click();
    return *form;
  }

  tk::HeadlessWindow& Window() { return *sys.WindowOf(*form); }
  const raster::Bitmap& Frame() { return Window().Frame(); }

  // The user's pointer, in pixels, through the window procedure.
  void Press(int x, int y, uintptr_t keys = tk::mk::kLButton) { sys.Mouse(*form, tk::wm::kLButtonDown, x, y, keys); }
  void MoveTo(int x, int y, uintptr_t keys = tk::mk::kLButton) { sys.Mouse(*form, tk::wm::kMouseMove, x, y, keys); }
  void Release(int x, int y, uintptr_t keys = 0) { sys.Mouse(*form, tk::wm::kLButtonUp, x, y, keys); }
  void Drag(int x1, int y1, int x2, int y2, uintptr_t keys = 0, int steps = 8) {
    Press(x1, y1, tk::mk::kLButton | keys);
    for (int i = 1; i <= steps; ++i)
      MoveTo(x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps, tk::mk::kLButton | keys);
    Release(x2, y2, keys);
  }
  void RightClick(int x, int y) {
    sys.Mouse(*form, tk::wm::kRButtonDown, x, y, tk::mk::kRButton);
    sys.Mouse(*form, tk::wm::kRButtonUp, x, y, 0);
  }
  void KeyDown(int vk) { sys.SendMessage(*form, tk::wm::kKeyDown, vk); }
  void KeyUp(int vk) { sys.SendMessage(*form, tk::wm::kKeyUp, vk); }
  void Char(int ch) { sys.SendMessage(*form, tk::wm::kChar, ch); }
  // The pointer resting or gliding with no button down, which is when the hover test runs.
  void Hover(int x, int y) { MoveTo(x, y, 0); }
  // Holds a key while clicking, as a user places a stamp.
  void ClickWithKey(int vk, int x, int y) {
    KeyDown(vk);
    Press(x, y);
    Release(x, y);
    KeyUp(vk);
  }

  // A tray notification: the shell's mouse message arrives as a move of the hidden overlay.
  void Tray(uint32_t mouseMessage) { sys.SendMessage(*form, tk::wm::kMouseMove, 1, mouseMessage); }

  // Chooses the menu entry with this caption the next time a menu opens.
  void ChooseNext(const std::string& caption) {
    sys.chooseMenuItem = [caption](const tk::PopupRecord&, tk::MenuItem& menu) -> tk::MenuItem* {
      for (tk::MenuItem* item : menu.Items)
        if (item->Caption == caption) return item;
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
  std::unique_ptr<tk::App> app;
  std::unique_ptr<Form1> form;
};

// An element's geometry in twips, comparable and printable; a missing element reads as all -1.
struct Box {
  float left, top, width, height;
  bool operator==(const Box&) const = default;
};
inline void PrintTo(const Box& b, std::ostream* os) {
  *os << "{L " << b.left << ", T " << b.top << ", W " << b.width << ", H " << b.height << "}";
}
inline Box BoxOf(const tk::Element* e) {
  return e ? Box{e->Left(), e->Top(), e->Width(), e->Height()} : Box{-1, -1, -1, -1};
}

// Pixel of a mask pen (0x00BBGGRR colour) over a screen pixel.
inline raster::Pixel Masked(raster::Pixel under, uint32_t colorref) {
  return under & raster::PenFromColorRef(colorref);
}
// The colour channels of a pixel; the alpha byte of a composed frame means nothing.
inline raster::Pixel Rgb(raster::Pixel p) { return p & 0xFFFFFF; }
// How many pixels two frames of one size differ in, by colour.
inline int DifferingPixels(const raster::Bitmap& a, const raster::Bitmap& b) {
  int count = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) count += Rgb(a.At(x, y)) != Rgb(b.At(x, y));
  return count;
}
