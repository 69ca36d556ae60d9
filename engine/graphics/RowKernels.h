#pragma once
// Row kernels behind the blits: h rows of w pixels, the destination addressed
// at dst + dy * dstPitchBytes + dx * 4 and the source likewise. The caller has
// clipped both regions; w and h are positive. Per-pixel integer rules
// (S source, D destination, A source alpha, O opacity or tint alpha):
//   alpha     A=0 skip; A=255 D=S; else D_c = (S_c*A + D_c*(255-A)) >> 8
//   opacity   E = (O*(A+1)) >> 8; E=255 D=S; else mix with E as above
//   tint      P = (A<<24) | tint RGB, O = tint alpha; then as opacity with P
//   add/sub   D_c = clamp(D_c +/- ((P_c*E) >> 8)), no short cut
//   grey      g = (85*(B+G+R)) >> 8, then as opacity with (A, g, g, g)
// Mixing keeps D's alpha; only the direct writes replace it.
//
// The kernels use SSE2 where the processor has it; every vector kernel gives
// exactly the pixels of its scalar twin in RowKernels::Scalar.
#include <cstdint>

namespace RowKernels {

struct Rows {
    uint32_t* dst;
    int32_t dstPitchBytes;
    int32_t dx, dy;
    const uint32_t* src;
    int32_t srcPitchBytes;   // may be negative: rows are then read upwards
    int32_t sx, sy;
    int32_t w, h;
};

void CopyRows32(const Rows& r);
// Each 3-byte source pixel (B, G, R) becomes B, G, R, 255; sx counts pixels.
void CopyRows24To32(uint32_t* dst, int32_t dstPitchBytes, int32_t dx, int32_t dy,
                    const uint8_t* src, int32_t srcStrideBytes, int32_t sx, int32_t sy, int32_t w,
                    int32_t h);

void BlendRowsAlpha(const Rows& r);
void BlendRowsOpacity(const Rows& r, uint8_t opacity);   // nothing for 0
void BlendRowsTint(const Rows& r, uint32_t tint);        // nothing for tint alpha 0
void AddRowsOpacity(const Rows& r, uint8_t opacity);
void AddRowsTint(const Rows& r, uint32_t tint);
void SubRowsOpacity(const Rows& r, uint8_t opacity);
void SubRowsTint(const Rows& r, uint32_t tint);
void GreyRowsOpacity(const Rows& r, uint8_t opacity);

// True when the kernels above run their vector form.
bool VectorKernelsActive();

namespace Scalar {
void BlendRowsAlpha(const Rows& r);
void BlendRowsOpacity(const Rows& r, uint8_t opacity);
void BlendRowsTint(const Rows& r, uint32_t tint);
void AddRowsOpacity(const Rows& r, uint8_t opacity);
void AddRowsTint(const Rows& r, uint32_t tint);
void SubRowsOpacity(const Rows& r, uint8_t opacity);
void SubRowsTint(const Rows& r, uint32_t tint);
void GreyRowsOpacity(const Rows& r, uint8_t opacity);
}   // namespace Scalar

namespace Sse2 {
void BlendRowsAlpha(const Rows& r);
void BlendRowsOpacity(const Rows& r, uint8_t opacity);
void BlendRowsTint(const Rows& r, uint32_t tint);
void AddRowsOpacity(const Rows& r, uint8_t opacity);
void AddRowsTint(const Rows& r, uint32_t tint);
void SubRowsOpacity(const Rows& r, uint8_t opacity);
void SubRowsTint(const Rows& r, uint32_t tint);
void GreyRowsOpacity(const Rows& r, uint8_t opacity);
}   // namespace Sse2

// Row addressing shared by the kernels.
inline uint32_t* DstRow(const Rows& r, int32_t i) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(r.dst) +
                                       (int64_t(r.dy) + i) * r.dstPitchBytes) +
           r.dx;
}

inline const uint32_t* SrcRow(const Rows& r, int32_t i) {
    return reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(r.src) +
                                             (int64_t(r.sy) + i) * r.srcPitchBytes) +
           r.sx;
}

}   // namespace RowKernels
