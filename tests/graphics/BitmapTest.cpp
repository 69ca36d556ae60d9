#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "engine/graphics/Bitmap.h"

#include <cstring>
#include <string>

namespace {

uint32_t HeaderWord(const Bitmap& b, int index) {
    uint32_t v;
    std::memcpy(&v, b.Block() + index * 4, 4);
    return v;
}

std::string ConstructionError(int width, int height) {
    try {
        Bitmap b(width, height, 0);
    } catch (const Nuvex::BitmapException& e) {
        return e.message;
    }
    return "";
}

}   // namespace

TEST(Bitmap, OnePixelHasPitchEightAndAllPixelsFilled) {
    Bitmap b(1, 1, 0xFF112233);
    EXPECT_EQ(b.Pitch(), 8);
    EXPECT_EQ(b.PitchBytes(), 32);
    EXPECT_EQ(b.PixelBytes(), 32u);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(b.GetPixels()), b.Block() + 32);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(b.GetPixels()[x], 0xFF112233u) << x;
    EXPECT_EQ(HeaderWord(b, 0), 0x58564E89u);
    EXPECT_EQ(HeaderWord(b, 1), 0x020004B8u);
    EXPECT_EQ(HeaderWord(b, 2), 32u);
    EXPECT_EQ(HeaderWord(b, 3), 0u);
    EXPECT_EQ(HeaderWord(b, 4), 1u);
    EXPECT_EQ(HeaderWord(b, 5), 1u);
    EXPECT_EQ(HeaderWord(b, 6), 8u);
    EXPECT_EQ(HeaderWord(b, 7), 32u);
}

TEST(Bitmap, PitchRuleKeepsFourSparePixels) {
    EXPECT_EQ(Bitmap(4, 1).Pitch(), 8);
    EXPECT_EQ(Bitmap(5, 1).Pitch(), 12);
    EXPECT_EQ(Bitmap(640, 2).Pitch(), 644);
    EXPECT_EQ(Bitmap(640, 2).PitchBytes(), 644 * 4);
}

TEST(Bitmap, ZeroFillAndColourFillCoverEverySparePixel) {
    Bitmap zero(5, 3, 0);
    for (int i = 0; i < 12 * 3; ++i) EXPECT_EQ(zero.GetPixels()[i], 0u);
    EXPECT_EQ(zero.Fill(0x80FF00FF), 0x80FF00FFu);
    for (int i = 0; i < 12 * 3; ++i) EXPECT_EQ(zero.GetPixels()[i], 0x80FF00FFu);
}

TEST(Bitmap, InvalidSizesThrowInvalidBitmapSize) {
    EXPECT_EQ(ConstructionError(0, 5), "Invalid bitmap size.");
    EXPECT_EQ(ConstructionError(5, 0), "Invalid bitmap size.");
    EXPECT_EQ(ConstructionError(-3, 5), "Invalid bitmap size.");
    EXPECT_EQ(ConstructionError(5, -1), "Invalid bitmap size.");
    // Blocks of 2 GiB and more: the size arithmetic must not wrap.
    EXPECT_EQ(ConstructionError(0x7FFFFFFF, 1), "Invalid bitmap size.");
    EXPECT_EQ(ConstructionError(65536, 65536), "Invalid bitmap size.");
    EXPECT_EQ(ConstructionError(1 << 20, 1 << 20), "Invalid bitmap size.");
    EXPECT_EQ(ConstructionError(1, 0x7FFFFFFF), "Invalid bitmap size.");
    // Row bytes times height past 2^63: the product itself must not wrap (in
    // a 32-bit process the wrapped size would give a tiny block).
    EXPECT_EQ(ConstructionError(0x7FFFFFFF, 0x40000000), "Invalid bitmap size.");
    EXPECT_EQ(ConstructionError(0x7FFFFFFD, 0x7FFFFFFC), "Invalid bitmap size.");
    EXPECT_EQ(ConstructionError(0x7FFFFFFF, 0x7FFFFFFF), "Invalid bitmap size.");
}

TEST(Bitmap, ExceptionNamesTheBitmapBeingBuilt) {
    try {
        Bitmap b(0, 1, 0);
        FAIL();
    } catch (const Nuvex::BitmapException& e) {
        EXPECT_NE(e.bitmap, nullptr);
    }
}

TEST(Bitmap, DestroyTwiceIsHarmless) {
    Bitmap b(3, 3, 1);
    b.Destroy();
    EXPECT_EQ(b.GetPixels(), nullptr);
    EXPECT_EQ(b.Block(), nullptr);
    b.Destroy();
    // A bitmap without pixels draws and saves nothing.
    EXPECT_FALSE(b.BlendRect(0, 0, 1, 1, 0xFFFFFFFF));
    Bitmap other(3, 3, 1);
    EXPECT_FALSE(other.Copy(0, 0, &b, 0, 0, 1, 1));
    EXPECT_FALSE(b.Copy(0, 0, &other, 0, 0, 1, 1));
    EXPECT_FALSE(b.SaveBmp("never-written.bmp"));
}

TEST(Bitmap, ClipRectUsesTheImageWidthNotThePitch) {
    Bitmap b(5, 4, 0);
    int32_t x = 3, y = 0, w = 10, h = 0;
    ASSERT_TRUE(b.ClipRect(x, y, w, h));
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 4);
    x = 5;
    EXPECT_FALSE(b.ClipRect(x, y, w, h));
}
