// Seeded random user and system events on a small screen, with the program's invariants checked after each.
// LUMORA_SOAK_EVENTS (default 6000) and LUMORA_SOAK_SEED (default 1) set the run; a failure prints its last
// events and the command that replays it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <random>
#include <tuple>
#include <utility>

#include "fixture.h"
#include "guidance/form5.h"
#include "settings/form2.h"

namespace {

int EnvInt(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::atoi(text) : fallback;
}

constexpr int kW = 320, kH = 240, kVkAlt = 18, kVkFullStop = 190;
using Key = std::pair<int, const char*>;
constexpr Key kKeys[] = {{'S', "S"},           {'X', "X"},          {'C', "C"},     {'A', "A"},
                         {'8', "8"},           {'H', "H"},          {13, "Enter"},  {kVkControl, "Ctrl"},
                         {kVkControl, "Ctrl"}, {kVkShift, "Shift"}, {kVkAlt, "Alt"}};
// The keys that clear everything are rare, so marks can pile up between them.
constexpr Key kRareKeys[] = {{kVkFullStop, "."}, {27, "Esc"}, {kVkDelete, "Delete"}};
constexpr const char* kMenuItems[] = {"mnupophl",  "mnupopopt", "mnupopopt", "mnuqref",   "mnupopabt",
                                      "mnupophlp", "(none)",    "mnupopclr", "mnupopexit"};
constexpr const char* kKeyActions[] = {"key down ", "key up ", "char "};
// The pointer messages from WM_MOUSEMOVE on: what each is called, its button, and whether it lets go.
constexpr std::tuple<const char*, uintptr_t, bool> kPointer[] = {
    {"move", 0, 0},         {"left down", 1, 0},    {"left up", 1, 1},
    {"left double", 1, 0},  {"right down", 2, 0},   {"right up", 2, 1},
    {"right double", 2, 0}, {"middle down", 16, 0}, {"middle up", 16, 1}};

std::string At(int x, int y) {
  return " at " + std::to_string(x) + "," + std::to_string(y);
}

class SoakTest : public LumoraTest {
 protected:
  SoakTest() : LumoraTest(kW, kH) { hideBanner = false; }

  unsigned R(unsigned n) { return rng() % n; }
  // Calls f with control array `a` and its counter: rectangles, ellipses, then the stamps by kind.
  template <class F>
  auto WithArray(int a, F f) {
    if (a < 2) return a ? f(form->ShapeArrOv, form->ovalCount) : f(form->shapeArrRect, form->rectCount);
    return f(form->StampArray(a - 2), form->stampCount[a - 2]);
  }

  // Often a pixel on or near a mark (its corners, edges, middle), so handles, moves and deletions get hit.
  std::pair<int, int> Point() {
    const tk::Element* mark = nullptr;
    if (R(4))
      WithArray(R(7), [&](const auto& arr, int32_t count) {
        auto it = arr.Elements().upper_bound(int16_t(R(count + 1)));
        if (arr.Count() > 1) mark = (it == arr.Elements().end() ? std::prev(it) : it)->second.get();
        return 0;
      });
    if (!mark) return {int(R(kW + 20)) - 10, int(R(kH + 20)) - 10};
    const raster::Rect b = mark->PixelBox(form->TwipsPerPixel());
    const int xs[] = {b.left, b.right, (b.left + b.right) / 2},
              ys[] = {b.top, b.bottom, (b.top + b.bottom) / 2};
    const int dx = int(R(9)) - 4, dy = int(R(9)) - 4, x = xs[R(3)] + dx, y = ys[R(3)] + dy;
    return {x, y};
  }

