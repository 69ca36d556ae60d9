// The current build's window start: the owner's hooks load, build and show,
// the first frame is drawn, and the frame thread is started by a posted
// message once the window's thread is back in its message loop. (The older
// build loads the resource queue one resource at a time at this point:
// legacy/engine/gui/WindowStart.cpp.)
#include "engine/gui/BaseWnd.h"

#include "engine/core/Log.h"
#include "engine/gui/GuiShell.h"
#include "engine/resources/ResourceManager.h"

int BaseWnd::Start(int unused, uint32_t clearColour, uint32_t fps, int pollMs, int idleMs) {
    GuiShell* shell = GetShell();
    if (!shell || !IsWindow(hwnd_) || shell->IsRunning()) return 0;
    if (!ResourceManager::Instance()) {
        WriteLog(0, "Can't access resource manager!");
        return 0;
    }
    return shell->Start(unused, clearColour, fps, pollMs, idleMs);
}

int GuiShell::Start(int, uint32_t clearColour, uint32_t fps, int pollMs, int idleMs) {
    if (!MarkRunning()) return 0;
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
    DrawFirstFrame();
    if (CallHook(&BaseWnd::OnStartShow)) ShowHostWindow(1);
    if (deletePending_) return 0;
    UpdateWindow(hwnd_);
    KeepFrameRate(clearColour, fps, pollMs, idleMs);
    return PostMessageA(hwnd_, WM_GUI_START, 0, 0);
}
