// Drawing members of Bitmap: rectangles, lines, the blits and tilers over
// the row kernels, foreign rows and the hand-over to a device context.
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/PixelOps.h"
#include "engine/graphics/RectOps.h"
#include "engine/graphics/RowKernels.h"

#include <algorithm>
#include <cstdlib>

namespace {

using RowKernels::Rows;

// Clips the source region and then the destination region, sharing w and h.
// Whatever a clip cuts off the front of one region moves the other origin by
// the same amount, so the pixels keep their pairing.
bool ClipPair(const Bitmap& dst, int32_t& dx, int32_t& dy, const Bitmap& src, int32_t& sx,
              int32_t& sy, int32_t& w, int32_t& h) {
    const int64_t sx0 = sx, sy0 = sy;
    if (!ClipToSize(src.Width(), src.Height(), sx, sy, w, h)) return false;
    int64_t ndx = int64_t(dx) + (sx - sx0), ndy = int64_t(dy) + (sy - sy0);
    if (ndx > INT32_MAX || ndy > INT32_MAX) return false;
    dx = int32_t(ndx);
    dy = int32_t(ndy);
    const int32_t dx0 = dx, dy0 = dy;
    if (!ClipToSize(dst.Width(), dst.Height(), dx, dy, w, h)) return false;
    // The destination cut never exceeds w, which already fits the source.
    sx += dx - dx0;
    sy += dy - dy0;
    return true;
}

struct BlitArgs {
    int32_t dx, dy;
    const Bitmap* src;
    int32_t sx, sy, w, h;
};

// Clips and fills the kernel's row description; false when nothing is left.
bool Prepare(Bitmap& dst, BlitArgs a, Rows* rows) {
    if (!a.src || !dst.GetPixels() || !a.src->GetPixels()) return false;
    if (!ClipPair(dst, a.dx, a.dy, *a.src, a.sx, a.sy, a.w, a.h)) return false;
    // clang-format off
    *rows = Rows{dst.GetPixels(), dst.PitchBytes(), a.dx, a.dy,
                 a.src->GetPixels(), a.src->PitchBytes(), a.sx, a.sy, a.w, a.h};
    // clang-format on
    return true;
}

// Clips, then runs one row kernel over what is left.
template <typename Kernel>
bool RunKernel(Bitmap& dst, BlitArgs a, Kernel kernel) {
    Rows rows;
    if (!Prepare(dst, a, &rows)) return false;
    kernel(rows);
    return true;
}

// The first and one-past-last tile index whose span [origin + i * step,
// origin + (i + 1) * step) meets [low, high).
void TileRange(int64_t origin, int64_t step, int64_t low, int64_t high, int64_t* first,
               int64_t* last) {
    *first = (low - origin) / step;   // low >= origin here
    *last = (high - origin + step - 1) / step;
}

}   // namespace

bool Bitmap::BlendRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    if (!pixels_ || !ClipRect(x, y, w, h)) return false;
    const uint32_t a = colour >> 24;
    if (a == 0) return true;
    for (int32_t row = 0; row < h; ++row) {
        uint32_t* p = Row(y + row) + x;
        if (a == 255) {
            std::fill(p, p + w, colour);
        } else {
            for (int32_t i = 0; i < w; ++i) p[i] = PixelOps::Mix(colour, p[i], a);
        }
    }
    return true;
}

bool Bitmap::DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour) {
    if (!pixels_) return true;
    const int64_t dx2 = std::llabs(2 * (int64_t(x1) - x0));
    const int64_t dy2 = std::llabs(2 * (int64_t(y1) - y0));
    const int64_t sx = x1 < x0 ? -1 : 1;
    const int64_t sy = y1 < y0 ? -1 : 1;
    int64_t x = x0, y = y0;
    auto plot = [&] {
        if (x >= 0 && x < width_ && y >= 0 && y < height_) BlendPixel(Row(int32_t(y)) + x, colour);
    };
    if (dy2 < dx2) {
        int64_t r = dy2 - dx2 / 2;
        for (;;) {
            plot();
            if (x == x1) break;
            x += sx;
            if (r >= 0) {
                y += sy;
                r -= dx2;
            }
            r += dy2;
        }
    } else {
        int64_t r = dx2 - dy2 / 2;
        for (;;) {
            plot();
            if (y == y1) break;
            if (r >= 0) {
                x += sx;
                r -= dy2;
            }
            r += dx2;
            y += sy;
        }
    }
    return true;
}