  // One random event; returns what it was, readable.
  std::string Event() {
    const unsigned kind = R(100);
    if (kind < 62 && !form->Visible()) {  // a hidden overlay hears the pointer only as tray notifications
      const uint32_t message = tk::wm::kMouseMove + 1 + R(8);
      if (message == tk::wm::kRButtonUp) ChooseRandom();
      Tray(message);
      return std::string("tray icon: ") + std::get<0>(kPointer[message - tk::wm::kMouseMove]);
    }
    if (kind < 62) {
      uint32_t message = tk::wm::kMouseMove + (R(10) < 3 ? 0 : 1 + R(8));
      const bool drag = dragLeft > 0 || !R(3);  // a left press, moves with the same keys, then the release
      if (drag && dragLeft == 0) {
        message = tk::wm::kLButtonDown;
        dragLeft = 1 + R(8);
        dragKeys = tk::mk::kLButton | (R(2) ? kShift : 0);
        dragKeys |= R(4) ? 0 : kControl;
        std::tie(dragX, dragY) = Point();
      } else if (drag) {
        message = --dragLeft == 0 ? tk::wm::kLButtonUp : tk::wm::kMouseMove;
        dragX += int(R(61)) - 30, dragY += int(R(61)) - 30;
      }
      const auto [name, button, up] = kPointer[message - tk::wm::kMouseMove];
      if (button) held = up ? held & ~button : held | button;
      uintptr_t keys = up ? dragKeys & ~tk::mk::kLButton : dragKeys;
      if (!drag) {  // mostly the buttons really held; now and then any mix, as a lost release leaves behind
        keys = R(10) ? held : R(32) & 0x13;
        keys |= R(3) ? 0 : kShift;
        keys |= R(4) ? 0 : kControl;
      }
      const auto [x, y] = drag ? std::pair{dragX, dragY} : Point();
      Mouse(message, x, y, keys);
      return std::string(drag ? "drag: " : "") + name + " [MK " + std::to_string(keys) + "]" + At(x, y);
    }
    if (kind < 80) {
      const auto [vk, name] = R(50) ? kKeys[R(std::size(kKeys))] : kRareKeys[R(3)];
      const int action = R(3), modifier = vk == kVkShift ? 1 : vk == kVkControl ? 2 : vk == kVkAlt ? 4 : 0;
      if (action == 0) sys.modifiers |= modifier, sys.keysDown.insert(vk);
      if (action == 1) sys.modifiers &= ~modifier, sys.keysDown.erase(vk);
      const std::string what = kKeyActions[action] + std::string(name);
      // Only the shown overlay has the keyboard; keys pressed elsewhere are still held when it comes up.
      if (!form->Visible()) return "elsewhere: " + what;
      action == 0 ? KeyDown(vk) : action == 1 ? KeyUp(vk) : Char(vk == kVkFullStop ? '.' : vk);
      return what;
    }
    if (kind < 84) {  // Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z
      const unsigned which = R(3);
      if (!form->Visible()) return "(no undo while hidden)";
      const int before = std::exchange(sys.modifiers, which == 2 ? 3 : 2);
      KeyDown(which == 1 ? 'Y' : 'Z');
      sys.modifiers = before;
      return which == 0 ? "undo" : "redo";
    }
    if (kind < 90) {
      if (!form->Timer1.Running()) return "(the timer is off)";
      form->Timer1.Tick();
      return "tick";
    }
    if (kind < 95) {
      ChooseRandom();
      const auto [x, y] = Point();
      if (!form->Visible()) return Tray(tk::wm::kRButtonUp), "tray icon: right up";
      RightClick(x, y);
      return "right click" + At(x, y);
    }
    if (kind < 97) {
      R(2) ? void(sys.SendMessage(*form, tk::wm::kHotKey, 1)) : form->mnupophl_Click();
      return "session toggle";
    }
    if (R(2)) return Hover(0, 0), "corner move";
    const int x = int(R(kW)), y = int(R(56));  // where the banner lies when it is in
    Press(x, y), Release(x, y), Mouse(tk::wm::kLButtonDblClk, x, y, tk::mk::kLButton), Release(x, y);
    return "banner double click" + At(x, y);
  }

  void ChooseRandom() {
    const std::string name = kMenuItems[R(std::size(kMenuItems))];
    choice = ", menu: " + name;
    ChooseNext(name);
  }

  void WorkDialogs() {
    sys.answerMsgBox = [](const tk::MsgBoxRecord& box) {
      return box.style & tk::kMbYesNo ? tk::kIdNo : tk::kIdOk;
    };
    sys.onModal["Form2"] = [this](tk::Form& f) {
      auto& d = static_cast<Form2&>(f);
      if (const int i = R(8); i < 4) d.Label1[i]->UserClick(), choice += " swatch " + std::to_string(i);
      if (const int v = R(90); v < 45)
        d.Slider1.UserScroll(v + 8, R(2)), choice += " width " + std::to_string(v + 8);
      R(2) ? (d.PressDefault(), choice += " OK") : (d.PressCancel(), choice += " Cancel");
    };
    sys.onModal["Form5"] = [this](tk::Form& f) {
      for (unsigned i = R(4); i > 0; --i) static_cast<Form5&>(f).Timer.Tick();
      if (!R(20)) static_cast<Form5&>(f).Check1.UserToggle();
      f.PressDefault();
    };
  }

