#include "engine/graphics/Bitmap.h"

#include <cstring>
#include <limits>

namespace {

const char kInvalidSize[] = "Invalid bitmap size.";

}   // namespace

#if defined(__i386__)
// Six fields (block, pixels and the four sizes; in the older build a flag
// byte, the sizes and the pixels): glyphs append their metrics right after.
static_assert(sizeof(Bitmap) == 24, "Bitmap holds its six fields and nothing else");
#endif

Bitmap::Bitmap(int32_t width, int32_t height, uint32_t fill)
    : width_(width), height_(height), pitch_(0), pitchBytes_(0) {
    // Sizes come from file headers: compute in 64 bits and keep every block
    // below 2 GiB, which a 32-bit process could not hold anyway.
    if (width <= 0 || height <= 0) Refuse(kInvalidSize, this);
    // Pixels per stored row: the width rounded up to four, and four more.
    const int64_t pitch = (int64_t(width) + 3) / 4 * 4 + 4;
    // Compared by division: row bytes (up to 2^33) times a height near 2^31
    // would pass 2^63 and wrap, and a 32-bit size_t would cut the wrapped
    // value down to a tiny block.
    const int64_t maxBytes = std::numeric_limits<int32_t>::max();
    const int64_t rowBytes = pitch * 4;
    if (rowBytes > maxBytes || height > maxBytes / rowBytes) Refuse(kInvalidSize, this);
    const int64_t pixelBytes = rowBytes * height;
    pitch_ = int32_t(pitch);
    pitchBytes_ = int32_t(pitch * 4);
    // A zero fill takes zeroed pages straight from the allocator.
    AllocatePixels(size_t(pixelBytes), fill == 0);
    if (fill != 0) Fill(fill);
}

Bitmap::~Bitmap() { Destroy(); }

bool Bitmap::ClipRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const {
    return ClipToSize(width_, height_, x, y, w, h);
}

uint32_t Bitmap::Fill(uint32_t colour) {
    if (!pixels_) return colour;
    uint32_t* p = pixels_;
    uint32_t* const end = pixels_ + size_t(pitch_) * size_t(height_);
    while (p != end) *p++ = colour;
    return colour;
}
