// Runs the benchmarks, then prints the figures they are judged by. Each ratio comes from one benchmark that
// alternates its two sides, so a slower or busier machine moves both together.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/raster/spans.h"

namespace {

// Keeps the counters of every benchmark (of the median when it is repeated) next to the console output.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      if (!median && !single) continue;
      const std::string key = run.run_name.function_name + "/" + run.run_name.args;
      micros_[key] = run.GetAdjustedRealTime() * ToMicros(run.time_unit);
      for (const auto& [name, counter] : run.counters) counters_[key + ":" + name] = counter.value;
    }
  }

  const double* Counter(const std::string& key) const { return Find(counters_, key); }
  const double* Micros(const std::string& key) const { return Find(micros_, key); }

 private:
  static const double* Find(const std::map<std::string, double>& m, const std::string& key) {
    const auto it = m.find(key);
    return it == m.end() ? nullptr : &it->second;
  }
  static double ToMicros(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kNanosecond:
        return 1e-3;
      case benchmark::kMicrosecond:
        return 1;
      case benchmark::kMillisecond:
        return 1e3;
      case benchmark::kSecond:
        return 1e6;
    }
    return 1;
  }

  std::map<std::string, double> counters_, micros_;
};

int missed = 0, notRun = 0;

// One summary line; `goal` is empty for figures shown for information only.
void Line(const char* what, const double* value, const char* unit, const std::string& goal, bool met) {
  if (!value) {
    std::printf("  %-46s n/a (not run)\n", what);
    ++notRun;
    return;
  }
  const std::string note = goal.empty() ? "  (info)" : "  (goal " + goal + ")" + (met ? "" : "  MISSED");
  std::printf("  %-46s %8.3f%s%s\n", what, *value, unit, note.c_str());
  missed += !goal.empty() && !met;
}

// A counter of a benchmark against a goal: at most `goal`, or at least when atLeast is set; no goal when
// goal is 0. `invert` shows 1 / value (a ratio the other way round).
void Counter(const SummaryReporter& r, const char* what, const std::string& key, const char* unit,
             double goal, bool atLeast = false, bool invert = false) {
  const double* raw = r.Counter(key);
  double value = raw ? *raw : 0;
  if (invert && value > 0) value = 1 / value;
  char goalText[32] = "";
  if (goal > 0) std::snprintf(goalText, sizeof goalText, "%s %.3g%s", atLeast ? ">=" : "<=", goal, unit);
  Line(what, raw ? &value : nullptr, unit, goalText, atLeast ? value >= goal : value <= goal);
}

}  // namespace

