// Framework windows under the test display: creation, placement, the map,
// destruction in every order a host can choose, and the frame loop's start.
#include "gui/GuiTestSupport.h"

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "graphics/DrawingTestSupport.h"
#include "engine/app/BaseApp.h"
#include "engine/core/ModuleThread.h"
#include "support/TestSupport.h"

using guitest::Journal;
using guitest::kPopupWithDoubleClicks;
using guitest::MakeProbe;
using guitest::Probe;
using guitest::TestWnd;

namespace {

class Window : public ::testing::Test {
protected:
    void SetUp() override { drawtest::EnsurePools(); }

    // A 200 x 100 popup; fails the test loudly without a display.
    HWND Make(TestWnd& wnd) {
        HWND hwnd = wnd.Create("test window", 200, 100, kPopupWithDoubleClicks, nullptr, 0);
        EXPECT_NE(nullptr, hwnd) << "no window (is DISPLAY set?)";
        return hwnd;
    }
    // A window started with one probe under its shell; returns the probe.
    Probe* Started(TestWnd& wnd, uint32_t fps = 30) {
        probe = nullptr;
        wnd.onInitialize = [this](GuiShell* shell) {
            probe = MakeProbe("p", &journal, 50, 50);
            return shell->AddChild(probe, 10, 10);
        };
        Make(wnd);
        EXPECT_EQ(1, wnd.Start(1, 0, fps, 0, 1));
        EXPECT_NE(nullptr, probe);
        return probe;
    }

    Journal journal;
    Probe* probe = nullptr;   // of the last window started
    testsupport::LogCapture log;
};

BOOL CALLBACK CountEngineWindow(HWND hwnd, LPARAM count) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    *reinterpret_cast<int*>(count) += std::strcmp(name, "VornGuiWindow") == 0;
    return TRUE;
}

// The client area in screen coordinates.
std::string ClientOnScreen(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return guitest::Text(r);
}

}   // namespace

TEST_F(Window, CreateStylesClassesAndPlacement) {
    TestWnd wnd;
    const uint32_t framed = GUI_WINDOW_BORDER | GUI_WINDOW_CAPTION | GUI_WINDOW_SYSTEM_MENU |
                            GUI_WINDOW_MINIMISE_BOX | GUI_WINDOW_MAXIMISE_BOX |
                            GUI_WINDOW_DOUBLE_CLICKS;
    HWND hwnd = wnd.Create("first", 480, 320, framed, nullptr, 5);
    ASSERT_NE(nullptr, hwnd) << "no window (is DISPLAY set?)";
    EXPECT_EQ(hwnd, wnd.Create("second", 10, 10, 0, nullptr, 0));
    GuiShell* shell = GuiShell::FromHandle(hwnd);
    ASSERT_NE(nullptr, shell);
    EXPECT_EQ(shell, wnd.GetShell());
    EXPECT_EQ(5, shell->Value());
    EXPECT_STREQ("first", shell->GetName());
    EXPECT_EQ(1, shell->GetHost() == shell && shell->Focus() == shell);
    const LONG expected = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER |
                          WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    EXPECT_EQ(expected, GetWindowLongA(hwnd, GWL_STYLE) & (expected | WS_POPUP | WS_CHILD));
    EXPECT_TRUE(GetClassLongPtrA(hwnd, GCL_STYLE) & CS_DBLCLKS);

    // Centred without a parent, client size as asked; moved in client terms.
    const LONG x = (GetSystemMetrics(SM_CXSCREEN) - 480) / 2;
    const LONG y = (GetSystemMetrics(SM_CYSCREEN) - 320) / 2;
    EXPECT_EQ(guitest::Text({x, y, x + 480, y + 320}), ClientOnScreen(hwnd));
    EXPECT_NE(0, wnd.MoveWindow(10, 20, 300, 100, 1, 1));
    EXPECT_EQ("10,20,310,120", ClientOnScreen(hwnd));
    wnd.Destroy();
    EXPECT_EQ(0, wnd.MoveWindow(10, 20, 300, 100, 1, 1));
    EXPECT_EQ(nullptr, GuiShell::FromHandle(hwnd));

    // A class that exists is used as it was registered.
    WNDCLASSA own = {};
    own.lpfnWndProc = DefWindowProcA;
    own.hInstance = GetModuleHandleA(nullptr);
    own.lpszClassName = "FetchpaneTestOwnClass";
    ASSERT_NE(0, RegisterClassA(&own));
    TestWnd other;
    other.className = own.lpszClassName;
    HWND second = other.Create("other", 50, 50, kPopupWithDoubleClicks,
                               reinterpret_cast<HWND>(0x1234), 0);
    ASSERT_NE(nullptr, second);
    EXPECT_FALSE(GetClassLongPtrA(second, GCL_STYLE) & CS_DBLCLKS);
    EXPECT_TRUE(log.Contains("Parent window handle is invalid!"));
}

