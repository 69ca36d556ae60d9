// Drawing walks read from the canvas's recorded commands and dirty
// rectangles, hit tests, and notification routing.
#include "gui/GuiTestSupport.h"

#include <windowsx.h>

#include <climits>
#include <string>

#include "graphics/DrawingTestSupport.h"

using guitest::Journal;
using guitest::MakeProbe;
using guitest::OffscreenShell;
using guitest::Probe;
using guitest::Text;

TEST(GuiRender, WalkPrunesAndRepaintsOnlyWhatChanged) {
    OffscreenShell off(200, 100);
    GuiShell& shell = off.shell();
    Journal j;
    Probe* a = MakeProbe("a", &j, 30, 20);
    Probe* b = MakeProbe("b", &j, 30, 20);
    ASSERT_EQ(1, shell.AddChild(a, 10, 10) && shell.AddChild(b, 100, 50) &&
                     b->AddChild(MakeProbe("under", &j, 5, 5), 2, 2));
    off.Frame();   // first frame: everything

    b->drawResult = 0;
    j.Clear();
    RECT repainted = off.Frame();
    EXPECT_EQ("a.OnDraw b.OnDraw", j.Seen("a.OnDraw b.OnDraw under.OnDraw"));
    EXPECT_TRUE(Nuvex::RectIsEmpty(repainted));   // nothing changed

    // Hiding repaints the old area; moving repaints old and new.
    a->Show(0);
    EXPECT_EQ("10,10,40,30", Text(off.Frame()));
    a->Show(1);
    off.Frame();
    a->MoveTo(50, 15);
    a->Invalidate(nullptr, nullptr, 0);
    EXPECT_EQ("10,10,80,35", Text(off.Frame()));
    EXPECT_TRUE(Nuvex::RectIsEmpty(off.Frame()));

    // The dirty rectangle union: an empty side adds nothing; two give zeros.
    GUI e;
    RECT out;
    const RECT empty = {5, 5, 5, 9}, r1 = {1, 2, 3, 4};
    e.Invalidate(&out, &empty, 0);
    EXPECT_EQ("0,0,0,0", Text(out));
    e.Invalidate(&out, &r1, 0);
    e.Invalidate(&out, &empty, 0);
    EXPECT_EQ("1,2,3,4", Text(out));
}

namespace {

// Fills its whole area.
struct Filler : GUI {
    int OnDraw(int x, int y, int w, int h) override {
        if (ISurface* surface = GetSurface()) surface->FillRect(nullptr, x, y, w, h, 0, 0xFFFFFFFF);
        return 1;
    }
};

// The part of the client area on the desktop's screens, in client
// coordinates.
RECT OnTheScreens(HWND hwnd) {
    RECT screens = Nuvex::RectOfSize(
        GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
        GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&screens), 2);
    RECT client;
    GetClientRect(hwnd, &client);
    return Nuvex::RectIntersect(client, screens);
}

}   // namespace

// A window of the largest size, far larger than the screen, draws only the
// part of it the screen shows, also as another part comes into view; made
// small again, it gives its pixel store back.
TEST(GuiRender, AWindowLargerThanTheScreenDrawsOnlyWhatShows) {
    constexpr int kLargest = 8192;
    constexpr uint32_t kUntouched = 0x5A5A5A5A;
    drawtest::EnsurePools();
    guitest::TestWnd wnd;
    const HWND hwnd = wnd.Create("large", 200, 100, guitest::kPopupWithDoubleClicks, nullptr, 0);
    ASSERT_NE(nullptr, hwnd) << "no window (is DISPLAY set?)";
    GuiShell* shell = wnd.GetShell();
    Filler* filler = new Filler;
    ASSERT_EQ(1, filler->Create("filler", kLargest, kLargest, nullptr, 0) &&
                     shell->AddChild(filler, 0, 0));
    // The older build's surface takes the size at the frame.
    ASSERT_NE(0, wnd.MoveWindow(-100, -50, kLargest, kLargest, 1, 0));
    SendMessageA(hwnd, WM_GUI_FRAME, 0, 0);
    const CanvasDC& canvas = *shell->Surface()->WindowCanvas();
    ASSERT_EQ(1, canvas.Width() == kLargest && canvas.Height() == kLargest);

    const POINT places[] = {{-3000, -2000}, {0, 0}};
    for (const POINT& place : places) {
        SCOPED_TRACE(std::to_string(place.x) + "," + std::to_string(place.y));
        Bitmap& store = *canvas.PixelStore();
        store.Fill(kUntouched);
        ASSERT_NE(0, wnd.MoveWindow(place.x, place.y, kLargest, kLargest, 1, 0));
        SendMessageA(hwnd, WM_GUI_FRAME, 0, 0);
        const RECT shown = OnTheScreens(hwnd);
        ASSERT_FALSE(Nuvex::RectIsEmpty(shown));
        const int area = (shown.right - shown.left) * (shown.bottom - shown.top);
        EXPECT_EQ(area, drawtest::InkIn(store, shown.left, shown.top, shown.right, shown.bottom,
                                        kUntouched));
        EXPECT_EQ(area, drawtest::InkIn(store, 0, 0, kLargest, kLargest, kUntouched));
    }

    ASSERT_NE(0, wnd.MoveWindow(0, 0, 200, 100, 1, 0));
    SendMessageA(hwnd, WM_GUI_FRAME, 0, 0);
    EXPECT_EQ(1, canvas.PixelStore()->Width() == 200 && canvas.PixelStore()->Height() == 100);
}

