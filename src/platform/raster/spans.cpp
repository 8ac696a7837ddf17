#include "platform/raster/spans.h"

#if defined(__SSE4_1__)
#include <immintrin.h>
#endif

namespace raster::detail {

namespace {

#if defined(__SSE4_1__)
__m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// 16 pixels of src ANDed with one mask: the common case inside and outside strokes.
inline void CopyAnd16(const Pixel* src, Pixel* dst, __m128i m) {
  const __m128i a = Load(src), b = Load(src + 4), c = Load(src + 8), d = Load(src + 12);
  Store(dst, _mm_and_si128(a, m));
  Store(dst + 4, _mm_and_si128(b, m));
  Store(dst + 8, _mm_and_si128(c, m));
  Store(dst + 12, _mm_and_si128(d, m));
}

inline void Fill16(Pixel* dst, __m128i v) {
  Store(dst, v);
  Store(dst + 4, v);
  Store(dst + 8, v);
  Store(dst + 12, v);
}

// Four premultiplied pixels over four destination pixels, rounding x/255 exactly.
inline __m128i Over4(__m128i s, __m128i d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i c255 = _mm_set1_epi16(255), c128 = _mm_set1_epi16(128);
  __m128i out[2];
  for (int half = 0; half < 2; ++half) {
    const __m128i s16 = half ? _mm_unpackhi_epi8(s, zero) : _mm_unpacklo_epi8(s, zero);
    const __m128i d16 = half ? _mm_unpackhi_epi8(d, zero) : _mm_unpacklo_epi8(d, zero);
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
    __m128i t = _mm_add_epi16(_mm_mullo_epi16(d16, _mm_sub_epi16(c255, alpha)), c128);
    t = _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
    out[half] = _mm_add_epi16(s16, t);
  }
  return _mm_packus_epi16(out[0], out[1]);
}
#endif

inline Pixel Over1(Pixel s, Pixel d) {
  const uint32_t inv = 255 - (s >> 24);
  Pixel r = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t t = ((d >> shift) & 0xFF) * inv + 128;
    t = (t + (t >> 8)) >> 8;
    uint32_t c = ((s >> shift) & 0xFF) + t;
    r |= (c > 255 ? 255 : c) << shift;
  }
  return r;
}

}  // namespace

void CopyAnd(const Pixel* src, Pixel* dst, int n, Pixel pen) {
  int i = 0;
#if defined(__SSE4_1__)
  const __m128i m = _mm_set1_epi32(static_cast<int>(pen));
  for (; i + 16 <= n; i += 16) CopyAnd16(src + i, dst + i, m);
  for (; i + 4 <= n; i += 4) Store(dst + i, _mm_and_si128(Load(src + i), m));
#endif
  for (; i < n; ++i) dst[i] = src[i] & pen;
}

void Fill(Pixel* dst, int n, Pixel value) {
  int i = 0;
#if defined(__SSE4_1__)
  const __m128i v = _mm_set1_epi32(static_cast<int>(value));
  for (; i + 16 <= n; i += 16) Fill16(dst + i, v);
  for (; i + 4 <= n; i += 4) Store(dst + i, v);
#endif
  for (; i < n; ++i) dst[i] = value;
}

void AndSpan(Pixel* dst, int n, Pixel pen) {
  int i = 0;
#if defined(__SSE4_1__)
  const __m128i m = _mm_set1_epi32(static_cast<int>(pen));
  for (; i + 16 <= n; i += 16) CopyAnd16(dst + i, dst + i, m);
  for (; i + 4 <= n; i += 4) Store(dst + i, _mm_and_si128(Load(dst + i), m));
#endif
  for (; i < n; ++i) dst[i] &= pen;
}

InkLookup::InkLookup(const Pixel* table) : masks(table), planes{} {
  if (!table) return;
  for (int i = 0; i < 16; ++i) {
    for (int k = 0; k < 4; ++k) planes[k][i] = static_cast<uint8_t>(table[i] >> (8 * k));
  }
}

