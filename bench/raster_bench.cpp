// Compositor benchmarks. Each one is a step the overlay takes while the user draws. The table shows each
// step on its own; the ratios to a plain memcpy of the frame and to a full recompose are measured by the
// Pair benchmarks, which alternate the two sides so that load from elsewhere on the machine falls on both.
// bench_main.cpp prints the goals at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "bench_scenes.h"
#include "platform/raster/raster.h"
#include "platform/raster/spans.h"

#ifdef LUMORA_BENCH_CAIRO
#include <cairo.h>
#endif

namespace bench {
namespace {

using raster::Bitmap;
using raster::DrawOp;
using raster::Rect;
using raster::Scene;

void ScreenSizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
}

void Repeated(benchmark::internal::Benchmark* b) {
  ScreenSizes(b);
  b->Repetitions(5)->MinTime(0.1)->ReportAggregatesOnly(true);
}

// The kernel benchmarks once per variant this CPU runs, the variant being the third argument, so one run
// shows what each instruction set brings.
void PerVariant(benchmark::internal::Benchmark* b) {
  for (const raster::detail::Variant v : raster::detail::kVariants) {
    if (!raster::detail::Supported(v)) continue;
    b->Args({1920, 1080, int(v)})->Args({3840, 2160, int(v)});
  }
  b->Unit(benchmark::kMicrosecond)->Repetitions(5)->MinTime(0.1)->ReportAggregatesOnly(true);
}

// The benchmark's variant while it runs; then the best again, which every other benchmark measures.
struct KernelScope {
  explicit KernelScope(const benchmark::State& state) {
    raster::detail::UseKernels(raster::detail::Variant(state.range(2)));
  }
  ~KernelScope() { raster::detail::UseKernels(raster::detail::BestVariant()); }
  KernelScope(const KernelScope&) = delete;
  KernelScope& operator=(const KernelScope&) = delete;
};

void SetPixelsProcessed(benchmark::State& state, int64_t pixelsPerIteration) {
  state.SetBytesProcessed(state.iterations() * pixelsPerIteration * int64_t(sizeof(raster::Pixel)));
}

// Runs `a` blockA times, then `b` blockB times, once per iteration, and reports the median over iterations
// of (a's time per call) / (b's time per call) as "ratio", and each side's median time per call in us.
template <class A, class B>
void Pair(benchmark::State& state, A a, int blockA, B b, int blockB) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> ta, tb, ratio;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    for (int i = 0; i < blockA; ++i) a();
    const auto t1 = Clock::now();
    for (int i = 0; i < blockB; ++i) b();
    const auto t2 = Clock::now();
    benchmark::ClobberMemory();
    ta.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count() / blockA);
    tb.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count() / blockB);
    ratio.push_back(ta.back() / tb.back());
  }
  state.counters["ratio"] = Median(ratio);
  state.counters["a_us"] = Median(ta);
  state.counters["b_us"] = Median(tb);
}

// The frames every benchmark works on: a captured screen and the back buffer it is composed into.
struct Frames {
  Frames(int width, int height)
      : w(width), h(height), picture(Screenshot(width, height)), back(width, height) {}
  // The yardstick: the picture copied to the back buffer as fast as the C library can.
  void Memcpy() { std::memcpy(back.Data(), picture.Data(), picture.ByteSize()); }
  // The inner loop of every frame: each row of the picture copied while masked with a colour.
  void CopyAnd() {
    for (int y = 0; y < h; ++y) raster::detail::CopyAnd(picture.Row(y), back.Row(y), w, kSwatches[0]);
  }
  void Compose(const Scene& scene) { raster::Compose(scene, {0, 0, w, h}, back.View()); }

  int w, h;
  Bitmap picture, back;
};

// One pointer move of a freehand stroke, as the overlay handles it: a 20 px wide segment of 30 px into the
// ink, then, at the repaint, the same pixels of the back buffer masked with the pen in place (no stamp lies
// over them), on a screen that already holds many marks.
struct Freehand : Frames {
  Freehand(int width, int height, Walk::Path path = Walk::Path::kLoop)
      : Frames(width, height), walk(width, height, 30, path) {
    scene.picture = &picture;
    BusyScene(w, h, ink, scene);
    Compose(scene);
  }
  void Step() {
    const auto [x1, y1] = walk.Current();
    const auto [x2, y2] = walk.Next();
    const Rect touched = ink.DrawLine(float(x1), float(y1), float(x2), float(y2), 20, kSwatches[0], &masks);
    if (!ink.LastLineExact()) raster::Compose(scene, touched, back.View());
    masks.Apply(back.View());
  }

