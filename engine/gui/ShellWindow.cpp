// The shell's native window: the window class, creation with its surface,
// the map from window handles to shells, and destruction.
#include "engine/gui/GuiShell.h"

#include <cstring>
#include <map>

#include "engine/core/EngineGlobals.h"
#include "engine/core/Log.h"
#include "engine/core/MbcsText.h"
#include "engine/graphics/SurfacePool.h"
#include "engine/gui/BaseWnd.h"

namespace {

const char kDefaultClassName[] = "VornGuiWindow";
const char kUnnamedTitle[] = "Unnamed Window.";
const int kApplicationIcon = 32512;

// The map's own destructor, at module unload, frees its nodes and nothing
// else: shells and their frame threads are never ended under the loader lock.
std::map<HWND, GuiShell*> g_windows;
bool g_windowsGone = false;
struct WindowsGone {
    ~WindowsGone() { g_windowsGone = true; }
} g_windowsGoneMark;   // made after g_windows, so destroyed before it

DWORD StyleFromFlags(uint32_t flags) {
    static const struct {
        uint32_t flag;
        DWORD style;
    } kStyles[] = {{GUI_WINDOW_POPUP, WS_POPUP},
                   {GUI_WINDOW_CHILD, WS_CHILD},
                   {GUI_WINDOW_BORDER, WS_BORDER},
                   {GUI_WINDOW_MINIMISED, WS_MINIMIZE},
                   {GUI_WINDOW_CAPTION, WS_CAPTION},
                   {GUI_WINDOW_SYSTEM_MENU, WS_SYSMENU},
                   {GUI_WINDOW_MINIMISE_BOX, WS_MINIMIZEBOX},
                   {GUI_WINDOW_MAXIMISE_BOX, WS_MAXIMIZEBOX}};
    DWORD style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    for (const auto& s : kStyles)
        if (flags & s.flag) style |= s.style;
    return style;
}

// The engine's module; the program itself before the engine was started.
HINSTANCE ModuleInstance() {
    HINSTANCE module = Nuvex::GetModuleInstance();
    return module ? module : GetModuleHandleA(nullptr);
}

}   // namespace

// --- the map

GuiShell* GuiShell::FromHandle(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd)) return nullptr;
    return FromStoredHandle(hwnd);
}

GuiShell* GuiShell::FromStoredHandle(HWND hwnd) {
    if (!hwnd || g_windowsGone) return nullptr;
    auto at = g_windows.find(hwnd);
    return at == g_windows.end() ? nullptr : at->second;
}

// An entry left by a window that is gone (its handle now names this new
// window) is replaced, and its shell deleted; a live one is kept.
void GuiShell::Register() {
    if (g_windowsGone) return;
    try {
        GuiShell*& entry = g_windows[hwnd_];
        GuiShell* stale = entry;
        if (stale && stale != this && stale->windowAlive_) return;
        entry = this;
        if (stale && stale != this) DestroyShell(stale);
    } catch (...) {
        WriteLog(0, "Can't register window %s!", GetName());
    }
}

void GuiShell::Unregister() {
    if (g_windowsGone) return;
    for (auto at = g_windows.begin(); at != g_windows.end();) {
        if (at->second == this) {
            at = g_windows.erase(at);
        } else {
            ++at;
        }
    }
}

void GuiShell::DestroyShell(GuiShell* shell) {
    if (!shell || shell->deletePending_) return;
    if (shell->dispatchDepth_ == 0) {
        delete shell;
        return;
    }
    // One of its messages is being handled further up this thread's stack:
    // the handlers there still use the shell and its tree.
    shell->owner_ = nullptr;
    shell->Unregister();
    if (shell->StopRunning()) shell->DestroyWindow();
    shell->deletePending_ = true;
}

void GuiShell::DestroyAllWindows() {
    while (!g_windowsGone && !g_windows.empty()) {
        GuiShell* shell = g_windows.begin()->second;
        g_windows.erase(g_windows.begin());
        DestroyShell(shell);
    }
}

// --- creation

int GuiShell::RegisterWindowClass(const char* name, uint32_t styleFlags, const CreateParams& cp) {
    HINSTANCE instance = ModuleInstance();
    WNDCLASSEXA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, name, &wc)) return 1;   // used as it is
    wc.cbSize = sizeof wc;
    wc.style = (styleFlags & GUI_WINDOW_DOUBLE_CLICKS) ? CS_DBLCLKS : 0;
    wc.lpfnWndProc = &GuiShell::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = cp.icon;
    wc.hCursor = cp.cursor;
    wc.hIconSm = cp.smallIcon;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

int GuiShell::CreateNativeWindow(const char* title, int width, int height, uint32_t styleFlags,
                                 HWND parent) {
    if (hwnd_ && IsWindow(hwnd_)) return 0;
    if (parent && !IsWindow(parent)) {
        WriteLog(0, "Parent window handle is invalid!");
        parent = nullptr;
    }
    if (!title || !*title) title = kUnnamedTitle;

    CreateParams cp;
    std::memset(&cp, 0, sizeof cp);
    Nuvex::mbcs::CopyFitting(cp.title, sizeof cp.title, title);
    cp.x = parent ? 0 : (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    cp.y = parent ? 0 : (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (owner_) owner_->PreCreateWindow(&cp);
    HINSTANCE instance = ModuleInstance();
    if (!cp.icon) cp.icon = LoadIconA(instance, MAKEINTRESOURCEA(kApplicationIcon));
    if (!cp.smallIcon) cp.smallIcon = LoadIconA(instance, MAKEINTRESOURCEA(kApplicationIcon));
    if (!cp.cursor) cp.cursor = LoadCursorA(nullptr, IDC_ARROW);

    const char* className = owner_ ? owner_->GetWindowClassName() : nullptr;
    if (!className || !*className) className = kDefaultClassName;
    RegisterWindowClass(className, styleFlags, cp);

    const DWORD style = StyleFromFlags(styleFlags);
    RECT r = {cp.x, cp.y, cp.x + width, cp.y + height};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    HWND hwnd = CreateWindowExA(0, className, title, style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, parent, nullptr, instance, this);
    if (!hwnd) {
        WriteLog(0, "Can't create window %s!", title);
        return 0;
    }
    surface_ = Nuvex::CreateSurface(hwnd, width, height);
    if (!surface_) {
        WriteLog(0, "Can't create surface of window %s!", title);
        ::DestroyWindow(hwnd);   // no window is left without its shell
        return 0;
    }
    hwnd_ = hwnd;
    windowAlive_ = true;
    MakeOwnHost(width, height, title);
    defaultCursor_ = cp.cursor;
    SetCurrentCursor(cp.cursor);
    Register();
    return 1;
}

// --- destruction

int GuiShell::DestroyWindow() {
    if (!hwnd_ || !IsWindow(hwnd_)) return 0;
    if (::DestroyWindow(hwnd_)) return 1;
    // Only the window's own thread can destroy it; this post reaches that
    // thread's queue, not the window, and is kept for its log line.
    Nuvex::PostToWindowThread(hwnd_, WM_DESTROY, WPARAM(GetCurrentThreadId()), LPARAM(hwnd_));
    return 0;
}
