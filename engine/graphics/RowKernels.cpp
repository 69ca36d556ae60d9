#include "engine/graphics/RowKernels.h"

#include "engine/graphics/PixelOps.h"

#include <windows.h>

#include <cstring>

namespace RowKernels {
namespace {

// Runs op(source pixel, destination pixel) over every row; op returns the
// new destination pixel.
template <typename Op>
inline void ForEachPixel(const Rows& r, Op op) {
    for (int32_t i = 0; i < r.h; ++i) {
        uint32_t* d = DstRow(r, i);
        const uint32_t* s = SrcRow(r, i);
        for (int32_t j = 0; j < r.w; ++j) d[j] = op(s[j], d[j]);
    }
}

bool DetectVector() {
#if defined(__x86_64__)
    return true;
#elif defined(__i386__)
    return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0;
#else
    return false;
#endif
}

// Asked once, on first use (no dependence on static construction order).
bool UseVector() {
    static const bool vector = DetectVector();
    return vector;
}

}   // namespace

bool VectorKernelsActive() { return UseVector(); }

void CopyRows32(const Rows& r) {
    // A bitmap copied onto itself may overlap: memmove within a row, and the
    // rows bottom-up when the destination lies below the source, so no row is
    // overwritten before it is read. Separate buffers copy the same either way.
    const size_t bytes = size_t(r.w) * 4;
    if (r.h > 0 &&
        reinterpret_cast<uintptr_t>(DstRow(r, 0)) > reinterpret_cast<uintptr_t>(SrcRow(r, 0))) {
        for (int32_t i = r.h - 1; i >= 0; --i) std::memmove(DstRow(r, i), SrcRow(r, i), bytes);
        return;
    }
    for (int32_t i = 0; i < r.h; ++i) std::memmove(DstRow(r, i), SrcRow(r, i), bytes);
}

void CopyRows24To32(uint32_t* dst, int32_t dstPitchBytes, int32_t dx, int32_t dy,
                    const uint8_t* src, int32_t srcStrideBytes, int32_t sx, int32_t sy, int32_t w,
                    int32_t h) {
    for (int32_t i = 0; i < h; ++i) {
        uint32_t* d = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(dst) +
                                                  (int64_t(dy) + i) * dstPitchBytes) +
                      dx;
        const uint8_t* s = src + (int64_t(sy) + i) * srcStrideBytes + int64_t(sx) * 3;
        for (int32_t j = 0; j < w; ++j, s += 3)
            d[j] = PixelOps::kAlpha | uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | s[0];
    }
}

namespace Scalar {

void BlendRowsAlpha(const Rows& r) {
    ForEachPixel(r, [](uint32_t s, uint32_t d) { return PixelOps::Alpha(s, d); });
}

void BlendRowsOpacity(const Rows& r, uint8_t opacity) {
    if (opacity == 0) return;
    ForEachPixel(r, [opacity](uint32_t s, uint32_t d) { return PixelOps::Opacity(s, d, opacity); });
}

void BlendRowsTint(const Rows& r, uint32_t tint) {
    if ((tint >> 24) == 0) return;
    ForEachPixel(r, [tint](uint32_t s, uint32_t d) { return PixelOps::Tint(s, d, tint); });
}

void AddRowsOpacity(const Rows& r, uint8_t opacity) {
    if (opacity == 0) return;
    ForEachPixel(
        r, [opacity](uint32_t s, uint32_t d) { return PixelOps::Add(s, d, s >> 24, opacity); });
}

void AddRowsTint(const Rows& r, uint32_t tint) {
    if ((tint >> 24) == 0) return;
    ForEachPixel(
        r, [tint](uint32_t s, uint32_t d) { return PixelOps::Add(tint, d, s >> 24, tint >> 24); });
}

void SubRowsOpacity(const Rows& r, uint8_t opacity) {
    if (opacity == 0) return;
    ForEachPixel(r, [opacity](uint32_t s, uint32_t d) {
        return PixelOps::Subtract(s, d, s >> 24, opacity);
    });
}

void SubRowsTint(const Rows& r, uint32_t tint) {
    if ((tint >> 24) == 0) return;
    ForEachPixel(r, [tint](uint32_t s, uint32_t d) {
        return PixelOps::Subtract(tint, d, s >> 24, tint >> 24);
    });
}

void GreyRowsOpacity(const Rows& r, uint8_t opacity) {
    if (opacity == 0) return;
    ForEachPixel(r, [opacity](uint32_t s, uint32_t d) { return PixelOps::Grey(s, d, opacity); });
}

}   // namespace Scalar

#define FP_DISPATCH(name, ...)                       \
    if (UseVector()) return Sse2::name(__VA_ARGS__); \
    Scalar::name(__VA_ARGS__)

void BlendRowsAlpha(const Rows& r) { FP_DISPATCH(BlendRowsAlpha, r); }
void BlendRowsOpacity(const Rows& r, uint8_t opacity) { FP_DISPATCH(BlendRowsOpacity, r, opacity); }
void BlendRowsTint(const Rows& r, uint32_t tint) { FP_DISPATCH(BlendRowsTint, r, tint); }
void AddRowsOpacity(const Rows& r, uint8_t opacity) { FP_DISPATCH(AddRowsOpacity, r, opacity); }
void AddRowsTint(const Rows& r, uint32_t tint) { FP_DISPATCH(AddRowsTint, r, tint); }
void SubRowsOpacity(const Rows& r, uint8_t opacity) { FP_DISPATCH(SubRowsOpacity, r, opacity); }
void SubRowsTint(const Rows& r, uint32_t tint) { FP_DISPATCH(SubRowsTint, r, tint); }
void GreyRowsOpacity(const Rows& r, uint8_t opacity) { FP_DISPATCH(GreyRowsOpacity, r, opacity); }

#undef FP_DISPATCH

}   // namespace RowKernels
