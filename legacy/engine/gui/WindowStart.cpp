// The older build's window start: the resource manager's queue is loaded one
// resource per pass of a message loop, with the window shown and redrawn in
// between and the owner told the progress, before the tree is built and the
// frame thread started.
//
// Every message of the thread is dispatched meanwhile, so the host may delete
// the window (and this object) from one of them: after each dispatch and each
// hook the start looks whether the shell is to go, and then touches nothing.
#include "engine/gui/BaseWnd.h"

#include "engine/core/Log.h"
#include "engine/graphics/ISurface.h"
#include "engine/gui/GuiShell.h"
#include "engine/resources/ResourceManager.h"

namespace {

// Shown without moving or sizing it.
constexpr UINT kShowInPlace = SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW;
constexpr uint32_t kLoadingBackground = 0xFF000000;

enum LoadProgress { kLoadingStarts = 0, kLoadingDone = 1, kLoading = 2 };

void ShowInPlace(HWND hwnd) { SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, kShowInPlace); }

// Truncated toward zero, as the progress display expects; a queue grown by a
// dispatched message does not take it outside 0-100.
int LoadPercent(int total, int left) {
    const int percent = int(double(float(total - left) / float(total)) * 100.0);
    return percent < 0 ? 0 : (percent > 100 ? 100 : percent);
}

enum class Pass { kLoaded, kDispatched, kQuit, kFailed };

// One pass: a waiting message is dispatched (a quit message is put back for
// the host's own loop), else the next queued resource is loaded.
Pass RunPass(int* left) {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return Pass::kQuit;
        }
        DispatchMessageA(&msg);
        return Pass::kDispatched;
    }
    // Looked up on every pass: a dispatched message may have released it.
    ResourceManager* manager = ResourceManager::Current();
    *left = manager ? manager->LoadNextQueued() : -1;
    if (*left < 0) {
        WriteLog(0, "Can't build framework resources!");
        return Pass::kFailed;
    }
    return Pass::kLoaded;
}

// 1 when the queue is loaded (or was empty), 0 when loading failed, a quit
// message came or the window is to go.
int LoadQueue(BaseWnd& wnd, GuiShell* shell, int total) {
    ShowInPlace(shell->Hwnd());
    if (shell->DeletePending()) return 0;
    wnd.OnLoadProgress(shell, kLoadingStarts, 0);
    if (shell->DeletePending() || !shell->Surface()) return 0;
    for (int left = total; left > 0;) {
        const Pass pass = RunPass(&left);
        if (pass == Pass::kQuit || pass == Pass::kFailed || shell->DeletePending()) return 0;
        if (pass == Pass::kDispatched) continue;
        wnd.OnLoadProgress(shell, kLoading, LoadPercent(total, left));
        if (shell->DeletePending()) return 0;
        shell->RenderCleared(kLoadingBackground);
    }
    wnd.OnLoadProgress(shell, kLoadingDone, 0);
    return shell->DeletePending() ? 0 : 1;
}

}   // namespace

void BaseWnd::OnLoadProgress(GuiShell*, int, int) {}

int BaseWnd::Start(int unused, uint32_t clearColour, uint32_t fps, int waitMs) {
    GuiShell* shell = GetShell();
    if (!shell || !IsWindow(hwnd_) || !shell->MarkRunning()) return 0;
    GuiShell::DispatchScope scope(shell);
    const int loaded = OnLoadResources(shell);
    if (shell->DeletePending()) return 0;
    if (!loaded) {
        WriteLog(0, "Can't load framework resources!");
        return 0;
    }
    ResourceManager* manager = ResourceManager::Instance();
    if (!manager) {
        WriteLog(0, "Can't access resource manager!");
        return 0;
    }
    const int total = manager->GetQueuedCount();
    if (total > 0 && !LoadQueue(*this, shell, total)) return 0;
    const int initialised = OnInitialize(shell);
    if (shell->DeletePending()) return 0;
    if (!initialised) {
        WriteLog(0, "Can't initialize framework!");
        return 0;
    }
    if (OnStartShow(shell) && !shell->DeletePending()) ShowInPlace(hwnd_);
    if (shell->DeletePending()) return 0;
    return shell->Start(unused, clearColour, fps, waitMs);
}

// The frame thread starts at once and draws the first frames itself.
int GuiShell::Start(int, uint32_t clearColour, uint32_t fps, int waitMs) {
    if (!hwnd_ || !IsWindow(hwnd_) || frameThread_.handle) return 0;
    frame_->running = 1;
    DispatchScope scope(this);
    DrawFirstFrame();
    UpdateWindow(hwnd_);
    if (deletePending_) return 0;
    KeepFrameRate(clearColour, fps, waitMs, waitMs);
    return StartFrameThread();
}
