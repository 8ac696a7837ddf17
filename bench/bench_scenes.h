// What the benchmarks share: a screen-sized picture and back buffer, the marks of a busy annotation session,
// the program itself in a session on the headless backend, and the median of timed turns.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "platform/headless/headless_system.h"
#include "platform/raster/raster.h"
#include "settings/reg_settings.h"

namespace bench {

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

// The program on the headless backend, in a session from the start, with the banner out of the way: the
// overlay as the benchmarks drive it, through its real handlers.
struct LiveOverlay {
  LiveOverlay(int width, int height) : sys(width, height, 96) {
    CRegSettings(sys.registry).SaveSetting("Options", "Instructions on startup", "0");
    app = std::make_unique<tk::App>(sys);
    form = std::make_unique<Form1>(*app);
    form->Load();
    form->Image1.SetVisible(false);
    form->mnupophl_Click();
  }

  tk::HeadlessSystem sys;
  std::unique_ptr<tk::App> app;
  std::unique_ptr<Form1> form;
};

// The four highlight colours of the options dialog, as mask pens.
inline const raster::Pixel kSwatches[4] = {
    raster::PenFromColorRef(0x00FFFF), raster::PenFromColorRef(0x00FF00), raster::PenFromColorRef(0xFFFF00),
    raster::PenFromColorRef(0xFF80FF)};

// A captured screen stand-in: noise, so no pixel pattern is cheaper to copy than a real screenshot.
inline raster::Bitmap Screenshot(int width, int height) {
  raster::Bitmap b(width, height);
  std::mt19937 gen(1);
  raster::Pixel* p = b.Data();
  for (size_t i = 0, n = b.ByteSize() / sizeof(raster::Pixel); i < n; ++i)
    p[i] = 0xFF000000 | (gen() & 0xFFFFFF);
  return b;
}

// A pointer moving over the screen, `step` pixels per move, as moves arrive while the user drags. On a
// closed curve it keeps going over the same places, as when highlighting the same lines back and forth, and
// what it touches stays in cache; on a drifting curve it keeps reaching parts of the screen it has not
// touched for long. The points are worked out up front so the timed loops only read them.
class Walk {
 public:
  enum class Path { kLoop, kDrift };

  Walk(int width, int height, double step, Path path = Path::kLoop) {
    const double rx = width * 0.4, ry = height * 0.4, twoPi = 6.283185307179586;
    const double drift = path == Path::kDrift ? 0.01 : 0;
    auto at = [&](double t) {
      return std::pair{width / 2.0 + rx * std::sin(3 * t + drift * t * t),
                       height / 2.0 + ry * std::sin(2 * t + 0.5 + 0.7 * drift * t * t)};
    };
    auto [x, y] = at(0);
    points_.push_back({x, y});
    const double end = path == Path::kDrift ? 60 * twoPi : twoPi;
    for (double t = 0; t < end;) {
      auto [nx, ny] = at(t += 1e-4);
      if (std::hypot(nx - x, ny - y) >= step) points_.push_back({x = nx, y = ny});
    }
  }
  // The next point. A loop closes, so its last point leads back to the first in about one step; a drift
  // starts again from its first point after a long while.
  std::pair<double, double> Next() {
    if (++at_ == points_.size()) at_ = 0;
    return points_[at_];
  }
  std::pair<double, double> Current() const { return points_[at_]; }

 private:
  std::vector<std::pair<double, double>> points_;
  size_t at_ = 0;
};

// 20 strokes of 100 segments, 10 rectangles and 5 ellipses in the highlight colours.
inline void BusyScene(int width, int height, raster::InkLayer& ink, raster::Scene& scene) {
  std::mt19937 gen(7);
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); };
  ink.Resize(width, height);
  for (int s = 0; s < 20; ++s) {
    double x = uni(0, width), y = uni(0, height), heading = uni(0, 6.3);
    const int penWidth = 10 + 10 * (s % 5);
    const raster::Pixel pen = kSwatches[s % 4];
    for (int i = 0; i < 100; ++i) {
      heading += uni(-0.5, 0.5);
      double nx = x + 30 * std::cos(heading), ny = y + 30 * std::sin(heading);
      if (nx < 0 || nx >= width || ny < 0 || ny >= height) heading += 3.14159, nx = x, ny = y;
      ink.DrawLine(float(x), float(y), float(nx), float(ny), penWidth, pen);
      x = nx, y = ny;
    }
  }
  for (int i = 0; i < 10; ++i) {
    const int w = int(uni(100, 800)), h = int(uni(60, 600));
    const int l = int(uni(-50, width - w + 50)), t = int(uni(-50, height - h + 50));
    scene.ops.push_back({raster::DrawOp::Kind::FillRect, {l, t, l + w, t + h}, kSwatches[i % 4]});
  }
  for (int i = 0; i < 5; ++i) {
    const int w = int(uni(100, 1200)), h = int(uni(100, 900));
    const int l = int(uni(-50, width - w + 50)), t = int(uni(-50, height - h + 50));
    scene.ops.push_back(
        {raster::DrawOp::Kind::EllipseOutline, {l, t, l + w, t + h}, kSwatches[i % 4], 10 + 10 * i});
  }
  scene.ink = &ink;
}

}  // namespace bench
