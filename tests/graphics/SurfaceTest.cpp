// The surface of a real window (under Xvfb): scenes, presenting, fonts,
// screenshots and the surface pool.
#include <gtest/gtest.h>

#include <cstdlib>

#include "graphics/DrawingTestSupport.h"
#include "engine/core/Log.h"
#include "engine/core/WorkPath.h"
#include "engine/graphics/CanvasDC.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/ImageCodecs.h"
#include "engine/graphics/SurfacePool.h"
#include "support/TestSupport.h"
#include "support/CurrentBuildOnly.h"

namespace testsupport {
int WINAPI SuppressedMessageBox(HWND, LPCSTR text, LPCSTR title, UINT type);
}

using namespace drawtest;

namespace {

class Surface : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(936u, GetACP()) << "run under LC_ALL=zh_CN.UTF-8";
        EnsurePools();
        window.reset(new TestWindow(120, 80));
        ASSERT_NE(nullptr, window->hwnd()) << "no window (is DISPLAY set?)";
        testsupport::PumpFor(50);
        testsupport::ClearShownBoxes();
        ASSERT_EQ(1, surface.Startup(window->hwnd(), 120, 80));
    }
    void TearDown() override { surface.Shutdown(); }
    Bitmap& Pixels() { return *surface.WindowCanvas()->PixelStore(); }
    static void ExpectRect(const RECT& r, int l, int t, int rr, int b) {
        EXPECT_EQ(l, r.left);
        EXPECT_EQ(t, r.top);
        EXPECT_EQ(rr, r.right);
        EXPECT_EQ(b, r.bottom);
    }
    std::unique_ptr<TestWindow> window;
    ISurface surface;
};

// Reads a window pixel as 0x00RRGGBB.
uint32_t WindowPixel(HWND hwnd, int x, int y) {
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

// The engine's BMP reader insists on the image size field, which its writer
// leaves 0 (as BI_RGB allows): read the 32-bit top-down rows directly.
Bitmap* ReadScreenshotBmp(const void* data, uint32_t size) {
    const uint8_t* b = static_cast<const uint8_t*>(data);
    if (size < 54 || b[0] != 'B' || b[1] != 'M' || b[28] != 32) return nullptr;
    int32_t w, h;
    std::memcpy(&w, b + 18, 4);
    std::memcpy(&h, b + 22, 4);
    if (w <= 0 || h >= 0 || size != 54u + uint32_t(w) * uint32_t(-h) * 4) return nullptr;
    Bitmap* bitmap = new Bitmap(w, -h, 0);
    for (int y = 0; y < -h; ++y)
        std::memcpy(bitmap->Row(y), b + 54 + size_t(y) * w * 4, size_t(w) * 4);
    return bitmap;
}

ISurface* g_reentered = nullptr;
int g_boxesShown = 0;

int WINAPI ReenteringBox(HWND, LPCSTR, LPCSTR, UINT) {
    ++g_boxesShown;
    // The box's message loop runs another frame, which tries again.
    if (g_reentered) g_reentered->BeginScene(0);
    return IDOK;
}

}   // namespace

TEST_F(Surface, SecondBeginSceneAlertsAndKeepsTheSceneOpen) {
    CURRENT_BUILD_ONLY("the older build's scene alert is a \"Warning\" box of its log");
    EXPECT_EQ(1, surface.BeginScene(0));
    EXPECT_EQ(0, surface.BeginScene(0));
    std::vector<testsupport::ShownBox> boxes = testsupport::ShownBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("ISurface", boxes[0].title);
    EXPECT_EQ("Can't begin scene!", boxes[0].text);
    EXPECT_TRUE(surface.SceneOpen());
    EXPECT_EQ(1, surface.EndScene());
    EXPECT_FALSE(surface.SceneOpen());
    EXPECT_EQ(1, surface.BeginScene(0));
    EXPECT_EQ(1, surface.EndScene());
    EXPECT_EQ(1u, testsupport::ShownBoxes().size());
}

