// Elements without a window: the block's defaults, class records, creation
// rules, attaching children and destroying trees.
#include "gui/GuiTestSupport.h"

#include <cstring>

#include "engine/gui/uiStyleCtrl.h"
#include "engine/gui/uiTextCtrl.h"

using guitest::Journal;
using guitest::MakeProbe;
using guitest::Probe;

namespace {

// A subclass of the style element without a record of its own, as the
// panel's frames are.
class PlainFrame : public uiStyleCtrl {};

}   // namespace

TEST(GuiElement, NewElementDefaultsAndClassRecords) {
    GUI e;
    EXPECT_EQ(1, e.IsVisible());
    EXPECT_EQ(1, e.IsHitTestable());
    EXPECT_EQ(0, e.IsDraggable());
    EXPECT_EQ(0, e.IsStretch());
    EXPECT_EQ(0, e.IsCreated());
    EXPECT_STREQ("", e.GetName());
    EXPECT_EQ(0, e.GetWidth());
    // The bits without accessors: set each and read back the previous value.
    EXPECT_EQ(0, e.SetHitTestSelf(1));
    EXPECT_EQ(0, e.SetTipTargetBit(1));
    EXPECT_EQ(0, e.SetStretch(1));

    struct Case {
        const RuntimeClass* record;
        const char* name;
        const char* base;
        uint32_t size;
    };
    PlainFrame frame;
    uiTextCtrl text;
    const Case cases[] = {
        {GUI().GetRuntimeClass(), "GUI", nullptr, sizeof(GUI)},
        {text.GetRuntimeClass(), "uiTextCtrl", "GUI", sizeof(uiTextCtrl)},
        {frame.GetRuntimeClass(), "uiStyleCtrl", "GUI", sizeof(uiStyleCtrl)},
        {GuiShell(nullptr, 0).GetRuntimeClass(), "GuiShell", "GUI", sizeof(GuiShell)},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(c.name, c.record->name);
        EXPECT_EQ(c.size, c.record->objectSize) << c.name;
        if (c.base) {
            ASSERT_NE(nullptr, c.record->base);
            EXPECT_STREQ(c.base, c.record->base->name);
        } else {
            EXPECT_EQ(nullptr, c.record->base);
        }
    }
    // The record's name is the default element name.
    EXPECT_STREQ("uiStyleCtrl", frame.SetName(nullptr));
}

TEST(GuiElement, CreateRulesAndNames) {
    GUI a;
    EXPECT_EQ(1, a.Create("a", 0, 5, nullptr, 7));
    EXPECT_EQ(1, a.GetWidth());
    EXPECT_EQ(5, a.GetHeight());
    EXPECT_EQ(7, a.GetUserValue());
    EXPECT_EQ(0, a.Create("again", 3, 3, nullptr, 0));   // created once
    EXPECT_STREQ("a", a.GetName());

    struct Case {
        const char* name;
        int w, h;
    };
    const Case refused[] = {{"neg", -1, 5}, {"neg", 5, -1}, {"", 5, 5}, {nullptr, 5, 5}};
    for (const Case& c : refused) {
        GUI e;
        EXPECT_EQ(0, e.Create(c.name, c.w, c.h, nullptr, 0)) << (c.name ? c.name : "(null)");
        EXPECT_EQ(0, e.IsCreated());
    }

    // Names are cut at 259 bytes, never inside a double-byte character.
    std::string odd = "A";
    std::string even = "AB";
    for (int i = 0; i < 150; ++i) odd += "汉", even += "汉";
    GUI e;
    EXPECT_EQ(259u, std::strlen(e.SetName(odd.c_str())));
    EXPECT_EQ(258u, std::strlen(e.SetName(even.c_str())));
    EXPECT_EQ(0, std::memcmp(e.GetName(), even.data(), 258));
    EXPECT_STREQ("GUI", e.SetName(""));
}

