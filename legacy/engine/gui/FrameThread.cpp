// The older build's frame thread: it updates and draws the tree itself,
// under the render lock, which the window's thread holds (TreeLock) whenever
// it walks or changes the tree.
#include "engine/gui/GuiShell.h"

#include "engine/core/Log.h"
#include "engine/core/ThreadUtils.h"
#include "engine/gui/FrameClock.h"

namespace {

// The render lock, taken while the window runs: a window being deleted by
// a thread that holds it stops the wait. Running is looked at again under
// the lock, since the window stops under it: once it has stopped, the tree
// is never drawn again (the shell may be gone).
bool EnterTree(FrameLink& link) {
    while (link.running.load()) {
        if (TryEnterCriticalSection(&link.renderLock)) {
            if (link.running.load()) return true;
            LeaveCriticalSection(&link.renderLock);
            return false;
        }
        WaitForSingleObject(link.stopped, 1);
    }
    return false;
}

}   // namespace

// Each period: the mouse, the update walk and a frame, drawn here under the
// render lock; between periods a repaint or resize the window asked for is
// drawn at once. The window's thread holds the same lock while it touches
// the tree, and nothing here waits for that thread or sends it a message.
void GuiShell::RunFrameThread(FrameLink& link) {
    const DWORD wait = DWORD(link.idleMs > 0 ? link.idleMs : 0);
    FrameClock clock(link.fps);
    while (link.running.load()) {
        const float elapsed = clock.Elapsed();
        bool update = true;
        if (elapsed >= clock.Period()) {
            link.frameDelta = clock.BeginFrame(elapsed);
        } else if (link.repaintAsked.exchange(0)) {
            update = false;
        } else {
            WaitForSingleObject(link.stopped, wait);
            continue;
        }
        if (!EnterTree(link)) continue;
        link.shell->DrawOneFrame(update);
        LeaveCriticalSection(&link.renderLock);
    }
}

void GuiShell::DrawOneFrame(bool update) {
    try {
        if (update) {
            CheckMouseOutside();
            UpdateTree(frame_->frameDelta.load());
        }
    } catch (...) {
        WriteLog(0, "Can't update a frame of window %s!", GetName());
    }
    Render();
}

// Drawn by the frame thread between two periods.
void GuiShell::AskRepaint() { frame_->repaintAsked = 1; }

// Taken by the next frame drawn, on the thread that draws (RenderCleared).
void GuiShell::ResizeSurface(int width, int height) {
    surfaceWidth_ = width;
    surfaceHeight_ = height;
    surfaceResizePending_ = true;
}

// The frame thread may be drawing into the window: it goes between two
// frames.
void GuiShell::StopBetweenFrames() {
    LockGuard betweenFrames(&frame_->renderLock);
    if (StopRunning()) DestroyWindow();
}

// The window's thread holds the tree against the frame thread; a null
// shell holds nothing.
GuiShell::TreeLock::TreeLock(GuiShell* shell) : shell_(shell) {
    if (!shell_) return;
    ++shell_->dispatchDepth_;
    EnterCriticalSection(&shell_->frame_->renderLock);
    ++shell_->treeLockDepth_;
}

GuiShell::TreeLock::~TreeLock() {
    if (!shell_) return;
    --shell_->treeLockDepth_;
    LeaveCriticalSection(&shell_->frame_->renderLock);
    shell_->EndDispatch();
}
