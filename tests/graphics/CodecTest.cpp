#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/DecoderSupport.h"
#include "engine/graphics/ImageCodecs.h"
#include "support/TestSupport.h"

#include <png.h>
#include <zlib.h>

#include <cstdlib>
#include <memory>

using gfxtest::At;
using gfxtest::Bytes;
using gfxtest::PutLE16;
using gfxtest::PutLE32;

namespace {

using Decoder = Bitmap* (*)(const void*, uint32_t);

std::unique_ptr<Bitmap> Decode(Decoder decoder, const Bytes& b) {
    return std::unique_ptr<Bitmap>(decoder(b.data(), uint32_t(b.size())));
}

// A BMP file: 14 + 40 header bytes and the given pixel rows as they stand.
Bytes MakeBmp(int32_t width, int32_t height, uint16_t bits, const Bytes& rows) {
    Bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutLE32(b, 2, uint32_t(54 + rows.size()));
    PutLE32(b, 10, 54);
    PutLE32(b, 14, 40);
    PutLE32(b, 18, uint32_t(width));
    PutLE32(b, 22, uint32_t(height));
    PutLE16(b, 26, 1);
    PutLE16(b, 28, bits);
    PutLE32(b, 34, uint32_t(rows.size()));
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

// A TGA file: 18 header bytes and 32-bit pixels.
Bytes MakeTga(uint16_t width, uint16_t height, uint8_t descriptor,
              const std::vector<uint32_t>& pixels) {
    Bytes b(18, 0);
    b[2] = 2;
    PutLE16(b, 12, width);
    PutLE16(b, 14, height);
    b[16] = 32;
    b[17] = descriptor;
    for (uint32_t p : pixels)
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(p >> (8 * i)));
    return b;
}

std::string SaveAndRead(const Bitmap& b, bool (Bitmap::*save)(const char*) const, const char* name,
                        testsupport::TempFolder& folder) {
    const std::string path = folder.Join(name);
    EXPECT_TRUE((b.*save)(path.c_str()));
    return path;
}

// A bitmap with every kind of alpha, for lossless round trips.
std::unique_ptr<Bitmap> Sample(int w = 13, int h = 7) { return gfxtest::MakePatterned(w, h, 11); }

// Appends one PNG chunk with its CRC.
void AppendChunk(Bytes& out, const char* type, const Bytes& data) {
    Bytes chunk(4, 0);
    PutLE32(chunk, 0, 0);
    const uint32_t n = uint32_t(data.size());
    out.insert(out.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    const uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
    out.insert(out.end(),
               {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
}

// A well-formed PNG header claiming width x height RGBA, with one small IDAT.
Bytes PngClaiming(uint32_t width, uint32_t height) {
    Bytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    // clang-format off
    Bytes ihdr = {uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
                  uint8_t(height >> 24), uint8_t(height >> 16), uint8_t(height >> 8), uint8_t(height),
                  8, 6, 0, 0, 0};
    // clang-format on
    AppendChunk(out, "IHDR", ihdr);
    Bytes raw(4 * (1 + 16), 0);   // four filtered rows of a 4-pixel image
    Bytes packed(128);
    uLongf packedSize = uLongf(packed.size());
    compress(packed.data(), &packedSize, raw.data(), uLong(raw.size()));
    packed.resize(packedSize);
    AppendChunk(out, "IDAT", packed);
    AppendChunk(out, "IEND", {});
    return out;
}

Bytes GreySamples(int w, int h) {
    Bytes s(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s[size_t(y) * w + x] = uint8_t(x * 8 + y * 8);
    return s;
}

Bytes ColourSamples(int w, int h) {
    Bytes s(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &s[(size_t(y) * w + x) * 3];
            p[0] = uint8_t(x * 8);
            p[1] = uint8_t(y * 8);
            p[2] = 128;
        }
    return s;
}

// Offset of the first SOF0 marker's height field in a JPEG.
size_t SofSizeOffset(const Bytes& jpeg) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) return i + 5;
    return 0;
}

}   // namespace

// ---------------------------------------------------------------- BMP

TEST(BmpDecoder, BottomUpTwentyFourBitTurnsTopDownWithOpaqueAlpha) {
    // 3 x 2, stride 12: first file row (bottom) is 1..9, second 11..19.
    Bytes rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
    const Bytes file = MakeBmp(3, 2, 24, rows);
    const Bytes before = file;
    auto b = Decode(Nuvex::LoadBmp, file);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), 3);
    EXPECT_EQ(b->Height(), 2);
    EXPECT_EQ(At(*b, 0, 1), 0xFF030201u) << "first file row at the bottom";
    EXPECT_EQ(At(*b, 2, 1), 0xFF090807u);
    EXPECT_EQ(At(*b, 0, 0), 0xFF0D0C0Bu);
    EXPECT_EQ(file, before) << "the caller's data is not changed";
    // Decoding the same bytes twice gives the same image.
    auto again = Decode(Nuvex::LoadBmp, file);
    ASSERT_TRUE(again);
    EXPECT_TRUE(gfxtest::SameImage(*b, *again));
}

