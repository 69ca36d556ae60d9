#pragma once
// Pixel arithmetic shared by every blit: the blend modes, the clip rule, the
// one-pixel colour blend and the floating-point line clip. Pixels are
// 0xAARRGGBB (bytes B, G, R, A in memory); channel products stay below 65536
// and are divided by 256 (>> 8), not 255.
#include <windows.h>
#include <cstdint>

// Blend modes as the canvas records carry them; any other number draws nothing.
enum class BlendMode : int32_t {
    Alpha = 1,
    Additive = 2,
    Subtractive = 3,
    Greyscale = 4,
};

// Clips (x, y, w, h) to a W x H area. A negative origin shrinks the size, an
// origin at or past the far edge refuses, the size is cut at the edge, and a
// w or h of 0 means "up to the edge". A negative size is refused. True when
// something is left.
bool ClipToSize(int32_t W, int32_t H, int32_t& x, int32_t& y, int32_t& w, int32_t& h);

// Blends colour K into *pixel: alpha 0 leaves it, 255 replaces it, otherwise
// each colour channel mixes with K's alpha and the pixel keeps its own alpha.
void BlendPixel(uint32_t* pixel, uint32_t colour);

// Clips the line (x0, y0)-(x1, y1) to the half-open clip rectangle in double
// precision and stores the ends back truncated toward zero; the ends may come
// back swapped. False when no part of the line lies inside.
bool ClipLineToRect(int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1, const RECT& clip);
