#pragma once
// Shared by the element tests: a probe element that writes every hook it
// sees into a journal, an off-screen shell that draws into a real surface
// without a window of its own, and skin resources registered from memory.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/CanvasDC.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/RectOps.h"
#include "engine/gui/GUI.h"
#include "engine/gui/GuiShell.h"

namespace guitest {

// The hooks seen, in order, as "tag.Hook" or "tag.Hook(args)".
struct Journal {
    std::vector<std::string> lines;
    void Add(const std::string& line) { lines.push_back(line); }
    // The lines that start with one of the prefixes, in order.
    std::vector<std::string> Only(const std::vector<std::string>& prefixes) const;
    void Clear() { lines.clear(); }
};

class Probe : public GUI {
public:
    Probe(const std::string& tag, Journal* journal);
    ~Probe() override;

    int OnInitialize(int width, int height, int32_t* imageKind) override;
    int OnCreate(int width, int height) override;
    int OnUpdate(float delta) override;
    int OnDraw(int absX, int absY, int width, int height) override;
    void OnSize(int width, int height) override;
    void OnShow(int visible) override;
    void OnMove(int x, int y) override;
    void OnMoveEnd() override;
    void OnRelease(int flag) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMouseMove(int x, int y) override;
    void OnLButton(int x, int y, int kind) override;
    void OnRButton(int x, int y, int kind) override;
    void OnMouseMessage(int x, int y, int code) override;
    void OnMouseWheel(int x, int y, int up) override;
    void OnDragEnd() override;
    void OnFocus(int reason, int gained) override;
    int OnNotify(GUI* sender, uint32_t code, WPARAM wParam, LPARAM lParam) override;

    std::string tag;
    Journal* journal;
    int createResult = 1;
    int updateResult = 1;
    int drawResult = 1;
    // Run by the hook of that name (after it is journalled), once.
    std::function<void()> onMove, onUpdate, onLButton;

    static int live;   // probes alive in the process

private:
    void Log(const std::string& hook) {
        if (journal) journal->Add(tag + "." + hook);
    }
};

// A created probe (not attached); the caller owns it.
Probe* MakeProbe(const std::string& tag, Journal* journal, int width, int height);

// The element's window-client rectangle.
RECT AbsRect(const GUI& element);

// A shell that draws into a surface of a message-only window.
class OffscreenShell {
public:
    OffscreenShell(int width, int height);
    ~OffscreenShell();
    OffscreenShell(const OffscreenShell&) = delete;
    OffscreenShell& operator=(const OffscreenShell&) = delete;

    GuiShell& shell() { return *shell_; }
    ISurface& surface() { return *shell_->Surface(); }
    CanvasDC& canvas() { return *surface().WindowCanvas(); }
    // One frame as the window draws it; returns the rectangle it repainted
    // (the dirty rectangle before the replay).
    RECT Frame();
    // The recorded commands of the last frame.
    std::vector<CanvasCommandView> Commands();

private:
    HWND window_ = nullptr;
    std::unique_ptr<GuiShell> shell_;
};

// Skin resources from memory: a texture of w x h pixels of one colour, and
// an animation script whose frames cut that texture by "l,t,w,h".
class SkinResources {
public:
    SkinResources();
    ~SkinResources();
    SkinResources(const SkinResources&) = delete;
    SkinResources& operator=(const SkinResources&) = delete;

    uint32_t AddTexture(const char* name, int w, int h, uint32_t colour);
    bool AddAnimation(const char* name, const char* texture, const std::vector<std::string>& rects,
                      const char* size = nullptr);
};

bool SameRect(const RECT& r, int l, int t, int rr, int b);

}   // namespace guitest

#define EXPECT_RECT(r, l, t, rr, b)                                                          \
    EXPECT_TRUE(guitest::SameRect((r), (l), (t), (rr), (b)))                                 \
        << "rect (" << (r).left << "," << (r).top << ")-(" << (r).right << "," << (r).bottom \
        << ")"
