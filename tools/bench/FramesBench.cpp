// The frame loop of a started 600 x 200 engine window with a panel-shaped
// tree at 30 frames per second (poll 0 ms, idle 1 ms, as the panel starts
// it): frames drawn per second and the process's CPU time as a share of one
// core, for 5 s with nothing changing and 5 s with one label changing per
// frame. The reference, in the same run, paces the same frames of the same
// tree with a thread that polls for each drawn frame with Sleep(0).
#include "tools/bench/Bench.h"
#include "tools/bench/BenchSupport.h"
#include "tools/bench/PanelShapedTree.h"

#include <windows.h>
#include <process.h>

#include <atomic>
#include <cstdio>

#include "engine/core/HandleTable.h"
#include "engine/graphics/SurfacePool.h"
#include "engine/gui/BaseWnd.h"
#include "engine/gui/GuiShell.h"
#include "engine/gui/uiTextCtrl.h"

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 200;
constexpr int kFps = 30;
constexpr double kSeconds = 5.0;

// Counts the frames the update walk reaches; with `changing` set it rewrites
// a label each frame.
class FrameCounter : public GUI {
public:
    int OnUpdate(float delta) override {
        ++frames;
        if (changing && label) label->SetText((frames & 1) ? "128 KB/s" : "96.5 KB/s", 0);
        return GUI::OnUpdate(delta);
    }
    long frames = 0;
    bool changing = false;
    uiTextCtrl* label = nullptr;
};

class BenchWnd : public BaseWnd {
public:
    int OnInitialize(GuiShell* shell) override {
        counter = new FrameCounter;
        if (!counter->Create("counter", 1, 1, nullptr, 0) || !shell->AddChild(counter, 0, 0)) {
            delete counter;
            counter = nullptr;
            return 0;
        }
        if (!tree.Build(*shell)) return 0;
        counter->label = tree.changing;
        return 1;
    }
    FrameCounter* counter = nullptr;
    bench::PanelShapedTree tree;
};

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}

// Dispatches this thread's messages for the given time.
void PumpFor(double seconds) {
    const double end = bench::NowSeconds() + seconds;
    for (double now = bench::NowSeconds(); now < end; now = bench::NowSeconds()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD((end - now) * 1000) + 1, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

struct Figures {
    double fps;
    double cpuShare;
};

Figures Measure(FrameCounter& counter) {
    const long frames = counter.frames;
    const double cpu = CpuSeconds();
    const double start = bench::NowSeconds();
    PumpFor(kSeconds);
    const double wall = bench::NowSeconds() - start;
    return {double(counter.frames - frames) / wall, (CpuSeconds() - cpu) / wall};
}

// --- the reference: the same frames paced by a polling thread

const UINT kReferenceFrame = WM_APP + 7;

struct PollingPacer {
    HWND window = nullptr;
    HANDLE drawn = nullptr;
    std::atomic<int> running{1};
    GuiShell* shell = nullptr;

    static unsigned __stdcall Run(void* self) {
        PollingPacer& p = *static_cast<PollingPacer*>(self);
        LARGE_INTEGER frequency, last, now;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&last);
        const double period = 1000.0 / kFps;
        while (p.running) {
            QueryPerformanceCounter(&now);
            if (double(now.QuadPart - last.QuadPart) * 1000.0 / double(frequency.QuadPart) <
                period) {
                Sleep(1);
                continue;
            }
            last = now;
            ResetEvent(p.drawn);
            PostMessageA(p.window, kReferenceFrame, 0, 0);
            while (p.running && WaitForSingleObject(p.drawn, 0) == WAIT_TIMEOUT) Sleep(0);
        }
        return 0;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* p = reinterpret_cast<PollingPacer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (p && message == kReferenceFrame) {
            p->shell->UpdateTree(1.0f / kFps);
            p->shell->Render();
            SetEvent(p->drawn);
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
};

void Print(const char* what, const Figures& f) {
    std::printf("  %-44s %6.1f frames/s  CPU %5.1f%% of one core\n", what, f.fps, f.cpuShare * 100);
}

void RunReference(Figures* idle, Figures* changing) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &PollingPacer::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FetchpaneBenchPacer";
    RegisterClassA(&wc);
    PollingPacer pacer;
    pacer.window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                                   kHeight, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(pacer.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&pacer));
    pacer.drawn = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    GuiShell shell(nullptr, 0);
    shell.AttachSurface(Nuvex::CreateSurface(pacer.window, kWidth, kHeight));
    pacer.shell = &shell;
    FrameCounter* counter = new FrameCounter;
    counter->Create("counter", 1, 1, nullptr, 0);
    shell.AddChild(counter, 0, 0);
    bench::PanelShapedTree tree;
    tree.Build(shell);
    counter->label = tree.changing;

    HANDLE thread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &PollingPacer::Run, &pacer, 0, nullptr));
    *idle = Measure(*counter);
    counter->changing = true;
    *changing = Measure(*counter);
    pacer.running = 0;
    SetEvent(pacer.drawn);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(pacer.drawn);
    DestroyWindow(pacer.window);
}

}   // namespace

void RunFramesBench() {
    std::printf("\nframes: a %d x %d window, panel-shaped tree, %d frames/s for %.0f s each\n",
                kWidth, kHeight, kFps, kSeconds);
    Nuvex::InitGraphics();
    BenchWnd wnd;
    if (!wnd.Create("frames", kWidth, kHeight, GUI_WINDOW_POPUP, nullptr, 0)) {
        std::printf("  no window could be made (is DISPLAY set?): skipped\n");
        return;
    }
    if (!wnd.Start(1, 0, kFps, 0, 1) || !wnd.counter) {
        std::printf("  the window could not start: skipped\n");
        return;
    }
    PumpFor(0.5);   // settle
    const Figures idle = Measure(*wnd.counter);
    wnd.counter->changing = true;
    const Figures changing = Measure(*wnd.counter);
    wnd.Destroy();

    Figures refIdle, refChanging;
    RunReference(&refIdle, &refChanging);
    std::printf("  (targets: under 2%% of one core idle, 28 to 31 frames/s)\n");
    Print("engine frame loop, nothing changing", idle);
    Print("engine frame loop, one label per frame", changing);
    Print("Sleep(0) polling (reference), nothing changing", refIdle);
    Print("Sleep(0) polling (reference), one label", refChanging);
    const bool ok = idle.cpuShare < 0.02 && idle.fps >= 28 && idle.fps <= 31 &&
                    changing.fps >= 28 && changing.fps <= 31;
    std::printf("  %s\n", ok ? "(ok)" : "(outside the targets)");
}
