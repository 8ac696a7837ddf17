// Twips and pixels. Positions at the toolkit boundary are twips (1/1440 inch); the primary screen's DPI
// decides how many make a pixel (15 at 96 DPI).
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tk {

// The conversion of a single-precision value to a 32-bit whole number that the forms rely on: nearest,
// halves to the even neighbour (2.5 -> 2, 3.5 -> 4). Out-of-range values saturate instead of being undefined;
// NaN gives 0.
inline int32_t RoundToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::nearbyint(v));  // the default rounding mode is ties-to-even
}

inline float TwipsPerPixelForDpi(int dpi) { return 1440.0f / static_cast<float>(dpi > 0 ? dpi : 96); }

inline float PixelsToTwips(int pixels, float twipsPerPixel) { return static_cast<float>(pixels) * twipsPerPixel; }

// Nearest pixel of a twip coordinate; shapes and lines are placed with this.
inline int TwipsToPixels(double twips, float twipsPerPixel) { return RoundToInt32(twips / twipsPerPixel); }

}  // namespace tk
