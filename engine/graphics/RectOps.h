#pragma once
// Half-open rectangles (left, top, right, bottom) as the canvas and the text
// drawing combine them. Empty means left >= right or top >= bottom.
#include <windows.h>
#include <algorithm>
#include <cstdint>

namespace Nuvex {

inline bool RectIsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

inline RECT RectIntersect(const RECT& a, const RECT& b) {
    RECT r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
    return r;
}

// The bounding box of both; an empty rectangle adds nothing.
inline RECT RectUnion(const RECT& a, const RECT& b) {
    if (RectIsEmpty(a)) return b;
    if (RectIsEmpty(b)) return a;
    RECT r = {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
    return r;
}

inline RECT MakeRect(int left, int top, int right, int bottom) {
    RECT r = {left, top, right, bottom};
    return r;
}

// start + length held to the int32 range. Recorded origins and sizes may lie
// anywhere in it, and a wrapped sum would turn a span reaching past the
// canvas into one that ends before it starts.
inline int32_t SpanEnd(int32_t start, int64_t length) {
    return int32_t(std::clamp<int64_t>(int64_t(start) + length, INT32_MIN, INT32_MAX));
}

// The rectangle of w x h at (x, y), its far edges held as SpanEnd holds them.
inline RECT RectOfSize(int32_t x, int32_t y, int64_t w, int64_t h) {
    return MakeRect(x, y, SpanEnd(x, w), SpanEnd(y, h));
}

}   // namespace Nuvex
