// The current build's frame thread: it only paces frames, posting one
// update-and-render message per period to the window's thread, which draws
// it (GuiShell::OnFrameMessage). It touches no element and nothing of the
// shell's but the link, so the window's thread holds nothing against it.
// (The older build's frame thread draws its frames itself:
// legacy/engine/gui/FrameThread.cpp.)
#include "engine/gui/GuiShell.h"

#include <cmath>

#include "engine/core/Log.h"
#include "engine/graphics/ISurface.h"
#include "engine/gui/FrameClock.h"

// One frame posted per period, measured from the previous post; while a
// frame is outstanding the thread waits for it to be drawn, so frames never
// pile up in the queue. Between periods it waits for the rest of the period
// (at least idleMs) rather than waking every idleMs; both waits end at once
// when the window stops.
void GuiShell::RunFrameThread(FrameLink& link) {
    const DWORD idle = DWORD(link.idleMs > 0 ? link.idleMs : 0);
    const DWORD poll = DWORD(link.pollMs > 1 ? link.pollMs : 1);
    const HANDLE frameOrStop[2] = {link.renderDone, link.stopped};
    FrameClock clock(link.fps);
    while (link.running.load()) {
        const float elapsed = clock.Elapsed();
        if (elapsed < clock.Period()) {
            const DWORD rest = DWORD(std::ceil(clock.Period() - elapsed));
            WaitForSingleObject(link.stopped, rest > idle ? rest : idle);
            continue;
        }
        link.frameDelta = clock.BeginFrame(elapsed);
        ResetEvent(link.renderDone);
        if (!PostMessageA(link.window, WM_GUI_FRAME, 0, 0)) {
            WriteLog(1, "Can't send update and render message to main window.^o^");
            SetEvent(link.renderDone);
        }
        while (link.running.load() &&
               WaitForMultipleObjects(2, frameOrStop, FALSE, poll) == WAIT_TIMEOUT) {
        }
    }
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
