#pragma once
// Pieces the image decoders share: the scratch area for decoded rows and the
// hand-over of finished rows to a new Bitmap.
#include "engine/graphics/ByteOrder.h"

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

using ByteOrder::LoadLE16;
using ByteOrder::LoadLE32;

}   // namespace DecoderSupport
