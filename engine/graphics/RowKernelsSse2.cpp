// SSE2 forms of the blend kernels: four pixels per step, each channel widened
// to 16 bits, the same integer formulas as PixelOps (every product stays below
// 65536, so the 16-bit lanes are exact). Leftover pixels of a row go through
// PixelOps itself. The i686 build compiles these for SSE2 only here and calls
// them when the processor has it.
#include "engine/graphics/RowKernels.h"

#include "engine/graphics/PixelOps.h"

#include <emmintrin.h>

#if defined(__i386__)
#define FP_SSE2 __attribute__((target("sse2")))
// The host may call in with a stack aligned to 4 bytes only (the 32-bit
// Windows convention), while spilled vectors need 16: entry points realign.
#define FP_SSE2_ENTRY __attribute__((target("sse2"), force_align_arg_pointer))
#else
#define FP_SSE2
#define FP_SSE2_ENTRY
#endif

namespace RowKernels {
namespace Sse2 {
namespace {

FP_SSE2 inline __m128i AlphaMask() { return _mm_set1_epi32(int(0xFF000000u)); }

FP_SSE2 inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

FP_SSE2 inline __m128i AlphaOf(__m128i s) { return _mm_srli_epi32(s, 24); }

// The mixed pixels with D's alpha, or D whole where keep is set.
FP_SSE2 inline __m128i KeepAlpha(__m128i keep, __m128i d, __m128i mixed) {
    return Select(_mm_or_si128(keep, AlphaMask()), d, mixed);
}

// E = (O * (A + 1)) >> 8 per pixel; the product fits the low 16 bits.
FP_SSE2 inline __m128i Effective(__m128i opacity, __m128i a) {
    return _mm_srli_epi32(_mm_mullo_epi16(opacity, _mm_add_epi32(a, _mm_set1_epi32(1))), 8);
}

// D_c = (P_c * e + D_c * (255 - e)) >> 8 for one half's channels, computed
// as (255 * D_c + (P_c - D_c) * e) >> 8 with one multiply: the difference may
// be negative, but the true sum lies in 0..65025, so the 16-bit wrap-around
// arithmetic lands on it exactly.
FP_SSE2 inline __m128i MixHalf(__m128i p, __m128i d, __m128i e) {
    const __m128i d255 = _mm_sub_epi16(_mm_slli_epi16(d, 8), d);
    return _mm_srli_epi16(_mm_add_epi16(d255, _mm_mullo_epi16(_mm_sub_epi16(p, d), e)), 8);
}

// e per pixel (low word of each 32-bit lane) as words for the low and the
// high two pixels.
FP_SSE2 inline void SpreadWords(__m128i e, __m128i* lo, __m128i* hi) {
    const __m128i twice = _mm_or_si128(e, _mm_slli_epi32(e, 16));
    *lo = _mm_unpacklo_epi32(twice, twice);
    *hi = _mm_unpackhi_epi32(twice, twice);
}

// The mix of four pixels; the alpha byte of the result is junk (callers take
// D's alpha with KeepAlpha).
FP_SSE2 inline __m128i Mix(__m128i p, __m128i d, __m128i e) {
    const __m128i zero = _mm_setzero_si128();
    __m128i eLo, eHi;
    SpreadWords(e, &eLo, &eHi);
    const __m128i lo = MixHalf(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(d, zero), eLo);
    const __m128i hi = MixHalf(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(d, zero), eHi);
    return _mm_packus_epi16(lo, hi);
}

// Mix with each pixel's own alpha as e (alpha byte junk, as for Mix): the
// alpha word is copied across its pixel's four words.
FP_SSE2 inline __m128i MixOwnAlpha(__m128i s, __m128i d) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i sLo = _mm_unpacklo_epi8(s, zero), sHi = _mm_unpackhi_epi8(s, zero);
    const __m128i eLo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sLo, 0xFF), 0xFF);
    const __m128i eHi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sHi, 0xFF), 0xFF);
    const __m128i lo = MixHalf(sLo, _mm_unpacklo_epi8(d, zero), eLo);
    const __m128i hi = MixHalf(sHi, _mm_unpackhi_epi8(d, zero), eHi);
    return _mm_packus_epi16(lo, hi);
}