TEST_F(Window, NothingIsLeftWhenTheSurfaceFails) {
    TestWnd wnd;
    EXPECT_EQ(nullptr, wnd.Create("flat", 0, 50, GUI_WINDOW_POPUP, nullptr, 0));
    EXPECT_TRUE(log.Contains("Can't create surface of window flat!"));
    EXPECT_TRUE(log.Contains("Can't create framework interfaces!"));
    int windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountEngineWindow, LPARAM(&windows));
    EXPECT_EQ(0, windows);
}

TEST_F(Window, CloseRequestsAndDestroyAfterASystemClose) {
    TestWnd wnd;
    Started(wnd);
    HWND hwnd = wnd.GetHwnd();

    // Keys never close the window; the owner decides on a close request.
    EXPECT_EQ(1, SendMessageA(hwnd, WM_ERASEBKGND, 0, 0));
    SendMessageA(hwnd, WM_SYSKEYDOWN, VK_F4, 1 << 29);
    wnd.closeResult = 0;
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd));

    wnd.closeResult = 1;
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, GuiShell::FromHandle(hwnd));
    EXPECT_EQ(1, Probe::live);   // only the window went
    wnd.Destroy();
    EXPECT_EQ(0, Probe::live);
    EXPECT_EQ(nullptr, GuiShell::FromStoredHandle(hwnd));

    // A window whose shell was deleted unstarted stays, and is only the
    // system's from then on.
    TestWnd unstarted;
    HWND left = Make(unstarted);
    unstarted.Destroy();
    EXPECT_TRUE(IsWindow(left));
    EXPECT_EQ(0, SendMessageA(left, WM_ERASEBKGND, 0, 0));   // the system's: no brush
    DestroyWindow(left);
}

TEST_F(Window, DestroyFromInsideAnElementHandler) {
    // At a press, as a host may: the handling goes on to its end with the
    // tree intact; then it all goes.
    TestWnd wnd;
    Started(wnd)->onLButton = [&] { wnd.Destroy(); };
    guitest::SendMouse(wnd.GetHwnd(), WM_MOUSEMOVE, 20, 20);
    guitest::SendMouse(wnd.GetHwnd(), WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    EXPECT_EQ("p.OnLButton(10,10,1) p.OnMouseMessage(10,10,289)",
              journal.Seen("p.OnLButton p.OnMouseMessage"));
    EXPECT_EQ(0, Probe::live);
    EXPECT_FALSE(IsWindow(wnd.GetHwnd()));
    EXPECT_EQ(nullptr, wnd.GetShell());
    testsupport::PumpFor(100);   // a frame still queued finds no window

    // The same from the update walk of a frame.
    TestWnd second;
    Started(second)->onUpdate = [&] { second.Destroy(); };
    SendMessageA(second.GetHwnd(), WM_GUI_FRAME, 0, 0);
    EXPECT_EQ(0, Probe::live);
    EXPECT_FALSE(IsWindow(second.GetHwnd()));

    // And while another window's code holds the tree.
    TestWnd third;
    Started(third);
    {
        GuiShell::DispatchScope hold(third.GetShell());
        third.Destroy();
        EXPECT_FALSE(IsWindow(third.GetHwnd()));
        EXPECT_EQ(1, Probe::live);
    }
    EXPECT_EQ(0, Probe::live);
}

TEST_F(Window, StartRefusalsAndRates) {
    TestWnd wnd, fast, failing;
    Started(wnd, 0);
    EXPECT_EQ(30u, wnd.GetShell()->Fps());
    EXPECT_EQ(0, wnd.Start(1, 0, 30, 0, 1));   // once only
    Started(fast, 250);
    EXPECT_EQ(100u, fast.GetShell()->Fps());

    failing.onInitialize = [](GuiShell*) { return 0; };
    Make(failing);
    EXPECT_EQ(0, failing.Start(1, 0, 30, 0, 1));
    EXPECT_TRUE(log.Contains("Can't initialize frameworks!"));
    testsupport::PumpFor(150);
    EXPECT_EQ(nullptr, failing.GetShell()->FrameThread());
    EXPECT_EQ(0, failing.Start(1, 0, 30, 0, 1));

    // The stall clamp: 0.2 s is kept, anything longer is the nominal frame.
    EXPECT_FLOAT_EQ(0.2f, GuiShell::ClampFrameDelta(0.2f, 0.033f));
    EXPECT_FLOAT_EQ(0.033f, GuiShell::ClampFrameDelta(0.2001f, 0.033f));
}

TEST_F(Window, FramesRunAndAStallGivesTheNominalDelta) {
    TestWnd wnd;
    Started(wnd);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return probe->deltas.size() >= 3; }, 10000));
    probe->onUpdate = [] { Sleep(1000); };
    const size_t before = probe->deltas.size();
    ASSERT_TRUE(testsupport::PumpUntil([&] { return probe->deltas.size() >= before + 2; }, 10000));
    EXPECT_NEAR(1.0f / 30, probe->deltas[before + 1], 1e-4);

    // Destroying the window ends the frame thread.
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), wnd.GetShell()->FrameThread(), GetCurrentProcess(),
                    &thread, 0, FALSE, DUPLICATE_SAME_ACCESS);
    ASSERT_NE(nullptr, thread);
    DestroyWindow(wnd.GetHwnd());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
}

