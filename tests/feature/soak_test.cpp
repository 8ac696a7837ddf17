// A long run of seeded random user and system events on a small screen, with the program's invariants checked
// after every one. LUMORA_SOAK_EVENTS (default 3000), LUMORA_SOAK_SEED (default 1) and LUMORA_SOAK_EVERY (events
// between frame comparisons, default 1) set the run; a failure prints the command that replays it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>

#include "fixture.h"
#include "guidance/form5.h"
#include "settings/form2.h"

namespace {

int EnvInt(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::atoi(text) : fallback;
}

constexpr int kW = 320, kH = 240;
// Keys by how often they come up; the ones that clear everything (full stop, Esc, Delete) are rare, so marks
// can pile up between them.
constexpr int kKeys[] = {'S', 'X', 'C', 'A', '8', kVkControl, kVkControl, kVkShift, 18, 'H', 'Q', 13, 32};
constexpr int kRareKeys[] = {190, 27, kVkDelete};
constexpr const char* kMenuItems[] = {"mnupophl", "mnupophl", "mnupopopt", "mnupopopt", "mnupopopt", "mnuqref",
                                      "mnupopabt", "mnupophlp", "mnupopexit", "(dismissed)", "mnupopclr"};

class SoakTest : public LumoraTest {
 protected:
  SoakTest() : LumoraTest(kW, kH) { hideBanner = false; }

  unsigned R(unsigned n) { return rng() % n; }
  std::string At(int x, int y) { return " at " + std::to_string(x) + "," + std::to_string(y); }

  // A pixel on or near a mark when there are some, so handles, moves and deletions get hit; else anywhere.
  std::pair<int, int> Point() {
    const tk::Element* mark = nullptr;
    auto pick = [this](const auto& arr, int32_t count) -> const tk::Element* {
      if (arr.Count() < 2) return nullptr;
      auto it = arr.Elements().lower_bound(int16_t(1 + R(count)));
      return (it == arr.Elements().end() ? std::prev(it) : it)->second.get();
    };
    switch (R(4)) {
      case 0: mark = pick(form->shapeArrRect, form->rectCount); break;
      case 1: mark = pick(form->ShapeArrOv, form->ovalCount); break;
      case 2: {
        const int k = int(R(5));
        mark = pick(form->StampArray(k), form->stampCount[k]);
        break;
      }
      default: break;
    }
    if (!mark) return {int(R(kW + 20)) - 10, int(R(kH + 20)) - 10};
    const raster::Rect b = mark->PixelBox(form->TwipsPerPixel());
    const int xs[] = {b.left, b.right, (b.left + b.right) / 2}, ys[] = {b.top, b.bottom, (b.top + b.bottom) / 2};
    return {xs[R(3)] + int(R(9)) - 4, ys[R(3)] + int(R(9)) - 4};
  }

