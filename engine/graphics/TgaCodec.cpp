// TGA files: uncompressed true-colour, 32 bits per pixel, either row order.
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/DecoderSupport.h"
#include "engine/graphics/ImageCodecs.h"

using DecoderSupport::LoadLE16;

namespace {

constexpr uint32_t kHeaderBytes = 18;
constexpr uint8_t kTrueColour = 2;
constexpr uint8_t kTopLeft = 0x20;
constexpr uint8_t kWriteDescriptor = 0x28;   // top-left origin, 8 alpha bits

}   // namespace

namespace Nuvex {

Bitmap* LoadTga(const void* data, uint32_t size) {
    if (!data || size < kHeaderBytes) return nullptr;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (bytes[2] != kTrueColour || bytes[16] != 32) return nullptr;
    const int64_t width = LoadLE16(bytes + 12);
    const int64_t height = LoadLE16(bytes + 14);
    const uint8_t descriptor = bytes[17];
    // Pixels start right after the header (no image id or colour map is
    // skipped), and all of them must be present.
    if (width * height * 4 > int64_t(size) - kHeaderBytes) return nullptr;
    return DecoderSupport::BitmapFromRows(width, height, 32, bytes + kHeaderBytes, width * 4,
                                          (descriptor & kTopLeft) == 0);
}

bool WriteTga(FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height) {
    // The header holds 16-bit sizes: a larger image can't be written.
    if (!file || !pixels || width <= 0 || height <= 0 || pitch < width || width > 0xFFFF ||
        height > 0xFFFF)
        return false;
    // clang-format off
    const uint8_t header[kHeaderBytes] = {
        0, 0, kTrueColour, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8),
        32, kWriteDescriptor};
    // clang-format on
    if (fwrite(header, 1, kHeaderBytes, file) != kHeaderBytes) return false;
    for (int32_t y = 0; y < height; ++y) {
        if (fwrite(pixels + int64_t(y) * pitch, 4, size_t(width), file) != size_t(width))
            return false;
    }
    return true;
}

}   // namespace Nuvex