TEST_F(Surface, AlertIsNotStackedWhileOneIsUp) {
    CURRENT_BUILD_ONLY("the older build's scene alert is a \"Warning\" box of its log");
    testsupport::LogCapture log;
    ASSERT_EQ(1, surface.BeginScene(0));
    g_reentered = &surface;
    Nuvex::SetMessageBoxFunction(&ReenteringBox);
    EXPECT_EQ(0, surface.BeginScene(0));
    Nuvex::SetMessageBoxFunction(&testsupport::SuppressedMessageBox);
    g_reentered = nullptr;
    EXPECT_EQ(1, g_boxesShown);
    EXPECT_EQ(2u, log.Count("Can't begin scene!"));   // both are logged
    EXPECT_EQ(0, surface.BeginScene(0));              // the next refusal shows its box again
    EXPECT_EQ(1u, testsupport::ShownBoxes().size());
    surface.EndScene();
}

TEST_F(Surface, SecondStartupIsRefusedAndLeavesTheSurfaceWorking) {
    CanvasDC* canvas = surface.WindowCanvas();
    const uint32_t font = surface.GetDefaultFont();
    const uint32_t fonts = Nuvex::Pools().xfont.Count();
    EXPECT_EQ(0, surface.Startup(window->hwnd(), 50, 50));
    EXPECT_EQ(canvas, surface.WindowCanvas());
    EXPECT_EQ(font, surface.GetDefaultFont());
    EXPECT_NE(nullptr, Nuvex::GetXFont(font));
    EXPECT_EQ(fonts, Nuvex::Pools().xfont.Count());
    EXPECT_EQ(120, surface.GetWidth());
    EXPECT_EQ(1, surface.BeginScene(0));
    EXPECT_EQ(1, surface.FillRect(nullptr, 0, 0, 10, 10, 0, 0xFFFFFFFF));
    EXPECT_EQ(1, surface.EndScene());
}

TEST_F(Surface, StartupWithZeroHeightLeavesNothingBehind) {
    const uint32_t fonts = Nuvex::Pools().xfont.Count();
    ISurface other;
    EXPECT_EQ(0, other.Startup(window->hwnd(), 100, 0));
    EXPECT_EQ(nullptr, other.WindowCanvas());
    EXPECT_EQ(0u, other.GetDefaultFont());
    EXPECT_EQ(fonts, Nuvex::Pools().xfont.Count());
    EXPECT_EQ(0, other.Startup(nullptr, 100, 100));
    // Nothing reaches a canvas before there is one.
    EXPECT_EQ(0, other.BeginScene(0));
    EXPECT_EQ(0, other.EndScene());
    EXPECT_EQ(0, other.Present(nullptr, 0));
    EXPECT_EQ(0, other.DrawText(nullptr, 0, 0, 0, 0, 0xFF000000, 0, "abc", 0));
    EXPECT_EQ(0, other.SaveScreenshot(nullptr, SHOT_PNG));
    EXPECT_EQ(0, other.GetWidth());
    EXPECT_EQ(1, other.Shutdown());
}

TEST_F(Surface, BlendModeAndFontSelection) {
    EXPECT_EQ(0, surface.SetBlendMode(0));
    EXPECT_EQ(0, surface.SetBlendMode(5));
    EXPECT_EQ(1, surface.GetBlendMode());
    EXPECT_EQ(1, surface.SetBlendMode(3));
    EXPECT_EQ(3, surface.GetBlendMode());

    const uint32_t def = surface.GetDefaultFont();
    ASSERT_NE(0u, def);
    EXPECT_EQ(def, surface.GetFont());
    EXPECT_EQ(0u, surface.SetFont(7));
    EXPECT_EQ(7u, surface.GetFont());
    EXPECT_EQ(7u, surface.SetFont(0));
    EXPECT_EQ(def, surface.GetFont());
    EXPECT_STREQ("宋体", Nuvex::GetXFont(def)->Description().lfFaceName);
    EXPECT_EQ(12, Nuvex::GetXFont(def)->Description().lfHeight);
}

TEST_F(Surface, ZeroSizesMeanWholeCanvasOrNoClip) {
    surface.Present(nullptr, 0);
    RECT r;
    surface.Invalidate(5, 5, 0, 10);
    surface.GetDirtyRect(&r);
    ExpectRect(r, 0, 0, 120, 80);
    surface.Present(nullptr, 0);
    surface.Invalidate(5, 6, 10, 20);
    surface.GetDirtyRect(&r);
    ExpectRect(r, 5, 6, 15, 26);

    surface.SetClip(1, 2, 3, 4);
    surface.GetClipRect(&r);
    ExpectRect(r, 1, 2, 4, 6);
    surface.SetClip(1, 2, 3, 0);
    surface.GetClipRect(&r);
    ExpectRect(r, 0, 0, 0, 0);
    EXPECT_EQ(5, surface.SetActive(5));
}

