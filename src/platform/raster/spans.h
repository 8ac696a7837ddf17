// Row kernels shared by the compositor and the benchmarks: the loops where the frame time goes. Each takes
// a pixel count and handles any length and alignment.
//
// The program is built for the x86-64 baseline, so it starts on every 64-bit PC; the vector variants are
// compiled for their instruction set in files of their own and chosen once, at start-up, by what the CPU
// offers. The scalar variant is the fallback and the reference the others are tested against.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/raster/raster.h"

namespace raster::detail {

// The ink layer's mask table prepared for lookups: the first 16 masks split into byte planes, so 16 pixels
// whose indices are all below 16 (every index, with a few colours) are looked up with four byte shuffles.
struct InkLookup {
  explicit InkLookup(const Pixel* table);  // table may be null when there is no ink layer
  const Pixel* masks;
  alignas(16) uint8_t planes[4][16];  // planes[k][i] = byte k of masks[i]
};

// What a line's pen does to ink indices, kept by InkLayer::DrawLine: penMap[i] is the index i becomes
// (0xFFFF while not yet known); for i below 16 also as bytes, with mapped16[i] = 0xFF once it is known.
struct InkPenMap {
  const uint16_t* penMap;
  const uint8_t* map16;
  const uint8_t* mapped16;
  uint32_t* useCount;  // pixels per index, kept as indices change
};

// One premultiplied pixel over another, x/255 rounded as (t + (t >> 8)) >> 8 with t = x + 128: the scalar
// kernel, and the tails of the vector ones, which round the same way.
inline Pixel OverPixel(Pixel s, Pixel d) {
  const uint32_t inv = 255 - (s >> 24);
  Pixel r = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t t = ((d >> shift) & 0xFF) * inv + 128;
    t = (t + (t >> 8)) >> 8;
    const uint32_t c = ((s >> shift) & 0xFF) + t;
    r |= (c > 255 ? 255 : c) << shift;
  }
  return r;
}

enum class Variant : uint8_t { kScalar, kSse41 };
inline constexpr Variant kVariants[] = {Variant::kScalar, Variant::kSse41};

struct Kernels {
  const char* name;
  // dst[i] = src[i] & pen.
  void (*copyAnd)(const Pixel* src, Pixel* dst, int n, Pixel pen);
  // dst[i] = value.
  void (*fill)(Pixel* dst, int n, Pixel value);
  // dst[i] &= pen.
  void (*andSpan)(Pixel* dst, int n, Pixel pen);
  // andSpan over each of `n` rows of `out`, each clipped to it.
  void (*andRows)(const RowSpan* rows, size_t n, const Surface& out, Pixel pen);
  // dst[i] = src[i] & masks[ink[i]] & pen: the picture under the freehand layer.
  void (*copyAndInk)(const Pixel* src, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n,
                     Pixel pen);
  // dst[i] = value & masks[ink[i]]: the back colour under the freehand layer.
  void (*fillAndInk)(Pixel value, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n);
  // dst[i] = src[i] + dst[i] * (255 - alpha(src[i])) / 255 per channel, rounded: premultiplied "over".
  void (*blendOver)(const Pixel* src, Pixel* dst, int n);
  // Maps ink indices p[i, n) through the pen map, 16 at a time, while all 16 are below 16 and already
  // mapped; returns where it stopped (n when done), and the caller maps up to 16 pixels from there one by
  // one. Null in a variant that has no such path.
  int (*mapInk16)(uint8_t* p, int i, int n, const InkPenMap& map);
};

const Kernels& Sse41Kernels();

// Whether this CPU (and its OS) runs the variant.
bool Supported(Variant v);
// The fastest supported variant: what the program uses unless told otherwise.
Variant BestVariant();
// Makes `v` the variant every compositor call uses, for tests and benchmarks; returns false and changes
// nothing when the CPU cannot run it. Not thread-safe: nothing composes while it is switched.
bool UseKernels(Variant v);
const char* VariantName(Variant v);

// The variant in use. One process-wide choice, made once: the CPU does not change under the program.
extern const Kernels* activeKernels;

inline void CopyAnd(const Pixel* src, Pixel* dst, int n, Pixel pen) {
  activeKernels->copyAnd(src, dst, n, pen);
}
inline void Fill(Pixel* dst, int n, Pixel value) {
  activeKernels->fill(dst, n, value);
}
inline void AndSpan(Pixel* dst, int n, Pixel pen) {
  activeKernels->andSpan(dst, n, pen);
}
inline void AndRows(const RowSpan* rows, size_t n, const Surface& out, Pixel pen) {
  activeKernels->andRows(rows, n, out, pen);
}
inline void CopyAndInk(const Pixel* src, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n,
                       Pixel pen) {
  activeKernels->copyAndInk(src, ink, lookup, dst, n, pen);
}
inline void FillAndInk(Pixel value, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n) {
  activeKernels->fillAndInk(value, ink, lookup, dst, n);
}
inline void BlendOver(const Pixel* src, Pixel* dst, int n) {
  activeKernels->blendOver(src, dst, n);
}

}  // namespace raster::detail
