#pragma once
// Pieces the image decoders share: the weighing of a header's claim against
// the data behind it, the scratch area for decoded rows, and the hand-over of
// finished rows to a new Bitmap.
#include "engine/graphics/ByteOrder.h"

#include <cstdint>

class Bitmap;

namespace DecoderSupport {

// An image of at most this many pixel bytes (512 x 512) passes the weighing
// whatever its data: what it can cost is small anyway.
constexpr uint64_t kSmallImageBytes = 1u << 20;
// The most the scratch area keeps between decodes; a decode that grew it
// further gives it back when it is done.
constexpr uint32_t kKeptScratchBytes = 4u << 20;
// The most output one byte of a zlib stream can give (deflate's limit).
constexpr uint64_t kMostInflatedPerByte = 1032;

// Whether `dataBytes` bytes of a file can yield what its header claims for a
// width x height image: `needed` units, of which each data byte yields at
// most `perDataByte`. Weighed before anything is committed for the image.
bool DataCanFill(int64_t width, int64_t height, uint64_t needed, uint64_t dataBytes,
                 uint64_t perDataByte);

// The shared scratch area holding rows 0 to rows - 1 of a width x height
// image of 4-byte pixels (all of its rows when `rows` is left out), rows
// already held kept as they are. Ask row by row as the rows decode: the area
// then grows only with what was decoded, by half again at a time (linear
// cost), never past the image. Valid until the next call or FinishDecode.
// Null when a size is not positive, the image would exceed 2 GiB, or memory
// runs out. Never throws.
uint8_t* ReservePixelRows(int64_t width, int64_t height, int64_t rows = -1);

// The end of every decode that used the scratch area: a new Bitmap of the
// width x height rows the area holds (none when `rows` is null), and the
// area emptied, or given back when it grew past kKeptScratchBytes. Null on
// an invalid size or no memory; never throws.
Bitmap* FinishDecode(const uint8_t* rows, int64_t width, int64_t height);

// A new width x height Bitmap filled from rows (32 or 24 bits per pixel,
// strideBytes apart, flip = the rows run bottom-up). Null on an invalid size
// or no memory; never throws.
Bitmap* BitmapFromRows(int64_t width, int64_t height, int32_t bitsPerPixel, const void* rows,
                       int64_t strideBytes, bool flip);

using ByteOrder::LoadLE16;
using ByteOrder::LoadLE32;

}   // namespace DecoderSupport