  raster::InkLayer ink;
  Scene scene;
  raster::MaskSteps masks;
  Walk walk;
};

// Dragging an 800 x 600 rectangle: each pointer move repaints only the strips that changed.
struct Drag : Frames {
  Drag(int width, int height) : Frames(width, height), walk(width - 800, height - 600, 5) {
    scene.picture = &picture;
    scene.ops.push_back({DrawOp::Kind::FillRect, {100, 100, 900, 700}, kSwatches[0]});
    Compose(scene);
  }
  void Step() {
    const Rect before = scene.ops[0].box;
    const auto [x, y] = walk.Next();  // a pointer move of a few pixels
    scene.ops[0].box = {int(x), int(y), int(x) + 800, int(y) + 600};
    raster::AddRectChange(region, before, scene.ops[0].box);
    for (const Rect& r : region.Rects()) raster::Compose(scene, r, back.View());
    region.Clear();
  }

  Scene scene;
  raster::DirtyRegion region;
  Walk walk;
};

#ifdef LUMORA_BENCH_CAIRO
// The same freehand step drawn by a general 2D library: an antialiased 20 px round-capped stroke.
struct CairoStroke {
  CairoStroke(int width, int height) : frame(Screenshot(width, height)), walk(width, height, 30) {
    surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(frame.Data()),
                                                  CAIRO_FORMAT_ARGB32, width, height, width * 4);
    cr = cairo_create(surface);
    cairo_set_line_width(cr, 20);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgb(cr, 1, 1, 0);
  }
  ~CairoStroke() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  CairoStroke(const CairoStroke&) = delete;
  CairoStroke& operator=(const CairoStroke&) = delete;
  void Step() {
    const auto [x1, y1] = walk.Current();
    const auto [x2, y2] = walk.Next();
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_stroke(cr);
  }

  Bitmap frame;
  Walk walk;
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
};
#endif

// ---- Each step on its own.

void BM_FrameMemcpy(benchmark::State& state) {
  Frames f(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) {
    f.Memcpy();
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state, int64_t{f.w} * f.h);
}
BENCHMARK(BM_FrameMemcpy)->Apply(Repeated);

void BM_CopyAnd(benchmark::State& state) {
  const KernelScope kernels(state);
  Frames f(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) {
    f.CopyAnd();
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state, int64_t{f.w} * f.h);
}
BENCHMARK(BM_CopyAnd)->Apply(PerVariant);

// A rectangle over the whole screen: the worst case for a single mark.
void BM_ComposeFullScreenRect(benchmark::State& state) {
  const KernelScope kernels(state);
  Frames f(int(state.range(0)), int(state.range(1)));
  const Scene scene{
      &f.picture, 0xFFFFFFFF, nullptr, {{DrawOp::Kind::FillRect, {0, 0, f.w, f.h}, kSwatches[0]}}};
  for (auto _ : state) {
    f.Compose(scene);
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state, int64_t{f.w} * f.h);
}
BENCHMARK(BM_ComposeFullScreenRect)->Apply(PerVariant);

// A full repaint of a heavily annotated screen: 20 strokes of 100 segments, 10 rectangles, 5 ellipses.
void BM_ComposeBusyScene(benchmark::State& state) {
  const KernelScope kernels(state);
  Freehand f(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) {
    f.Compose(f.scene);
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state, int64_t{f.w} * f.h);
}
BENCHMARK(BM_ComposeBusyScene)->Apply(PerVariant);

