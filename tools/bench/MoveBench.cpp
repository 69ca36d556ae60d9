// The panel moved past the screen and back, as a host drives it: the built
// module (<build>\ship\Fetchpane.dll) loaded by name, a shown panel over a
// root folder holding the skin, and Move to the screen's size, to 8192 x
// 8192 and back to 600 x 200. For each size: the longest time the host's
// thread spent in one call (the Move itself, or one message dispatched in
// the second after it, where the frames of the new size are drawn), and the
// memory the process has committed. The reference, in the same run, is the
// window that fills the screen: a window larger than the screen shows no
// more, so it should cost no more; and once back at 600 x 200 the memory
// committed should be what it was before.
#include "tools/bench/Bench.h"
#include "tools/bench/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "host/CommittedMemory.h"
#include "host/HostWindow.h"
#include "host/PanelModule.h"
#include "host/SkinInstall.h"

namespace {

constexpr int kPanelW = 600, kPanelH = 200;

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n < MAX_PATH ? n : 0);
    return folder.substr(0, folder.find_last_of('\\'));
}

double CommittedMb() { return double(panelhost::CommittedBytes()) / (1024 * 1024); }

struct Figures {
    int taken = 0;
    double longestMs = 0;   // the Move or one dispatched message
    double committedMb = 0;
};

// Moves the panel and dispatches the host thread's messages for a second,
// timing every call the thread makes into the module.
Figures MoveAndRun(IPanelInterface* panel, int x, int y, int w, int h) {
    Figures f;
    double start = bench::NowSeconds();
    f.taken = PANEL_VTBL(panel)->Move(panel, x, y, w, h);
    f.longestMs = (bench::NowSeconds() - start) * 1000;
    const double end = bench::NowSeconds() + 1.0;
    for (double now = bench::NowSeconds(); now < end; now = bench::NowSeconds()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD((end - now) * 1000) + 1, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            start = bench::NowSeconds();
            DispatchMessageA(&msg);
            f.longestMs = std::max(f.longestMs, (bench::NowSeconds() - start) * 1000);
        }
    }
    f.committedMb = CommittedMb();
    return f;
}

void Print(const char* what, const Figures& f) {
    std::printf("  %-30s taken %d  longest call %8.1f ms  committed %7.1f MB\n", what, f.taken,
                f.longestMs, f.committedMb);
}

}   // namespace

void RunMoveBench() {
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    std::printf("\nmove: the panel at %d x %d (the screen), %d x %d and back to %d x %d\n", screenW,
                screenH, PANEL_MAX_WINDOW_SIZE, PANEL_MAX_WINDOW_SIZE, kPanelW, kPanelH);
    const std::string build = ExeFolder() + "\\..\\..";
    const std::string root = build + "\\bench-move-root";
    CreateDirectoryA(root.c_str(), nullptr);
    panelhost::PanelModule module;
    if (!skininstall::Install(root) || !module.Load((build + "\\ship\\Fetchpane.dll").c_str()) ||
        !module.Init()) {
        std::printf("  the module could not be loaded and started (%s): skipped\n",
                    module.Error().c_str());
        return;
    }
    {
        panelhost::HostWindow host("bench host", 200, 100, true);
        IPanelInterface* panel = module.CreateInterface();
        const IPanelInterfaceVtbl* slots = panel ? PANEL_VTBL(panel) : nullptr;
        if (!panel || !slots->Create(panel, "Fetchpane", host.Handle(), 0, root.c_str())) {
            std::printf("  no panel window could be made (is DISPLAY set?): skipped\n");
            if (panel) slots->Release(panel);
            module.Exit();
            return;
        }
        slots->Show(panel, 1);
        const Figures before = MoveAndRun(panel, 100, 100, kPanelW, kPanelH);
        const Figures screen = MoveAndRun(panel, 0, 0, screenW, screenH);
        const Figures back1 = MoveAndRun(panel, 100, 100, kPanelW, kPanelH);
        const Figures big = MoveAndRun(panel, 0, 0, PANEL_MAX_WINDOW_SIZE, PANEL_MAX_WINDOW_SIZE);
        const Figures back2 = MoveAndRun(panel, 100, 100, kPanelW, kPanelH);
        slots->Release(panel);

        Print("600 x 200", before);
        Print("the screen's size (reference)", screen);
        Print("600 x 200 again", back1);
        Print("8192 x 8192", big);
        Print("600 x 200 again", back2);
        const double ratio = big.longestMs / std::max(screen.longestMs, 0.001);
        const double kept = back2.committedMb - before.committedMb;
        std::printf(
            "  (targets: 8192 x 8192 no slower than 2 x the screen, every call well under "
            "1.5 s; back at 600 x 200 within 4 MB of before)\n");
        std::printf("  longest call at 8192 x 8192: ratio to the screen's size %.2f%s\n", ratio,
                    ratio < 2 && big.longestMs < 750 ? "  (ok)" : "  (outside the target)");
        std::printf("  committed back at 600 x 200: %+.1f MB against before%s\n", kept,
                    kept < 4 ? "  (ok)" : "  (outside the target)");
    }
    module.Exit();
}
