#include "engine/graphics/DecoderSupport.h"

#include "engine/core/GrowBuffer.h"
#include "engine/graphics/Bitmap.h"

#include <limits>
#include <memory>

namespace DecoderSupport {
namespace {

// Kept between images and released at module unload; UI thread only.
GrowBuffer<uint8_t, 8192> g_scratch;

bool ValidSize(int64_t width, int64_t height) {
    // Divided rather than multiplied: two sizes near 2^31 times 4 would pass
    // 2^63 and wrap to a small count.
    const int64_t maxBytes = std::numeric_limits<int32_t>::max();
    return width > 0 && height > 0 && width <= maxBytes / 4 && height <= maxBytes / 4 / width;
}

}   // namespace

uint8_t* ReservePixelRows(int64_t width, int64_t height) {
    if (!ValidSize(width, height)) return nullptr;
    try {
        return g_scratch.Reserve(uint32_t(width * height * 4));
    } catch (...) {
        return nullptr;
    }
}

Bitmap* BitmapFromRows(int64_t width, int64_t height, int32_t bitsPerPixel, const void* rows,
                       int64_t strideBytes, bool flip) {
    if (!ValidSize(width, height) || strideBytes > std::numeric_limits<int32_t>::max())
        return nullptr;
    try {
        std::unique_ptr<Bitmap> bitmap(new Bitmap(int32_t(width), int32_t(height), 0));
        if (!bitmap->PasteRows(0, 0, int32_t(width), int32_t(height), bitsPerPixel, rows,
                               int32_t(strideBytes), flip))
            return nullptr;
        return bitmap.release();
    } catch (...) {
        return nullptr;
    }
}

}   // namespace DecoderSupport
