// Mouse input through the engine's window procedure, with the pointer the
// shell sees set by the test (never the display's real cursor).
#include "gui/GuiTestSupport.h"

#include <windowsx.h>

#include "graphics/DrawingTestSupport.h"

using guitest::Journal;
using guitest::kPopupWithDoubleClicks;
using guitest::MakeProbe;
using guitest::PointerAt;
using guitest::PointerOutside;
using guitest::Probe;
using guitest::SendMouse;
using guitest::TestWnd;

namespace {

// A 200 x 100 window with two probes side by side: a at (10, 10) and b at
// (100, 10), 50 x 50 each. Not started: every message is sent by the test.
class Input : public ::testing::Test {
protected:
    void SetUp() override {
        drawtest::EnsurePools();
        hwnd = wnd.Create("input", 200, 100, kPopupWithDoubleClicks, nullptr, 0);
        ASSERT_NE(nullptr, hwnd) << "no window (is DISPLAY set?)";
        shell = wnd.GetShell();
        a = MakeProbe("a", &journal, 50, 50);
        b = MakeProbe("b", &journal, 50, 50);
        ASSERT_EQ(1, shell->AddChild(a, 10, 10) && shell->AddChild(b, 100, 10));
        journal.Clear();
    }
    std::string Buttons(const std::string& tag) const {
        return journal.Seen(tag + ".OnLButton " + tag + ".OnRButton " + tag + ".OnMouseMessage");
    }
    // Offers `set` an element of no tree and one of another window's tree:
    // each is refused (null, the field and the focus kept, nobody told) and
    // then deleted (poisoned). An element of the tree deleted next reads
    // every field, and `use` reads the field the way input does.
    void ExpectStrangersRefused(const std::function<GUI*(GUI*)>& set,
                                const std::function<GUI*()>& get,
                                const std::function<void()>& use) {
        TestWnd otherWnd;
        ASSERT_NE(nullptr, otherWnd.Create("other", 100, 100, kPopupWithDoubleClicks, nullptr, 0));
        for (GUI* tree : {static_cast<GUI*>(nullptr), static_cast<GUI*>(otherWnd.GetShell())}) {
            SCOPED_TRACE(tree ? "of another window" : "of no tree");
            GUI* const held = get();
            GUI* const focus = shell->Focus();
            Probe* stranger = MakeProbe("stranger", &journal, 50, 50);
            ASSERT_TRUE(!tree || tree->AddChild(stranger, 10, 10));
            journal.Clear();
            EXPECT_EQ(nullptr, set(stranger));
            EXPECT_EQ(held, get());
            EXPECT_EQ(focus, shell->Focus());
            EXPECT_EQ("", journal.Seen());
            delete stranger;
            Probe* passing = MakeProbe("passing", &journal, 5, 5);
            ASSERT_EQ(1, b->AddChild(passing, 0, 0));
            delete passing;
            use();
        }
    }

    Journal journal;   // outlives the window: its probes write into it as they go
    TestWnd wnd;
    HWND hwnd = nullptr;
    GuiShell* shell = nullptr;
    Probe* a = nullptr;
    Probe* b = nullptr;
};

}   // namespace

TEST_F(Input, PressAndReleaseOnOneElementClick) {
    SendMouse(hwnd, WM_MOUSEMOVE, 20, 30);
    EXPECT_EQ(a, shell->Hover());
    SendMouse(hwnd, WM_LBUTTONDOWN, 20, 30, MK_LBUTTON);
    EXPECT_EQ(1, shell->LeftCapture() == a && shell->Focus() == a);
    SendMouse(hwnd, WM_LBUTTONUP, 21, 31);
    EXPECT_EQ(
        "a.OnLButton(10,20,1) a.OnMouseMessage(10,20,289) a.OnLButton(11,21,0) "
        "a.OnMouseMessage(11,21,290) a.OnLButton(11,21,2) a.OnMouseMessage(11,21,291)",
        Buttons("a"));
    EXPECT_EQ(nullptr, shell->LeftCapture());

    // The right button: the same with its own codes; the click needs only
    // that the element took the press.
    journal.Clear();
    SendMouse(hwnd, WM_RBUTTONDOWN, 20, 30, MK_RBUTTON);
    SendMouse(hwnd, WM_RBUTTONUP, 20, 30);
    EXPECT_EQ(
        "a.OnRButton(10,20,1) a.OnMouseMessage(10,20,293) a.OnRButton(10,20,0) "
        "a.OnMouseMessage(10,20,294) a.OnRButton(10,20,2) a.OnMouseMessage(10,20,295)",
        Buttons("a"));
}

