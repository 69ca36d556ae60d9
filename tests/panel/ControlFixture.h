#pragma once
// The panel's control tests: the engine started as the module starts it, the
// real skin loaded from a fresh root folder, and a window shell that draws
// off screen, so hover and capture work without a native window.
#include "SkinFixture.h"

#include "engine/graphics/SurfacePool.h"
#include "engine/gui/GuiShell.h"
#include "panel/PanelSkin.h"

#include <functional>
#include <array>
#include <memory>
#include <vector>

// An element's rectangle in its parent: left, top, right, bottom.
inline std::array<int, 4> Box(const GUI* e) {
    return {e->GetX(), e->GetY(), e->GetX() + e->GetWidth(), e->GetY() + e->GetHeight()};
}

class ControlTest : public SkinTest {
protected:
    void SetUp() override {
        SkinTest::SetUp();
        ASSERT_TRUE(Install());
        ASSERT_EQ(1, PanelSkin::Load());
        window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, window_);
        shell_.reset(new GuiShell(nullptr, 0));
        ASSERT_EQ(1, shell_->AttachSurface(Nuvex::CreateSurface(window_, 600, 200)));
    }
    void TearDown() override {
        shell_.reset();
        if (window_) DestroyWindow(window_);
        SkinTest::TearDown();
    }

    GuiShell& Shell() { return *shell_; }

    // A plain-created element attached at (x, y) to `parent` (the shell by
    // default), which owns it from then on.
    template <class Element>
    Element* Attached(Element* element, int w = 1, int h = 1, GUI* parent = nullptr, int x = 0,
                      int y = 0) {
        EXPECT_EQ(1, element->Create("element", w, h, nullptr, 0));
        EXPECT_EQ(1, (parent ? parent : static_cast<GUI*>(&Shell()))->AddChild(element, x, y));
        return element;
    }

private:
    HWND window_ = nullptr;
    std::unique_ptr<GuiShell> shell_;
};

// A container that records what it is told and answers through `answer`.
struct Note {
    GUI* sender;
    uint32_t code;
    WPARAM wParam;
    LPARAM lParam;
};
class Listener : public GUI {
public:
    int OnNotify(GUI* sender, uint32_t code, WPARAM wParam, LPARAM lParam) override {
        notes.push_back({sender, code, wParam, lParam});
        return answer ? answer(code, lParam) : 0;
    }
    size_t Count(uint32_t code) const {
        size_t n = 0;
        for (const Note& note : notes) n += note.code == code;
        return n;
    }
    std::vector<Note> notes;
    std::function<int(uint32_t code, LPARAM lParam)> answer;
};
