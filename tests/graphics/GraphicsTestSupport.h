#pragma once
// Shared helpers of the graphics tests: bitmaps with known pixels, files as
// byte strings, and fixture images made with the linked image libraries.
#include <gtest/gtest.h>

#include "engine/graphics/Bitmap.h"

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace gfxtest {

using Bytes = std::vector<uint8_t>;

// A width x height bitmap whose pixel (x, y) is Pattern(x, y, seed).
std::unique_ptr<Bitmap> MakePatterned(int width, int height, uint32_t seed = 1);
uint32_t Pattern(int x, int y, uint32_t seed);
std::unique_ptr<Bitmap> MakeFilled(int width, int height, uint32_t colour);

// Every image pixel (x < width) equal; the message names the first that is not.
::testing::AssertionResult SameImage(const Bitmap& a, const Bitmap& b);
// Every byte of the pixel blocks equal, spare pixels included.
::testing::AssertionResult SameBlock(const Bitmap& a, const Bitmap& b);

uint32_t At(const Bitmap& b, int x, int y);

Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);

void PutLE16(Bytes& b, size_t at, uint16_t v);
void PutLE32(Bytes& b, size_t at, uint32_t v);

// PNG in memory through libpng's writer: rows of raw samples as the colour
// type and depth say. palette/trns are used for palette images.
struct PngLayout {
    uint32_t width = 0, height = 0;
    int depth = 8;
    int colourType = 0;   // PNG_COLOR_TYPE_*
    bool interlaced = false;
    std::vector<Bytes> rows;
    std::vector<uint8_t> paletteRgb;   // 3 bytes per entry
    std::vector<uint8_t> trns;         // alpha per palette entry
};
Bytes MakePng(const PngLayout& layout);

// JPEG in memory through libjpeg's compressor: components 1 (grey), 3
// (R, G, B bytes) or 4 (C, M, Y, K), at the given quality; progressive in
// the library's own scan script when asked.
Bytes MakeJpeg(int width, int height, int components, const Bytes& samples, int quality,
               bool progressive = false);

// The luminance quantisation table of a JPEG in memory (64 values).
std::vector<unsigned> JpegLumaTable(const Bytes& jpeg);
// The table jpeg_set_quality(quality, TRUE) gives.
std::vector<unsigned> QualityLumaTable(int quality);

}   // namespace gfxtest