TEST(BmpDecoder, TopDownThirtyTwoBitKeepsItsAlpha) {
    Bytes rows = {1, 2, 3, 0x00, 4, 5, 6, 0x80, 7, 8, 9, 0xFF, 10, 11, 12, 0x7F};
    auto b = Decode(Nuvex::LoadBmp, MakeBmp(2, -2, 32, rows));
    ASSERT_TRUE(b);
    EXPECT_EQ(At(*b, 0, 0), 0x00030201u);
    EXPECT_EQ(At(*b, 1, 0), 0x80060504u);
    EXPECT_EQ(At(*b, 1, 1), 0x7F0C0B0Au);
}

TEST(BmpDecoder, Refusals) {
    const Bytes rows(24, 0x40);
    ASSERT_TRUE(Decode(Nuvex::LoadBmp, MakeBmp(3, 2, 24, rows)));
    Bytes b = MakeBmp(3, 2, 24, rows);
    PutLE32(b, 34, 0);
    EXPECT_FALSE(Decode(Nuvex::LoadBmp, b)) << "biSizeImage 0";
    b = MakeBmp(3, 2, 24, rows);
    PutLE32(b, 34, 23);
    EXPECT_FALSE(Decode(Nuvex::LoadBmp, b)) << "biSizeImage mismatch";
    EXPECT_FALSE(Decode(Nuvex::LoadBmp, MakeBmp(3, 2, 16, rows))) << "16-bit";
    EXPECT_FALSE(Decode(Nuvex::LoadBmp, MakeBmp(3, 2, 8, rows))) << "8-bit";
    EXPECT_FALSE(Decode(Nuvex::LoadBmp, MakeBmp(3, 3, 24, rows))) << "rows that don't fit";
    EXPECT_FALSE(Decode(Nuvex::LoadBmp, MakeBmp(-3, 2, 24, rows))) << "negative width";
    EXPECT_FALSE(Decode(Nuvex::LoadBmp, MakeBmp(0, 2, 24, rows))) << "width 0";
    EXPECT_FALSE(Decode(Nuvex::LoadBmp, MakeBmp(3, 0, 24, rows))) << "height 0";
    b = MakeBmp(3, 2, 24, rows);
    PutLE32(b, 10, uint32_t(b.size() + 1));
    EXPECT_FALSE(Decode(Nuvex::LoadBmp, b)) << "bfOffBits past the end";
    b[0] = 'X';
    EXPECT_FALSE(Decode(Nuvex::LoadBmp, b)) << "not BM";
}

TEST(BmpDecoder, TruncatedAndOversizedHeadersFailCleanly) {
    const Bytes good = MakeBmp(3, 2, 24, Bytes(24, 0x40));
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + n);
        EXPECT_FALSE(Nuvex::LoadBmp(cut.data(), uint32_t(cut.size()))) << n;
    }
    // Sizes whose stride or block would wrap 32-bit arithmetic.
    const int32_t sizes[][2] = {
        {0x7FFFFFFF, 1}, {0x40000000, 2}, {0x10000000, -0x10000000}, {1, INT32_MIN},
        {65536, 65536},  {0x20000001, 1}, {0x7FFFFFFF, 0x7FFFFFFF},  {0x7FFFFFFF, INT32_MIN}};
    for (const auto& s : sizes) {
        for (uint16_t bits : {24, 32}) {
            Bytes b = MakeBmp(s[0], s[1], bits, Bytes(64, 1));
            EXPECT_FALSE(Decode(Nuvex::LoadBmp, b)) << s[0] << " x " << s[1] << " @" << bits;
        }
    }
}

