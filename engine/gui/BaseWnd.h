#pragma once
// An application's handle on one top-level engine window. Create makes the
// window's GuiShell (the element that is the window), Start runs the
// application's hooks and the frame loop, Destroy deletes the shell and its
// element tree. The hooks are the application's part: the window class,
// the creation parameters, loading resources, building the element tree,
// showing at start and answering a close request.
//
// The object keeps only the window handle; it finds its shell through the
// engine's window map, also after a close request destroyed the window, so
// Destroy and the destructor always free the tree. Destroying from inside
// one of the window's own notifications is safe: the shell then goes when
// that handling returns.
#include <windows.h>
#include <cstdint>

#include "engine/core/RuntimeClass.h"

class GuiShell;

// BaseWnd::Create's style flags.
enum GuiWindowStyle : uint32_t {
    GUI_WINDOW_POPUP = 0x001,
    GUI_WINDOW_CHILD = 0x002,
    GUI_WINDOW_BORDER = 0x004,
    GUI_WINDOW_MINIMISED = 0x008,
    GUI_WINDOW_CAPTION = 0x010,
    GUI_WINDOW_SYSTEM_MENU = 0x020,
    GUI_WINDOW_MINIMISE_BOX = 0x040,
    GUI_WINDOW_MAXIMISE_BOX = 0x080,
    GUI_WINDOW_DOUBLE_CLICKS = 0x100,   // a new window class gets CS_DBLCLKS
};

// Filled before BaseWnd::PreCreateWindow, which may change any field; x, y,
// the icons and the cursor are used afterwards (null ones get defaults). The
// window keeps the title given to Create.
struct CreateParams {
    char title[256];   // at most 255 bytes, zero-filled
    int32_t x;         // centred on the screen without a parent, else 0
    int32_t y;
    HICON icon;
    HICON smallIcon;
    HCURSOR cursor;
};

class BaseWnd {
public:
    BaseWnd() = default;
    BaseWnd(const BaseWnd&) = delete;
    BaseWnd& operator=(const BaseWnd&) = delete;

    virtual const RuntimeClass* GetRuntimeClass() const;
    // Null or empty: the engine's own class.
    virtual const char* GetWindowClassName();
    virtual void PreCreateWindow(CreateParams* params);
#if FP_OLDER_BUILD   // the older table of operations has a progress slot here
    // The older build's start loads the resource manager's queue one
    // resource at a time and reports it here: kind 0 loading starts (percent
    // 0), 2 progress (percent 0 to 100), 1 loading done (percent 0). By
    // default nothing.
    virtual void OnLoadProgress(GuiShell* shell, int kind, int percent);
#endif
    // Start's hooks, in this order; 0 from the first two ends the start.
    virtual int OnLoadResources(GuiShell* shell);
    virtual int OnInitialize(GuiShell* shell);   // build the element tree here
    virtual int OnStartShow(GuiShell* shell);    // non-zero: the engine shows the window
    // A close request: non-zero destroys the window (the tree stays until
    // Destroy or the destructor).
    virtual int OnClose(GuiShell* shell);
    // Deletes the shell and its tree.
    virtual ~BaseWnd();

    // The window, with styleFlags from GuiWindowStyle; width and height are
    // the client size. A second call while the window lives returns the same
    // handle.
    HWND Create(const char* title, int width, int height, uint32_t styleFlags, HWND parent,
                int32_t value);
    // Each build starts the window in its own way (WindowStart.cpp). The
    // current build loads, builds and shows through the hooks and starts the
    // frame loop at fps frames per second (0 = 30, at most 100). 0 when the
    // window is not alive, already started, or a hook failed.
    int Start(int unused, uint32_t clearColour, uint32_t fps, int pollMs, int idleMs);
    // The older build loads the resources queued in the resource manager one
    // per pass of a message loop, with the window shown and redrawn
    // meanwhile, then builds and shows through the hooks and starts the
    // frame loop with the four values (first unused, clear colour, fps, the
    // frame thread's wait in ms). 0 when the window is not alive, already
    // started, a hook or a load failed, or a quit message came (it is left in
    // the queue).
    int Start(int unused, uint32_t clearColour, uint32_t fps, int waitMs);
    // With clientRect, (x, y, width, height) is the client area.
    int MoveWindow(int x, int y, int width, int height, int redraw, int clientRect);
    void Destroy();

    HWND GetHwnd() const { return hwnd_; }
    // The shell this object made, also when its window is gone; null when none.
    GuiShell* GetShell() const;

    static const RuntimeClass kRuntimeClass;

private:
    HWND hwnd_ = nullptr;
};
