// The overlay with many marks on it, driven through its real handlers on the headless backend: every pointer
// event goes through the window procedure and is followed by the repaint it causes, as on the desktop.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include "bench_scenes.h"

namespace bench {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// A session at 1080p with `rects` rectangles and `ovals` ellipses drawn by Shift and Ctrl drags: highlights
// the size of a few words or a line, and rings round things, over the whole screen.
class Overlay : public LiveOverlay {
 public:
  Overlay(int rects, int ovals) : LiveOverlay(kWidth, kHeight) {
    std::mt19937 gen(11);
    auto uni = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    for (int i = 0; i < rects + ovals; ++i) {
      const bool oval = i >= rects;
      const int w = oval ? uni(60, 300) : uni(40, 240), h = oval ? uni(30, 160) : uni(15, 45);
      const int x = uni(0, kWidth - w), y = uni(0, kHeight - h);
      if (oval) KeyDown(17);
      const uintptr_t keys = oval ? tk::mk::kControl : tk::mk::kShift;
      Mouse(tk::wm::kLButtonDown, x, y, tk::mk::kLButton | keys);
      Mouse(tk::wm::kMouseMove, x + w, y + h, tk::mk::kLButton | keys);
      Mouse(tk::wm::kLButtonUp, x + w, y + h, keys);
      if (oval) KeyUp(17);
    }
    Mouse(tk::wm::kMouseMove, 1, 1, 0);
    Paint();
  }

  void Mouse(uint32_t message, int x, int y, uintptr_t keys) { sys.Mouse(*form, message, x, y, keys); }
  void KeyDown(int vk) { sys.SendMessage(*form, tk::wm::kKeyDown, vk); }
  void KeyUp(int vk) { sys.SendMessage(*form, tk::wm::kKeyUp, vk); }
  void Paint() { sys.WindowOf(*form)->Frame(); }
  // A pointer event and the repaint it causes.
  void Event(uint32_t message, int x, int y, uintptr_t keys) {
    Mouse(message, x, y, keys);
    Paint();
  }

  // A rectangle drawn with a Shift drag: the press, eight moves, the release, each repainted.
  void DrawRect(int x, int y, int w, int h) {
    const uintptr_t keys = tk::mk::kShift;
    Event(tk::wm::kLButtonDown, x, y, tk::mk::kLButton | keys);
    for (int i = 1; i <= 8; ++i) Event(tk::wm::kMouseMove, x + w * i / 8, y + h * i / 8, tk::mk::kLButton | keys);
    Event(tk::wm::kLButtonUp, x + w, y + h, keys);
  }
  // Takes the last drawn rectangle away again, outside the timed part, so every turn draws on the same marks.
  void UndoRect() { form->shapeArrRect.Unload(form->rectCount); }
};

double Micros(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

// A pointer move with no button over 2,000 rectangles and 2,000 ellipses: the hover test, the pointer shape
// and whatever it repaints.
void BM_HoverOverMarks(benchmark::State& state) {
  Overlay o(int(state.range(0)), int(state.range(0)));
  Walk walk(kWidth, kHeight, 5);
  for (auto _ : state) {
    const auto [x, y] = walk.Next();
    o.Event(tk::wm::kMouseMove, int(x), int(y), 0);
  }
}
BENCHMARK(BM_HoverOverMarks)->Arg(0)->Arg(2000)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// A rectangle dragged across the marks by its inside, 5 pixels per move, each move repainting the strips
// it uncovered and covered, against the same drag on an empty screen; "extra_us" is the difference of the
// medians, which is what the marks cost beyond the pixels.
void BM_PairDragOverMarks(benchmark::State& state) {
  Overlay busy(2000, 2000), empty(0, 0);
  auto grab = [](Overlay& o) {
    o.Event(tk::wm::kMouseMove, kWidth / 2 + 10, 20, 0);
    o.Event(tk::wm::kLButtonDown, kWidth / 2 + 10, 20, tk::mk::kLButton);
  };
  // The rectangle to drag is rectangle 1, reshaped on the busy screen: the lowest index, so its inside is
  // what the hover test finds.
  for (Overlay* o : {&busy, &empty}) {
    o->form->rectCount = 0;
    o->DrawRect(kWidth / 2, 10, 200, 100);
    o->Event(tk::wm::kLButtonUp, kWidth / 2 + 200, 110, 0);
    grab(*o);
  }
  Walk walk(kWidth - 400, kHeight - 300, 5);
  std::vector<double> ta, tb;
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    const auto [x, y] = walk.Next();
    const auto t0 = Clock::now();
    busy.Event(tk::wm::kMouseMove, int(x) + 100, int(y) + 100, tk::mk::kLButton);
    const auto t1 = Clock::now();
    empty.Event(tk::wm::kMouseMove, int(x) + 100, int(y) + 100, tk::mk::kLButton);
    const auto t2 = Clock::now();
    ta.push_back(Micros(t1 - t0));
    tb.push_back(Micros(t2 - t1));
  }
  state.counters["busy_us"] = Median(ta);
  state.counters["empty_us"] = Median(tb);
  state.counters["extra_us"] = Median(ta) - Median(tb);
}
BENCHMARK(BM_PairDragOverMarks)->Iterations(4000)->Unit(benchmark::kMicrosecond);

// A rectangle drawn with 2,000 rectangles and 2,000 ellipses on the screen against one drawn on an empty
// screen, turn about; "ratio" is the median of busy / empty.
void BM_PairDrawRectOverMarks(benchmark::State& state) {
  Overlay busy(2000, 2000), empty(0, 0);
  std::mt19937 gen(5);
  std::vector<double> ta, tb, ratio;
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    const int x = std::uniform_int_distribution<int>(0, kWidth - 400)(gen);
    const int y = std::uniform_int_distribution<int>(0, kHeight - 200)(gen);
    const auto t0 = Clock::now();
    busy.DrawRect(x, y, 300, 120);
    const auto t1 = Clock::now();
    empty.DrawRect(x, y, 300, 120);
    const auto t2 = Clock::now();
    state.PauseTiming();
    busy.UndoRect();
    empty.UndoRect();
    busy.Paint();
    empty.Paint();
    state.ResumeTiming();
    ta.push_back(Micros(t1 - t0));
    tb.push_back(Micros(t2 - t1));
    ratio.push_back(ta.back() / tb.back());
  }
  state.counters["busy_us"] = Median(ta);
  state.counters["empty_us"] = Median(tb);
  state.counters["ratio"] = Median(ratio);
}
BENCHMARK(BM_PairDrawRectOverMarks)->Iterations(400)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
