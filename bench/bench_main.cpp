// Runs the benchmarks, then prints the ratios they are judged by. Ratios come from the same run, so a
// slower or busier machine moves both sides together.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

// Keeps the median of every benchmark (or its only run when repetitions are off) next to the console
// output.
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

  const double* Micros(const std::string& key) const {
    const auto it = micros_.find(key);
    return it == micros_.end() ? nullptr : &it->second;
  }
  const double* Counter(const std::string& key) const {
    const auto it = counters_.find(key);
    return it == counters_.end() ? nullptr : &it->second;
  }

 private:
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

  std::map<std::string, double> micros_, counters_;
};

int missed = 0;

// One summary line; `goal` is empty for figures shown for information only.
void Line(const char* what, const double* value, const char* unit, const std::string& goal, bool met) {
  if (!value) {
    std::printf("  %-46s n/a (not run)\n", what);
    return;
  }
  const std::string note = goal.empty() ? "  (info)" : "  (goal " + goal + ")" + (met ? "" : "  MISSED");
  std::printf("  %-46s %8.3f%s%s\n", what, *value, unit, note.c_str());
  missed += !goal.empty() && !met;
}

// The ratio of two benchmarks' medians, against `goal` (at most, or at least when atLeast is set).
void Ratio(const SummaryReporter& r, const char* what, const std::string& num, const std::string& den,
           double goal, bool atLeast = false) {
  const double *a = r.Micros(num), *b = r.Micros(den);
  const double ratio = a && b && *b > 0 ? *a / *b : 0;
  char goalText[32] = "";
  if (goal > 0) std::snprintf(goalText, sizeof goalText, "%s %.3g", atLeast ? ">=" : "<=", goal);
  Line(what, a && b ? &ratio : nullptr, "", goalText, atLeast ? ratio >= goal : ratio <= goal);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\nSummary (medians of this run):\n");
  for (const char* size : {"1920/1080", "3840/2160"}) {
    const std::string s = size;
    const bool large = s == "3840/2160";
    std::printf(" %s\n", large ? "3840x2160" : "1920x1080");
    Ratio(reporter, "copy+AND / memcpy", "BM_CopyAnd/" + s, "BM_FrameMemcpy/" + s, 1.15);
    Ratio(reporter, "compose, full-screen rectangle / memcpy", "BM_ComposeFullScreenRect/" + s,
          "BM_FrameMemcpy/" + s, 1.3);
    Ratio(reporter, "compose, busy scene / memcpy", "BM_ComposeBusyScene/" + s, "BM_FrameMemcpy/" + s, 3);
    const double* step = reporter.Micros("BM_FreehandStep/" + s);
    Line("freehand step", step, " us", "<= 2 us", step && *step <= 2);
    if (reporter.Micros("BM_CairoFreehandStep/" + s)) {
      Ratio(reporter, "cairo antialiased stroke / freehand step", "BM_CairoFreehandStep/" + s,
            "BM_FreehandStep/" + s, 15, true);
    }
    // The drag goal is set at 4K; at 1080p the whole frame fits in cache, a full recompose is cheap, and
    // the ratio is shown for information.
    Ratio(reporter, "800x600 drag step / full recompose", "BM_DragRectStep/" + s,
          "BM_DragRectFullRecompose/" + s, large ? 0.01 : 0);
  }
  std::printf(" memory at 3840x2160\n");
  const double* perPixel = reporter.Counter("BM_MemoryHeld/3840/2160:buffer_bytes_per_px");
  Line("picture + back buffer + ink, bytes/pixel", perPixel, "", "<= 9", perPixel && *perPixel <= 9);
  const double* all = reporter.Counter("BM_MemoryHeld/3840/2160:all_bytes_per_px");
  Line("  with ink row extents and mask table", all, "", "", true);
  const double* op = reporter.Counter("BM_MemoryHeld/3840/2160:sizeof_DrawOp");
  Line("bytes per mark (sizeof DrawOp)", op, "", "<= 64", op && *op <= 64);
  std::printf("%s\n", missed ? "Some goals were missed." : "All goals met.");
  return 0;
}
