// The older build's frame thread: it updates and draws the tree itself,
// under the render lock, which the window's thread holds (TreeLock) whenever
// it walks or changes the tree.
#include "engine/gui/GuiShell.h"

#include "engine/core/Log.h"
#include "engine/core/ThreadUtils.h"
#include "engine/gui/FrameClock.h"

unsigned __stdcall GuiShell::FrameThreadEntry(void* shell) {
    static_cast<GuiShell*>(shell)->DrawFrames();
    return 0;
}

// Each period: the mouse, the update walk and a frame, drawn here under the
// render lock; between periods a repaint or resize the window asked for is
// drawn at once. The window's thread holds the same lock while it touches
// the tree, and nothing here waits for that thread or sends it a message.
void GuiShell::DrawFrames() {
    const DWORD wait = DWORD(idleMs_ > 0 ? idleMs_ : 0);
    FrameClock clock(fps_);
    while (running_.load()) {
        const float elapsed = clock.Elapsed();
        if (elapsed >= clock.Period()) {
            frameDelta_ = clock.BeginFrame(elapsed);
            DrawOneFrame(true);
        } else if (repaintAsked_.exchange(0)) {
            DrawOneFrame(false);
        } else {
            WaitForSingleObject(stopped_.handle, wait);
        }
    }
    SetEvent(threadDone_.handle);
}

void GuiShell::DrawOneFrame(bool update) {
    if (!EnterTreeFromFrameThread()) return;
    try {
        if (update) {
            CheckMouseOutside();
            UpdateTree(frameDelta_.load());
        }
    } catch (...) {
        WriteLog(0, "Can't update a frame of window %s!", GetName());
    }
    Render();
    LeaveCriticalSection(&renderLock_);
}

// The render lock, taken while the window runs: a window being deleted by
// a thread that holds it stops the wait.
bool GuiShell::EnterTreeFromFrameThread() {
    while (running_.load()) {
        if (TryEnterCriticalSection(&renderLock_)) return true;
        WaitForSingleObject(stopped_.handle, 1);
    }
    return false;
}

// Drawn by the frame thread between two periods.
void GuiShell::AskRepaint() { repaintAsked_ = 1; }

// Taken by the next frame drawn, on the thread that draws (RenderCleared).
void GuiShell::ResizeSurface(int width, int height) {
    surfaceWidth_ = width;
    surfaceHeight_ = height;
    surfaceResizePending_ = true;
}

// The frame thread may be drawing into the window: it goes between two
// frames.
void GuiShell::StopBetweenFrames() {
    LockGuard betweenFrames(&renderLock_);
    if (StopRunning()) DestroyWindow();
}

// The window's thread holds the tree against the frame thread; a null
// shell holds nothing.
GuiShell::TreeLock::TreeLock(GuiShell* shell) : shell_(shell) {
    if (!shell_) return;
    ++shell_->dispatchDepth_;
    EnterCriticalSection(&shell_->renderLock_);
    ++shell_->treeLockDepth_;
}

GuiShell::TreeLock::~TreeLock() {
    if (!shell_) return;
    --shell_->treeLockDepth_;
    LeaveCriticalSection(&shell_->renderLock_);
    shell_->EndDispatch();
}
