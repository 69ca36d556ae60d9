#include "engine/graphics/PixelBlend.h"

#include "engine/graphics/PixelOps.h"

#include <cmath>
#include <utility>

bool ClipToSize(int32_t W, int32_t H, int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
    // 64-bit so that origins and sizes near the int32 limits cannot wrap.
    int64_t cx = x, cy = y, cw = w, ch = h;
    if (cx < 0) {
        cw += cx;
        if (cw <= 0) return false;
        cx = 0;
    }
    if (cy < 0) {
        ch += cy;
        if (ch <= 0) return false;
        cy = 0;
    }
    if (cx >= W || cy >= H) return false;
    if (cx + cw > W) cw = W - cx;
    if (cy + ch > H) ch = H - cy;
    if (cw == 0) cw = W - cx;
    if (ch == 0) ch = H - cy;
    // A negative size means nothing; it must never reach a row kernel.
    if (cw < 0 || ch < 0) return false;
    x = int32_t(cx);
    y = int32_t(cy);
    w = int32_t(cw);
    h = int32_t(ch);
    return true;
}

void BlendPixel(uint32_t* pixel, uint32_t colour) { *pixel = PixelOps::Alpha(colour, *pixel); }

namespace {

int32_t TruncateInto(double value, int32_t low, int32_t high) {
    // Truncation toward zero of an exact result always lands inside the
    // rectangle; clamping only removes a floating-point round-off.
    double t = std::trunc(value);
    if (t < low) return low;
    if (t > high) return high;
    return int32_t(t);
}

}   // namespace

bool ClipLineToRect(int32_t& ix0, int32_t& iy0, int32_t& ix1, int32_t& iy1, const RECT& clip) {
    const double left = clip.left, top = clip.top, right = clip.right, bottom = clip.bottom;
    if (clip.right <= clip.left || clip.bottom <= clip.top) return false;
    double x0 = ix0, y0 = iy0, x1 = ix1, y1 = iy1;

    if (x1 < x0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    if (x0 < left) {
        if (left > x1) return false;
        y0 = (y1 - y0) / (x1 - x0) * (left - x0) + y0;
        x0 = left;
    }
    if (x1 >= right) {
        if (right <= x0) return false;
        y1 = (y1 - y0) / (x1 - x0) * ((right - 1) - x1) + y1;
        x1 = right - 1;
    }
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    if (y0 < top) {
        if (top > y1) return false;
        x0 += (x1 - x0) / (y1 - y0) * (top - y0);
        y0 = top;
    }
    if (y1 >= bottom) {
        if (bottom <= y0) return false;
        x1 += (x1 - x0) / (y1 - y0) * ((bottom - 1) - y1);
        y1 = bottom - 1;
    }
    ix0 = TruncateInto(x0, clip.left, clip.right - 1);
    iy0 = TruncateInto(y0, clip.top, clip.bottom - 1);
    ix1 = TruncateInto(x1, clip.left, clip.right - 1);
    iy1 = TruncateInto(y1, clip.top, clip.bottom - 1);
    return true;
}
