// The SSE4.1 row kernels. Only the functions below are compiled for SSE4.1: the target pragma comes after
// every include, so inline functions and templates from headers stay baseline code, and the linker cannot
// keep an SSE4.1 copy of one of them for the rest of the program.
#include <immintrin.h>

#include <cstring>

#include "platform/raster/spans.h"

#pragma GCC push_options
#pragma GCC target("sse4.1")

namespace raster::detail {

// Named rather than anonymous, so a disassembly shows which functions are these kernels.
namespace sse41 {

__m128i Load(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
void Store(void* p, __m128i v) {
  _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

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

// Runs f16 over groups of 16 pixels, then f4 over groups of 4, then f1 one by one. A kernel whose result
// does not depend on what dst held (or that only ANDs) can redo pixels, so when the span is long enough
// its tail is one group that overlaps the group before instead of a slower pass.
template <class F16, class F4, class F1>
inline void Groups(int n, F16 f16, F4 f4, F1 f1) {
  int i = 0;
  for (; i + 16 <= n; i += 16) f16(i);
  if (i < n && n >= 16) return f16(n - 16);
  for (; i + 4 <= n; i += 4) f4(i);
  if (i < n && n >= 4) return f4(n - 4);
  for (; i < n; ++i) f1(i);
}

void CopyAnd(const Pixel* src, Pixel* dst, int n, Pixel pen) {
  const __m128i m = _mm_set1_epi32(static_cast<int>(pen));
  Groups(
      n, [&](int i) { CopyAnd16(src + i, dst + i, m); },
      [&](int i) { Store(dst + i, _mm_and_si128(Load(src + i), m)); }, [&](int i) { dst[i] = src[i] & pen; });
}

void Fill(Pixel* dst, int n, Pixel value) {
  const __m128i v = _mm_set1_epi32(static_cast<int>(value));
  Groups(
      n, [&](int i) { Fill16(dst + i, v); }, [&](int i) { Store(dst + i, v); },
      [&](int i) { dst[i] = value; });
}

// The tail group overlaps the one before it, as in Groups, but is loaded before that one is stored: a load
// that partly overlaps a recent store would wait for it to reach the cache. ANDing a pixel twice does no
// harm.
inline void AndSpan(Pixel* dst, int n, __m128i m) {
  if (n >= 16) {
    Pixel* tail = dst + n - 16;
    const __m128i a = Load(tail), b = Load(tail + 4), c = Load(tail + 8), d = Load(tail + 12);
    for (int i = 0; i + 16 <= n; i += 16) CopyAnd16(dst + i, dst + i, m);
    Store(tail, _mm_and_si128(a, m));
    Store(tail + 4, _mm_and_si128(b, m));
    Store(tail + 8, _mm_and_si128(c, m));
    Store(tail + 12, _mm_and_si128(d, m));
  } else if (n >= 4) {
    const __m128i tail = Load(dst + n - 4);
    for (int i = 0; i + 4 <= n; i += 4) Store(dst + i, _mm_and_si128(Load(dst + i), m));
    Store(dst + n - 4, _mm_and_si128(tail, m));
  } else {
    const Pixel pen = static_cast<Pixel>(_mm_cvtsi128_si32(m));
    for (int i = 0; i < n; ++i) dst[i] &= pen;
  }
}

void AndSpan(Pixel* dst, int n, Pixel pen) {
  AndSpan(dst, n, _mm_set1_epi32(static_cast<int>(pen)));
}

void AndRows(const RowSpan* rows, size_t n, const Surface& out, Pixel pen) {
  const __m128i m = _mm_set1_epi32(static_cast<int>(pen));
  for (size_t i = 0; i < n; ++i) {
    const int first = rows[i].first > 0 ? rows[i].first : 0,
              last = rows[i].last < out.width ? rows[i].last : out.width;
    if (rows[i].y < out.height && first < last) AndSpan(out.Row(rows[i].y) + first, last - first, m);
  }
}

__m128i Plane(const InkLookup& lookup, int k) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(lookup.planes[k]));
}

// The masks of 16 pixels whose indices `idx` are not all 0, as four vectors of four, or false when the
// run needs the path for four at a time. The shuffles come first: they take no branch that depends on
// the data, which at stroke edges would be mispredicted as often as not.
inline bool Masks16(__m128i idx, const uint8_t* ink, const InkLookup& lookup, __m128i m[4]) {
  if (_mm_testz_si128(idx, _mm_set1_epi8(static_cast<char>(0xF0)))) {
    const __m128i b = _mm_shuffle_epi8(Plane(lookup, 0), idx), g = _mm_shuffle_epi8(Plane(lookup, 1), idx);
    const __m128i r = _mm_shuffle_epi8(Plane(lookup, 2), idx), a = _mm_shuffle_epi8(Plane(lookup, 3), idx);
    const __m128i bgLo = _mm_unpacklo_epi8(b, g), bgHi = _mm_unpackhi_epi8(b, g);
    const __m128i raLo = _mm_unpacklo_epi8(r, a), raHi = _mm_unpackhi_epi8(r, a);
    m[0] = _mm_unpacklo_epi16(bgLo, raLo);
    m[1] = _mm_unpackhi_epi16(bgLo, raLo);
    m[2] = _mm_unpacklo_epi16(bgHi, raHi);
    m[3] = _mm_unpackhi_epi16(bgHi, raHi);
    return true;
  }
  // Indices beyond the first 16 (many colours): still often one index for all 16.
  const __m128i first = _mm_shuffle_epi8(idx, _mm_setzero_si128());
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(idx, first)) != 0xFFFF) return false;
  m[0] = m[1] = m[2] = m[3] = _mm_set1_epi32(static_cast<int>(lookup.masks[ink[0]]));
  return true;
}