// The scratch area behind the PNG, TGA and JPEG decoders is sized from
// header values; a size whose byte count wraps must get no area at all.
TEST(DecoderScratch, SizesWhoseByteCountWouldWrapGetNoArea) {
    EXPECT_NE(DecoderSupport::ReservePixelRows(3, 2), nullptr);
    EXPECT_EQ(DecoderSupport::ReservePixelRows(0x7FFFFFFF, 0x7FFFFFFF), nullptr);
    EXPECT_EQ(DecoderSupport::ReservePixelRows(0x80000001, 0x7FFFFFFF), nullptr);
    EXPECT_EQ(DecoderSupport::ReservePixelRows(0x20000000, 1), nullptr);
    EXPECT_EQ(DecoderSupport::ReservePixelRows(0, 1), nullptr);
}

TEST(BmpEncoder, OnePixelFileIsFiftyEightBytesWithTheExactHeader) {
    testsupport::TempFolder folder;
    Bitmap b(1, 1, 0x80112233);
    const Bytes file = gfxtest::ReadFileBytes(SaveAndRead(b, &Bitmap::SaveBmp, "one.bmp", folder));
    // clang-format off
    const Bytes expected = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,    // file header
                            40, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF,   // size, width, -height
                            1, 0, 32, 0, 0, 0, 0, 0, 4, 0, 0, 0,               // planes, bits, BI_RGB, image bytes
                            0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                            0x33, 0x22, 0x11, 0x80};
    // clang-format on
    EXPECT_EQ(file, expected);
}

TEST(BmpEncoder, RoundTripThroughTheDecoder) {
    testsupport::TempFolder folder;
    auto b = Sample();
    const Bytes file = gfxtest::ReadFileBytes(SaveAndRead(*b, &Bitmap::SaveBmp, "rt.bmp", folder));
    EXPECT_EQ(file.size(), 54u + 13 * 7 * 4) << "spare pitch pixels are not written";
    auto back = Decode(Nuvex::LoadBmp, file);
    ASSERT_TRUE(back);
    EXPECT_TRUE(gfxtest::SameImage(*b, *back));
}

// ---------------------------------------------------------------- TGA

TEST(TgaDecoder, DescriptorSelectsTheRowOrder) {
    const std::vector<uint32_t> px = {0x11111111, 0x22222222, 0x33333333, 0x44444444};
    auto bottomUp = Decode(Nuvex::LoadTga, MakeTga(2, 2, 0x08, px));
    ASSERT_TRUE(bottomUp);
    EXPECT_EQ(At(*bottomUp, 0, 0), 0x33333333u);
    EXPECT_EQ(At(*bottomUp, 1, 1), 0x22222222u);
    auto topDown = Decode(Nuvex::LoadTga, MakeTga(2, 2, 0x28, px));
    ASSERT_TRUE(topDown);
    EXPECT_EQ(At(*topDown, 0, 0), 0x11111111u);
    EXPECT_EQ(At(*topDown, 1, 1), 0x44444444u);
}

TEST(TgaDecoder, RefusalsAndTruncation) {
    const std::vector<uint32_t> px(6, 0xFF00FF00);
    ASSERT_TRUE(Decode(Nuvex::LoadTga, MakeTga(3, 2, 0x28, px)));
    Bytes b = MakeTga(3, 2, 0x28, px);
    b[16] = 24;
    EXPECT_FALSE(Decode(Nuvex::LoadTga, b)) << "depth 24";
    b = MakeTga(3, 2, 0x28, px);
    b[2] = 10;
    EXPECT_FALSE(Decode(Nuvex::LoadTga, b)) << "run-length";
    EXPECT_FALSE(Decode(Nuvex::LoadTga, MakeTga(0, 2, 0x28, {}))) << "width 0";
    EXPECT_FALSE(Decode(Nuvex::LoadTga, MakeTga(3, 0, 0x28, {}))) << "height 0";
    const Bytes good = MakeTga(3, 2, 0x28, px);
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + n);
        EXPECT_FALSE(Nuvex::LoadTga(cut.data(), uint32_t(cut.size()))) << n;
    }
    // The largest header: 65535 x 65535 x 4 does not fit 32 bits.
    EXPECT_FALSE(Decode(Nuvex::LoadTga, MakeTga(0xFFFF, 0xFFFF, 0x28, px)));
}