int main(int argc, char** argv) {
  // Repetitions of all benchmarks are interleaved, so a burst of load from elsewhere on the machine lands
  // on both sides of a ratio rather than on one benchmark; a flag on the command line still wins.
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  using raster::detail::Variant;
  const std::string best = "/" + std::to_string(int(raster::detail::BestVariant()));
  std::printf("\nRow kernels per variant (medians of this run, us; in brackets, scalar time / this one):\n");
  std::printf("  %-10s %-8s %18s %18s %18s %18s\n", "screen", "variant", "copy+AND", "full-screen rect",
              "busy scene", "freehand step");
  for (const char* size : {"1920/1080", "3840/2160"}) {
    for (const Variant v : raster::detail::kVariants) {
      const std::string variant = std::string(size) + "/" + std::to_string(int(v));
      std::printf("  %-10s %-8s", size, raster::detail::VariantName(v));
      for (const char* bm :
           {"BM_CopyAnd/", "BM_ComposeFullScreenRect/", "BM_ComposeBusyScene/", "BM_FreehandStep/"}) {
        const double* us = reporter.Micros(bm + variant);
        const double* scalar =
            reporter.Micros(bm + std::string(size) + "/" + std::to_string(int(Variant::kScalar)));
        if (us && scalar) {
          std::printf(" %9.2f (%4.2fx)", *us, *scalar / *us);
        } else {
          std::printf(" %17s", "n/a");
        }
      }
      std::printf("\n");
    }
  }

  std::printf(
      "\nSummary (medians of this run; ratios to memcpy and to a full recompose over alternated turns):\n");
  for (const char* size : {"1920/1080", "3840/2160"}) {
    const std::string s = size;
    const bool large = s == "3840/2160";
    std::printf(" %s\n", large ? "3840x2160" : "1920x1080");
    Counter(reporter, "copy+AND / memcpy", "BM_PairCopyAndMemcpy/" + s + ":ratio", "", 1.15);
    Counter(reporter, "compose, full-screen rectangle / memcpy",
            "BM_PairFullScreenRectMemcpy/" + s + ":ratio", "", 1.3);
    Counter(reporter, "compose, busy scene / memcpy", "BM_PairBusySceneMemcpy/" + s + ":ratio", "", 3);
    const double* step = reporter.Micros("BM_FreehandStep/" + s + best);
    Line("freehand step", step, " us", large ? "<= 1 us" : "", !large || (step && *step <= 1));
    const double* fresh = reporter.Micros("BM_FreehandStepFreshScreen/" + s);
    Line("  on a path that seldom comes back", fresh, " us", "", true);
    if (reporter.Counter("BM_PairCairoFreehandStep/" + s + ":ratio")) {  // where cairo is built in
      Counter(reporter, "cairo antialiased stroke / freehand step",
              "BM_PairCairoFreehandStep/" + s + ":ratio", "", 15, true);
    }
    // The drag goal is set at 4K; at 1080p the whole frame fits in cache, a full recompose is cheap, and
    // the ratio is shown for information.
    Counter(reporter, "800x600 drag step / full recompose", "BM_PairDragStepFullRecompose/" + s + ":ratio",
            "", large ? 0.01 : 0);
  }
  std::printf(" 1920x1080 with 2,000 rectangles and 2,000 ellipses\n");
  const double* hover = reporter.Micros("BM_HoverOverMarks/2000");
  Line("pointer move (hover), with its repaint", hover, " us", "<= 20 us", hover && *hover <= 20);
  Line("  on an empty screen", reporter.Micros("BM_HoverOverMarks/0"), " us", "", true);
  Counter(reporter, "drag step over the marks", "BM_PairDragOverMarks/:busy_us", " us", 0);
  Counter(reporter, "  the same on an empty screen", "BM_PairDragOverMarks/:empty_us", " us", 0);
  Counter(reporter, "  what the marks add beyond the pixels", "BM_PairDragOverMarks/:extra_us", " us", 20);
  Counter(reporter, "rectangle drawn, busy / empty screen", "BM_PairDrawRectOverMarks/:ratio", "", 1.5);
  std::printf(" memory at 3840x2160\n");
  const double* perPixel = reporter.Counter("BM_MemoryHeld/3840/2160:buffer_bytes_per_px");
  Line("picture + back buffer + ink, bytes/pixel", perPixel, "", "<= 9", perPixel && *perPixel <= 9);
  const double* all = reporter.Counter("BM_MemoryHeld/3840/2160:all_bytes_per_px");
  Line("  with ink row extents and mask table", all, "", "", true);
  const double* op = reporter.Counter("BM_MemoryHeld/3840/2160:sizeof_DrawOp");
  Line("bytes per mark (sizeof DrawOp)", op, "", "<= 64", op && *op <= 64);
  std::printf(" undo and redo at 3840x2160 (each with its repaint)\n");
  Counter(reporter, "bytes kept for a typical stroke", "BM_UndoStroke/:step_bytes", "", 16384);
  Counter(reporter, "  its undo", "BM_UndoStroke/:undo_us", " us", 0);
  Counter(reporter, "  its redo", "BM_UndoStroke/:redo_us", " us", 0);
  Counter(reporter, "bytes kept for a Clear of a busy scene", "BM_UndoClear/:step_bytes", "", 1 << 20);
  Counter(reporter, "  the ink layer it cleared, bytes", "BM_UndoClear/:ink_bytes", "", 0);
  Counter(reporter, "  its undo", "BM_UndoClear/:undo_us", " us", 0);
  Counter(reporter, "  its redo", "BM_UndoClear/:redo_us", " us", 0);
  std::printf("%s%s\n", missed ? "Some goals were missed." : "All goals met.",
              notRun ? " (Some benchmarks were not run.)" : "");
  return 0;
}