TEST_F(Input, PressOnOneReleaseOnAnotherLosesTheCapture) {
    SendMouse(hwnd, WM_MOUSEMOVE, 20, 30);
    SendMouse(hwnd, WM_LBUTTONDOWN, 20, 30, MK_LBUTTON);
    SendMouse(hwnd, WM_MOUSEMOVE, 110, 30, MK_LBUTTON);
    EXPECT_EQ(b, shell->Hover());
    SendMouse(hwnd, WM_LBUTTONUP, 110, 30);
    const char* lost = "a.OnLButton(10,20,1) a.OnMouseMessage(10,20,289) a.OnLButton(0,0,4)";
    EXPECT_EQ(lost, Buttons("a"));
    EXPECT_EQ("b.OnLButton(10,20,0) b.OnMouseMessage(10,20,290)", Buttons("b"));

    // Released outside the window: capture lost, no release, no click.
    journal.Clear();
    SendMouse(hwnd, WM_LBUTTONDOWN, 20, 30, MK_LBUTTON);
    PointerOutside();
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(250, 30));
    EXPECT_EQ(lost, Buttons("a"));
    EXPECT_EQ(1, shell->MouseOutside());
    EXPECT_EQ(nullptr, shell->Hover());
}

TEST_F(Input, HoverEndsWhenThePointerLeavesAndFocusLossEndsCaptures) {
    // The first move enters; the second reaches the element.
    SendMouse(hwnd, WM_MOUSEMOVE, 20, 30);
    SendMouse(hwnd, WM_MOUSEMOVE, 22, 30);
    EXPECT_EQ("a.OnMouseEnter a.OnMouseMove(12,20) a.OnMouseMessage(12,20,301)",
              journal.Seen("a.OnMouse"));

    // Gone from the window: the next frame clears the hover, with no message.
    PointerOutside();
    SendMessageA(hwnd, WM_GUI_FRAME, 0, 0);
    EXPECT_EQ(nullptr, shell->Hover());
    EXPECT_EQ("a.OnMouseLeave", journal.Seen("a.OnMouseLeave"));

    // Back over the window: the next frame sees it. Focus lost: a capture
    // that is not the hover element loses it.
    journal.Clear();
    PointerAt(hwnd, 20, 30);
    SendMessageA(hwnd, WM_GUI_FRAME, 0, 0);
    EXPECT_EQ(0, shell->MouseOutside());
    SendMouse(hwnd, WM_MOUSEMOVE, 20, 30);
    SendMouse(hwnd, WM_LBUTTONDOWN, 20, 30, MK_LBUTTON);
    SendMouse(hwnd, WM_RBUTTONDOWN, 20, 30, MK_RBUTTON);
    SendMouse(hwnd, WM_MOUSEMOVE, 110, 30, MK_LBUTTON);
    SendMessageA(hwnd, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(nullptr, shell->LeftCapture());
    EXPECT_EQ(nullptr, shell->RightCapture());
    EXPECT_EQ("a.OnLButton(0,0,4) a.OnRButton(0,0,4)",
              journal.Seen("a.OnLButton(0,0,4) a.OnRButton(0,0,4)"));
}

TEST_F(Input, WheelIsHitTestedAtTheClientPoint) {
    POINT screen = {120, 40};
    ClientToScreen(hwnd, &screen);
    PointerAt(hwnd, 120, 40);
    SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(screen.x, screen.y));
    SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 240), MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ("b.OnMouseWheel(20,30,1) b.OnMouseWheel(20,30,0)",
              journal.Seen("a.OnMouseWheel b.OnMouseWheel"));
}

