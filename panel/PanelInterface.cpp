#include "panel/PanelInterface.h"

#include <cstring>

#include "engine/core/MbcsText.h"
#include "engine/core/WorkPath.h"
#include "engine/graphics/CanvasDC.h"
#include "engine/graphics/ISurface.h"
#include "engine/gui/GuiShell.h"
#include "panel/DownloadMainFrame.h"

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 200;

// Runs a slot body; what it throws becomes the slot's failure value.
template <class Result, class Body>
Result Guarded(Result failure, Body body) {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// The window's surface takes the window's size, and a surface that can't be
// made is told in a box that would stop the host's thread. So its pixels are
// made here first, without a word, and kept for the move: false when they
// can't be made, and the window then stays as it was. (A size of 0 draws
// nothing and needs none.)
bool ReserveSurfacePixels(GuiShell* shell, int w, int h) {
    if (w == 0 || h == 0) return true;
    ISurface* surface = shell ? shell->Surface() : nullptr;
    CanvasDC* canvas = surface ? surface->WindowCanvas() : nullptr;
    if (!canvas) return true;
    GuiShell::TreeLock tree(shell);
    return canvas->Reserve(w, h) != 0;
}

}   // namespace

PanelInterface::PanelInterface() : wnd_(this) {}

PanelInterface::~PanelInterface() { Forget(); }

HWND PanelInterface::Window() const {
    return hwnd_ && IsWindow(hwnd_) && wnd_.GetShell() ? hwnd_ : nullptr;
}

DownloadMainFrame* PanelInterface::Frame() const { return Window() ? frame_ : nullptr; }

void PanelInterface::Forget() {
    if (DownloadMainFrame* frame = Frame()) {
        GuiShell::TreeLock tree(wnd_.GetShell());
        frame->SetHostWindow(nullptr);
        try {
            frame->Clear();
        } catch (...) {
            // The list's own deletion with the window stops what is left.
        }
    }
    hwnd_ = nullptr;
    frame_ = nullptr;
}

void PanelInterface::OnWindowClosed() { Forget(); }

void FETCHPANE_THISCALL PanelInterface::Release() {
    Guarded(0, [this] {
        DeletingDestructor(1);
        return 0;
    });
}

HWND FETCHPANE_THISCALL PanelInterface::Create(const char* title, HWND host, int,
                                               const char* root) {
    return Guarded<HWND>(nullptr, [&]() -> HWND {
        if (Window()) return nullptr;
        Forget();
        // No root: the module's folder. A root that can't be the work folder
        // fails the panel rather than install elsewhere.
        if (!Nuvex::SetWorkPath(root && *root ? root : nullptr)) return nullptr;
        HWND hwnd = wnd_.Create(title, kWidth, kHeight, GUI_WINDOW_POPUP, host, 0);
        if (!hwnd) return nullptr;
        hwnd_ = hwnd;
        // A start that fails (no skin, no frame) still leaves the window. The
        // window is kept before the start: a host message the older start
        // dispatches that comes back here is refused.
        wnd_.StartFrameLoop();
        frame_ = wnd_.Frame();
        if (DownloadMainFrame* frame = Frame()) frame->SetHostWindow(host);
        return hwnd;
    });
}

HWND FETCHPANE_THISCALL PanelInterface::GetWindow() {
    return Guarded<HWND>(nullptr, [this] { return Window(); });
}

int FETCHPANE_THISCALL PanelInterface::Destroy(int) {
    return Guarded(0, [this] {
        const int had = Window() ? 1 : 0;
        Forget();
        // Also the tree a close request left behind.
        wnd_.Destroy();
        return had;
    });
}

int FETCHPANE_THISCALL PanelInterface::Move(int x, int y, int w, int h) {
    return Guarded(0, [&] {
        if (!Window() || w < 0 || h < 0) return 0;
        if (w > PANEL_MAX_WINDOW_SIZE || h > PANEL_MAX_WINDOW_SIZE) return 0;
        if (!ReserveSurfacePixels(wnd_.GetShell(), w, h)) return 0;
        return wnd_.MoveWindow(x, y, w, h, 1, 0);
    });
}

int FETCHPANE_THISCALL PanelInterface::Show(int show) {
    return Guarded(0, [&] {
        HWND hwnd = Window();
        if (!hwnd) return 0;
        const int result = ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE);
        if (show) SetFocus(hwnd);
        return result;
    });
}

int FETCHPANE_THISCALL PanelInterface::SetText(const char* text) {
    return Guarded(0, [&] {
        if (!text || !*text) return 0;
        Nuvex::mbcs::CopyFitting(text_, kTextSize, text);
        return 1;
    });
}

const char* FETCHPANE_THISCALL PanelInterface::GetText() { return text_[0] ? text_ : nullptr; }

int FETCHPANE_THISCALL PanelInterface::Spare() { return 0; }

// Shows the window where it stands; the position and the other panel are
// not used.
int FETCHPANE_THISCALL PanelInterface::ShowAt(int, int, IPanelInterface*) {
    return Guarded(0, [this] {
        DownloadMainFrame* frame = Frame();
        return frame ? frame->ShowHostWindow(1) : 0;
    });
}

int FETCHPANE_THISCALL PanelInterface::AddUpdateTaskByServers(const PanelServerList* servers,
                                                              int group, const char* name,
                                                              int kind) {
    return Guarded(0, [&] {
        DownloadMainFrame* frame = Frame();
        if (!frame) return 0;
        GuiShell::TreeLock tree(wnd_.GetShell());
        return frame->AddUpdateTaskByServers(servers, group, name, kind);
    });
}

int FETCHPANE_THISCALL PanelInterface::AddUpdateTask(const char* url, const char* name, int kind) {
    return Guarded(0, [&] {
        DownloadMainFrame* frame = Frame();
        if (!frame) return 0;
        GuiShell::TreeLock tree(wnd_.GetShell());
        return frame->AddUpdateTask(url, name, kind);
    });
}

// Without bit 0 the object stays usable (and is freed by a later Release):
// only its window and downloads go.
void* FETCHPANE_THISCALL PanelInterface::DeletingDestructor(unsigned flags) {
    return Guarded<void*>(this, [&]() -> void* {
        if (flags & 1) {
            delete this;
            return this;
        }
        Destroy(0);
        return this;
    });
}