// (P_c * e) >> 8 for B, G, R; alpha 0.
FP_SSE2 inline __m128i Scale(__m128i p, __m128i e) {
    const __m128i zero = _mm_setzero_si128();
    __m128i eLo, eHi;
    SpreadWords(e, &eLo, &eHi);
    const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(p, zero), eLo), 8);
    const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(p, zero), eHi), 8);
    return _mm_andnot_si128(AlphaMask(), _mm_packus_epi16(lo, hi));
}

// (A, g, g, g) with g = (85 * (B + G + R)) >> 8; 85 * 765 fits 16 bits.
FP_SSE2 inline __m128i GreyOf(__m128i s) {
    const __m128i low = _mm_set1_epi32(0xFF);
    const __m128i sum = _mm_add_epi32(
        _mm_add_epi32(_mm_and_si128(s, low), _mm_and_si128(_mm_srli_epi32(s, 8), low)),
        _mm_and_si128(_mm_srli_epi32(s, 16), low));
    const __m128i g = _mm_srli_epi32(_mm_mullo_epi16(sum, _mm_set1_epi32(85)), 8);
    const __m128i g2 = _mm_or_si128(g, _mm_slli_epi32(g, 8));
    return _mm_or_si128(_mm_and_si128(s, AlphaMask()), _mm_or_si128(g2, _mm_slli_epi32(g, 16)));
}

// Opacity, tint and grey: A = 0 keeps D, E = 255 writes p whole.
FP_SSE2 inline __m128i MixWith(__m128i p, __m128i d, __m128i a, __m128i opacity) {
    const __m128i e = Effective(opacity, a);
    const __m128i keep = _mm_cmpeq_epi32(a, _mm_setzero_si128());
    const __m128i whole = _mm_cmpeq_epi32(e, _mm_set1_epi32(255));
    return Select(whole, p, KeepAlpha(keep, d, Mix(p, d, e)));
}

// Runs a four-pixel op and its one-pixel twin over every row.
template <typename Four, typename One>
FP_SSE2 inline void ForEachPixel(const Rows& rows, Four four, One one) {
    const Rows r = rows;   // a local copy: the stores can't alias it
    for (int32_t i = 0; i < r.h; ++i) {
        uint32_t* d = DstRow(r, i);
        const uint32_t* s = SrcRow(r, i);
        const int32_t w = r.w;
        int32_t j = 0;
        for (; j + 8 <= w; j += 8) {   // two independent vectors per step
            const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j));
            const __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j + 4));
            const __m128i d0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j));
            const __m128i d1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j + 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + j), four(s0, d0));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + j + 4), four(s1, d1));
        }
        for (; j + 4 <= w; j += 4) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + j), four(sv, dv));
        }
        for (; j < w; ++j) d[j] = one(s[j], d[j]);
    }
}

struct AlphaFour {
    FP_SSE2 __m128i operator()(__m128i s, __m128i d) const {
        const __m128i a = AlphaOf(s);
        const __m128i keep = _mm_cmpeq_epi32(a, _mm_setzero_si128());
        const __m128i whole = _mm_cmpeq_epi32(a, _mm_set1_epi32(255));
        return Select(whole, s, KeepAlpha(keep, d, MixOwnAlpha(s, d)));
    }
};

struct OpacityFour {
    __m128i opacity;
    FP_SSE2 __m128i operator()(__m128i s, __m128i d) const {
        return MixWith(s, d, AlphaOf(s), opacity);
    }
};

struct TintFour {
    __m128i opacity, rgb;
    FP_SSE2 __m128i operator()(__m128i s, __m128i d) const {
        return MixWith(_mm_or_si128(_mm_and_si128(s, AlphaMask()), rgb), d, AlphaOf(s), opacity);
    }
};

struct GreyFour {
    __m128i opacity;
    FP_SSE2 __m128i operator()(__m128i s, __m128i d) const {
        return MixWith(GreyOf(s), d, AlphaOf(s), opacity);
    }
};

