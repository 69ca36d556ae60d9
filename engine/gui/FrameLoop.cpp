// The frame loop of a started window: the start through the owner's hooks,
// the frame thread that paces frames, and the frame itself (update walk and
// render walk) on the window's thread.
#include "engine/gui/GuiShell.h"

#include <process.h>

#include <cmath>

#include "engine/core/Log.h"
#include "engine/graphics/ISurface.h"
#include "engine/gui/BaseWnd.h"

namespace {

constexpr uint32_t kDefaultFps = 30;
constexpr uint32_t kHighestFps = 100;
constexpr float kStallSeconds = 0.2f;

}   // namespace

float GuiShell::ClampFrameDelta(float seconds, float nominal) {
    return seconds > kStallSeconds ? nominal : seconds;
}

int GuiShell::Start(int, uint32_t clearColour, uint32_t fps, int pollMs, int idleMs) {
    if (!hwnd_ || !IsWindow(hwnd_) || running_.load()) return 0;
    running_ = 1;   // set for good: a window starts at most once
    // The hooks may destroy the window; the shell outlives this call.
    DispatchScope scope(this);
    return StartSteps(clearColour, fps, pollMs, idleMs);
}

// The owner's hook, 1 without an owner; 0 as well when the hook deleted the
// window (nothing more is started).
int GuiShell::CallHook(int (BaseWnd::*hook)(GuiShell*)) {
    const int result = owner_ ? (owner_->*hook)(this) : 1;
    return deletePending_ ? 0 : result;
}

int GuiShell::StartSteps(uint32_t clearColour, uint32_t fps, int pollMs, int idleMs) {
    if (!CallHook(&BaseWnd::OnLoadResources)) {
        if (!deletePending_) WriteLog(0, "Can't load framework resources!");
        return 0;
    }
    if (!CallHook(&BaseWnd::OnInitialize)) {
        if (!deletePending_) WriteLog(0, "Can't initialize frameworks!");
        return 0;
    }
    RECT client = {0, 0, 0, 0};
    if (!GetClientRect(hwnd_, &client)) client = RECT{0, 0, 0, 0};
    Resize(client.right - client.left, client.bottom - client.top);
    Render();   // the clear colour is not stored yet: this frame is not cleared
    if (CallHook(&BaseWnd::OnStartShow)) ShowHostWindow(1);
    if (deletePending_) return 0;
    UpdateWindow(hwnd_);
    clearColour_ = clearColour;
    fps_ = fps == 0 ? kDefaultFps : (fps > kHighestFps ? kHighestFps : fps);
    pollMs_ = pollMs;
    idleMs_ = idleMs;
    return PostMessageA(hwnd_, WM_GUI_START, 0, 0);
}

void GuiShell::Render() {
    LockGuard lock(&renderLock_);
    ISurface* surface = Surface();
    if (!surface) return;
    try {
        surface->BeginScene(0);
        if (clearColour_) surface->SetClearColor(clearColour_);
        RenderTree();
        surface->EndScene();
        surface->Present(hwnd_, 0);
    } catch (...) {
        // A frame that failed half-way is dropped; the scene is closed so the
        // next one can begin.
        try {
            if (surface->SceneOpen()) surface->EndScene();
        } catch (...) {
        }
        WriteLog(0, "Can't draw a frame of window %s!", GetName());
    }
}

// --- the frame thread

int GuiShell::StartFrameThread() {
    if (frameThread_.handle) return 1;
    if (!threadDone_.handle || !renderDone_.handle || !stopped_.handle) return 0;
    // Reset here, not by the thread: a shell deleted before the thread's
    // first instruction still waits for it.
    ResetEvent(threadDone_.handle);
    const uintptr_t thread = _beginthreadex(nullptr, 0, &GuiShell::FrameThreadEntry, this, 0,
                                            nullptr);
    if (!thread) {
        SetEvent(threadDone_.handle);
        return 0;
    }
    frameThread_.handle = reinterpret_cast<HANDLE>(thread);
    return 1;
}

unsigned __stdcall GuiShell::FrameThreadEntry(void* shell) {
    static_cast<GuiShell*>(shell)->RunFrames();
    return 0;
}

bool GuiShell::StopRunning() {
    const bool was = running_.exchange(0) != 0;
    if (stopped_.handle) SetEvent(stopped_.handle);
    return was;
}

// One frame posted per period, measured from the previous post; while a
// frame is outstanding the thread waits for it to be drawn, so frames never
// pile up in the queue. Between periods it waits for the rest of the period
// (at least idleMs) rather than waking every idleMs; both waits end at once
// when the window stops. It touches no element.
void GuiShell::RunFrames() {
    const float period = 1000.0f / float(fps_);
    const float nominal = period * 0.001f;
    const DWORD idle = DWORD(idleMs_ > 0 ? idleMs_ : 0);
    const DWORD poll = DWORD(pollMs_ > 1 ? pollMs_ : 1);
    const HANDLE frameOrStop[2] = {renderDone_.handle, stopped_.handle};
    LARGE_INTEGER frequency, last, now;
    QueryPerformanceFrequency(&frequency);
    const double msPerTick = 1.0 / double(frequency.QuadPart / 1000);
    QueryPerformanceCounter(&last);
    while (running_.load()) {
        QueryPerformanceCounter(&now);
        const float elapsed = float(double(now.QuadPart - last.QuadPart) * msPerTick);
        if (elapsed < period) {
            const DWORD rest = DWORD(std::ceil(period - elapsed));
            WaitForSingleObject(stopped_.handle, rest > idle ? rest : idle);
            continue;
        }
        last = now;
        frameDelta_ = ClampFrameDelta(elapsed * 0.001f, nominal);
        ResetEvent(renderDone_.handle);
        if (!PostMessageA(hwnd_, WM_GUI_FRAME, 0, 0)) {
            WriteLog(1, "Can't send update and render message to main window.^o^");
            SetEvent(renderDone_.handle);
        }
        while (running_.load() &&
               WaitForMultipleObjects(2, frameOrStop, FALSE, poll) == WAIT_TIMEOUT) {
        }
    }
    SetEvent(threadDone_.handle);
}

void GuiShell::OnFrameMessage() {
    // The frame thread is told the frame is done on every way out.
    struct FrameDone {
        HANDLE event;
        ~FrameDone() { SetEvent(event); }
    } done = {renderDone_.handle};
    CheckMouseOutside();
    UpdateTree(frameDelta_.load());
    if (!deletePending_) Render();
}
