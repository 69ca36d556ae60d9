// The older build's frame thread: it updates and draws the tree itself,
// keeps off while the window's thread holds the tree, draws a repaint or a
// resize at once, and is done before its window's shell is freed.
#include "gui/GuiTestSupport.h"

#include <atomic>

#include "graphics/DrawingTestSupport.h"
#include "support/TestSupport.h"

using testsupport::PumpUntil;

namespace {

// Counts its updates and the draws made off the window's thread.
class CountingElement : public GUI {
public:
    int OnUpdate(float delta) override {
        if (GetCurrentThreadId() != uiThread) ++updates;
        return GUI::OnUpdate(delta);
    }
    int OnDraw(int x, int y, int w, int h) override {
        if (GetCurrentThreadId() != uiThread) ++frameThreadDraws;
        return GUI::OnDraw(x, y, w, h);
    }
    const DWORD uiThread = GetCurrentThreadId();
    std::atomic<int> updates{0}, frameThreadDraws{0};
};

class CountingWnd : public BaseWnd {
public:
    int OnInitialize(GuiShell* shell) override {
        element = new CountingElement;
        element->Create("counted", 40, 30, nullptr, 0);
        return shell->AddChild(element, 5, 5);
    }
    CountingElement* element = nullptr;
};

class FrameThread : public ::testing::Test {
protected:
    void SetUp() override { drawtest::EnsurePools(); }
    // A shown window started at fps frames per second.
    void Start(uint32_t fps) {
        ASSERT_NE(nullptr, wnd.Create("frames", 120, 80, GUI_WINDOW_POPUP, nullptr, 0))
            << "no display?";
        ASSERT_EQ(1, wnd.Start(1, 0, fps, 1));
    }
    CountingWnd wnd;
};

}   // namespace

TEST_F(FrameThread, KeepsOffTheTreeWhileTheWindowsThreadHoldsIt) {
    Start(60);
    CountingElement& e = *wnd.element;
    ASSERT_TRUE(PumpUntil([&] { return e.updates >= 3 && e.frameThreadDraws >= 3; }, 5000));
    {
        GuiShell::TreeLock hold(wnd.GetShell());
        const int before = e.updates;
        Sleep(150);
        EXPECT_EQ(before, e.updates);
    }
    const int after = e.updates;
    EXPECT_TRUE(PumpUntil([&] { return e.updates > after; }, 5000));
}

TEST_F(FrameThread, DrawsARepaintAndAResizeBetweenFrames) {
    Start(1);   // a period of one second: what is drawn sooner is a repaint
    CountingElement& e = *wnd.element;
    wnd.MoveWindow(0, 0, 160, 100, 1, 1);
    EXPECT_TRUE(PumpUntil([&] { return e.frameThreadDraws > e.updates; }, 3000));
    EXPECT_TRUE(PumpUntil([&] { return wnd.GetShell()->Surface()->GetWidth() == 160; }, 3000));
    EXPECT_EQ(100, wnd.GetShell()->Surface()->GetHeight());
}

// The shell waits for the thread's word, never for its end: the thread is
// out of its loop before the shell is freed, and ends by itself after.
TEST_F(FrameThread, IsDoneBeforeTheShellIsFreedAndTheWindowGoesWithIt) {
    Start(60);
    HANDLE thread = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), wnd.GetShell()->FrameThread(),
                                GetCurrentProcess(), &thread, SYNCHRONIZE, FALSE, 0));
    const HWND hwnd = wnd.GetHwnd();
    wnd.Destroy();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
}

TEST(OlderShell, AWindowNeverStartedIsLeftButForgottenWithItsShell) {
    drawtest::EnsurePools();
    CountingWnd wnd;
    const HWND hwnd = wnd.Create("left", 60, 40, GUI_WINDOW_POPUP, nullptr, 0);
    ASSERT_NE(nullptr, hwnd) << "no display?";
    wnd.Destroy();
    EXPECT_EQ(nullptr, GuiShell::FromStoredHandle(hwnd));
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);   // its messages go to the default handling
    EXPECT_EQ(0, wnd.MoveWindow(0, 0, 10, 10, 1, 0));
    DestroyWindow(hwnd);
}