TEST_F(Surface, RectanglesReachingPastTheInt32RangeEndAtItsLimit) {
    surface.Present(nullptr, 0);
    RECT r;
    surface.Invalidate(100, 70, INT32_MAX, INT32_MAX);
    surface.GetDirtyRect(&r);
    ExpectRect(r, 100, 70, 120, 80);
    surface.SetClip(10, 20, INT32_MAX, INT32_MAX);
    surface.GetClipRect(&r);
    ExpectRect(r, 10, 20, INT32_MAX, INT32_MAX);
}

TEST_F(Surface, FrameDrawsGbkTextWithTheDefaultFont) {
    surface.InvalidateAll();
    ASSERT_EQ(1, surface.BeginScene(0));
    surface.SetClearColor(0xFF000000);
    ASSERT_EQ(1, surface.DrawText(nullptr, 4, 4, 0, 0, 0xFFFFFFFF, 0, "中文下载", 0));
    ASSERT_EQ(1, surface.EndScene());
    EXPECT_EQ(1, surface.Present(nullptr, 1));
    XFont* font = Nuvex::GetXFont(surface.GetDefaultFont());
    const int w = 4 * font->Metrics().tmMaxCharWidth;
    const int h = font->Metrics().tmHeight;
    EXPECT_GT(InkIn(Pixels(), 4, 4, 4 + w, 4 + h, 0xFF000000), 20);
    EXPECT_EQ(0, InkIn(Pixels(), 4 + w + 2, 0, 120, 80, 0xFF000000));
}

TEST_F(Surface, PresentCopiesOnlyTheDirtyRectangleToTheWindow) {
    // First frame: everything black on screen.
    Pixels().Fill(0xFF000000);
    surface.InvalidateAll();
    surface.Present(nullptr, 0);
    testsupport::PumpFor(30);
    ASSERT_EQ(0u, WindowPixel(window->hwnd(), 50, 30));

    // The whole store changes, but only (10, 5)-(30, 15) is dirty.
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            Pixels().Row(y)[x] = 0xFF000000u | uint32_t(x << 16 | y << 8 | 0x40);
    surface.Invalidate(10, 5, 20, 10);
    EXPECT_EQ(1, surface.Present(nullptr, 0));
    for (int y : {5, 9, 14}) {
        for (int x : {10, 17, 29}) {
            EXPECT_EQ(uint32_t(x << 16 | y << 8 | 0x40), WindowPixel(window->hwnd(), x, y))
                << x << "," << y;
        }
    }
    EXPECT_EQ(0u, WindowPixel(window->hwnd(), 9, 5));
    EXPECT_EQ(0u, WindowPixel(window->hwnd(), 30, 5));
    EXPECT_EQ(0u, WindowPixel(window->hwnd(), 10, 4));
    EXPECT_EQ(0u, WindowPixel(window->hwnd(), 10, 15));

    // Nothing dirty: a present copies nothing.
    Pixels().Fill(0xFFFFFFFF);
    EXPECT_EQ(1, surface.Present(nullptr, 0));
    EXPECT_EQ(0u, WindowPixel(window->hwnd(), 50, 30));
}

