// Row kernels shared by the compositor and the benchmarks: the loops where the frame time goes. Each takes
// a pixel count and handles any length and alignment; the SSE bodies have plain scalar tails.
#pragma once

#include <cstdint>

#include "platform/raster/raster.h"

namespace raster::detail {

// dst[i] = src[i] & pen.
void CopyAnd(const Pixel* src, Pixel* dst, int n, Pixel pen);
// dst[i] = value.
void Fill(Pixel* dst, int n, Pixel value);
// dst[i] &= pen.
void AndSpan(Pixel* dst, int n, Pixel pen);
// The ink layer's mask table prepared for lookups: the first 16 masks split into byte planes, so 16 pixels
// whose indices are all below 16 (every index, with a few colours) are looked up with four byte shuffles.
struct InkLookup {
  explicit InkLookup(const Pixel* table);  // table may be null when there is no ink layer
  const Pixel* masks;
  alignas(16) uint8_t planes[4][16];  // planes[k][i] = byte k of masks[i]
};

// dst[i] = src[i] & masks[ink[i]] & pen: the picture under the freehand layer.
void CopyAndInk(const Pixel* src, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n, Pixel pen);
// dst[i] = value & masks[ink[i]]: the back colour under the freehand layer.
void FillAndInk(Pixel value, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n);
// dst[i] = src[i] + dst[i] * (255 - alpha(src[i])) / 255 per channel, rounded: premultiplied "over".
void BlendOver(const Pixel* src, Pixel* dst, int n);

}  // namespace raster::detail