TEST_F(Input, DraggedElementFollowsAndGivesNoClick) {
    a->SetDraggable(1);
    SendMouse(hwnd, WM_MOUSEMOVE, 20, 30);
    SendMouse(hwnd, WM_LBUTTONDOWN, 20, 30, MK_LBUTTON);
    SendMouse(hwnd, WM_MOUSEMOVE, 25, 33, MK_LBUTTON);
    EXPECT_EQ(1, a->GetAbsX() == 15 && a->GetAbsY() == 13 && shell->Dragged() == a);
    SendMouse(hwnd, WM_LBUTTONUP, 25, 33);
    EXPECT_EQ("a.OnLButton(10,20,1) a.OnDragEnd a.OnLButton(10,20,0)",
              journal.Seen("a.OnLButton a.OnDragEnd"));

    // The window drag a caption press starts is posted, never dispatched
    // here: without a window manager its move loop would not return.
    SendMouse(hwnd, WM_MOUSEMOVE, 30, 30);
    EXPECT_NE(0, a->BeginWindowDrag());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(WPARAM(HTCAPTION), msg.wParam);
    EXPECT_EQ(30, GET_X_LPARAM(msg.lParam));

    // A non-client press (not on the caption): the shell takes the left
    // button and the focus, and the right capture is lost.
    SendMouse(hwnd, WM_RBUTTONDOWN, 120, 30, MK_RBUTTON);
    journal.Clear();
    SendMessageA(hwnd, WM_NCLBUTTONDOWN, HTNOWHERE, 0);
    EXPECT_EQ(1, shell->LeftCapture() == shell && shell->Focus() == shell);
    EXPECT_EQ(nullptr, shell->RightCapture());
    EXPECT_EQ("b.OnRButton(0,0,4)", journal.Seen("b.OnRButton"));
}

TEST_F(Input, LayersTakeTheMouseAndKeysFirst) {
    // A visible popup is hidden by a press outside it; the press goes on.
    shell->SetPopup(b);
    SendMouse(hwnd, WM_LBUTTONDOWN, 20, 30, MK_LBUTTON);
    SendMouse(hwnd, WM_LBUTTONUP, 20, 30);
    EXPECT_EQ(0, b->IsVisible());
    EXPECT_EQ("a.OnLButton(10,20,1) a.OnLButton(10,20,0) a.OnLButton(10,20,2)",
              journal.Seen("a.OnLButton"));
    b->Show(1);
    shell->SetPopup(nullptr);

    // A visible exclusive layer alone is hit; a press elsewhere hides it and
    // goes to the shell.
    journal.Clear();
    shell->SetExclusive(b);
    SendMouse(hwnd, WM_LBUTTONDOWN, 110, 30, MK_LBUTTON);
    SendMouse(hwnd, WM_LBUTTONDOWN, 20, 30, MK_LBUTTON);
    EXPECT_EQ("b.OnLButton(10,20,1)", journal.Seen("a.OnLButton b.OnLButton"));
    EXPECT_EQ(0, b->IsVisible());
    EXPECT_EQ(shell, shell->LeftCapture());
    b->Show(1);
    shell->SetExclusive(nullptr);

    // A visible modal root alone is hit and takes the keys from a key target
    // outside it.
    journal.Clear();
    shell->SetModalRoot(b);
    shell->SetKeyTarget(a);
    SendMouse(hwnd, WM_MOUSEMOVE, 20, 30);
    EXPECT_EQ(shell, shell->Hover());
    SendMessageA(hwnd, WM_KEYDOWN, 'K', 0);
    shell->SetModalRoot(nullptr);
    SendMessageA(hwnd, WM_KEYUP, 'K', 0);
    EXPECT_EQ("b.OnKey(75,1) a.OnKey(75,0)", journal.Seen("a.OnKey b.OnKey"));
}