TEST(TgaEncoder, OnePixelFileIsTwentyTwoBytesWithTheExactHeader) {
    testsupport::TempFolder folder;
    Bitmap b(1, 1, 0x80112233);
    const Bytes file = gfxtest::ReadFileBytes(SaveAndRead(b, &Bitmap::SaveTga, "one.tga", folder));
    const Bytes expected = {0, 0, 2, 0, 0, 0,  0,    0,    0,    0,    0,
                            0, 1, 0, 1, 0, 32, 0x28, 0x33, 0x22, 0x11, 0x80};
    EXPECT_EQ(file, expected);
}

TEST(TgaEncoder, RoundTripThroughTheDecoder) {
    testsupport::TempFolder folder;
    auto b = Sample();
    const Bytes file = gfxtest::ReadFileBytes(SaveAndRead(*b, &Bitmap::SaveTga, "rt.tga", folder));
    auto back = Decode(Nuvex::LoadTga, file);
    ASSERT_TRUE(back);
    EXPECT_TRUE(gfxtest::SameImage(*b, *back));
}

// ---------------------------------------------------------------- PNG

TEST(PngDecoder, GreyOneBitGivesOpaqueBlackAndWhite) {
    gfxtest::PngLayout layout;
    layout.width = 10;
    layout.height = 2;
    layout.depth = 1;
    layout.colourType = PNG_COLOR_TYPE_GRAY;
    layout.rows = {{0xA5, 0x40}, {0x0F, 0xC0}};   // 1010010101, 0000111111
    auto b = Decode(Nuvex::LoadPng, gfxtest::MakePng(layout));
    ASSERT_TRUE(b);
    const char* bits[] = {"1010010101", "0000111111"};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(At(*b, x, y), bits[y][x] == '1' ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
}

TEST(PngDecoder, PaletteWithTransparencyKeepsItsAlphas) {
    gfxtest::PngLayout layout;
    layout.width = 3;
    layout.height = 1;
    layout.depth = 8;
    layout.colourType = PNG_COLOR_TYPE_PALETTE;
    layout.paletteRgb = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    layout.trns = {0, 128};
    layout.rows = {{0, 1, 2}};
    auto b = Decode(Nuvex::LoadPng, gfxtest::MakePng(layout));
    ASSERT_TRUE(b);
    EXPECT_EQ(At(*b, 0, 0), 0x00FF0000u);
    EXPECT_EQ(At(*b, 1, 0), 0x8000FF00u);
    EXPECT_EQ(At(*b, 2, 0), 0xFF0000FFu);
}

TEST(PngDecoder, SixteenBitRgbaIsStrippedToItsHighBytes) {
    gfxtest::PngLayout layout;
    layout.width = 1;
    layout.height = 1;
    layout.depth = 16;
    layout.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    layout.rows = {{0xFF, 0x12, 0xFF, 0x34, 0xFF, 0x56, 0xFF, 0x78}};   // little-endian samples
    auto b = Decode(Nuvex::LoadPng, gfxtest::MakePng(layout));
    ASSERT_TRUE(b);
    EXPECT_EQ(At(*b, 0, 0), 0x78123456u);
}

TEST(PngDecoder, GreyAlphaAndRgbBecomeBgra) {
    gfxtest::PngLayout layout;
    layout.width = 2;
    layout.height = 1;
    layout.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    layout.rows = {{0x40, 0x80, 0xC0, 0xFF}};
    auto grey = Decode(Nuvex::LoadPng, gfxtest::MakePng(layout));
    ASSERT_TRUE(grey);
    EXPECT_EQ(At(*grey, 0, 0), 0x80404040u);
    EXPECT_EQ(At(*grey, 1, 0), 0xFFC0C0C0u);
    layout.colourType = PNG_COLOR_TYPE_RGB;
    layout.rows = {{1, 2, 3, 4, 5, 6}};
    auto rgb = Decode(Nuvex::LoadPng, gfxtest::MakePng(layout));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(At(*rgb, 0, 0), 0xFF010203u);
    EXPECT_EQ(At(*rgb, 1, 0), 0xFF040506u);
}

TEST(PngDecoder, InterlacedIsRefused) {
    gfxtest::PngLayout layout;
    layout.width = 9;
    layout.height = 9;
    layout.colourType = PNG_COLOR_TYPE_RGB;
    layout.interlaced = true;
    layout.rows.assign(9, Bytes(27, 0x55));
    const Bytes png = gfxtest::MakePng(layout);
    ASSERT_FALSE(png.empty());
    EXPECT_FALSE(Decode(Nuvex::LoadPng, png));
}

TEST(PngDecoder, TruncatedFilesReturnNullWithoutACrash) {
    testsupport::TempFolder folder;
    auto b = Sample(40, 30);
    const Bytes good = gfxtest::ReadFileBytes(SaveAndRead(*b, &Bitmap::SavePng, "t.png", folder));
    ASSERT_TRUE(Decode(Nuvex::LoadPng, good));
    for (size_t n = 0; n + 12 < good.size(); n += (n < 64 ? 1 : 7)) {
        Bytes cut(good.begin(), good.begin() + n);
        EXPECT_FALSE(Nuvex::LoadPng(cut.data(), uint32_t(cut.size()))) << n;
    }
    Bytes corrupt = good;
    corrupt[40] ^= 0xFF;   // inside IHDR or IDAT: CRC or data error
    EXPECT_FALSE(Decode(Nuvex::LoadPng, corrupt));
}

TEST(PngDecoder, OversizedHeadersFailCleanly) {
    ASSERT_TRUE(Decode(Nuvex::LoadPng, PngClaiming(4, 4)));
    // Within libpng's own limits, but the pixel block exceeds 2 GiB.
    EXPECT_FALSE(Decode(Nuvex::LoadPng, PngClaiming(1000000, 1000000)));
    EXPECT_FALSE(Decode(Nuvex::LoadPng, PngClaiming(1000000, 600)));
    EXPECT_FALSE(Decode(Nuvex::LoadPng, PngClaiming(0x7FFFFFFF, 1)));
    EXPECT_FALSE(Decode(Nuvex::LoadPng, PngClaiming(0, 1)));
}

TEST(PngEncoder, RoundTripIsExact) {
    testsupport::TempFolder folder;
    auto b = Sample();
    const Bytes file = gfxtest::ReadFileBytes(SaveAndRead(*b, &Bitmap::SavePng, "rt.png", folder));
    auto back = Decode(Nuvex::LoadPng, file);
    ASSERT_TRUE(back);
    EXPECT_TRUE(gfxtest::SameImage(*b, *back));
}

TEST(PngEncoder, RgbWriterDropsTheAlpha) {
    testsupport::TempFolder folder;
    auto b = Sample();
    const std::string path = folder.Join("rgb.png");
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    EXPECT_TRUE(Nuvex::WritePng(f, b->GetPixels(), b->Pitch(), b->Width(), b->Height(), false));
    std::fclose(f);
    auto back = Decode(Nuvex::LoadPng, gfxtest::ReadFileBytes(path));
    ASSERT_TRUE(back);
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x) ASSERT_EQ(At(*back, x, y), At(*b, x, y) | 0xFF000000u);
}

