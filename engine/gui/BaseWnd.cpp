#include "engine/gui/BaseWnd.h"

#include <new>

#include "engine/core/Log.h"
#include "engine/gui/GuiShell.h"

const RuntimeClass BaseWnd::kRuntimeClass = {"BaseWnd", sizeof(BaseWnd), nullptr};

const RuntimeClass* BaseWnd::GetRuntimeClass() const { return &kRuntimeClass; }
const char* BaseWnd::GetWindowClassName() { return nullptr; }
void BaseWnd::PreCreateWindow(CreateParams*) {}
int BaseWnd::OnLoadResources(GuiShell*) { return 1; }
int BaseWnd::OnInitialize(GuiShell*) { return 1; }
int BaseWnd::OnStartShow(GuiShell*) { return 1; }
int BaseWnd::OnClose(GuiShell*) { return 1; }

BaseWnd::~BaseWnd() { Destroy(); }

GuiShell* BaseWnd::GetShell() const {
    GuiShell* shell = GuiShell::FromStoredHandle(hwnd_);
    return shell && shell->Owner() == this ? shell : nullptr;
}

HWND BaseWnd::Create(const char* title, int width, int height, uint32_t styleFlags, HWND parent,
                     int32_t value) {
    GuiShell* shell = GetShell();
    if (shell && IsWindow(hwnd_)) return hwnd_;
    // A shell whose window a close request destroyed goes before a new one.
    GuiShell::DestroyShell(shell);
    hwnd_ = nullptr;

    shell = new (std::nothrow) GuiShell(this, value);
    if (!shell) {
        WriteLog(0, "Can't new framework interfaces!");
        return nullptr;
    }
    if (!shell->CreateNativeWindow(title, width, height, styleFlags, parent)) {
        delete shell;
        WriteLog(0, "Can't create framework interfaces!");
        return nullptr;
    }
    hwnd_ = shell->Hwnd();
    return hwnd_;
}

int BaseWnd::MoveWindow(int x, int y, int width, int height, int redraw, int clientRect) {
    if (!GetShell() || !IsWindow(hwnd_)) return 0;
    if (clientRect) {
        RECT r = {x, y, x + width, y + height};
        AdjustWindowRectEx(&r, DWORD(GetWindowLongA(hwnd_, GWL_STYLE)), FALSE,
                           DWORD(GetWindowLongA(hwnd_, GWL_EXSTYLE)));
        x = r.left;
        y = r.top;
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    return SetWindowPos(hwnd_, nullptr, x, y, width, height, redraw ? 0 : SWP_NOREDRAW);
}

void BaseWnd::Destroy() {
    GuiShell::DestroyShell(GetShell());
    hwnd_ = nullptr;
}