#if defined(__SSE4_1__)
namespace {

// The masks of 16 pixels as four vectors of four, or false when the run needs the scalar path.
inline bool Masks16(const uint8_t* ink, const InkLookup& lookup, __m128i m[4]) {
  const __m128i idx = Load(ink);
  if (_mm_testz_si128(idx, idx)) {
    m[0] = m[1] = m[2] = m[3] = _mm_set1_epi32(-1);
    return true;
  }
  if (_mm_testz_si128(idx, _mm_set1_epi8(static_cast<char>(0xF0)))) {
    const __m128i b = _mm_shuffle_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(lookup.planes[0])), idx);
    const __m128i g = _mm_shuffle_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(lookup.planes[1])), idx);
    const __m128i r = _mm_shuffle_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(lookup.planes[2])), idx);
    const __m128i a = _mm_shuffle_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(lookup.planes[3])), idx);
    const __m128i bgLo = _mm_unpacklo_epi8(b, g), bgHi = _mm_unpackhi_epi8(b, g);
    const __m128i raLo = _mm_unpacklo_epi8(r, a), raHi = _mm_unpackhi_epi8(r, a);
    m[0] = _mm_unpacklo_epi16(bgLo, raLo);
    m[1] = _mm_unpackhi_epi16(bgLo, raLo);
    m[2] = _mm_unpacklo_epi16(bgHi, raHi);
    m[3] = _mm_unpackhi_epi16(bgHi, raHi);
    return true;
  }
  const __m128i first = _mm_shuffle_epi8(idx, _mm_setzero_si128());
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(idx, first)) != 0xFFFF) return false;
  m[0] = m[1] = m[2] = m[3] = _mm_set1_epi32(static_cast<int>(lookup.masks[ink[0]]));
  return true;
}

}  // namespace
#endif

void CopyAndInk(const Pixel* src, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n, Pixel pen) {
  int i = 0;
#if defined(__SSE4_1__)
  const __m128i p = _mm_set1_epi32(static_cast<int>(pen));
  for (; i + 16 <= n; i += 16) {
    __m128i m[4];
    if (Masks16(ink + i, lookup, m)) {
      for (int k = 0; k < 4; ++k) Store(dst + i + 4 * k, _mm_and_si128(Load(src + i + 4 * k), _mm_and_si128(m[k], p)));
    } else {
      for (int k = i; k < i + 16; ++k) dst[k] = src[k] & lookup.masks[ink[k]] & pen;
    }
  }
#endif
  for (; i < n; ++i) dst[i] = src[i] & lookup.masks[ink[i]] & pen;
}

void FillAndInk(Pixel value, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n) {
  int i = 0;
#if defined(__SSE4_1__)
  const __m128i v = _mm_set1_epi32(static_cast<int>(value));
  for (; i + 16 <= n; i += 16) {
    __m128i m[4];
    if (Masks16(ink + i, lookup, m)) {
      for (int k = 0; k < 4; ++k) Store(dst + i + 4 * k, _mm_and_si128(v, m[k]));
    } else {
      for (int k = i; k < i + 16; ++k) dst[k] = value & lookup.masks[ink[k]];
    }
  }
#endif
  for (; i < n; ++i) dst[i] = value & lookup.masks[ink[i]];
}

void BlendOver(const Pixel* src, Pixel* dst, int n) {
  int i = 0;
#if defined(__SSE4_1__)
  const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(0xFF000000));
  for (; i + 4 <= n; i += 4) {
    const __m128i s = Load(src + i);
    if (_mm_testz_si128(s, s)) continue;  // fully transparent: the stamp's background
    if (_mm_testc_si128(s, alphaBits)) {  // every alpha is 255: opaque artwork replaces
      Store(dst + i, s);
      continue;
    }
    Store(dst + i, Over4(s, Load(dst + i)));
  }
#endif
  for (; i < n; ++i) dst[i] = Over1(src[i], dst[i]);
}

}  // namespace raster::detail
