// BMP files: 24- or 32-bit uncompressed rows in either order on reading;
// 32-bit top-down on writing.
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/ByteOrder.h"
#include "engine/graphics/DecoderSupport.h"
#include "engine/graphics/ImageCodecs.h"

#include <cstdlib>
#include <cstring>

using DecoderSupport::LoadLE16;
using DecoderSupport::LoadLE32;

using ByteOrder::StoreLE32;

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kHeaderBytes = kFileHeaderBytes + kInfoHeaderBytes;
constexpr uint32_t kPixelsPerMetre = 3780;

}   // namespace

namespace Nuvex {

Bitmap* LoadBmp(const void* data, uint32_t size) {
    if (!data || size < kHeaderBytes) return nullptr;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (bytes[0] != 'B' || bytes[1] != 'M') return nullptr;
    const uint32_t offBits = LoadLE32(bytes + 10);
    const int32_t biWidth = int32_t(LoadLE32(bytes + 18));
    const int32_t biHeight = int32_t(LoadLE32(bytes + 22));
    const uint16_t bitCount = LoadLE16(bytes + 28);
    const uint32_t sizeImage = LoadLE32(bytes + 34);

    if (offBits > size || size - offBits != sizeImage) return nullptr;
    if (bitCount != 24 && bitCount != 32) return nullptr;
    if (biWidth <= 0 || biHeight == 0) return nullptr;
    const int64_t width = biWidth;
    const int64_t height = biHeight < 0 ? -int64_t(biHeight) : int64_t(biHeight);
    const int64_t stride = (bitCount * width + 31) / 32 * 4;
    // Every row must lie within the data (divided: stride times height may
    // pass 2^63).
    if (stride > int64_t(sizeImage) / height) return nullptr;
    // A bottom-up file is read from its last row; the caller's data stays as
    // it was.
    return DecoderSupport::BitmapFromRows(width, height, bitCount, bytes + offBits, stride,
                                          biHeight > 0);
}

bool WriteBmp(FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height) {
    if (!file || !pixels || width <= 0 || height <= 0 || pitch < width) return false;
    const int64_t imageBytes = int64_t(width) * height * 4;
    if (imageBytes + kHeaderBytes > 0xFFFFFFFFll) return false;
    uint8_t header[kHeaderBytes] = {'B', 'M'};
    StoreLE32(header + 2, uint32_t(imageBytes + kHeaderBytes));
    StoreLE32(header + 10, kHeaderBytes);
    StoreLE32(header + 14, kInfoHeaderBytes);
    StoreLE32(header + 18, uint32_t(width));
    StoreLE32(header + 22, uint32_t(-height));   // top-down rows
    header[26] = 1;                              // planes
    header[28] = 32;                             // bits per pixel
    StoreLE32(header + 30, 0);                   // BI_RGB
    // The real pixel byte count rather than the 0 that BI_RGB allows: the
    // engine's own reader needs it to load the file back.
    StoreLE32(header + 34, uint32_t(imageBytes));
    StoreLE32(header + 38, kPixelsPerMetre);
    StoreLE32(header + 42, kPixelsPerMetre);
    if (fwrite(header, 1, kHeaderBytes, file) != kHeaderBytes) return false;
    for (int32_t y = 0; y < height; ++y) {
        if (fwrite(pixels + int64_t(y) * pitch, 4, size_t(width), file) != size_t(width))
            return false;
    }
    return true;
}

}   // namespace Nuvex
