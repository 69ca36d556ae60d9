#pragma once
// The engine's one raster type: a block of 32-bit pixels 0xAARRGGBB, top row
// first, behind a 32-byte header. Rows are `pitch` pixels apart, with at least
// four spare pixels past the width rounded up to four; the spare pixels are
// filled and stored but never drawn or clipped as image.
//
// Construction throws Nuvex::BitmapException ("Invalid bitmap size." or
// "Can't new Alphas or new Pixels!"); every other operation reports by its
// result. The older build's bitmap has no block header (its pixels are
// allocated alone) and throws a bare int 0 instead: each build's
// BitmapBlock.cpp holds its own. Drawing members return true when something
// was left to draw after clipping. Source bitmaps are only read. No virtual
// operations: a derived object (a glyph) is deleted through its own type.
#include <windows.h>
#include <cstdint>
#include <cstdio>

#include "engine/core/BuildVariant.h"
#include "engine/graphics/PixelBlend.h"

class Bitmap;

namespace Nuvex {

// Thrown by value by the Bitmap constructor, caught by reference.
struct BitmapException {
    const char* message;
    Bitmap* bitmap;
};

}   // namespace Nuvex

class Bitmap {
public:
    static constexpr uint32_t kMagic = 0x58564E89;   // bytes 0x89 'N' 'V' 'X'
    static constexpr uint32_t kVersion = 0x020004B8;

    // Every pitch x height pixel (spare ones included) is set to fill.
    Bitmap(int32_t width, int32_t height, uint32_t fill = 0);
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // Releases the pixel block early; harmless when already released.
    void Destroy();

    uint32_t* GetPixels() const { return pixels_; }
    uint32_t* Row(int32_t y) const { return pixels_ + int64_t(y) * pitch_; }
    // The block with its header (current build).
    const uint8_t* Block() const;
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t Pitch() const { return pitch_; }             // pixels per stored row
    int32_t PitchBytes() const { return pitchBytes_; }   // pitch * 4
    uint32_t PixelBytes() const { return uint32_t(pitchBytes_) * uint32_t(height_); }

    // The clip rule of ClipToSize against (width, height).
    bool ClipRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const;
    // Stores colour into every pixel of the block; returns it.
    uint32_t Fill(uint32_t colour);

    // NVX image files: compression 0 raw, 1 zlib. Any other value writes the
    // raw pixels but keeps the value in the header, which readers take as
    // "no pixel data" (nothing writes that). True on success; a partly written
    // file is left as it is.
    bool WriteNvx(HANDLE file, uint8_t compression) const;
    bool SaveNvx(const char* path, uint8_t compression) const;

    // --- drawing into this bitmap ---
    bool BlendRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour);
    // Integer line, both ends drawn, points outside the bitmap skipped. Clip
    // long lines first (ClipLineToRect): the cost is the line's length.
    bool DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour);

    // Two-bitmap operations clip the source region and then the destination
    // region; whatever one clip cuts off the front also moves the other origin.
    bool Copy(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
              int32_t h);
    bool BlitAlpha(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                   int32_t h);
    bool BlitAlphaOpacity(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy,
                          int32_t w, int32_t h, uint8_t opacity);
    bool BlitTint(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                  int32_t h, uint32_t tint);
    bool BlitAdd(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                 int32_t h, uint8_t opacity);
    bool BlitAddTint(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                     int32_t h, uint32_t tint);
    bool BlitSubtract(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                      int32_t h, uint8_t opacity);
    bool BlitSubtractTint(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy,
                          int32_t w, int32_t h, uint32_t tint);
    bool BlitGrey(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                  int32_t h, uint8_t opacity);
    bool BlitGreyTint(int32_t dx, int32_t dy, const Bitmap* src, int32_t sx, int32_t sy, int32_t w,
                      int32_t h, uint32_t tint);

    // Tiles the source region (sx, sy, sw, sh) over the area (dx, dy, dw, dh),
    // row by row, limited to the destination and to clip when given. Tiles are
    // laid from the area's own origin, so an area partly left of or above the
    // bitmap still shows the right part of each tile. Opacity 0 draws nothing.
    bool TileAlpha(int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Bitmap* src, int32_t sx,
                   int32_t sy, int32_t sw, int32_t sh, uint8_t opacity, const RECT* clip);
    bool TileAdd(int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Bitmap* src, int32_t sx,
                 int32_t sy, int32_t sw, int32_t sh, uint8_t opacity, const RECT* clip);
    bool TileSubtract(int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Bitmap* src, int32_t sx,
                      int32_t sy, int32_t sw, int32_t sh, uint8_t opacity, const RECT* clip);
    bool TileGrey(int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Bitmap* src, int32_t sx,
                  int32_t sy, int32_t sw, int32_t sh, uint8_t opacity, const RECT* clip);

    // Copies rows from foreign memory into (x, y, w, h) of this bitmap; the
    // source is addressed at the same (x, y) with strideBytes per row. 32 bits
    // per pixel are copied as they are; 24-bit (B, G, R) pixels get alpha 255.
    // flip reads the source rows bottom-up; the source is never changed.
    bool PasteRows(int32_t x, int32_t y, int32_t w, int32_t h, int32_t bitsPerPixel,
                   const void* rows, int32_t strideBytes, bool flip);

    // Shows the clipped region (srcX, srcY, clipW, clipH) on the device at
    // (destX, destY) with SetDIBitsToDevice; true when lines were drawn.
    bool DrawToDevice(HDC dc, int32_t destX, int32_t destY, int32_t width, int32_t height,
                      int32_t srcX, int32_t srcY, int32_t clipW, int32_t clipH) const;

    // --- image files (BMP, PNG, JPEG, TGA); false when the file can't be
    // opened or the library fails; a partial file may be left behind ---
    bool SaveBmp(const char* path) const;
    bool SavePng(const char* path) const;
    bool SaveJpeg(const char* path) const;
    bool SaveTga(const char* path) const;

private:
    // The pixels of pitchBytes_ x height_, zeroed or not, in this build's
    // block; refused as construction is.
    void AllocatePixels(size_t pixelBytes, bool zeroed);
    [[noreturn]] static void Refuse(const char* message, Bitmap* bitmap);

#if FP_OLDER_BUILD   // the older layout: a flag byte, the sizes, then the pixels
    // The flag byte is set while the pixels are held.
    uint8_t allocated_ = 0;
    int32_t width_;
    int32_t height_;
    int32_t pitch_;
    int32_t pitchBytes_;
    uint32_t* pixels_ = nullptr;
#else
    uint8_t* block_ = nullptr;
    uint32_t* pixels_ = nullptr;
    int32_t width_;
    int32_t height_;
    int32_t pitch_;
    int32_t pitchBytes_;
#endif
};

namespace Nuvex {

// Reads an NVX image from memory; null when refused. Never throws.
Bitmap* LoadNvx(const void* data, uint32_t size);

}   // namespace Nuvex
