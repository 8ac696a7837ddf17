// Compositor benchmarks. Each one is a step the overlay takes while the user draws; their goals are ratios
// to a plain memcpy of the frame measured in the same run, printed by bench_main.cpp.
#include <benchmark/benchmark.h>

#include <cstring>

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
  b->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond)->Repetitions(5)->MinTime(0.1);
  b->ReportAggregatesOnly(true);
}

void SetPixelsProcessed(benchmark::State& state, int64_t pixelsPerIteration) {
  state.SetBytesProcessed(state.iterations() * pixelsPerIteration * int64_t(sizeof(raster::Pixel)));
}

// The yardstick: copying the captured picture to the back buffer as fast as the C library can.
void BM_FrameMemcpy(benchmark::State& state) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const Bitmap picture = Screenshot(w, h);
  Bitmap back(w, h);
  for (auto _ : state) {
    std::memcpy(back.Data(), picture.Data(), picture.ByteSize());
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state, int64_t{w} * h);
}
BENCHMARK(BM_FrameMemcpy)->Apply(ScreenSizes);

// The inner loop of every frame: copy a row of the picture while masking it with a colour.
void BM_CopyAnd(benchmark::State& state) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const Bitmap picture = Screenshot(w, h);
  Bitmap back(w, h);
  for (auto _ : state) {
    for (int y = 0; y < h; ++y) raster::detail::CopyAnd(picture.Row(y), back.Row(y), w, kSwatches[0]);
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state, int64_t{w} * h);
}
BENCHMARK(BM_CopyAnd)->Apply(ScreenSizes);

// A rectangle over the whole screen: the worst case for a single mark.
void BM_ComposeFullScreenRect(benchmark::State& state) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const Bitmap picture = Screenshot(w, h);
  Bitmap back(w, h);
  Scene scene{&picture, 0xFFFFFFFF, nullptr, {{DrawOp::Kind::FillRect, {0, 0, w, h}, kSwatches[0]}}};
  for (auto _ : state) {
    raster::Compose(scene, {0, 0, w, h}, back.View());
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state, int64_t{w} * h);
}
BENCHMARK(BM_ComposeFullScreenRect)->Apply(ScreenSizes);

// A full repaint of a heavily annotated screen: 20 strokes, 10 rectangles, 5 ellipses.
void BM_ComposeBusyScene(benchmark::State& state) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const Bitmap picture = Screenshot(w, h);
  Bitmap back(w, h);
  raster::InkLayer ink;
  Scene scene{&picture, 0xFFFFFFFF, nullptr, {}};
  BusyScene(w, h, ink, scene);
  for (auto _ : state) {
    raster::Compose(scene, {0, 0, w, h}, back.View());
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state, int64_t{w} * h);
}
BENCHMARK(BM_ComposeBusyScene)->Apply(ScreenSizes);

// One pointer move of a freehand stroke: a 20 px wide segment of 30 px into the ink, then its box composed
// into the back buffer, over a scene that already holds marks.
void BM_FreehandStep(benchmark::State& state) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const Bitmap picture = Screenshot(w, h);
  Bitmap back(w, h);
  raster::InkLayer ink;
  Scene scene{&picture, 0xFFFFFFFF, nullptr, {}};
  BusyScene(w, h, ink, scene);
  raster::Compose(scene, {0, 0, w, h}, back.View());
  Walk walk(w, h, 30);
  for (auto _ : state) {
    const auto [x1, y1] = walk.Current();
    const auto [x2, y2] = walk.Next();
    const Rect touched = ink.DrawLine(float(x1), float(y1), float(x2), float(y2), 20, kSwatches[0]);
    raster::Compose(scene, touched, back.View());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FreehandStep)->Apply(ScreenSizes);

#ifdef LUMORA_BENCH_CAIRO
// The same step drawn by a general 2D library: an antialiased 20 px round-capped stroke into the frame.
void BM_CairoFreehandStep(benchmark::State& state) {
  const int w = int(state.range(0)), h = int(state.range(1));
  Bitmap frame = Screenshot(w, h);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(frame.Data()), CAIRO_FORMAT_ARGB32, w, h, w * 4);
  cairo_t* cr = cairo_create(surface);
  cairo_set_line_width(cr, 20);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_source_rgb(cr, 1, 1, 0);
  Walk walk(w, h, 30);
  for (auto _ : state) {
    const auto [x1, y1] = walk.Current();
    const auto [x2, y2] = walk.Next();
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_stroke(cr);
  }
  cairo_surface_flush(surface);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoFreehandStep)->Apply(ScreenSizes);
#endif

// Dragging an 800 x 600 rectangle: each pointer move repaints only the strips that changed.
void BM_DragRectStep(benchmark::State& state) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const Bitmap picture = Screenshot(w, h);
  Bitmap back(w, h);
  Scene scene{&picture, 0xFFFFFFFF, nullptr, {{DrawOp::Kind::FillRect, {100, 100, 900, 700}, kSwatches[0]}}};
  raster::Compose(scene, {0, 0, w, h}, back.View());
  raster::DirtyRegion region;
  Walk walk(w - 800, h - 600, 5);  // pointer moves of a few pixels
  for (auto _ : state) {
    const Rect before = scene.ops[0].box;
    const auto [x, y] = walk.Next();
    const int l = int(x), t = int(y);
    scene.ops[0].box = {l, t, l + 800, t + 600};
    raster::AddRectChange(region, before, scene.ops[0].box);
    for (const Rect& r : region.Rects()) raster::Compose(scene, r, back.View());
    region.Clear();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DragRectStep)->Apply(ScreenSizes);

// What the drag step would cost without dirty rectangles: the same scene recomposed whole.
void BM_DragRectFullRecompose(benchmark::State& state) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const Bitmap picture = Screenshot(w, h);
  Bitmap back(w, h);
  Scene scene{&picture, 0xFFFFFFFF, nullptr, {{DrawOp::Kind::FillRect, {100, 100, 900, 700}, kSwatches[0]}}};
  for (auto _ : state) {
    raster::Compose(scene, {0, 0, w, h}, back.View());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DragRectFullRecompose)->Apply(ScreenSizes);

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