TEST(GuiTree, FirstAttachRunsTheHooksInOrderAndRefusalsChangeNothing) {
    Journal j;
    std::unique_ptr<Probe> root(MakeProbe("root", &j, 100, 100));
    Probe* a = MakeProbe("a", &j, 10, 10);
    ASSERT_EQ(1, root->AddChild(a, 3, 4));
    EXPECT_EQ((std::vector<std::string>{"a.OnMove(3,4)", "a.OnInitialize", "a.OnCreate",
                                        "a.OnSize(10,10)", "a.OnShow(1)"}),
              j.lines);
    EXPECT_EQ(root.get(), a->GetParent());
    EXPECT_EQ(3, a->GetAbsX());

    // Refused: null, itself, a duplicate, an ancestor, another parent's child.
    std::unique_ptr<Probe> other(MakeProbe("other", &j, 10, 10));
    Probe* b = MakeProbe("b", &j, 5, 5);
    ASSERT_EQ(1, a->AddChild(b, 1, 1));
    j.Clear();
    EXPECT_EQ(0, root->AddChild(nullptr, 0, 0));
    EXPECT_EQ(0, root->AddChild(root.get(), 0, 0));
    EXPECT_EQ(0, root->AddChild(a, 0, 0));
    EXPECT_EQ(0, b->AddChild(root.get(), 0, 0));
    EXPECT_EQ(0, other->AddChild(b, 0, 0));
    EXPECT_EQ(0, root->AddChild(b, 0, 0));
    EXPECT_TRUE(j.lines.empty());
    EXPECT_EQ(a, b->GetParent());
    EXPECT_EQ(0, other->GetChildCount());

    // A refused first attach leaves the child unattached and the caller's.
    Probe* c = MakeProbe("c", &j, 5, 5);
    c->createResult = 0;
    EXPECT_EQ(0, root->AddChild(c, 0, 0));
    EXPECT_EQ(nullptr, c->GetParent());
    EXPECT_EQ(0, root->IsChild(c, 1));
    delete c;

    // Not created: refused by OnAddChild's default.
    Probe uncreated("u", &j);
    EXPECT_EQ(0, root->AddChild(&uncreated, 0, 0));

    EXPECT_EQ(a, root->GetChild(nullptr));
    EXPECT_EQ(nullptr, root->GetChild(b));
    EXPECT_EQ(1, root->IsChild(b, 1));
    EXPECT_EQ(1, b->HasAncestor(root.get()));
    EXPECT_EQ(0, root->HasAncestor(b));
}

TEST(GuiTree, DestructionReleasesChildrenInOrderAndCountsBackToZero) {
    const int before = Probe::live;
    Journal j;
    {
        std::unique_ptr<Probe> root(MakeProbe("root", &j, 100, 100));
        for (const char* name : {"c1", "c2", "c3"}) {
            Probe* child = MakeProbe(name, &j, 10, 10);
            ASSERT_EQ(1, root->AddChild(child, 0, 0));
            ASSERT_EQ(1, child->AddChild(MakeProbe(std::string(name) + "g", &j, 2, 2), 0, 0));
        }
        j.Clear();
    }
    // Each probe writes "delete" as its own destructor starts, before the
    // element base destroys the children.
    EXPECT_EQ((std::vector<std::string>{
                  "root.delete", "c1.OnRelease(1)", "c1.delete", "c1g.OnRelease(1)", "c1g.delete",
                  "c2.OnRelease(1)", "c2.delete", "c2g.OnRelease(1)", "c2g.delete",
                  "c3.OnRelease(1)", "c3.delete", "c3g.OnRelease(1)", "c3g.delete"}),
              j.lines);
    EXPECT_EQ(before, Probe::live);
}

TEST(GuiTree, ElementDeletedWhileAttachedUnlinksAndIsForgotten) {
    guitest::OffscreenShell off(100, 100);
    GuiShell& shell = off.shell();
    Journal j;
    Probe* a = MakeProbe("a", &j, 20, 20);
    Probe* b = MakeProbe("b", &j, 20, 20);
    Probe* inner = MakeProbe("inner", &j, 5, 5);
    ASSERT_EQ(1, shell.AddChild(a, 0, 0));
    ASSERT_EQ(1, shell.AddChild(b, 30, 0));
    ASSERT_EQ(1, a->AddChild(inner, 1, 1));
    a->Invalidate(nullptr, nullptr, 1);
    off.Frame();   // a draw order exists, a's area is measured
    shell.SetHover(inner);
    shell.SetLeftCapture(a, 1);
    shell.SetPopup(inner);
    EXPECT_EQ(a, shell.Focus());

    delete a;
    EXPECT_EQ(1, shell.GetChildCount());
    EXPECT_EQ(b, shell.GetChild(nullptr));
    EXPECT_EQ(nullptr, shell.Hover());
    EXPECT_EQ(nullptr, shell.LeftCapture());
    EXPECT_EQ(&shell, shell.Focus());
    // The next frame repaints where it was and draws only b.
    j.Clear();
    const RECT repainted = off.Frame();
    EXPECT_RECT(repainted, 0, 0, 20, 20);
    EXPECT_EQ((std::vector<std::string>{"b.OnDraw"}), j.Only({"a.", "b.", "inner."}));
}
