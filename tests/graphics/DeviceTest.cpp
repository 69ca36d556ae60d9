// Showing a bitmap region on a real window and reading it back.
#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "engine/graphics/Bitmap.h"
#include "support/TestSupport.h"
#include "support/TestWindow.h"

namespace {

using testsupport::TestWindow;

constexpr COLORREF kBackground = RGB(1, 2, 3);

COLORREF ToColorRef(uint32_t pixel) {
    return RGB(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF);
}

// Presents (srcX, srcY, w, h) at (destX, destY) and checks every window pixel
// of a border around it.
void PresentAndReadBack(int destX, int destY, int srcX, int srcY, int w, int h) {
    TestWindow window(120, 100);
    ASSERT_NE(window.hwnd(), nullptr) << "error " << window.Error();
    testsupport::PumpFor(100);   // let the new window settle before its pixels are read
    auto bitmap = gfxtest::MakePatterned(40, 30, 17);
    HDC dc = GetDC(window.hwnd());
    ASSERT_NE(dc, nullptr);
    RECT all{0, 0, 120, 100};
    HBRUSH brush = CreateSolidBrush(kBackground);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    EXPECT_TRUE(bitmap->DrawToDevice(dc, destX, destY, w, h, srcX, srcY, w, h));
    GdiFlush();
    for (int y = destY - 2; y < destY + h + 2; ++y)
        for (int x = destX - 2; x < destX + w + 2; ++x) {
            if (x < 0 || y < 0) continue;
            const bool inside = x >= destX && x < destX + w && y >= destY && y < destY + h;
            const COLORREF expected =
                inside ? ToColorRef(bitmap->Row(srcY + y - destY)[srcX + x - destX]) : kBackground;
            ASSERT_EQ(GetPixel(dc, x, y), expected) << "window pixel " << x << "," << y;
        }
    ReleaseDC(window.hwnd(), dc);
}

}   // namespace

TEST(DrawToDevice, SubRectangleLandsOnTheRightRows) { PresentAndReadBack(5, 6, 11, 13, 7, 4); }

TEST(DrawToDevice, BottomBandAndSameRectangleAsTheCanvasPresents) {
    PresentAndReadBack(20, 26, 20, 26, 9, 4);   // the last rows, to the same place
    PresentAndReadBack(0, 0, 0, 0, 40, 30);     // everything
}

TEST(DrawToDevice, RegionsOutsideTheBitmapDrawNothing) {
    TestWindow window(60, 60);
    testsupport::PumpFor(100);
    Bitmap b(10, 10, 0xFFFFFFFF);
    HDC dc = GetDC(window.hwnd());
    EXPECT_FALSE(b.DrawToDevice(dc, 0, 0, 5, 5, 10, 0, 5, 5));
    EXPECT_FALSE(b.DrawToDevice(dc, 0, 0, 5, 5, 0, 10, 5, 5));
    EXPECT_FALSE(b.DrawToDevice(dc, 0, 0, 5, 5, 0, 0, -1, 5));
    ReleaseDC(window.hwnd(), dc);
}