  // One random event; returns what it was, readable.
  std::string Event() {
    const unsigned kind = R(100);
    if (kind < 62 && !form->Visible()) {  // a hidden overlay hears the pointer only as tray notifications
      const uint32_t m[] = {tk::wm::kMouseMove, tk::wm::kLButtonDown, tk::wm::kLButtonUp, tk::wm::kRButtonDown,
                            tk::wm::kRButtonUp, tk::wm::kLButtonDblClk};
      const uint32_t message = m[R(6)];
      if (message == tk::wm::kRButtonUp) ChooseRandom();
      Tray(message);
      return "tray notification " + std::to_string(message) + menuChoice;
    }
    if (kind < 62 && (dragLeft > 0 || !R(3))) {
      // A drag: a left press, moves with the same keys, and the release.
      uint32_t message = tk::wm::kMouseMove;
      if (dragLeft == 0) {
        dragLeft = 1 + R(8);
        dragKeys = tk::mk::kLButton | (R(2) ? kShift : 0) | (R(4) ? 0 : kControl);
        std::tie(dragX, dragY) = Point();
        message = tk::wm::kLButtonDown;
      } else if (--dragLeft == 0) {
        message = tk::wm::kLButtonUp;
      } else {
        dragX += int(R(61)) - 30, dragY += int(R(61)) - 30;
      }
      held = message == tk::wm::kLButtonUp ? held & ~tk::mk::kLButton : held | tk::mk::kLButton;
      const uintptr_t keys = message == tk::wm::kLButtonUp ? dragKeys & ~tk::mk::kLButton : dragKeys;
      Mouse(message, dragX, dragY, keys);
      return "drag " + std::to_string(message) + " keys " + std::to_string(keys) + At(dragX, dragY);
    }
    if (kind < 62) {
      const uint32_t m[] = {tk::wm::kMouseMove, tk::wm::kMouseMove, tk::wm::kMouseMove, tk::wm::kLButtonDown,
                            tk::wm::kLButtonUp, tk::wm::kRButtonDown, tk::wm::kRButtonUp, tk::wm::kMButtonDown,
                            tk::wm::kMButtonUp, tk::wm::kLButtonDblClk};
      const uint32_t message = m[R(10)];
      const uintptr_t button = message <= tk::wm::kLButtonDblClk   ? tk::mk::kLButton
                               : message <= tk::wm::kRButtonUp     ? tk::mk::kRButton
                                                                   : tk::mk::kMButton;
      const bool down = message == tk::wm::kLButtonDown || message == tk::wm::kLButtonDblClk ||
                        message == tk::wm::kRButtonDown || message == tk::wm::kMButtonDown;
      if (message != tk::wm::kMouseMove) held = down ? held | button : held & ~button;
      // Mostly the buttons really held; now and then any mix, as a lost release leaves behind.
      uintptr_t keys = R(10) ? held : R(32) & 0x13;
      keys |= (R(3) ? 0 : kShift) | (R(4) ? 0 : kControl);
      auto [x, y] = Point();
      Mouse(message, x, y, keys);
      return "mouse " + std::to_string(message) + " keys " + std::to_string(keys) + At(x, y);
    }
    if (kind < 80) {
      const int vk = R(50) ? kKeys[R(std::size(kKeys))] : kRareKeys[R(3)], action = R(3);
      const int modifier = vk == kVkShift ? 1 : vk == kVkControl ? 2 : vk == 18 ? 4 : 0;
      if (action == 0) sys.modifiers |= modifier, sys.keysDown.insert(vk);
      if (action == 1) sys.modifiers &= ~modifier, sys.keysDown.erase(vk);
      // Only the shown overlay has the keyboard; keys pressed elsewhere are still held when it comes up.
      const char* what[] = {"key down ", "key up ", "char "};
      if (!form->Visible()) return std::string("elsewhere ") + what[action] + std::to_string(vk);
      const int ch = vk == 190 ? '.' : vk == kVkDelete ? 127 : vk;
      action == 0 ? KeyDown(vk) : action == 1 ? KeyUp(vk) : Char(ch);
      return what[action] + std::to_string(action == 2 ? ch : vk);
    }
    if (kind < 90) {
      if (!form->Timer1.Running()) return "no tick: the timer is off";
      form->Timer1.Tick();
      return "tick";
    }
    if (kind < 95) {
      ChooseRandom();
      auto [x, y] = Point();
      if (form->Visible())
        RightClick(x, y);
      else
        Tray(tk::wm::kRButtonUp);
      return (form->Visible() ? "right click" + At(x, y) : "tray menu") + menuChoice;
    }
    if (kind < 97) {
      if (R(2)) sys.SendMessage(*form, tk::wm::kHotKey, 1);
      else form->mnupophl_Click();
      return "session toggle";
    }
    if (R(2)) {
      Hover(0, 0);
      return "corner move";
    }
    const int x = int(R(kW)), y = int(R(56));  // where the banner lies when it is in
    Press(x, y), Release(x, y), Mouse(tk::wm::kLButtonDblClk, x, y, tk::mk::kLButton), Release(x, y);
    return "banner double click" + At(x, y);
  }

  void ChooseRandom() {
    const std::string name = kMenuItems[R(std::size(kMenuItems))];
    menuChoice = ", menu " + name;
    sys.chooseMenuItem = [name](const tk::PopupRecord&, tk::MenuItem& menu) -> tk::MenuItem* {
      for (tk::MenuItem* item : menu.Items)
        if (item->Name == name) return item;
      return nullptr;
    };
  }

  void WorkDialogs() {
    sys.answerMsgBox = [](const tk::MsgBoxRecord& box) { return box.style & tk::kMbYesNo ? tk::kIdNo : tk::kIdOk; };
    sys.onModal["Form2"] = [this](tk::Form& f) {
      auto& d = static_cast<Form2&>(f);
      if (R(2)) d.Label1[R(4)]->UserClick(), menuChoice += " swatch";
      if (R(2)) d.Slider1.UserScroll(int(R(45)) + 8, R(2)), menuChoice += " slider";
      const bool ok = R(2);
      ok ? d.PressDefault() : d.PressCancel();
      menuChoice += ok ? " OK" : " Cancel";
    };
    sys.onModal["Form5"] = [this](tk::Form& f) {
      for (unsigned i = R(4); i > 0; --i) static_cast<Form5&>(f).Timer.Tick();
      if (!R(20)) static_cast<Form5&>(f).Check1.UserToggle();
      f.PressDefault();
    };
  }

