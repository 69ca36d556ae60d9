#pragma once
// Shared by the element tests: a probe element that writes the hooks it
// sees into a journal, an off-screen shell drawing into a real surface
// without a window of its own, a framework window with settable hooks and
// the pointer the shell sees.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/CanvasDC.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/RectOps.h"
#include "engine/gui/BaseWnd.h"
#include "engine/gui/GuiShell.h"
#include "support/Poisoned.h"

namespace guitest {

// The hooks seen, in order, as "tag.Hook" or "tag.Hook(args)".
struct Journal {
    std::vector<std::string> lines;
    // The lines that start with one of the space-separated prefixes (all
    // lines without one), joined by spaces.
    std::string Seen(const std::string& prefixes = "") const;
    void Clear() { lines.clear(); }
};

using testsupport::Poisoned;   // deleted elements are poisoned

class Probe : public GUI {
public:
    Probe(const std::string& t, Journal* j) : tag(t), journal(j) { ++live; }
    ~Probe() override { --live, Log("delete"), RunOnce(onDelete); }

    int OnInitialize(int w, int h, int32_t* kind) override {
        return Log("OnInitialize") ? GUI::OnInitialize(w, h, kind) : 0;
    }
    int OnCreate(int, int) override { return Log("OnCreate") ? createResult : 0; }
    int OnUpdate(float delta) override;
    int OnDraw(int x, int y, int w, int h) override;
    void OnSize(int w, int h) override { Log("OnSize", w, h); }
    void OnShow(int visible) override { Log("OnShow", visible); }
    void OnMove(int x, int y) override { Log("OnMove", x, y), RunOnce(onMove); }
    void OnMoveEnd() override { Log("OnMoveEnd"), GUI::OnMoveEnd(); }
    void OnRelease(int flag) override { Log("OnRelease", flag), RunOnce(onRelease); }
    void OnMouseEnter() override { Log("OnMouseEnter"); }
    void OnMouseLeave() override { Log("OnMouseLeave"); }
    void OnMouseMove(int x, int y) override { Log("OnMouseMove", x, y); }
    void OnLButton(int x, int y, int kind) override {
        Log("OnLButton", x, y, kind), GUI::OnLButton(x, y, kind), RunOnce(onLButton);
    }
    void OnRButton(int x, int y, int kind) override { Log("OnRButton", x, y, kind); }
    void OnMButton(int x, int y, int kind) override { Log("OnMButton", x, y, kind); }
    void OnFocus(int reason, int gained) override { Log("OnFocus", reason, gained); }
    // 1 for an element, 0 for none.
    void OnTipTarget(GUI* target) override { Log("OnTipTarget", int(target != nullptr)); }
    void OnTipTargetAgain(GUI* target) override { Log("OnTipTargetAgain", int(target != nullptr)); }
    void OnMouseMessage(int x, int y, int code) override {
        Log("OnMouseMessage", x, y, code), GUI::OnMouseMessage(x, y, code);
    }
    void OnMouseWheel(int x, int y, int up) override { Log("OnMouseWheel", x, y, up); }
    void OnDragEnd() override { Log("OnDragEnd"); }
    void OnKey(WPARAM key, LPARAM, int down) override { Log("OnKey", int(key), down); }
    int OnNotify(GUI* sender, uint32_t code, WPARAM wParam, LPARAM lParam) override;

    std::string tag;
    Journal* journal;
    int createResult = 1, updateResult = 1, drawResult = 1;
    bool throwOnDraw = false;
    std::vector<float> deltas;   // of every OnUpdate
    // Run once by the hook of that name, after it is journalled (onDelete by
    // the destructor, before the element base deletes the children).
    std::function<void()> onMove, onUpdate, onDraw, onLButton, onRelease, onDelete;
    static int live;   // probes alive in the process

private:
    template <typename... Args>
    bool Log(const char* hook, Args... args) {
        std::string line = tag + "." + hook;
        const int values[] = {args..., 0};
        for (size_t i = 0; i < sizeof...(args); ++i)
            line += (i ? "," : "(") + std::to_string(values[i]) +
                    (i + 1 == sizeof...(args) ? ")" : "");
        if (journal) journal->lines.push_back(line);
        return true;
    }
    static void RunOnce(std::function<void()>& action);
};

// A created probe (not attached), poisoned when deleted; the caller owns it.
Probe* MakeProbe(const std::string& tag, Journal* journal, int width, int height);

// A shell that draws into a surface of a message-only window.
class OffscreenShell {
public:
    OffscreenShell(int width, int height);
    ~OffscreenShell();
    GuiShell& shell() { return *shell_; }
    ISurface& surface() { return *shell_->Surface(); }
    // One frame as the window draws it; returns the rectangle it repainted
    // (the dirty rectangle before the replay).
    RECT Frame();
    // The recorded commands of the last frame of one kind.
    std::vector<CanvasCommandView> Commands(uint16_t kind);

private:
    HWND window_ = nullptr;
    std::unique_ptr<GuiShell> shell_;
};

// The tests' usual window: a popup whose class takes double clicks.
constexpr uint32_t kPopupWithDoubleClicks = GUI_WINDOW_POPUP | GUI_WINDOW_DOUBLE_CLICKS;

// A framework window whose hooks a test sets; by default it builds nothing
// and is not shown at start.
class TestWnd : public BaseWnd {
public:
    int OnInitialize(GuiShell* shell) override { return onInitialize ? onInitialize(shell) : 1; }
    int OnStartShow(GuiShell*) override { return 0; }
    int OnClose(GuiShell*) override { return closeResult; }
    const char* GetWindowClassName() override { return className; }
    std::function<int(GuiShell*)> onInitialize;
    int closeResult = 1;
    const char* className = nullptr;
};

// The pointer as the engine's windows see it (the display's real cursor is
// shared by every test running at the same time): over a client point of a
// window, or over no engine window.
void PointerAt(HWND hwnd, int clientX, int clientY);
void PointerOutside();
// Moves the pointer to a client point and sends the mouse message there.
LRESULT SendMouse(HWND hwnd, UINT message, int clientX, int clientY, WPARAM wParam = 0);

// "left,top,right,bottom".
std::string Text(const RECT& r);

}   // namespace guitest
