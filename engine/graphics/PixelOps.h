#pragma once
// One pixel of each blend rule, in portable integer arithmetic; the scalar
// row kernels are loops over these, and the vector kernels use them for the
// pixels that don't fill a whole vector.
//
// Channel arithmetic runs two lanes at a time: B and R sit 16 bits apart in
// one word, G alone in another. Every lane's sum stays below 65536, so no
// lane carries into the next and each result equals the per-channel formula.
#include <cstdint>

namespace PixelOps {

constexpr uint32_t kRB = 0x00FF00FFu;
constexpr uint32_t kG = 0x0000FF00u;
constexpr uint32_t kAlpha = 0xFF000000u;

// D_c = (P_c * e + D_c * (255 - e)) >> 8 for B, G, R; D's alpha kept.
inline uint32_t Mix(uint32_t p, uint32_t d, uint32_t e) {
    const uint32_t f = 255 - e;
    const uint32_t rb = ((p & kRB) * e + (d & kRB) * f) >> 8 & kRB;
    const uint32_t g = ((p & kG) * e + (d & kG) * f) >> 8 & kG;
    return (d & kAlpha) | rb | g;
}

// (P_c * e) >> 8 for B, G, R; alpha 0.
inline uint32_t Scale(uint32_t p, uint32_t e) {
    return ((p & kRB) * e >> 8 & kRB) | ((p & kG) * e >> 8 & kG);
}

// D_c = min(255, D_c + t_c); D's alpha kept.
inline uint32_t AddSaturate(uint32_t d, uint32_t t) {
    uint32_t rb = (d & kRB) + (t & kRB);   // lanes up to 0x1FE
    uint32_t g = (d & kG) + (t & kG);      // up to 0x1FE00
    const uint32_t rbOver = rb & 0x01000100u;
    rb = (rb | (rbOver - (rbOver >> 8))) & kRB;
    if (g & 0x00010000u) g = kG;
    return (d & kAlpha) | rb | g;
}

// D_c = max(0, D_c - t_c); D's alpha kept.
inline uint32_t SubtractFloor(uint32_t d, uint32_t t) {
    // Each lane starts at 256 + D_c, so it stays positive; bit 8 of a lane
    // survives exactly when D_c >= t_c.
    uint32_t rb = ((d & kRB) | 0x01000100u) - (t & kRB);
    const uint32_t rbKeep = rb & 0x01000100u;
    rb &= rbKeep - (rbKeep >> 8);
    uint32_t g = ((d & kG) | 0x00010000u) - (t & kG);
    g = (g & 0x00010000u) ? (g & kG) : 0;
    return (d & kAlpha) | rb | g;
}

// Opacity applied to a source alpha: E = (O * (A + 1)) >> 8.
inline uint32_t Effective(uint32_t opacity, uint32_t a) { return (opacity * (a + 1)) >> 8; }

// (A, g, g, g) with g = (85 * (B + G + R)) >> 8.
inline uint32_t GreyOf(uint32_t s) {
    const uint32_t g = (85 * ((s & 0xFF) + (s >> 8 & 0xFF) + (s >> 16 & 0xFF))) >> 8;
    return (s & kAlpha) | g * 0x00010101u;
}

inline uint32_t Alpha(uint32_t s, uint32_t d) {
    const uint32_t a = s >> 24;
    if (a == 0) return d;
    if (a == 255) return s;
    return Mix(s, d, a);
}

// Opacity, tint and grey share this: p is written whole at E = 255.
inline uint32_t MixWith(uint32_t p, uint32_t d, uint32_t a, uint32_t opacity) {
    if (a == 0) return d;
    const uint32_t e = Effective(opacity, a);
    if (e == 255) return p;
    return Mix(p, d, e);
}

inline uint32_t Opacity(uint32_t s, uint32_t d, uint32_t opacity) {
    return MixWith(s, d, s >> 24, opacity);
}

inline uint32_t Tint(uint32_t s, uint32_t d, uint32_t tint) {
    return MixWith((s & kAlpha) | (tint & ~kAlpha), d, s >> 24, tint >> 24);
}

inline uint32_t Grey(uint32_t s, uint32_t d, uint32_t opacity) {
    return MixWith(GreyOf(s), d, s >> 24, opacity);
}

// Add and subtract have no short cut; A = 0 gives E = 0 and changes nothing.
inline uint32_t Add(uint32_t p, uint32_t d, uint32_t a, uint32_t opacity) {
    return a == 0 ? d : AddSaturate(d, Scale(p, Effective(opacity, a)));
}

inline uint32_t Subtract(uint32_t p, uint32_t d, uint32_t a, uint32_t opacity) {
    return a == 0 ? d : SubtractFloor(d, Scale(p, Effective(opacity, a)));
}

}   // namespace PixelOps