TEST(PngEncoder, WriteErrorReturnsFalse) {
    testsupport::TempFolder folder;
    const std::string path = folder.Join("ro.png");
    ASSERT_TRUE(testsupport::WriteWholeFile(path, "x"));
    FILE* f = std::fopen(path.c_str(), "rb");   // writes fail
    ASSERT_TRUE(f);
    auto b = Sample(200, 200);
    EXPECT_FALSE(Nuvex::WritePng(f, b->GetPixels(), b->Pitch(), b->Width(), b->Height(), true));
    std::fclose(f);
    // libpng refuses sizes beyond its limits: an error, not an abort.
    f = std::fopen(folder.Join("big.png").c_str(), "wb");
    ASSERT_TRUE(f);
    EXPECT_FALSE(Nuvex::WritePng(f, b->GetPixels(), 0x7FFFFFFF, 0x7FFFFFFF, 1, true));
    std::fclose(f);
    EXPECT_FALSE(b->SavePng(folder.Join("no\\such\\folder\\x.png").c_str()));
}

// ---------------------------------------------------------------- JPEG

TEST(JpegDecoder, GreyGivesEqualChannelsAndOpaqueAlpha) {
    const Bytes jpeg = gfxtest::MakeJpeg(16, 8, 1, GreySamples(16, 8), 95);
    auto b = Decode(Nuvex::LoadJpeg, jpeg);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), 16);
    EXPECT_EQ(b->Height(), 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint32_t p = At(*b, x, y);
            EXPECT_EQ(p >> 24, 0xFFu);
            EXPECT_EQ(p & 0xFF, p >> 8 & 0xFF);
            EXPECT_EQ(p & 0xFF, p >> 16 & 0xFF);
            EXPECT_NEAR(int(p & 0xFF), x * 8 + y * 8, 12) << x << "," << y;
        }
}

