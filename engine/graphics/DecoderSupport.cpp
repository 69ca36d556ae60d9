#include "engine/graphics/DecoderSupport.h"

#include "engine/core/GrowBuffer.h"
#include "engine/graphics/Bitmap.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace DecoderSupport {
namespace {

// Rows handed out so far are its committed part, which growing keeps; freed
// at module unload. UI thread only.
GrowBuffer<uint8_t, 8192> g_scratch;

bool ValidSize(int64_t width, int64_t height) {
    // Divided rather than multiplied: two sizes near 2^31 times 4 would pass
    // 2^63 and wrap to a small count.
    const int64_t maxBytes = std::numeric_limits<int32_t>::max();
    return width > 0 && height > 0 && width <= maxBytes / 4 && height <= maxBytes / 4 / width;
}

}   // namespace

bool DataCanFill(int64_t width, int64_t height, uint64_t needed, uint64_t dataBytes,
                 uint64_t perDataByte) {
    if (!ValidSize(width, height)) return false;
    if (uint64_t(width) * uint64_t(height) * 4 <= kSmallImageBytes) return true;
    // Divided: a count near 2^32 times the ratio could pass 2^64.
    return needed == 0 || (perDataByte != 0 && (needed - 1) / perDataByte < dataBytes);
}

uint8_t* ReservePixelRows(int64_t width, int64_t height, int64_t rows) {
    if (!ValidSize(width, height) || rows > height) return nullptr;
    if (rows < 0) rows = height;
    const uint64_t rowBytes = uint64_t(width) * 4;
    const uint64_t wanted = uint64_t(rows) * rowBytes;
    const uint64_t held = g_scratch.Committed();
    if (wanted > held) {
        const uint64_t all = uint64_t(height) * rowBytes;
        const uint64_t grown = std::min(std::max(wanted, held + held / 2), all);
        try {
            if (!g_scratch.Reserve(uint32_t(grown - held))) return nullptr;
        } catch (...) {
            return nullptr;
        }
        g_scratch.Commit();
    }
    return g_scratch.Data();
}

Bitmap* FinishDecode(const uint8_t* rows, int64_t width, int64_t height) {
    Bitmap* bitmap = rows ? BitmapFromRows(width, height, 32, rows, width * 4, false) : nullptr;
    if (g_scratch.Capacity() > kKeptScratchBytes)
        g_scratch.Release();
    else
        g_scratch.Clear();
    return bitmap;
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