// The masks of 4 pixels.
inline __m128i Masks4(const uint8_t* ink, const InkLookup& lookup) {
  uint32_t four;
  std::memcpy(&four, ink, 4);
  if (four == 0) return _mm_set1_epi32(-1);
  if ((four & 0xF0F0F0F0) == 0) {
    const __m128i idx = _mm_cvtsi32_si128(static_cast<int>(four));
    const __m128i b = _mm_shuffle_epi8(Plane(lookup, 0), idx), g = _mm_shuffle_epi8(Plane(lookup, 1), idx);
    const __m128i r = _mm_shuffle_epi8(Plane(lookup, 2), idx), a = _mm_shuffle_epi8(Plane(lookup, 3), idx);
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(b, g), _mm_unpacklo_epi8(r, a));
  }
  const Pixel* t = lookup.masks;
  return _mm_setr_epi32(static_cast<int>(t[ink[0]]), static_cast<int>(t[ink[1]]), static_cast<int>(t[ink[2]]),
                        static_cast<int>(t[ink[3]]));
}

void CopyAndInk(const Pixel* src, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n, Pixel pen) {
  const __m128i p = _mm_set1_epi32(static_cast<int>(pen));
  Groups(
      n,
      [&](int i) {
        const __m128i idx = Load(ink + i);
        if (_mm_testz_si128(idx, idx)) return CopyAnd16(src + i, dst + i, p);  // no ink here
        __m128i m[4];
        if (Masks16(idx, ink + i, lookup, m)) {
          for (int k = 0; k < 4; ++k) {
            Store(dst + i + 4 * k, _mm_and_si128(Load(src + i + 4 * k), _mm_and_si128(m[k], p)));
          }
        } else {
          for (int k = i; k < i + 16; k += 4) {
            Store(dst + k, _mm_and_si128(Load(src + k), _mm_and_si128(Masks4(ink + k, lookup), p)));
          }
        }
      },
      [&](int i) { Store(dst + i, _mm_and_si128(Load(src + i), _mm_and_si128(Masks4(ink + i, lookup), p))); },
      [&](int i) { dst[i] = src[i] & lookup.masks[ink[i]] & pen; });
}