TEST(JpegDecoder, ColourRowsAreRgbTriples) {
    const Bytes jpeg = gfxtest::MakeJpeg(16, 16, 3, ColourSamples(16, 16), 95);
    auto b = Decode(Nuvex::LoadJpeg, jpeg);
    ASSERT_TRUE(b);
    const uint32_t p = At(*b, 12, 4);
    EXPECT_EQ(p >> 24, 0xFFu);
    EXPECT_NEAR(int(p >> 16 & 0xFF), 96, 10);
    EXPECT_NEAR(int(p >> 8 & 0xFF), 32, 10);
    EXPECT_NEAR(int(p & 0xFF), 128, 10);
}

TEST(JpegDecoder, TruncatedFileStillGivesAnImage) {
    const Bytes jpeg = gfxtest::MakeJpeg(64, 64, 3, ColourSamples(64, 64), 90);
    Bytes cut(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3);
    auto b = Decode(Nuvex::LoadJpeg, cut);
    ASSERT_TRUE(b) << "the source supplies an end of image";
    EXPECT_EQ(b->Width(), 64);
    EXPECT_EQ(b->Height(), 64);
}

TEST(JpegDecoder, GarbageAndEmptyDataReturnNull) {
    Bytes garbage = {0xFF, 0xD8};
    for (int i = 0; i < 200; ++i) garbage.push_back(uint8_t(i * 37));
    EXPECT_FALSE(Decode(Nuvex::LoadJpeg, garbage));
    EXPECT_FALSE(Decode(Nuvex::LoadJpeg, Bytes{0xFF, 0xD8}));
    EXPECT_FALSE(Decode(Nuvex::LoadJpeg, Bytes{0xFF}));
    EXPECT_FALSE(Nuvex::LoadJpeg(garbage.data(), 0));
    // Every prefix of the headers fails cleanly or decodes.
    const Bytes jpeg = gfxtest::MakeJpeg(8, 8, 3, ColourSamples(8, 8), 90);
    for (size_t n = 1; n < jpeg.size(); n += 3) {
        std::unique_ptr<Bitmap> b(Nuvex::LoadJpeg(jpeg.data(), uint32_t(n)));
        if (b) {
            EXPECT_EQ(b->Width(), 8);
        }
    }
}

TEST(JpegDecoder, FourComponentImagesAreRefused) {
    Bytes cmyk(8 * 8 * 4, 0x40);
    const Bytes jpeg = gfxtest::MakeJpeg(8, 8, 4, cmyk, 90);
    ASSERT_FALSE(jpeg.empty());
    EXPECT_FALSE(Decode(Nuvex::LoadJpeg, jpeg));
}