void BM_FreehandStep(benchmark::State& state) {
  const KernelScope kernels(state);
  Freehand f(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) {
    f.Step();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FreehandStep)->Apply(PerVariant);

// The same step on a path that seldom comes back: most rows it touches come from memory, not cache.
void BM_FreehandStepFreshScreen(benchmark::State& state) {
  Freehand f(int(state.range(0)), int(state.range(1)), Walk::Path::kDrift);
  for (auto _ : state) {
    f.Step();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FreehandStepFreshScreen)->Apply(Repeated);

#ifdef LUMORA_BENCH_CAIRO
void BM_CairoFreehandStep(benchmark::State& state) {
  CairoStroke c(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) c.Step();
}
BENCHMARK(BM_CairoFreehandStep)->Apply(Repeated);
#endif

void BM_DragRectStep(benchmark::State& state) {
  Drag d(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) {
    d.Step();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DragRectStep)->Apply(Repeated);

// What the drag step would cost without dirty rectangles: the same scene recomposed whole.
void BM_DragRectFullRecompose(benchmark::State& state) {
  Drag d(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) {
    d.Compose(d.scene);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DragRectFullRecompose)->Apply(Repeated);

// ---- The goals: both sides of each ratio, alternated.

void BM_PairCopyAndMemcpy(benchmark::State& state) {
  Frames f(int(state.range(0)), int(state.range(1)));
  Pair(
      state, [&] { f.CopyAnd(); }, 1, [&] { f.Memcpy(); }, 1);
}
BENCHMARK(BM_PairCopyAndMemcpy)->Apply(ScreenSizes)->Iterations(100);

void BM_PairFullScreenRectMemcpy(benchmark::State& state) {
  Frames f(int(state.range(0)), int(state.range(1)));
  const Scene scene{
      &f.picture, 0xFFFFFFFF, nullptr, {{DrawOp::Kind::FillRect, {0, 0, f.w, f.h}, kSwatches[0]}}};
  Pair(
      state, [&] { f.Compose(scene); }, 1, [&] { f.Memcpy(); }, 1);
}
BENCHMARK(BM_PairFullScreenRectMemcpy)->Apply(ScreenSizes)->Iterations(100);

void BM_PairBusySceneMemcpy(benchmark::State& state) {
  Freehand f(int(state.range(0)), int(state.range(1)));
  Pair(
      state, [&] { f.Compose(f.scene); }, 1, [&] { f.Memcpy(); }, 1);
}
BENCHMARK(BM_PairBusySceneMemcpy)->Apply(ScreenSizes)->Iterations(100);

// Long blocks of steps run back to back, as they do while the user drags: a full recompose evicts what the
// steps keep in cache, and in a long block that costs as little as it does in a real drag.
void BM_PairDragStepFullRecompose(benchmark::State& state) {
  Drag d(int(state.range(0)), int(state.range(1)));
  Pair(
      state, [&] { d.Step(); }, 200, [&] { d.Compose(d.scene); }, 1);
}
BENCHMARK(BM_PairDragStepFullRecompose)->Apply(ScreenSizes)->Iterations(31);

#ifdef LUMORA_BENCH_CAIRO
// The freehand step against the antialiased stroke, in blocks of about the same time, so load from elsewhere
// on the machine falls on both; "ratio" is cairo's time per step over ours.
void BM_PairCairoFreehandStep(benchmark::State& state) {
  CairoStroke c(int(state.range(0)), int(state.range(1)));
  Freehand f(int(state.range(0)), int(state.range(1)));
  Pair(
      state, [&] { c.Step(); }, 10, [&] { f.Step(); }, 150);
}
BENCHMARK(BM_PairCairoFreehandStep)->Apply(ScreenSizes)->Iterations(300);
#endif

// Memory held during a session: the pixel buffers per screen pixel, and what one mark costs.
void BM_MemoryHeld(benchmark::State& state) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const Bitmap picture(w, h), back(w, h);
  raster::InkLayer ink;
  ink.Resize(w, h);
  for (auto _ : state) benchmark::DoNotOptimize(ink.ByteSize());
  const double pixels = double(w) * h;
  const size_t inkPixels = size_t(w) * h;  // one index byte per pixel
  state.counters["buffer_bytes_per_px"] = double(picture.ByteSize() + back.ByteSize() + inkPixels) / pixels;
  state.counters["all_bytes_per_px"] = double(picture.ByteSize() + back.ByteSize() + ink.ByteSize()) / pixels;
  state.counters["ink_overhead_bytes"] = double(ink.ByteSize() - inkPixels);
  state.counters["sizeof_DrawOp"] = sizeof(DrawOp);
}
BENCHMARK(BM_MemoryHeld)->Args({3840, 2160})->Iterations(1);

}  // namespace
}  // namespace bench
