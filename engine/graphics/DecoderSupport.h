#pragma once
// Pieces the image decoders share: the scratch area for decoded rows and the
// hand-over of finished rows to a new Bitmap.
#include <cstdint>

class Bitmap;

namespace DecoderSupport {

// width x height x 4 bytes of the decoders' one shared scratch area (valid
// until the next decode). Null when a size is not positive, the rows would
// exceed 2 GiB, or memory runs out. Never throws.
uint8_t* ReservePixelRows(int64_t width, int64_t height);

// A new width x height Bitmap filled from rows (32 or 24 bits per pixel,
// strideBytes apart, flip = the rows run bottom-up). Null on an invalid size
// or no memory; never throws.
Bitmap* BitmapFromRows(int64_t width, int64_t height, int32_t bitsPerPixel, const void* rows,
                       int64_t strideBytes, bool flip);

inline uint32_t LoadLE32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}
inline uint16_t LoadLE16(const uint8_t* at) { return uint16_t(at[0] | at[1] << 8); }

}  // namespace DecoderSupport
