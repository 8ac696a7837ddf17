// The scalar row kernels, and the choice of variant.
#include "platform/raster/spans.h"

namespace raster::detail {

namespace {

void CopyAndScalar(const Pixel* src, Pixel* dst, int n, Pixel pen) {
  for (int i = 0; i < n; ++i) dst[i] = src[i] & pen;
}

void FillScalar(Pixel* dst, int n, Pixel value) {
  for (int i = 0; i < n; ++i) dst[i] = value;
}

void AndSpanScalar(Pixel* dst, int n, Pixel pen) {
  for (int i = 0; i < n; ++i) dst[i] &= pen;
}

void AndRowsScalar(const RowSpan* rows, size_t n, const Surface& out, Pixel pen) {
  for (size_t i = 0; i < n; ++i) {
    const int first = rows[i].first > 0 ? rows[i].first : 0,
              last = rows[i].last < out.width ? rows[i].last : out.width;
    if (rows[i].y < out.height && first < last) AndSpanScalar(out.Row(rows[i].y) + first, last - first, pen);
  }
}

void CopyAndInkScalar(const Pixel* src, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n,
                      Pixel pen) {
  for (int i = 0; i < n; ++i) dst[i] = src[i] & lookup.masks[ink[i]] & pen;
}

void FillAndInkScalar(Pixel value, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n) {
  for (int i = 0; i < n; ++i) dst[i] = value & lookup.masks[ink[i]];
}

void BlendOverScalar(const Pixel* src, Pixel* dst, int n) {
  for (int i = 0; i < n; ++i) dst[i] = OverPixel(src[i], dst[i]);
}

constexpr Kernels kScalar{"scalar",         CopyAndScalar,    FillScalar,      AndSpanScalar, AndRowsScalar,
                          CopyAndInkScalar, FillAndInkScalar, BlendOverScalar, nullptr};

// __builtin_cpu_init must run first when this is asked from a static constructor, as it is below.
bool CpuHas(Variant v) {
  __builtin_cpu_init();
  switch (v) {
    case Variant::kScalar:
      return true;
    case Variant::kSse41:
      return __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1");
  }
  return false;
}

const Kernels& KernelsOf(Variant v) {
  return v == Variant::kSse41 ? Sse41Kernels() : kScalar;
}

}  // namespace

// The scalar set until start-up picks, so a call from another static constructor still works.
constinit const Kernels* activeKernels = &kScalar;

namespace {
[[maybe_unused]] const bool picked = UseKernels(BestVariant());
}  // namespace

bool Supported(Variant v) {
  return CpuHas(v);
}

Variant BestVariant() {
  return Supported(Variant::kSse41) ? Variant::kSse41 : Variant::kScalar;
}

bool UseKernels(Variant v) {
  if (!Supported(v)) return false;
  activeKernels = &KernelsOf(v);
  return true;
}

const char* VariantName(Variant v) {
  return KernelsOf(v).name;
}

InkLookup::InkLookup(const Pixel* table) : masks(table), planes{} {
  if (!table) return;
  for (int i = 0; i < 16; ++i) {
    for (int k = 0; k < 4; ++k) planes[k][i] = static_cast<uint8_t>(table[i] >> (8 * k));
  }
}

}  // namespace raster::detail