  // Every invariant; an empty answer when all hold.
  std::string Broken() {
    if (app->Forms() != std::vector<tk::Form*>{form.get()})
      return "a window besides the overlay is still loaded";
    for (int a = 0; a < 7; ++a) {
      std::string broken = WithArray(a, [&](const auto& arr, int32_t count) -> std::string {
        const std::string name = arr.Name();
        if (!arr[0] || arr[0]->Visible() || BoxOf(arr[0]) != templates[a])
          return name + "'s template was " + (!arr[0] ? "unloaded" : arr[0]->Visible() ? "shown" : "moved");
        if (count < counters[a]) return name + "'s counter went down";
        counters[a] = count;
        std::vector<int16_t> now = arr.Indexes();
        for (int16_t i : now) {
          if (i == 0) continue;
          const std::string element = name + "(" + std::to_string(i) + ")";
          if (!arr[i]->Visible()) return element + " is loaded but not shown";
          // An index comes back only as the mark it was, by an undo or a redo.
          if (!std::binary_search(seen[a].begin(), seen[a].end(), i) && i <= highest[a] &&
              BoxOf(arr[i]) != last[a][i])
            return element + " came back as another mark";
          last[a][i] = BoxOf(arr[i]);
          if (i > count) return element + " is above its counter";
          highest[a] = std::max<int>(highest[a], i);
        }
        seen[a] = std::move(now);
        return {};
      });
      if (!broken.empty()) return broken;
    }
    // Memory: one capture and one ink layer of the screen's size; everything else is one element per mark.
    const tk::Picture& picture = form->GetPicture();
    if (picture != lastPicture.lock() && !lastPicture.expired()) return "an earlier capture is still held";
    lastPicture = picture;
    const size_t bytes = form->Ink().ByteSize() + (picture ? picture->ByteSize() : 0);
    if (bytes > sizeof(raster::InkLayer) + kW * kH * 5 + kH * 8) return "ink and picture outgrew the screen";
    if (form->history.ByteSize() > history::History::kDefaultCap) return "the history outgrew its cap";
    if (form->ClientWidth() == 0) return {};  // no session yet
    const raster::Bitmap& shown = Frame();    // the dirty rectangles recomposed, as the window repaints them
    form->InvalidateAll();
    form->ComposeDirty(full.View());
    // Byte-equal is the common answer and cheap under the sanitizers; only the colour channels count.
    const int stale =
        std::equal(full.Data(), full.Data() + kW * kH, shown.Data()) ? 0 : DifferingPixels(shown, full);
    return stale ? std::to_string(stale) + " pixels differ from a full repaint" : std::string();
  }

  std::mt19937 rng;
  uintptr_t held = 0, dragKeys = 0;
  unsigned dragLeft = 0;
  int dragX = 0, dragY = 0;
  std::string choice;  // the menu entry and dialog controls the event's menu chose
  std::array<Box, 7> templates;
  std::array<int32_t, 7> counters{}, highest{};
  std::array<std::vector<int16_t>, 7> seen;
  std::array<std::map<int16_t, Box>, 7> last;  // every mark as last seen
  std::weak_ptr<const raster::Bitmap> lastPicture;
  raster::Bitmap full{kW, kH};
};

TEST_F(SoakTest, RandomEventsKeepTemplatesCountersPixelsAndMemory) {
  const int events = EnvInt("LUMORA_SOAK_EVENTS", 6000);
  const unsigned seed = unsigned(EnvInt("LUMORA_SOAK_SEED", 1));
  rng.seed(seed);
  WorkDialogs();
  Start();
  for (int a = 0; a < 7; ++a)
    templates[a] = WithArray(a, [](const auto& arr, int32_t) { return BoxOf(arr[0]); });
  std::deque<std::string> recent;
  size_t marks = 0, peak = 0;
  for (int n = 0; n < events; ++n) {
    choice.clear();
    std::string event = std::to_string(n) + ": ";
    event += Event();
    if (!sys.popups.empty()) event += choice;
    if (Marks() != marks) event += " [" + std::to_string(marks = Marks()) + " marks]";
    peak = std::max(peak, marks);
    recent.push_back(std::move(event));
    if (recent.size() > 12) recent.pop_front();
    sys.chooseMenuItem = nullptr;
    sys.calls.clear(), sys.popups.clear(), sys.msgBoxes.clear(), sys.trayCalls.clear(), sys.sleeps.clear();
    if (const std::string broken = Broken(); !broken.empty()) {
      std::string replay;
      for (const std::string& e : recent) replay += "  " + e + "\n";
      FAIL() << "seed " << seed << ", event " << n << ": " << broken << "\nthe last events:\n"
             << replay << "replay: LUMORA_SOAK_SEED=" << seed << " LUMORA_SOAK_EVENTS=" << n + 1
             << " build/native/tests/feature/feature_tests --gtest_filter='Soak*'";
    }
  }
  std::printf("soak: seed %u, %d events, at most %zu marks at once; %d rectangles, %d ellipses made\n", seed,
              events, peak, form->rectCount, form->ovalCount);
}

}  // namespace