// Add and subtract: A = 0 gives E = 0, a zero term, and D unchanged.
struct AddFour {
    __m128i opacity;
    FP_SSE2 __m128i operator()(__m128i s, __m128i d) const {
        return _mm_adds_epu8(d, Scale(s, Effective(opacity, AlphaOf(s))));
    }
};

struct AddTintFour {
    __m128i opacity, rgb;
    FP_SSE2 __m128i operator()(__m128i s, __m128i d) const {
        return _mm_adds_epu8(d, Scale(rgb, Effective(opacity, AlphaOf(s))));
    }
};

struct SubFour {
    __m128i opacity;
    FP_SSE2 __m128i operator()(__m128i s, __m128i d) const {
        return _mm_subs_epu8(d, Scale(s, Effective(opacity, AlphaOf(s))));
    }
};

struct SubTintFour {
    __m128i opacity, rgb;
    FP_SSE2 __m128i operator()(__m128i s, __m128i d) const {
        return _mm_subs_epu8(d, Scale(rgb, Effective(opacity, AlphaOf(s))));
    }
};

FP_SSE2 inline __m128i Broadcast(uint32_t v) { return _mm_set1_epi32(int(v)); }

}   // namespace

FP_SSE2_ENTRY void BlendRowsAlpha(const Rows& r) {
    ForEachPixel(r, AlphaFour{}, [](uint32_t s, uint32_t d) { return PixelOps::Alpha(s, d); });
}

FP_SSE2_ENTRY void BlendRowsOpacity(const Rows& r, uint8_t opacity) {
    if (opacity == 0) return;
    ForEachPixel(r, OpacityFour{Broadcast(opacity)},
                 [opacity](uint32_t s, uint32_t d) { return PixelOps::Opacity(s, d, opacity); });
}

FP_SSE2_ENTRY void BlendRowsTint(const Rows& r, uint32_t tint) {
    if ((tint >> 24) == 0) return;
    ForEachPixel(r, TintFour{Broadcast(tint >> 24), Broadcast(tint & 0x00FFFFFFu)},
                 [tint](uint32_t s, uint32_t d) { return PixelOps::Tint(s, d, tint); });
}

FP_SSE2_ENTRY void AddRowsOpacity(const Rows& r, uint8_t opacity) {
    if (opacity == 0) return;
    ForEachPixel(r, AddFour{Broadcast(opacity)}, [opacity](uint32_t s, uint32_t d) {
        return PixelOps::Add(s, d, s >> 24, opacity);
    });
}

FP_SSE2_ENTRY void AddRowsTint(const Rows& r, uint32_t tint) {
    if ((tint >> 24) == 0) return;
    ForEachPixel(
        r, AddTintFour{Broadcast(tint >> 24), Broadcast(tint & 0x00FFFFFFu)},
        [tint](uint32_t s, uint32_t d) { return PixelOps::Add(tint, d, s >> 24, tint >> 24); });
}

FP_SSE2_ENTRY void SubRowsOpacity(const Rows& r, uint8_t opacity) {
    if (opacity == 0) return;
    ForEachPixel(r, SubFour{Broadcast(opacity)}, [opacity](uint32_t s, uint32_t d) {
        return PixelOps::Subtract(s, d, s >> 24, opacity);
    });
}

FP_SSE2_ENTRY void SubRowsTint(const Rows& r, uint32_t tint) {
    if ((tint >> 24) == 0) return;
    ForEachPixel(r, SubTintFour{Broadcast(tint >> 24), Broadcast(tint & 0x00FFFFFFu)},
                 [tint](uint32_t s, uint32_t d) {
                     return PixelOps::Subtract(tint, d, s >> 24, tint >> 24);
                 });
}

FP_SSE2_ENTRY void GreyRowsOpacity(const Rows& r, uint8_t opacity) {
    if (opacity == 0) return;
    ForEachPixel(r, GreyFour{Broadcast(opacity)},
                 [opacity](uint32_t s, uint32_t d) { return PixelOps::Grey(s, d, opacity); });
}

}   // namespace Sse2
}   // namespace RowKernels