// A layer or target the window could not forget when its element goes is
// never taken.
TEST_F(Input, LayersAndTargetsTakeOnlyElementsOfTheirOwnTree) {
    using Setter = int (GuiShell::*)(GUI*);
    using Getter = GUI* (GuiShell::*)() const;
    const struct {
        const char* what;
        Setter set;
        Getter get;
    } rows[] = {{"popup", &GuiShell::SetPopup, &GuiShell::Popup},
                {"modal root", &GuiShell::SetModalRoot, &GuiShell::ModalRoot},
                {"exclusive layer", &GuiShell::SetExclusive, &GuiShell::Exclusive},
                {"key target", &GuiShell::SetKeyTarget, &GuiShell::KeyTarget},
                {"message hook", &GuiShell::SetMessageHook, &GuiShell::MessageHook},
                {"tip listener", &GuiShell::SetTipListener, &GuiShell::TipListener}};
    TestWnd otherWnd;
    ASSERT_NE(nullptr, otherWnd.Create("other", 100, 100, kPopupWithDoubleClicks, nullptr, 0));
    GuiShell* other = otherWnd.GetShell();
    // Every field is read on the way: the mouse, keys, the pointer leaving.
    auto use = [this] {
        SendMouse(hwnd, WM_MOUSEMOVE, 20, 30);
        SendMouse(hwnd, WM_LBUTTONDOWN, 20, 30, MK_LBUTTON);
        SendMouse(hwnd, WM_LBUTTONUP, 20, 30);
        SendMessageA(hwnd, WM_KEYDOWN, 'K', 0);
        PointerOutside();
        SendMessageA(hwnd, WM_GUI_FRAME, 0, 0);
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Probe* own = MakeProbe("own", &journal, 5, 5);
        ASSERT_EQ(1, b->AddChild(own, 0, 0));
        EXPECT_EQ(1, (shell->*row.set)(own));
        EXPECT_EQ(own, (shell->*row.get)());

        // Refused, the field kept: one in no tree, one of another window's
        // tree; neither is heard of again once deleted (poisoned).
        for (GUI* tree : {static_cast<GUI*>(nullptr), static_cast<GUI*>(other)}) {
            Probe* stranger = MakeProbe("stranger", &journal, 50, 50);
            ASSERT_TRUE(!tree || tree->AddChild(stranger, 10, 10));
            EXPECT_EQ(0, (shell->*row.set)(stranger));
            EXPECT_EQ(own, (shell->*row.get)());
            delete stranger;
            use();
        }

        // One of the tree is forgotten when it goes; null clears.
        delete own;
        EXPECT_EQ(nullptr, (shell->*row.get)());
        use();
        EXPECT_EQ(1, (shell->*row.set)(a) && (shell->*row.set)(nullptr));
        EXPECT_EQ(nullptr, (shell->*row.get)());
    }
}

// The hover, the captures and the tip target are never an element the
// window would not forget when it goes.
TEST_F(Input, HoverTakesOnlyElementsOfItsOwnTree) {
    SendMouse(hwnd, WM_MOUSEMOVE, 20, 30);
    ASSERT_EQ(a, shell->Hover());
    // The pointer moving on tells the element it leaves.
    ExpectStrangersRefused([this](GUI* e) { return shell->SetHover(e); },
                           [this] { return shell->Hover(); },
                           [this] {
                               SendMouse(hwnd, WM_MOUSEMOVE, 110, 30);
                               SendMouse(hwnd, WM_MOUSEMOVE, 20, 30);
                           });
    EXPECT_EQ(a, shell->SetHover(b));
}

TEST_F(Input, LeftCaptureTakesOnlyElementsOfItsOwnTree) {
    a->SetDraggable(1);
    SendMouse(hwnd, WM_MOUSEMOVE, 20, 30);
    SendMouse(hwnd, WM_LBUTTONDOWN, 20, 30, MK_LBUTTON);
    ASSERT_EQ(1, shell->LeftCapture() == a && shell->Focus() == a);
    // A drag step reads the capture.
    int step = 0;
    ExpectStrangersRefused(
        [this](GUI* e) { return shell->SetLeftCapture(e, 1); },
        [this] { return shell->LeftCapture(); },
        [&] { SendMouse(hwnd, WM_MOUSEMOVE, 21 + step, 30, MK_LBUTTON), ++step; });
    EXPECT_EQ(1, shell->Dragged() == a && a->GetAbsX() == 12);
    SendMouse(hwnd, WM_LBUTTONUP, 22, 30);
    EXPECT_EQ("a.OnDragEnd a.OnLButton(10,20,0)", journal.Seen("a.OnDragEnd a.OnLButton"));
    EXPECT_EQ(nullptr, shell->LeftCapture());
}

