// PNG through libpng. libpng reports errors by longjmp to the setjmp point of
// the function that drives it, so those functions hold no C++ object with a
// destructor (longjmp would skip it), and nothing throws through libpng.
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/DecoderSupport.h"
#include "engine/graphics/ImageCodecs.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace {

struct PngSource {
    const uint8_t* data;
    uint32_t size;
    uint32_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->position) png_error(png, "read past the end of the data");
    std::memcpy(out, source->data + source->position, count);
    source->position += uint32_t(count);
}

// The library's errors end in the reader's or writer's setjmp point; neither
// errors nor warnings are printed.
void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

// Every image arrives as 4 bytes per pixel B, G, R, A, with alpha 255 where
// the image has none.
void ArrangeBgra(png_structp png, png_infop info, int colour, int depth) {
    png_set_strip_16(png);
    png_set_packing(png);
    if (colour == PNG_COLOR_TYPE_PALETTE && depth <= 8) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// Decodes into the shared scratch area as 4-byte B, G, R, A pixels. The
// area grows row by row as the rows inflate, and only after the header's
// rows were weighed against the compressed bytes that remain.
uint8_t* DecodeRows(PngSource* source, png_uint_32* outWidth, png_uint_32* outHeight) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError,
                                             QuietWarning);
    if (!png) return nullptr;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return nullptr;
    }
    png_set_read_fn(png, source, ReadFromMemory);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    // Each row is inflated with its filter byte, and deflate can't make more
    // than its limit of any byte of the file that is left.
    const uint64_t filtered = uint64_t(height) * (1 + uint64_t(png_get_rowbytes(png, info)));
    if (width == 0 || height == 0 || interlace != PNG_INTERLACE_NONE ||
        !DecoderSupport::DataCanFill(width, height, filtered, source->size - source->position,
                                     DecoderSupport::kMostInflatedPerByte)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return nullptr;
    }
    ArrangeBgra(png, info, colour, depth);
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);

    // Every row must now be exactly four bytes per pixel.
    const bool bgra = png_get_rowbytes(png, info) == png_size_t(width) * 4;
    uint8_t* rows = nullptr;
    for (png_uint_32 y = 0; y < height; ++y) {
        rows = bgra ? DecoderSupport::ReservePixelRows(width, height, int64_t(y) + 1) : nullptr;
        if (!rows) {
            png_destroy_read_struct(&png, &info, nullptr);
            return nullptr;
        }
        png_bytep row = rows + size_t(y) * width * 4;
        png_read_rows(png, &row, nullptr, 1);
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    *outWidth = width;
    *outHeight = height;
    return rows;
}

bool EncodeRows(FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height,
                bool rgba) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError,
                                              QuietWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 rgba ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The write-side filler needs the colour type that png_write_info set.
    if (!rgba) png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_set_bgr(png);
    for (int32_t y = 0; y < height; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(pixels + int64_t(y) * pitch));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}   // namespace

namespace Nuvex {

Bitmap* LoadPng(const void* data, uint32_t size) {
    if (!data || size < 8) return nullptr;
    if (png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) return nullptr;
    PngSource source{static_cast<const uint8_t*>(data), size, 0};
    png_uint_32 width = 0, height = 0;
    const uint8_t* rows = DecodeRows(&source, &width, &height);
    return DecoderSupport::FinishDecode(rows, width, height);
}

bool WritePng(FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height,
              bool rgba) {
    if (!file || !pixels || width <= 0 || height <= 0 || pitch < width) return false;
    return EncodeRows(file, pixels, pitch, width, height, rgba);
}

}   // namespace Nuvex