TEST_F(Surface, ScreenshotsNeverOverwriteAndLoadBackInEveryFormat) {
    testsupport::TempFolder folder;
    ASSERT_EQ(1, Nuvex::SetWorkPath(folder.Path().c_str()));
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            Pixels().Row(y)[x] = 0xFF000000u | uint32_t(x * 2 << 16 | y * 3 << 8 | 0x80);

    // Empty folder, unknown type: Shot000.NVX in the engine's own format.
    ASSERT_EQ(1, surface.SaveScreenshot(nullptr, 99));
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadWholeFile(folder.Join("Shot000.NVX"), &bytes));
    std::unique_ptr<Bitmap> nvx(Nuvex::LoadNvx(bytes.data(), uint32_t(bytes.size())));
    ASSERT_NE(nullptr, nvx);
    EXPECT_EQ(120, nvx->Width());
    EXPECT_EQ(PixelAt(Pixels(), 7, 9), PixelAt(*nvx, 7, 9));

    // Only Shot001.PNG there: the next free number after the count is used.
    ASSERT_TRUE(testsupport::WriteWholeFile(folder.Join("Shot001.PNG"), "keep me"));
    ASSERT_EQ(1, surface.SaveScreenshot(nullptr, SHOT_PNG));
    ASSERT_TRUE(testsupport::ReadWholeFile(folder.Join("Shot001.PNG"), &bytes));
    EXPECT_EQ("keep me", bytes);
    EXPECT_TRUE(testsupport::FileExists(folder.Join("Shot002.PNG")));
    // Shot001 and Shot002 there (count 2): Shot002 is taken, Shot003 is next.
    ASSERT_EQ(1, surface.SaveScreenshot(nullptr, SHOT_PNG));
    EXPECT_TRUE(testsupport::FileExists(folder.Join("Shot003.PNG")));
    EXPECT_FALSE(testsupport::FileExists(folder.Join("Shot000.PNG")));

    struct Format {
        int type;
        const char* name;
        Bitmap* (*load)(const void*, uint32_t);
        int tolerance;
    };
    const Format formats[] = {
        {SHOT_BMP, "Shot000.BMP", &ReadScreenshotBmp, 0},
        {SHOT_PNG, "Shot002.PNG", &Nuvex::LoadPng, 0},
        {SHOT_JPG, "Shot000.JPG", &Nuvex::LoadJpeg, 24},
        {SHOT_TGA, "Shot000.TGA", &Nuvex::LoadTga, 0},
    };
    for (const Format& f : formats) {
        if (f.type != SHOT_PNG) {
            ASSERT_EQ(1, surface.SaveScreenshot(nullptr, f.type)) << f.name;
        }
        ASSERT_TRUE(testsupport::ReadWholeFile(folder.Join(f.name), &bytes)) << f.name;
        std::unique_ptr<Bitmap> back(f.load(bytes.data(), uint32_t(bytes.size())));
        ASSERT_NE(nullptr, back) << f.name;
        EXPECT_EQ(120, back->Width()) << f.name;
        EXPECT_EQ(80, back->Height()) << f.name;
        for (int y = 0; y < 80; y += 13)
            for (int x = 0; x < 120; x += 17) {
                const uint32_t want = PixelAt(Pixels(), x, y), got = PixelAt(*back, x, y);
                for (int shift = 0; shift < 24; shift += 8) {
                    ASSERT_LE(std::abs(int(want >> shift & 0xFF) - int(got >> shift & 0xFF)),
                              f.tolerance)
                        << f.name << " at " << x << "," << y;
                }
            }
    }
    // With a path the name is used as it stands.
    ASSERT_EQ(1, surface.SaveScreenshot(folder.Join("mine.png").c_str(), SHOT_PNG));
    EXPECT_TRUE(testsupport::FileExists(folder.Join("mine.png")));
    Nuvex::SetWorkPath(nullptr);
}

TEST(SurfacePool, CreateLookUpAndDestroy) {
    EnsurePools();
    TestWindow window(80, 40);
    ASSERT_NE(nullptr, window.hwnd());
    testsupport::LogCapture log;
    const uint32_t fonts = Nuvex::Pools().xfont.Count();
    uint32_t id = Nuvex::CreateSurface(window.hwnd(), 80, 40);
    ASSERT_NE(0u, id);
    ISurface* surface = Nuvex::GetSurfaceById(id);
    ASSERT_NE(nullptr, surface);
    EXPECT_EQ(80, surface->GetWidth());
    EXPECT_EQ(fonts + 1, Nuvex::Pools().xfont.Count());
    EXPECT_EQ(1, Nuvex::DestroySurface(id));
    EXPECT_EQ(nullptr, Nuvex::GetSurfaceById(id));
    EXPECT_EQ(fonts, Nuvex::Pools().xfont.Count());   // the default font went with it
    EXPECT_EQ(0, Nuvex::DestroySurface(id));
    EXPECT_EQ(0, Nuvex::DestroySurface(0));
    EXPECT_EQ(nullptr, Nuvex::GetSurfaceById(256));

    EXPECT_EQ(0u, Nuvex::CreateSurface(nullptr, 80, 40));
    EXPECT_TRUE(log.Contains("Can't startup surface!"));
}
