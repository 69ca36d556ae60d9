#pragma once
// Image files, made byte by byte, whose headers claim far more pixels than
// their data holds: each is well formed up to where its data runs out, so a
// decoder meets the claim before it meets the shortage.
#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// RGBA, one IDAT of four empty rows of four pixels and IEND: 69 bytes
// whatever the claim. `junkBytes` adds a second IDAT of that many zero bytes
// behind the stream's end.
std::string PngClaiming(uint32_t width, uint32_t height, uint32_t junkBytes = 0);

// One grey component, a DC and an AC table of one code each, then
// `dataBytes` zero bytes of scan data and the end of image. Baseline: each
// byte codes four blocks of 8 x 8 flat grey pixels (two bits a block), in
// the image's first rows. Progressive: the first (DC) scan only, one bit a
// block. `commentBytes` puts comment segments of that many bytes in all
// before the scan.
std::string JpegClaiming(uint16_t width, uint16_t height, uint32_t dataBytes, bool progressive,
                         uint32_t commentBytes = 0);

// The engine's own format with `headerWord` at offset 8 (16, or 1 in the
// older build): compression 0 with 8 raw bytes, 1 with a zlib stream of 64
// zero bytes, 2 with no pixel data.
std::string NvxClaiming(uint32_t width, uint32_t height, uint8_t compression, uint32_t headerWord);

// 32-bit top-down rows, 64 bytes of them, named as the pixel data.
std::string BmpClaiming(int32_t width, int32_t height);

// Type 2 (raw) or 10 (run-length) true colour, 32 bits, 64 bytes of pixels.
std::string TgaClaiming(uint16_t width, uint16_t height, uint8_t type);

// Rewrites every PNG chunk's CRC in place, so that damage done to a file
// reaches the decoder instead of stopping at the checksum.
void FixPngCrcs(uint8_t* png, size_t size);

}   // namespace testsupport