  // Every invariant; an empty answer when all hold.
  std::string Broken(bool compareFrames) {
    if (app->Forms() != std::vector<tk::Form*>{form.get()}) return "a window other than the overlay is still loaded";
    auto counter = [this](int array) -> int32_t& {
      return array == 0 ? form->rectCount : array == 1 ? form->ovalCount : form->stampCount[array - 2];
    };
    for (int a = 0; a < 7; ++a) {
      auto check = [&](const auto& arr) -> std::string {
        const std::string name = arr.Name();
        if (!arr[0] || arr[0]->Visible() || BoxOf(arr[0]) != templates[a]) return name + "'s template changed";
        if (counter(a) < counters[a]) return name + "'s counter went down";
        counters[a] = counter(a);
        std::vector<int16_t> now = arr.Indexes();
        for (int16_t i : now) {
          if (i == 0) continue;
          if (!arr[i]->Visible()) return name + "(" + std::to_string(i) + ") is loaded but not shown";
          if (!std::binary_search(seen[a].begin(), seen[a].end(), i) && i <= highest[a])
            return name + "(" + std::to_string(i) + ") reuses an index";
          highest[a] = std::max<int>(highest[a], i);
        }
        if (highest[a] > counters[a]) return name + " has an index above its counter";
        seen[a] = std::move(now);
        return {};
      };
      if (std::string e = a < 2 ? check(a ? form->ShapeArrOv : form->shapeArrRect) : check(form->StampArray(a - 2));
          !e.empty())
        return e;
    }
    // Memory: the frame-sized buffers stay one screen's worth; everything else is one element per mark.
    const tk::Picture& picture = form->GetPicture();
    if (picture != lastPicture.lock() && !lastPicture.expired()) return "an earlier capture is still held";
    lastPicture = picture;
    const size_t bytes = form->Ink().ByteSize() + (picture ? picture->ByteSize() : 0);
    if (bytes > sizeof(raster::InkLayer) + size_t(kW) * kH * 5 + kH * 8) return "ink and picture outgrew the screen";
    if (!compareFrames || form->ClientWidth() == 0) return {};
    const raster::Bitmap& shown = Frame();
    form->InvalidateAll();
    form->ComposeDirty(full.View());
    if (const int stale = DifferingPixels(shown, full)) return std::to_string(stale) + " pixels differ from a full repaint";
    return {};
  }

  std::mt19937 rng;
  uintptr_t held = 0, dragKeys = 0;
  unsigned dragLeft = 0;
  int dragX = 0, dragY = 0;
  std::string menuChoice;
  std::array<Box, 7> templates;
  std::array<int32_t, 7> counters{}, highest{};
  std::array<std::vector<int16_t>, 7> seen;
  std::weak_ptr<const raster::Bitmap> lastPicture;
  raster::Bitmap full{kW, kH};
};

TEST_F(SoakTest, RandomEventsKeepEveryMarkTemplateCounterAndPixel) {
  const int events = EnvInt("LUMORA_SOAK_EVENTS", 3000), every = std::max(1, EnvInt("LUMORA_SOAK_EVERY", 1));
  const unsigned seed = unsigned(EnvInt("LUMORA_SOAK_SEED", 1));
  rng.seed(seed);
  WorkDialogs();
  Start();
  for (int a = 0; a < 7; ++a)
    templates[a] = a < 2 ? BoxOf(a ? &form->ShapeArrOv.Template() : &form->shapeArrRect.Template())
                         : BoxOf(&form->StampArray(a - 2).Template());
  std::deque<std::string> last;
  size_t peakMarks = 0;
  for (int n = 0; n < events; ++n) {
    menuChoice.clear();
    std::string event = std::to_string(n);
    event += ": ";
    event += Event();
    last.push_back(std::move(event));
    if (last.size() > 12) last.pop_front();
    sys.chooseMenuItem = nullptr;
    sys.calls.clear(), sys.popups.clear(), sys.msgBoxes.clear(), sys.trayCalls.clear(), sys.sleeps.clear();
    peakMarks = std::max(peakMarks, Marks());
    if (const std::string broken = Broken(n % every == 0 || n == events - 1); !broken.empty()) {
      std::string replay;
      for (const std::string& e : last) replay += "  " + e + "\n";
      FAIL() << "seed " << seed << ", event #" << n << ": " << broken << "\nthe last events:\n" << replay
             << "replay: LUMORA_SOAK_SEED=" << seed << " LUMORA_SOAK_EVENTS=" << n + 1
             << " build/native/tests/feature/feature_tests --gtest_filter='Soak*'";
    }
  }
  RecordProperty("peak_marks", int(peakMarks));
  std::printf("soak: seed %u, %d events, at most %zu marks at once, %d rectangles, %d ellipses made\n", seed, events,
              peakMarks, form->rectCount, form->ovalCount);
}

}  // namespace
