// The current build's frame thread: it only paces frames, posting one
// update-and-render message per period to the window's thread, which draws
// it (GuiShell::OnFrameMessage). It touches no element, so the window's
// thread holds nothing against it. (The older build's frame thread draws its
// frames itself: legacy/engine/gui/FrameThread.cpp.)
#include "engine/gui/GuiShell.h"

#include <cmath>

#include "engine/core/Log.h"
#include "engine/graphics/ISurface.h"
#include "engine/gui/FrameClock.h"

unsigned __stdcall GuiShell::FrameThreadEntry(void* shell) {
    static_cast<GuiShell*>(shell)->RunFrames();
    return 0;
}

// One frame posted per period, measured from the previous post; while a
// frame is outstanding the thread waits for it to be drawn, so frames never
// pile up in the queue. Between periods it waits for the rest of the period
// (at least idleMs) rather than waking every idleMs; both waits end at once
// when the window stops. It touches no element.
void GuiShell::RunFrames() {
    const DWORD idle = DWORD(idleMs_ > 0 ? idleMs_ : 0);
    const DWORD poll = DWORD(pollMs_ > 1 ? pollMs_ : 1);
    const HANDLE frameOrStop[2] = {renderDone_.handle, stopped_.handle};
    FrameClock clock(fps_);
    while (running_.load()) {
        const float elapsed = clock.Elapsed();
        if (elapsed < clock.Period()) {
            const DWORD rest = DWORD(std::ceil(clock.Period() - elapsed));
            WaitForSingleObject(stopped_.handle, rest > idle ? rest : idle);
            continue;
        }
        frameDelta_ = clock.BeginFrame(elapsed);
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

// The window's thread draws every frame: a repaint is drawn there as well.
void GuiShell::AskRepaint() {}

// The surface follows at once, on the thread that draws.
void GuiShell::ResizeSurface(int width, int height) {
    if (ISurface* surface = Surface()) surface->Resize(width, height);
}

void GuiShell::StopBetweenFrames() {
    if (StopRunning()) DestroyWindow();
}

// Only the window's thread touches the tree: nothing to hold.
GuiShell::TreeLock::TreeLock(GuiShell*) : shell_(nullptr) {}

GuiShell::TreeLock::~TreeLock() = default;