// The right and middle captures, through their own setters and the slot's.
TEST_F(Input, ButtonCapturesTakeOnlyElementsOfTheirOwnTree) {
    const struct {
        const char* what;
        GuiShell::CaptureSlot slot;
        GUI* (GuiShell::*set)(GUI*, int);
        GUI* (GuiShell::*get)() const;
        UINT press;
        WPARAM held;
        const char* lost;
    } rows[] = {{"right", GuiShell::RIGHT, &GuiShell::SetRightCapture, &GuiShell::RightCapture,
                 WM_RBUTTONDOWN, MK_RBUTTON, "a.OnRButton(0,0,4)"},
                {"middle", GuiShell::MIDDLE, &GuiShell::SetMiddleCapture, &GuiShell::MiddleCapture,
                 WM_MBUTTONDOWN, MK_MBUTTON, "a.OnMButton(0,0,4)"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::function<GUI*(GUI*)> setters[] = {
            [&](GUI* e) { return (shell->*row.set)(e, 1); },
            [&](GUI* e) { return shell->SetButtonCapture(row.slot, e, 1); }};
        for (const auto& set : setters) {
            SendMouse(hwnd, WM_MOUSEMOVE, 20, 30);
            SendMouse(hwnd, row.press, 20, 30, row.held);
            ASSERT_EQ(a, (shell->*row.get)());
            // Focus lost ends every capture: the one that held it is told
            // unless it is the hover element. The press takes it again.
            ExpectStrangersRefused(
                set, [&] { return (shell->*row.get)(); },
                [&] {
                    SendMessageA(hwnd, WM_KILLFOCUS, 0, 0);
                    SendMouse(hwnd, row.press, 20, 30, row.held);
                });
            shell->SetHover(b);
            EXPECT_EQ(a, set(nullptr));
            EXPECT_EQ(row.lost, journal.Seen(row.lost));
        }
    }
}

TEST_F(Input, TipTargetTakesOnlyElementsOfItsOwnTree) {
    ASSERT_EQ(1, shell->SetTipListener(b));
    EXPECT_EQ(nullptr, shell->SetTipTarget(a));
    // The listener hears of the tip target again.
    ExpectStrangersRefused([this](GUI* e) { return shell->SetTipTarget(e); },
                           [this] { return shell->TipTarget(); },
                           [this] { shell->SetTipTarget(a); });
    EXPECT_EQ("b.OnTipTargetAgain(1)", journal.Seen("b.OnTip"));
}

namespace {

// Deletes the element that notifies it with code and kind, or with kDrag
// the element it is told is dragged.
struct Deleter : GUI {
    static constexpr uint32_t kDrag = 0xFFFFFFFF;
    int OnNotify(GUI* sender, uint32_t c, WPARAM k, LPARAM) override {
        if (c == code && k == kind) delete sender;
        return 0;
    }
    void OnChildDrag(GUI* child, POINT*) override {
        if (code == kDrag) delete child;
    }
    uint32_t code = 0;
    WPARAM kind = 0;
};

// In a 200 x 100 window: a (10, 10, 50 x 50) holding v (5, 5, 20 x 20, a
// plain element reporting to the deleter) and s (30, 30); v holds g; b beside
// a. Deleted elements are poisoned.
struct Doomed {
    Deleter deleter;
    Probe *a, *b, *s, *g;
    GUI* v;
};

// b's update deletes a, whose first child s then deletes its sibling v from
// the hook given.
void SiblingDeletedIn(Doomed& t, std::function<void()> Probe::*hook) {
    t.s->SendToBack();
    t.s->*hook = [&t] { delete t.v; };
    t.b->onUpdate = [&t] { delete t.a, t.a = nullptr; };
}

}   // namespace

TEST(GuiDeletion, AnElementDeletedInItsOwnHandlingIsNeverTouchedAgain) {
    const struct {
        const char* what;
        void (*arm)(Doomed&);
        const char* input;   // m move to v, p press, r release, d drag, f frame
        const char* seen;    // updates, draws, what a hears from v, deletions
        // Where the older build, which tells no child of its deletion, differs.
        const char* olderSeen = nullptr;
    } rows[] = {
        {"its move ends",
         [](Doomed& t) {
             t.deleter.code = GUI_NOTIFY_MOVE_END;
             t.v->MoveLinear(5, 5, 1, 0);   // to where it is: ends at the next update
         },
         "f", "a.OnUpdate g.delete s.OnUpdate b.OnUpdate a.OnDraw s.OnDraw b.OnDraw"},
        {"the pointer enters it", [](Doomed& t) { t.deleter.code = GUI_NOTIFY_MOUSE_ENTER; }, "mf",
         "g.delete a.OnUpdate s.OnUpdate b.OnUpdate a.OnDraw s.OnDraw b.OnDraw"},
        {"it is clicked",
         [](Doomed& t) { t.deleter.code = GUI_NOTIFY_LBUTTON, t.deleter.kind = GUI_BUTTON_CLICK; },
         "mprf",
         "a.OnMouseMessage(15,15,289) a.OnMouseMessage(15,15,290) g.delete a.OnUpdate s.OnUpdate "
         "b.OnUpdate a.OnDraw s.OnDraw b.OnDraw"},
        {"it is pressed",
         [](Doomed& t) { t.deleter.code = GUI_NOTIFY_LBUTTON, t.deleter.kind = GUI_BUTTON_DOWN; },
         "mpf", "g.delete a.OnUpdate s.OnUpdate b.OnUpdate a.OnDraw s.OnDraw b.OnDraw"},
        {"it is dragged", [](Doomed& t) { t.deleter.code = Deleter::kDrag, t.v->SetDraggable(1); },
         "mpdf",
         "a.OnMouseMessage(15,15,289) g.delete a.OnUpdate s.OnUpdate b.OnUpdate a.OnDraw s.OnDraw "
         "b.OnDraw"},
        {"a descendant's update deletes an ancestor",
         [](Doomed& t) { t.g->onUpdate = [&t] { delete t.a, t.a = nullptr; }; }, "f",
         "a.OnUpdate g.OnUpdate a.delete g.delete s.delete b.OnUpdate b.OnDraw"},
        {"a descendant's draw deletes an ancestor",
         [](Doomed& t) { t.g->onDraw = [&t] { delete t.a, t.a = nullptr; }; }, "f",
         "a.OnUpdate g.OnUpdate s.OnUpdate b.OnUpdate a.OnDraw g.OnDraw a.delete g.delete s.delete "
         "b.OnDraw"},
        {"a child's release deletes its sibling",
         [](Doomed& t) { SiblingDeletedIn(t, &Probe::onRelease); }, "f",
         "a.OnUpdate s.OnUpdate g.OnUpdate b.OnUpdate a.delete g.delete s.delete b.OnDraw",
         "a.OnUpdate s.OnUpdate g.OnUpdate b.OnUpdate a.delete s.delete g.delete b.OnDraw"},
        {"a child's deletion deletes its sibling",
         [](Doomed& t) { SiblingDeletedIn(t, &Probe::onDelete); }, "f",
         "a.OnUpdate s.OnUpdate g.OnUpdate b.OnUpdate a.delete s.delete g.delete b.OnDraw"},
    };
    drawtest::EnsurePools();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Journal j;
        Doomed t;
        TestWnd wnd;
        const HWND hwnd = wnd.Create("deletion", 200, 100, kPopupWithDoubleClicks, nullptr, 0);
        GuiShell* shell = wnd.GetShell();
        t.a = MakeProbe("a", &j, 50, 50), t.b = MakeProbe("b", &j, 50, 50);
        t.s = MakeProbe("s", &j, 10, 10), t.g = MakeProbe("g", &j, 5, 5);
        t.v = new guitest::Poisoned<GUI>;
        ASSERT_EQ(1, t.v->Create("v", 20, 20, &t.deleter, 0) && shell->AddChild(t.a, 10, 10) &&
                         shell->AddChild(t.b, 100, 10) && t.a->AddChild(t.v, 5, 5) &&
                         t.a->AddChild(t.s, 30, 30) && t.v->AddChild(t.g, 0, 0));
        PointerAt(hwnd, 150, 80);
        row.arm(t);
        j.Clear();
        for (const char* step = row.input; *step; ++step) {
            const UINT message = *step == 'p'   ? WM_LBUTTONDOWN
                                 : *step == 'r' ? WM_LBUTTONUP
                                                : WM_MOUSEMOVE;
            const int at = *step == 'd' ? 30 : 25;
            if (*step == 'f')
                SendMessageA(hwnd, WM_GUI_FRAME, 0, 0);
            else
                SendMouse(hwnd, message, at, at, *step == 'p' || *step == 'd' ? MK_LBUTTON : 0);
        }

        // The walks and deliveries went on past the deletion, over the rest;
        // the tree is whole and the window holds nothing that went.
        EXPECT_EQ(FP_OLDER_BUILD && row.olderSeen ? row.olderSeen : row.seen,
                  j.Seen("a.OnUpdate s.OnUpdate g.OnUpdate b.OnUpdate a.OnDraw s.OnDraw "
                         "g.OnDraw b.OnDraw a.OnMouseMessage a.delete g.delete s.delete"));
        EXPECT_EQ(t.a ? 3 : 1, Probe::live);
        EXPECT_EQ(t.a ? 2 : 1, shell->GetChildCount());
        EXPECT_EQ(t.a ? t.a : t.b, shell->GetChild(nullptr));
        EXPECT_TRUE(!t.a || (t.a->GetChildCount() == 1 && t.a->GetChild(nullptr) == t.s));
        for (GUI* held : {shell->Hover(), shell->LeftCapture(), shell->Dragged(), shell->Focus()})
            EXPECT_TRUE(!held || held == shell || held == t.b || (t.a && held == t.a));
    }
}
