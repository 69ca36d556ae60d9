#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"

#include "support/TestSupport.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace gfxtest {

uint32_t Pattern(int x, int y, uint32_t seed) {
    uint32_t v = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    v ^= v >> 15;
    v *= 0x2C1B3C6Du;
    v ^= v >> 12;
    return v;
}

std::unique_ptr<Bitmap> MakePatterned(int width, int height, uint32_t seed) {
    auto b = std::make_unique<Bitmap>(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) b->Row(y)[x] = Pattern(x, y, seed);
    return b;
}

std::unique_ptr<Bitmap> MakeFilled(int width, int height, uint32_t colour) {
    return std::make_unique<Bitmap>(width, height, colour);
}

uint32_t At(const Bitmap& b, int x, int y) { return b.Row(y)[x]; }

::testing::AssertionResult SameImage(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return ::testing::AssertionFailure() << "sizes " << a.Width() << "x" << a.Height()
                                             << " and " << b.Width() << "x" << b.Height();
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (At(a, x, y) != At(b, x, y))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << "," << y << ") " << std::hex << At(a, x, y) << " vs "
                       << At(b, x, y);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameBlock(const Bitmap& a, const Bitmap& b) {
    if (a.PixelBytes() != b.PixelBytes())
        return ::testing::AssertionFailure() << "block sizes differ";
    if (std::memcmp(a.GetPixels(), b.GetPixels(), a.PixelBytes()) != 0)
        return ::testing::AssertionFailure() << "blocks differ";
    return ::testing::AssertionSuccess();
}

Bytes ReadFileBytes(const std::string& path) {
    std::string text;
    testsupport::ReadWholeFile(path, &text);
    return Bytes(text.begin(), text.end());
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
    testsupport::WriteWholeFile(path, std::string(bytes.begin(), bytes.end()));
}

void PutLE16(Bytes& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void PutLE32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

namespace {

void AppendToBytes(png_structp png, png_bytep data, png_size_t n) {
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void NoFlush(png_structp) {}

// libpng reports by longjmp; this frame holds no object with a destructor.
bool WritePngRows(Bytes* out, const PngLayout* layout) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendToBytes, NoFlush);
    png_set_IHDR(png, info, layout->width, layout->height, layout->depth, layout->colourType,
                 layout->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout->paletteRgb.empty())
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(layout->paletteRgb.data()),
                     int(layout->paletteRgb.size() / 3));
    if (!layout->trns.empty())
        png_set_tRNS(png, info, layout->trns.data(), int(layout->trns.size()), nullptr);
    png_write_info(png, info);
    if (layout->depth == 16) png_set_swap(png);   // rows hold little-endian samples
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (uint32_t y = 0; y < layout->height; ++y) png_write_row(png, layout->rows[y].data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// libjpeg reports an error by calling error_exit, which must not return: it
// jumps back to the setjmp point of the function driving the library, whose
// frame holds no object with a destructor.
struct JpegFailure {
    jpeg_error_mgr base;   // first: the library sees only this part
    jmp_buf jump;
};
void JpegErrorExit(j_common_ptr info) {
    longjmp(reinterpret_cast<JpegFailure*>(info->err)->jump, 1);
}

jpeg_error_mgr* TrapJpegErrors(JpegFailure* failure) {
    jpeg_error_mgr* base = jpeg_std_error(&failure->base);
    base->error_exit = JpegErrorExit;
    return base;
}

bool CompressJpeg(unsigned char** buffer, unsigned long* size, int width, int height,
                  int components, const uint8_t* samples, int quality, bool progressive) {
    jpeg_compress_struct info;
    JpegFailure failure;
    std::memset(&info, 0, sizeof info);
    info.err = TrapJpegErrors(&failure);
    if (setjmp(failure.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples +
                                            size_t(info.next_scanline) * width * components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

bool ReadLumaTable(const uint8_t* data, size_t size, unsigned* table) {
    jpeg_decompress_struct info;
    JpegFailure failure;
    std::memset(&info, 0, sizeof info);
    info.err = TrapJpegErrors(&failure);
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    for (int i = 0; i < 64; ++i) table[i] = info.quant_tbl_ptrs[0]->quantval[i];
    jpeg_destroy_decompress(&info);
    return true;
}

}   // namespace

Bytes MakePng(const PngLayout& layout) {
    Bytes out;
    EXPECT_TRUE(WritePngRows(&out, &layout));
    return out;
}

Bytes MakeJpeg(int width, int height, int components, const Bytes& samples, int quality,
               bool progressive) {
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = CompressJpeg(&buffer, &size, width, height, components, samples.data(), quality,
                                 progressive);
    EXPECT_TRUE(ok);
    Bytes out(buffer, buffer + (ok ? size : 0));
    std::free(buffer);
    return out;
}

std::vector<unsigned> JpegLumaTable(const Bytes& jpeg) {
    std::vector<unsigned> table(64);
    EXPECT_TRUE(ReadLumaTable(jpeg.data(), jpeg.size(), table.data()));
    return table;
}

std::vector<unsigned> QualityLumaTable(int quality) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    info.in_color_space = JCS_RGB;
    info.input_components = 3;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    std::vector<unsigned> table(64);
    for (int i = 0; i < 64; ++i) table[i] = info.quant_tbl_ptrs[0]->quantval[i];
    jpeg_destroy_compress(&info);
    return table;
}

}   // namespace gfxtest