TEST_F(Window, ExceptionsStayInsideTheWindow) {
    TestWnd wnd;
    Started(wnd);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return probe->deltas.size() >= 2; }, 10000));
    probe->throwOnDraw = true;
    probe->Invalidate(nullptr, nullptr, 0);
    const size_t before = probe->deltas.size();
    // Frames go on: each failed one is dropped with its scene closed.
    ASSERT_TRUE(testsupport::PumpUntil([&] { return probe->deltas.size() >= before + 5; }, 10000));
    EXPECT_TRUE(log.Contains("Can't draw a frame of window test window!"));
    EXPECT_TRUE(testsupport::ShownBoxes().empty());   // no "Can't begin scene!"
    probe->throwOnDraw = false;

    probe->onLButton = [] { throw std::runtime_error("handler"); };
    guitest::SendMouse(wnd.GetHwnd(), WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    EXPECT_TRUE(log.Contains("Can't handle message 0x0201 of an engine window!"));
    EXPECT_TRUE(IsWindow(wnd.GetHwnd()));
}

// The frame threads are module threads: each takes a module reference of
// its own before it starts. A shell waits only for its thread's word, so a
// thread may still be on its way out when the shell is gone; it ends by
// itself, its reference keeping its code meanwhile.
std::atomic<int> g_moduleReferences{0};

HMODULE CountedReference() {
    ++g_moduleReferences;
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCSTR>(&CountedReference), &module);
    return module;
}

TEST_F(Window, ManyWindowsCreatedStartedAndDestroyedAtOnce) {
    const int kWindows = 100;
    g_moduleReferences = 0;
    ModuleThread::SetReferenceSource(&CountedReference);
    std::vector<HANDLE> threads;
    for (int i = 0; i < kWindows && !HasFatalFailure(); ++i) {
        TestWnd wnd;
        Started(wnd, 100);
        GuiShell* shell = wnd.GetShell();
        ASSERT_NE(nullptr, shell);
        // The start message is handled and the thread made; it may not have
        // run a single instruction yet.
        MSG msg;
        while (!shell->FrameThread() && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        ASSERT_NE(nullptr, shell->FrameThread()) << i;
        HANDLE thread = nullptr;
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), shell->FrameThread(), GetCurrentProcess(),
                                    &thread, SYNCHRONIZE, FALSE, 0));
        threads.push_back(thread);
        wnd.Destroy();
        ASSERT_EQ(0, Probe::live) << i;
    }
    ModuleThread::SetReferenceSource(nullptr);
    EXPECT_EQ(kWindows, g_moduleReferences.load());
    for (HANDLE thread : threads) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
        CloseHandle(thread);
    }
    testsupport::PumpFor(50);
}

// The engine's start-up makes the pools itself.
class EngineExit : public Window {
    void SetUp() override {}
};

TEST_F(EngineExit, DestroysEveryWindow) {
    BaseApp app;
    EngineConfig config;
    config.flags = EngineConfig::kNoLog;
    ASSERT_EQ(1, app.Init(nullptr, &config, "test"));
    TestWnd first, second;
    Started(first), Started(second);
    EXPECT_EQ(2, Probe::live);
    app.Exit(nullptr);
    EXPECT_EQ(0, Probe::live);
    EXPECT_FALSE(IsWindow(first.GetHwnd()) || IsWindow(second.GetHwnd()));
    EXPECT_EQ(nullptr, first.GetShell());   // the windows' owners find nothing left
}