TEST(GuiHitTest, RulesWithAndWithoutAWindow) {
    Journal j;
    std::unique_ptr<Probe> root(MakeProbe("root", &j, 100, 100));
    Probe* low = MakeProbe("low", &j, 50, 50);
    Probe* high = MakeProbe("high", &j, 50, 50);
    Probe* inner = MakeProbe("inner", &j, 10, 10);
    ASSERT_EQ(1, root->AddChild(low, 0, 0) && root->AddChild(high, 20, 20) &&
                     high->AddChild(inner, 5, 5));

    // No window: the rectangle test still holds.
    EXPECT_EQ(nullptr, root->HitTest(150, 5, 1));
    EXPECT_EQ(low, root->HitTest(5, 5, 1));
    EXPECT_EQ(high, root->HitTest(40, 40, 1));   // the last child is on top
    EXPECT_EQ(inner, root->HitTest(26, 26, 1));
    EXPECT_EQ(root.get(), root->HitTest(26, 26, 0));
    std::unique_ptr<Probe> edge(MakeProbe("edge", &j, 10, 10));
    edge->MoveTo(INT_MAX - 5, 0);   // its right edge lies past the int range
    EXPECT_EQ(edge.get(), edge->HitTest(INT_MAX - 1, 5, 1));
    inner->SetHitTestable(0);
    EXPECT_EQ(high, root->HitTest(26, 26, 1));
    high->Show(0);
    EXPECT_EQ(low, root->HitTest(30, 30, 1));
    high->Show(1);
    EXPECT_EQ(1, high->SendToBack());   // now under low
    EXPECT_EQ(low, root->HitTest(30, 30, 1));
    EXPECT_EQ(high, root->HitTest(60, 60, 1));

    // In a window: the first drawn after SendToBack, and hit last.
    OffscreenShell off(100, 100);
    Probe* first = MakeProbe("first", &j, 10, 10);
    Probe* second = MakeProbe("second", &j, 10, 10);
    ASSERT_EQ(1, off.shell().AddChild(first, 0, 0) && off.shell().AddChild(second, 0, 0));
    second->SendToBack();
    j.Clear();
    off.Frame();
    EXPECT_EQ("second.OnDraw first.OnDraw", j.Seen("first.OnDraw second.OnDraw"));
    EXPECT_EQ(first, off.shell().HitTest(5, 5, 1));
}

TEST(GuiNotify, RoutingBubblingAndPackedPoints) {
    Journal j;
    std::unique_ptr<Probe> root(MakeProbe("root", &j, 100, 100));
    std::unique_ptr<Probe> watcher(MakeProbe("watcher", &j, 1, 1));
    Probe* child = MakeProbe("child", &j, 50, 50);
    Probe* grand = new Probe("grand", &j);
    ASSERT_EQ(1, grand->Create("grand", 10, 10, watcher.get(), 0));
    ASSERT_EQ(1, root->AddChild(child, 10, 20) && child->AddChild(grand, 3, 4));

    GUI alone;
    EXPECT_EQ(0, alone.Notify(0x21, 0, 0));
    EXPECT_EQ(0x50, child->Notify(0x50, 0, 0));   // to the parent

    j.Clear();
    grand->OnLButton(-3, -7, GUI_BUTTON_DOWN);   // the listener wins
    grand->OnMouseMessage(5, 5, GUI_MOUSE_LEFT_DOWN);
    EXPECT_EQ(
        "grand.OnLButton(-3,-7,1) watcher.OnNotify(grand,36,1,-3,-7) "
        "grand.OnMouseMessage(5,5,289) child.OnMouseMessage(8,9,289) "
        "root.OnMouseMessage(18,29,289)",
        j.Seen());
    EXPECT_EQ(-7, GET_Y_LPARAM(GuiPackPoint(-3, -7)));
    EXPECT_EQ(-3, GET_X_LPARAM(GuiPackPoint(-3, -7)));
}
