// Frame figures of the retained canvas: a full repaint of a 600 x 200 scene
// with five layers and two text labels (record, replay, present) and a frame
// in which nothing was invalidated, against memcpy of the same pixel store in
// the same run. The idle frame must touch no pixel and allocate nothing: its
// allocations are counted (operator new calls and command-buffer growth) and
// its pixels compared with a sentinel pattern.
//
// The program's main belongs to the blend benchmark; this one runs when main
// returns, through a registration made during static initialisation.
#include "tools/bench/Bench.h"
#include "tools/bench/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine/core/HandleTable.h"
#include "engine/graphics/CanvasDC.h"
#include "engine/graphics/FontPool.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/XFont.h"

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 200;
constexpr int kFrames = 200;

uint32_t AddTexture(int w, int h, uint32_t seed) {
    std::unique_ptr<Bitmap> bitmap(new Bitmap(w, h, 0));
    uint32_t v = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            v = v * 1664525u + 1013904223u;
            bitmap->Row(y)[x] = v;
        }
    const int32_t id = Nuvex::Pools().texture.Add(bitmap.get());
    if (id <= 0) return 0;
    bitmap.release();
    return uint32_t(id);
}

HWND MakeWindow() {
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FetchpaneFrameBench";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                           kHeight, nullptr, nullptr, wc.hInstance, nullptr);
}

struct Scene {
    TextureRegion background, pattern, overlay, glow;
    void Record(ISurface& s) const {
        s.DrawTexture(nullptr, 0, 0, 0, 0, 0, 0, &background);           // opaque, natural size
        s.DrawTexture(nullptr, 0, 0, kWidth, kHeight, 0, 0, &pattern);   // tiled 32 x 32
        s.DrawTexture(nullptr, 0, 0, 0, 0, 0xC0336699, 0, &overlay);     // tinted
        s.SetBlendMode(2);
        s.DrawTexture(nullptr, 0, 0, 0, 0, 0, 0, &glow);   // additive
        s.SetBlendMode(1);
        s.FillRect(nullptr, 0, 0, kWidth, kHeight, 0xFFFFFFFF, 0x40000000);   // shade and frame
        s.DrawText(nullptr, 20, 40, 300, 0x10, 0xFFFFFFFF, 0, "正在下载：游戏客户端完整安装包", 0);
        s.DrawText(nullptr, 20, 60, 0, 0, 0xFFFFFF00, 0x80000000, "速度 512 KB/s  已完成 37%", 0);
    }
};

}   // namespace

void RunFrameBench() {
    std::printf("\nframe: %d x %d scene, five layers and two GBK labels\n", kWidth, kHeight);
    Nuvex::InitGraphics();
    HWND window = MakeWindow();
    if (!window) {
        std::printf("  no window could be made (is DISPLAY set?): skipped\n");
        return;
    }
    ISurface surface;
    if (!surface.Startup(window, kWidth, kHeight)) {
        std::printf("  the surface could not start: skipped\n");
        DestroyWindow(window);
        return;
    }
    Scene scene;
    scene.background = TextureRegion{
        AddTexture(kWidth, kHeight, 1), 0, 0, kWidth, kHeight, 255, {}};
    scene.pattern = TextureRegion{AddTexture(32, 32, 2), 0, 0, 32, 32, 200, {}};
    scene.overlay = TextureRegion{AddTexture(kWidth, kHeight, 3), 0, 0, kWidth, kHeight, 255, {}};
    scene.glow = TextureRegion{AddTexture(kWidth, kHeight, 4), 0, 0, kWidth, kHeight, 96, {}};

    auto frame = [&](bool invalidate) {
        if (invalidate) surface.InvalidateAll();
        surface.BeginScene(0);
        scene.Record(surface);
        surface.EndScene();
        surface.Present(nullptr, 0);
    };
    CanvasDC& canvas = *surface.WindowCanvas();
    Bitmap& store = *canvas.PixelStore();
    std::vector<uint32_t> copy(store.PixelBytes() / 4);
    const double memcpyMs = bench::MedianMs(
        kFrames, [&] { std::memcpy(copy.data(), store.GetPixels(), store.PixelBytes()); });
    const double fullMs = bench::MedianMs(kFrames, [&] { frame(true); });
    std::printf("  %-28s %8.3f ms  (reference)\n", "memcpy of the pixel store", memcpyMs);
    std::printf("  %-28s %8.3f ms  ratio to memcpy %.1f  (target < 5 ms)\n", "full repaint", fullMs,
                fullMs / memcpyMs);

    // Idle: a sentinel in every pixel, then frames with nothing invalidated.
    frame(true);
    bench::PaintSentinel(store);
    std::vector<uint32_t> sentinel(store.GetPixels(), store.GetPixels() + store.PixelBytes() / 4);
    const size_t bufferBytes = canvas.BufferBytes();
    long newCalls = 0;   // only those made by the frames themselves
    const double idleMs = bench::MedianMs(kFrames, [&] {
        const long before = bench::AllocationCount();
        frame(false);
        newCalls += bench::AllocationCount() - before;
    });
    const long changed = bench::CountChanged(store, sentinel);
    std::printf("  %-28s %8.3f ms  ratio to memcpy %.2f\n", "idle frame", idleMs,
                idleMs / memcpyMs);
    std::printf(
        "  idle frames: %d, pixels changed %ld, operator new calls %ld, buffer growth %ld "
        "bytes%s\n",
        kFrames + 1, changed, newCalls, long(canvas.BufferBytes() - bufferBytes),
        changed == 0 && newCalls == 0 && canvas.BufferBytes() == bufferBytes ? "  (ok)"
                                                                             : "  (FAIL)");
    surface.Shutdown();
    DestroyWindow(window);
}