void FillAndInk(Pixel value, const uint8_t* ink, const InkLookup& lookup, Pixel* dst, int n) {
  const __m128i v = _mm_set1_epi32(static_cast<int>(value));
  Groups(
      n,
      [&](int i) {
        const __m128i idx = Load(ink + i);
        if (_mm_testz_si128(idx, idx)) return Fill16(dst + i, v);
        __m128i m[4];
        if (Masks16(idx, ink + i, lookup, m)) {
          for (int k = 0; k < 4; ++k) Store(dst + i + 4 * k, _mm_and_si128(v, m[k]));
        } else {
          for (int k = i; k < i + 16; k += 4) Store(dst + k, _mm_and_si128(v, Masks4(ink + k, lookup)));
        }
      },
      [&](int i) { Store(dst + i, _mm_and_si128(v, Masks4(ink + i, lookup))); },
      [&](int i) { dst[i] = value & lookup.masks[ink[i]]; });
}

void BlendOver(const Pixel* src, Pixel* dst, int n) {
  int i = 0;
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
  for (; i < n; ++i) dst[i] = OverPixel(src[i], dst[i]);
}

// 16 pixels at a time while their indices are below 16 and already mapped, which is every pixel of a
// stroke after its first few rows. The last group overlaps the one before rather than going scalar; the
// `fresh` lanes keep it from mapping a pixel twice.
int MapInk16(uint8_t* p, int i, int n, const InkPenMap& pm) {
  if (n < 16) return i;
  const __m128i lanes = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m128i high = _mm_set1_epi8(static_cast<char>(0xF0)), ones = _mm_set1_epi8(-1);
  const __m128i map = _mm_load_si128(reinterpret_cast<const __m128i*>(pm.map16));
  const __m128i mapped = _mm_load_si128(reinterpret_cast<const __m128i*>(pm.mapped16));
  while (i < n) {
    const int at = i < n - 16 ? i : n - 16;
    uint8_t* q = p + at;
    const __m128i from = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i fresh = _mm_cmpgt_epi8(lanes, _mm_set1_epi8(static_cast<char>(i - at - 1)));
    const __m128i ready = _mm_or_si128(_mm_shuffle_epi8(mapped, from), _mm_xor_si128(fresh, ones));
    // An index not mapped yet, or beyond the first 16: the caller goes one pixel at a time, filling the map.
    if (!_mm_testz_si128(from, high) || _mm_movemask_epi8(ready) != 0xFFFF) return i;
    const __m128i to = _mm_blendv_epi8(from, _mm_shuffle_epi8(map, from), fresh);
    const int changed = ~_mm_movemask_epi8(_mm_cmpeq_epi8(to, from)) & 0xFFFF;
    if (changed) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q), to);
      // Usually every changed pixel had the same index (fresh paper, or one earlier colour).
      const __m128i first = _mm_shuffle_epi8(from, _mm_set1_epi8(static_cast<char>(__builtin_ctz(changed))));
      if ((_mm_movemask_epi8(_mm_cmpeq_epi8(from, first)) & changed) == changed) {
        const int f = _mm_cvtsi128_si32(first) & 0xFF, count = __builtin_popcount(changed);
        if (f != 0) pm.useCount[f] -= count;
        pm.useCount[pm.penMap[f]] += count;
      } else {
        alignas(16) uint8_t fromBytes[16], toBytes[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(fromBytes), from);
        _mm_store_si128(reinterpret_cast<__m128i*>(toBytes), to);
        for (int bits = changed; bits; bits &= bits - 1) {
          const int lane = __builtin_ctz(bits);
          if (fromBytes[lane] != 0) --pm.useCount[fromBytes[lane]];
          ++pm.useCount[toBytes[lane]];
        }
      }
    }
    i = at + 16;
  }
  return n;
}

constexpr Kernels kKernels{"sse4.1",   CopyAnd,    Fill,      AndSpan, AndRows,
                           CopyAndInk, FillAndInk, BlendOver, MapInk16};

}  // namespace sse41

const Kernels& Sse41Kernels() {
  return sse41::kKernels;
}

}  // namespace raster::detail

#pragma GCC pop_options