bool Bitmap::Copy(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                  int32_t h) {
    return RunKernel(*this, {dx, dy, src, sx, sy, w, h},
                     [&](const Rows& rows) { RowKernels::CopyRows32(rows); });
}

bool Bitmap::BlitAlpha(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                       int32_t h) {
    return RunKernel(*this, {dx, dy, src, sx, sy, w, h},
                     [&](const Rows& rows) { RowKernels::BlendRowsAlpha(rows); });
}

bool Bitmap::BlitAlphaOpacity(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy,
                              int32_t w, int32_t h, uint8_t opacity) {
    if (opacity == 255) return BlitAlpha(dx, dy, src, sx, sy, w, h);
    return RunKernel(*this, {dx, dy, src, sx, sy, w, h},
                     [&](const Rows& rows) { RowKernels::BlendRowsOpacity(rows, opacity); });
}

bool Bitmap::BlitTint(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                      int32_t h, uint32_t tint) {
    return RunKernel(*this, {dx, dy, src, sx, sy, w, h},
                     [&](const Rows& rows) { RowKernels::BlendRowsTint(rows, tint); });
}

bool Bitmap::BlitAdd(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                     int32_t h, uint8_t opacity) {
    return RunKernel(*this, {dx, dy, src, sx, sy, w, h},
                     [&](const Rows& rows) { RowKernels::AddRowsOpacity(rows, opacity); });
}

bool Bitmap::BlitAddTint(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy,
                         int32_t w, int32_t h, uint32_t tint) {
    return RunKernel(*this, {dx, dy, src, sx, sy, w, h},
                     [&](const Rows& rows) { RowKernels::AddRowsTint(rows, tint); });
}

bool Bitmap::BlitSubtract(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy,
                          int32_t w, int32_t h, uint8_t opacity) {
    return RunKernel(*this, {dx, dy, src, sx, sy, w, h},
                     [&](const Rows& rows) { RowKernels::SubRowsOpacity(rows, opacity); });
}

bool Bitmap::BlitSubtractTint(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy,
                              int32_t w, int32_t h, uint32_t tint) {
    return RunKernel(*this, {dx, dy, src, sx, sy, w, h},
                     [&](const Rows& rows) { RowKernels::SubRowsTint(rows, tint); });
}

bool Bitmap::BlitGrey(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                      int32_t h, uint8_t opacity) {
    return RunKernel(*this, {dx, dy, src, sx, sy, w, h},
                     [&](const Rows& rows) { RowKernels::GreyRowsOpacity(rows, opacity); });
}

bool Bitmap::BlitGreyTint(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy,
                          int32_t w, int32_t h, uint32_t tint) {
    return BlitTint(dx, dy, src, sx, sy, w, h, tint);
}

namespace {

using TileBlit = bool (Bitmap::*)(int32_t, int32_t, const Bitmap*, int32_t, int32_t, int32_t,
                                  int32_t, uint8_t);

// Lays tiles of the source region over the area from the area's own origin;
// the destination and the clip rectangle only limit what is drawn.
bool Tile(Bitmap& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Bitmap* src,
          int32_t sx, int32_t sy, int32_t sw, int32_t sh, uint8_t opacity, const RECT* clip,
          TileBlit blit) {
    if (!src || !dst.GetPixels() || !src->GetPixels()) return false;
    int32_t cx = dx, cy = dy, cw = dw, ch = dh;
    if (!dst.ClipRect(cx, cy, cw, ch)) return false;
    if (!src->ClipRect(sx, sy, sw, sh)) return false;
    RECT bounds{cx, cy, cx + cw, cy + ch};
    if (clip) bounds = Nuvex::RectIntersect(bounds, *clip);
    if (Nuvex::RectIsEmpty(bounds)) return false;
    if (opacity == 0) return true;

    int64_t firstCol, endCol, firstRow, endRow;
    TileRange(dx, sw, bounds.left, bounds.right, &firstCol, &endCol);
    TileRange(dy, sh, bounds.top, bounds.bottom, &firstRow, &endRow);
    for (int64_t j = firstRow; j < endRow; ++j) {
        const int64_t y = dy + j * sh;
        const int32_t top = int32_t(std::max<int64_t>(y, bounds.top));
        const int32_t bottom = int32_t(std::min<int64_t>(y + sh, bounds.bottom));
        for (int64_t i = firstCol; i < endCol; ++i) {
            const int64_t x = dx + i * sw;
            const int32_t left = int32_t(std::max<int64_t>(x, bounds.left));
            const int32_t right = int32_t(std::min<int64_t>(x + sw, bounds.right));
            if (right <= left || bottom <= top) continue;
            (dst.*blit)(left, top, src, sx + int32_t(left - x), sy + int32_t(top - y), right - left,
                        bottom - top, opacity);
        }
    }
    return true;
}

}   // namespace

