// Undo and redo on a 4K overlay, driven through its handlers: the memory a step keeps for a typical stroke and
// for a Clear of a busy scene, and the time of Ctrl+Z and Ctrl+Y with the repaint they cause.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "bench_scenes.h"

namespace bench {
namespace {

constexpr int kW = 3840, kH = 2160;
constexpr uint32_t kColors[] = {0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF80FF};

class Session : public LiveOverlay {
 public:
  Session() : LiveOverlay(kW, kH) {
    Paint();
  }
  void Mouse(uint32_t message, double x, double y, uintptr_t keys) { sys.Mouse(*form, message, int(x), int(y), keys); }
  void Key(int vk, int modifiers = 0) {
    sys.modifiers = modifiers;
    sys.SendMessage(*form, tk::wm::kKeyDown, vk);
    sys.modifiers = 0;
  }
  void Paint() { sys.WindowOf(*form)->Frame(); }
  // A wandering left drag of `moves` moves, `step` pixels each; with Shift or Ctrl, a rectangle or an ellipse.
  void Drag(int moves, double step, uintptr_t keys = 0) {
    std::uniform_real_distribution<double> turn(-0.4, 0.4), at(0.1, 0.9);
    double x = at(gen) * kW, y = at(gen) * kH, heading = at(gen) * 6.28;
    if (keys & tk::mk::kControl) Key(17);
    Mouse(tk::wm::kLButtonDown, x, y, tk::mk::kLButton | keys);
    for (int i = 0; i < moves; ++i) {
      heading += turn(gen);
      x = std::clamp(x + step * std::cos(heading), 0.0, kW - 1.0);
      y = std::clamp(y + step * std::sin(heading), 0.0, kH - 1.0);
      Mouse(tk::wm::kMouseMove, x, y, tk::mk::kLButton | keys);
    }
    Mouse(tk::wm::kLButtonUp, x, y, keys);
    if (keys & tk::mk::kControl) sys.SendMessage(*form, tk::wm::kKeyUp, 17);
    Paint();
  }
  // 20 strokes of 100 moves of 30 pixels in the four colours and five widths, 10 rectangles, 5 ellipses and 10
  // stamps.
  void BusyScene() {
    for (int s = 0; s < 20; ++s) {
      form->ApplyDrawingSettings(10 + 10 * (s % 5), kColors[s % 4]);
      Drag(100, 30);
    }
    for (int i = 0; i < 15; ++i) Drag(1, 400, i < 10 ? tk::mk::kShift : tk::mk::kControl);
    std::uniform_real_distribution<double> at(0.1, 0.9);
    for (int i = 0; i < 10; ++i) {
      sys.SendMessage(*form, tk::wm::kKeyDown, "SXCA8"[i % 5]);
      Mouse(tk::wm::kLButtonDown, at(gen) * kW, at(gen) * kH, tk::mk::kLButton);
      Mouse(tk::wm::kLButtonUp, 0, 0, 0);
      sys.SendMessage(*form, tk::wm::kKeyUp, "SXCA8"[i % 5]);
    }
    Paint();
  }

  std::mt19937 gen{3};
};

// Ctrl+Z and then Ctrl+Y of the last step, each with its repaint, turn about; the medians in microseconds.
template <class State>
void TimeUndoRedo(State& state, Session& s) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> undo, redo;
  for (auto _ : state) {
    for (auto [key, modifiers, times] : {std::tuple{'Z', 2, &undo}, std::tuple{'Y', 2, &redo}}) {
      const auto t0 = Clock::now();
      s.Key(key, modifiers);
      s.Paint();
      times->push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
  }
  state.counters["undo_us"] = Median(undo);
  state.counters["redo_us"] = Median(redo);
}

// A typical stroke: 100 moves of 8 pixels (a line of text underlined and back) in the default 10-pixel pen.
void BM_UndoStroke(benchmark::State& state) {
  Session s;
  double bytes = 0;
  for (int i = 0; i < 20; ++i) s.Drag(100, 8), bytes += double(s.form->history.LastStepBytes()) / 20;
  state.counters["step_bytes"] = bytes;
  TimeUndoRedo(state, s);
}
BENCHMARK(BM_UndoStroke)->Iterations(50)->Unit(benchmark::kMicrosecond);

// Delete on the busy scene, then its undo and redo: every mark and stroke back, and gone again.
void BM_UndoClear(benchmark::State& state) {
  Session s;
  s.BusyScene();
  s.Key(46);
  s.Paint();
  state.counters["step_bytes"] = double(s.form->history.LastStepBytes());
  state.counters["ink_bytes"] = double(s.form->Ink().ByteSize());
  TimeUndoRedo(state, s);
}
BENCHMARK(BM_UndoClear)->Iterations(20)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
