// The frame loop of a started window: the frame rate, the start of the frame
// thread (each build's FrameThread.cpp runs it), and the frame itself
// (update walk and render walk) drawn on the window's thread. The older
// build's frame thread draws its frames itself, under the render lock that
// the window's thread holds while it touches the tree.
#include "engine/gui/GuiShell.h"

#include "engine/core/Log.h"
#include "engine/core/ModuleThread.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/RectOps.h"

namespace {

constexpr uint32_t kDefaultFps = 30;
constexpr uint32_t kHighestFps = 100;
constexpr float kStallSeconds = 0.2f;

}   // namespace

float GuiShell::ClampFrameDelta(float seconds, float nominal) {
    return seconds > kStallSeconds ? nominal : seconds;
}

int GuiShell::MarkRunning() {
    if (!hwnd_ || !IsWindow(hwnd_) || frame_->running.load()) return 0;
    frame_->running = 1;   // set for good: a window starts at most once
    return 1;
}

// The tree takes the client area and is drawn once; the clear colour is not
// stored yet, so this frame is not cleared.
void GuiShell::DrawFirstFrame() {
    RECT client = {0, 0, 0, 0};
    if (!GetClientRect(hwnd_, &client)) client = RECT{0, 0, 0, 0};
    Resize(client.right - client.left, client.bottom - client.top);
    Render();
}

void GuiShell::KeepFrameRate(uint32_t clearColour, uint32_t fps, int pollMs, int idleMs) {
    clearColour_ = clearColour;
    fps_ = fps == 0 ? kDefaultFps : (fps > kHighestFps ? kHighestFps : fps);
    pollMs_ = pollMs;
    idleMs_ = idleMs;
}

void GuiShell::Render() { RenderCleared(clearColour_); }

void GuiShell::RenderCleared(uint32_t clearColour) {
    LockGuard lock(&frame_->renderLock);
    ISurface* surface = Surface();
    if (!surface) return;
    // The older build resizes its surface here, on the thread that draws.
    if (surfaceResizePending_) {
        surfaceResizePending_ = false;
        surface->Resize(surfaceWidth_, surfaceHeight_);
    }
    LimitToScreens(*surface);
    try {
        surface->BeginScene(0);
        if (clearColour) surface->SetClearColor(clearColour);
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

// Only the part of the client area that lies on the desktop's screens is
// drawn and presented: a window far larger than the screens costs no more
// per frame than they do. Without a window, all of it.
void GuiShell::LimitToScreens(ISurface& surface) const {
    const RECT screens = Nuvex::RectOfSize(
        GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
        GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    RECT client;
    POINT origin = {0, 0};
    if (!hwnd_ || Nuvex::RectIsEmpty(screens) || !GetClientRect(hwnd_, &client) ||
        !ClientToScreen(hwnd_, &origin)) {
        surface.SetVisibleRect(nullptr);
        return;
    }
    const RECT screensOnClient = {screens.left - origin.x, screens.top - origin.y,
                                  screens.right - origin.x, screens.bottom - origin.y};
    const RECT shown = Nuvex::RectIntersect(client, screensOnClient);
    surface.SetVisibleRect(&shown);
}

// --- the frame thread

int GuiShell::StartFrameThread() {
    if (frameThread_.handle) return 1;
    FrameLink& link = *frame_;
    if (!link.HasEvents()) return 0;
    link.window = hwnd_;
    link.fps = fps_;
    link.pollMs = pollMs_;
    link.idleMs = idleMs_;
    link.shell = this;
    // Reset here, not by the thread: a shell deleted before the thread's
    // first instruction still waits for its word.
    ResetEvent(link.threadDone);
    link.AddRef();   // the thread's own
    frameThread_.handle = ModuleThread::Start(&GuiShell::FrameThreadEntry, &link);
    if (!frameThread_.handle) {
        link.Release();
        SetEvent(link.threadDone);
        return 0;
    }
    return 1;
}

void GuiShell::FrameThreadEntry(void* argument) {
    FrameLink* link = static_cast<FrameLink*>(argument);   // the thread's reference
    RunFrameThread(*link);
    SetEvent(link->threadDone);   // the word: nothing of the shell's is touched after it
    link->Release();              // may free the link: the module is still the thread's
}

bool GuiShell::StopRunning() {
    const bool was = frame_->running.exchange(0) != 0;
    if (frame_->stopped) SetEvent(frame_->stopped);
    return was;
}

void GuiShell::OnFrameMessage() {
    // The frame thread is told the frame is done on every way out.
    struct FrameDone {
        HANDLE event;
        ~FrameDone() { SetEvent(event); }
    } done = {frame_->renderDone};
    CheckMouseOutside();
    UpdateTree(frame_->frameDelta.load());
    if (!deletePending_) Render();
}

// --- holds on the tree

void GuiShell::EndDispatch() {
    if (--dispatchDepth_ == 0 && deletePending_) delete this;
}