TEST(JpegDecoder, OversizedHeadersFailCleanly) {
    Bytes jpeg = gfxtest::MakeJpeg(8, 8, 3, ColourSamples(8, 8), 90);
    const size_t at = SofSizeOffset(jpeg);
    ASSERT_NE(at, 0u);
    // 65500 x 65500 x 4 bytes: far past 2 GiB and past 32 bits.
    jpeg[at] = 0xFF, jpeg[at + 1] = 0xDC, jpeg[at + 2] = 0xFF, jpeg[at + 3] = 0xDC;
    EXPECT_FALSE(Decode(Nuvex::LoadJpeg, jpeg));
    jpeg[at] = 0, jpeg[at + 1] = 0;   // height 0
    EXPECT_FALSE(Decode(Nuvex::LoadJpeg, jpeg));
}

TEST(JpegEncoder, RoundTripWithinTolerance) {
    testsupport::TempFolder folder;
    Bitmap b(32, 24, 0);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            b.Row(y)[x] = 0x40000000u | uint32_t(x * 8) << 16 | uint32_t(y * 10) << 8 | 0x80;
    const Bytes file = gfxtest::ReadFileBytes(SaveAndRead(b, &Bitmap::SaveJpeg, "rt.jpg", folder));
    auto back = Decode(Nuvex::LoadJpeg, file);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->Width(), 32);
    ASSERT_EQ(back->Height(), 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x) {
            const uint32_t p = At(*back, x, y), q = At(b, x, y);
            ASSERT_EQ(p >> 24, 0xFFu);
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(int(p >> (8 * c) & 0xFF), int(q >> (8 * c) & 0xFF), 12)
                    << x << "," << y;
        }
}

TEST(JpegEncoder, SavesWithQualityEightyTablesWhateverTheInput) {
    testsupport::TempFolder folder;
    const Bytes q95 = gfxtest::MakeJpeg(16, 16, 3, ColourSamples(16, 16), 95);
    ASSERT_NE(gfxtest::JpegLumaTable(q95), gfxtest::QualityLumaTable(80));
    auto b = Decode(Nuvex::LoadJpeg, q95);
    ASSERT_TRUE(b);
    const Bytes saved = gfxtest::ReadFileBytes(SaveAndRead(*b, &Bitmap::SaveJpeg, "q.jpg", folder));
    EXPECT_EQ(gfxtest::JpegLumaTable(saved), gfxtest::QualityLumaTable(80));
}

TEST(JpegEncoder, ErrorsReturnFalse) {
    testsupport::TempFolder folder;
    auto b = Sample(300, 300);
    const std::string path = folder.Join("ro.jpg");
    ASSERT_TRUE(testsupport::WriteWholeFile(path, "x"));
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(f);
    EXPECT_FALSE(Nuvex::WriteJpeg(f, b->GetPixels(), b->Pitch(), b->Width(), b->Height()));
    std::fclose(f);
    f = std::fopen(folder.Join("wide.jpg").c_str(), "wb");
    ASSERT_TRUE(f);
    EXPECT_FALSE(Nuvex::WriteJpeg(f, b->GetPixels(), 70000, 70000, 1)) << "past JPEG's size limit";
    std::fclose(f);
}

// ---------------------------------------------------------------- BMP and TGA writers

TEST(BmpTgaEncoders, WriteErrorsAndUnwritableSizesReturnFalse) {
    testsupport::TempFolder folder;
    auto b = Sample(64, 64);
    const std::string path = folder.Join("ro.bin");
    ASSERT_TRUE(testsupport::WriteWholeFile(path, "x"));
    FILE* f = std::fopen(path.c_str(), "rb");   // writes fail
    ASSERT_TRUE(f);
    EXPECT_FALSE(Nuvex::WriteBmp(f, b->GetPixels(), b->Pitch(), b->Width(), b->Height()));
    EXPECT_FALSE(Nuvex::WriteTga(f, b->GetPixels(), b->Pitch(), b->Width(), b->Height()));
    std::fclose(f);
    // The TGA header holds 16-bit sizes: a wider image is refused, not cut.
    f = std::fopen(folder.Join("wide.tga").c_str(), "wb");
    ASSERT_TRUE(f);
    EXPECT_FALSE(Nuvex::WriteTga(f, b->GetPixels(), 70000, 70000, 1));
    std::fclose(f);
    EXPECT_FALSE(b->SaveBmp(folder.Join("no\\such\\folder\\x.bmp").c_str()));
    EXPECT_FALSE(b->SaveTga(folder.Join("no\\such\\folder\\x.tga").c_str()));
}
