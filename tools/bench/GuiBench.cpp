// The element walks on a panel-shaped tree in a 600 x 200 window surface:
// one frame (update walk and render walk, recorded, replayed and presented)
// with nothing changed, and with one label's text changed per frame, against
// memcpy of the pixel store in the same run. Pixels touched are counted
// against a sentinel pattern; allocations through operator new.
#include "tools/bench/Bench.h"
#include "tools/bench/BenchSupport.h"
#include "tools/bench/PanelShapedTree.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/core/HandleTable.h"
#include "engine/graphics/CanvasDC.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/SurfacePool.h"
#include "engine/gui/GuiShell.h"
#include "engine/gui/uiTextCtrl.h"

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 200;
constexpr int kFrames = 300;

}   // namespace

void RunGuiBench() {
    std::printf("\ngui: update and render walks of a panel-shaped tree, %d x %d window\n", kWidth,
                kHeight);
    Nuvex::InitGraphics();
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    const uint32_t surfaceId = window ? Nuvex::CreateSurface(window, kWidth, kHeight) : 0;
    if (!surfaceId) {
        std::printf("  no surface could be made (is DISPLAY set?): skipped\n");
        if (window) DestroyWindow(window);
        return;
    }
    {
        GuiShell shell(nullptr, 0);
        shell.AttachSurface(surfaceId);
        bench::PanelShapedTree tree;
        if (!tree.Build(shell)) {
            std::printf("  the tree could not be built: skipped\n");
            return;
        }
        auto frame = [&] {
            shell.UpdateTree(1.0f / 30);
            shell.Render();
        };
        frame();
        CanvasDC& canvas = *shell.Surface()->WindowCanvas();
        Bitmap& store = *canvas.PixelStore();
        std::vector<uint32_t> copy(store.PixelBytes() / 4);
        const double memcpyMs = bench::MedianMs(
            kFrames, [&] { std::memcpy(copy.data(), store.GetPixels(), store.PixelBytes()); });

        // Nothing changed.
        frame();
        bench::PaintSentinel(store);
        std::vector<uint32_t> sentinel(store.GetPixels(), store.GetPixels() + copy.size());
        long idleAllocations = 0;
        const size_t bufferBytes = canvas.BufferBytes();
        const double idleMs = bench::MedianMs(kFrames, [&] {
            const long before = bench::AllocationCount();
            frame();
            idleAllocations += bench::AllocationCount() - before;
        });
        const long idleTouched = bench::CountChanged(store, sentinel);

        // One label changed per frame.
        const char* texts[] = {"128 KB/s", "96.5 KB/s"};
        int turn = 0;
        const double changeMs = bench::MedianMs(kFrames, [&] {
            tree.changing->SetText(texts[++turn & 1], 0);
            frame();
        });
        bench::PaintSentinel(store);
        tree.changing->SetText(texts[++turn & 1], 0);
        frame();
        const long changeTouched = bench::CountChanged(store, sentinel);
        const long labelArea = long(tree.changing->GetWidth()) * tree.changing->GetHeight();

        std::printf("  %d elements\n", tree.elements + 1);
        std::printf("  %-34s %8.1f us  (reference)\n", "memcpy of the pixel store",
                    memcpyMs * 1000);
        std::printf("  %-34s %8.1f us  ratio to memcpy %.2f\n", "frame, nothing changed",
                    idleMs * 1000, idleMs / memcpyMs);
        std::printf("  %-34s %8.1f us  ratio to memcpy %.2f\n", "frame, one label changed",
                    changeMs * 1000, changeMs / memcpyMs);
        std::printf(
            "  unchanged frames: pixels touched %ld, operator new calls %ld, buffer growth "
            "%ld bytes%s\n",
            idleTouched, idleAllocations, long(canvas.BufferBytes() - bufferBytes),
            idleTouched == 0 && idleAllocations == 0 && canvas.BufferBytes() == bufferBytes
                ? "  (ok)"
                : "  (FAIL)");
        std::printf("  one label changed: pixels touched %ld, the label's rectangle %ld%s\n",
                    changeTouched, labelArea, changeTouched == labelArea ? "  (ok)" : "  (FAIL)");
    }
    DestroyWindow(window);
}