bool Bitmap::TileAlpha(int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Bitmap* src,
                       int32_t sx, int32_t sy, int32_t sw, int32_t sh, uint8_t opacity,
                       const RECT* clip) {
    return Tile(*this, dx, dy, dw, dh, src, sx, sy, sw, sh, opacity, clip,
                &Bitmap::BlitAlphaOpacity);
}

bool Bitmap::TileAdd(int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Bitmap* src, int32_t sx,
                     int32_t sy, int32_t sw, int32_t sh, uint8_t opacity, const RECT* clip) {
    return Tile(*this, dx, dy, dw, dh, src, sx, sy, sw, sh, opacity, clip, &Bitmap::BlitAdd);
}

bool Bitmap::TileSubtract(int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Bitmap* src,
                          int32_t sx, int32_t sy, int32_t sw, int32_t sh, uint8_t opacity,
                          const RECT* clip) {
    return Tile(*this, dx, dy, dw, dh, src, sx, sy, sw, sh, opacity, clip, &Bitmap::BlitSubtract);
}

bool Bitmap::TileGrey(int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Bitmap* src, int32_t sx,
                      int32_t sy, int32_t sw, int32_t sh, uint8_t opacity, const RECT* clip) {
    return Tile(*this, dx, dy, dw, dh, src, sx, sy, sw, sh, opacity, clip, &Bitmap::BlitGrey);
}

bool Bitmap::PasteRows(int32_t x, int32_t y, int32_t w, int32_t h, int32_t bitsPerPixel,
                       const void* rows, int32_t strideBytes, bool flip) {
    if (!pixels_ || !rows || !ClipRect(x, y, w, h)) return false;
    if (bitsPerPixel != 32 && bitsPerPixel != 24) return false;
    // Flipping reads the source bottom-up: start at its last row and walk
    // backwards, so the caller's rows stay as they were.
    const uint8_t* base = static_cast<const uint8_t*>(rows);
    int64_t stride = strideBytes;
    int32_t firstRow = y;
    if (flip) {
        base += (int64_t(y) + h - 1) * strideBytes;
        stride = -stride;
        firstRow = 0;
    }
    if (bitsPerPixel == 32) {
        const uint32_t* src = reinterpret_cast<const uint32_t*>(base);
        RowKernels::CopyRows32(
            Rows{pixels_, pitchBytes_, x, y, src, int32_t(stride), x, firstRow, w, h});
    } else {
        RowKernels::CopyRows24To32(pixels_, pitchBytes_, x, y, base, int32_t(stride), x, firstRow,
                                   w, h);
    }
    return true;
}

bool Bitmap::DrawToDevice(HDC dc, int32_t destX, int32_t destY, int32_t width, int32_t height,
                          int32_t srcX, int32_t srcY, int32_t clipW, int32_t clipH) const {
    if (!pixels_ || !ClipRect(srcX, srcY, clipW, clipH)) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = pitch_;
    info.bmiHeader.biHeight = -height_;   // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Hand over only the band of rows srcY .. srcY + clipH - 1, with the
    // start scan at srcY: GDI counts ySrc from the bottom even for top-down
    // rows, and this form puts row srcY exactly at destY.
    const int lines = SetDIBitsToDevice(dc, destX, destY, DWORD(width), DWORD(height), srcX, srcY,
                                        UINT(srcY), UINT(clipH), pixels_ + int64_t(srcY) * pitch_,
                                        &info, DIB_RGB_COLORS);
    return lines > 0;
}
