// Elements without a window: the block's defaults, class records, creation
// rules, attaching children and destroying trees.
#include <cstring>

#include "engine/gui/uiStyleCtrl.h"
#include "engine/gui/uiTextCtrl.h"
#include "gui/GuiTestSupport.h"

using guitest::Journal;
using guitest::MakeProbe;
using guitest::Probe;

namespace {
// Without a record of its own, as the panel's frames are.
class PlainFrame : public uiStyleCtrl {};
}   // namespace

TEST(GuiElement, DefaultsClassRecordsAndCreateRules) {
    GUI e;
    EXPECT_EQ(1, e.IsVisible() && e.IsHitTestable());
    EXPECT_EQ(0, e.IsDraggable() || e.IsStretch() || e.IsCreated());
    EXPECT_EQ(0, e.SetHitTestSelf(1) || e.SetTipTargetBit(1));   // previous bits: clear

    PlainFrame frame;
    uiTextCtrl text;
    GuiShell shell(nullptr, 0);
    const struct {
        const RuntimeClass* record;
        const char* name;
        uint32_t size;
    } records[] = {{e.GetRuntimeClass(), "GUI", sizeof(GUI)},
                   {text.GetRuntimeClass(), "uiTextCtrl", sizeof(uiTextCtrl)},
                   {frame.GetRuntimeClass(), "uiStyleCtrl", sizeof(uiStyleCtrl)},
                   {shell.GetRuntimeClass(), "GuiShell", sizeof(GuiShell)}};
    for (const auto& r : records) {
        SCOPED_TRACE(r.name);
        EXPECT_STREQ(r.name, r.record->name);
        EXPECT_EQ(r.size, r.record->objectSize);
        EXPECT_STREQ(r.record == &GUI::kRuntimeClass ? nullptr : "GUI",
                     r.record->base ? r.record->base->name : nullptr);
    }
    EXPECT_STREQ("uiStyleCtrl", frame.SetName(nullptr));   // the default element name

    // A size of 0 becomes 1; refused: a second create, a negative size, no name.
    EXPECT_EQ(1, e.Create("e", 0, 5, nullptr, 7));
    EXPECT_EQ(1, e.GetWidth() == 1 && e.GetHeight() == 5);
    EXPECT_EQ(0, e.Create("again", 3, 3, nullptr, 0));
    auto refused = [](const char* name, int w, int h) {
        GUI other;
        return !other.Create(name, w, h, nullptr, 0) && !other.IsCreated();
    };
    EXPECT_TRUE(refused("neg", -1, 5) && refused("neg", 5, -1) && refused("", 5, 5) &&
                refused(nullptr, 5, 5));

    // Names are cut at 259 bytes, never inside a double-byte character.
    std::string odd = "A", even = "AB";
    for (int i = 0; i < 150; ++i) odd += "汉", even += "汉";
    EXPECT_EQ(259u, std::strlen(e.SetName(odd.c_str())));
    EXPECT_EQ(258u, std::strlen(e.SetName(even.c_str())));
    EXPECT_STREQ("GUI", e.SetName(""));
}

TEST(GuiTree, FirstAttachRunsTheHooksInOrderAndRefusalsChangeNothing) {
    Journal j;
    std::unique_ptr<Probe> root(MakeProbe("root", &j, 100, 100));
    Probe* a = MakeProbe("a", &j, 10, 10);
    ASSERT_EQ(1, root->AddChild(a, 3, 4));
    EXPECT_EQ("a.OnMove(3,4) a.OnInitialize a.OnCreate a.OnSize(10,10) a.OnShow(1)", j.Seen());

    // Refused: null, itself, a duplicate, an ancestor, another parent's child.
    std::unique_ptr<Probe> other(MakeProbe("other", &j, 10, 10));
    Probe* b = MakeProbe("b", &j, 5, 5);
    ASSERT_EQ(1, a->AddChild(b, 1, 1));
    j.Clear();
    EXPECT_EQ(0, root->AddChild(nullptr, 0, 0) || root->AddChild(root.get(), 0, 0) ||
                     root->AddChild(a, 0, 0) || b->AddChild(root.get(), 0, 0) ||
                     other->AddChild(b, 0, 0) || root->AddChild(b, 0, 0));
    EXPECT_EQ("", j.Seen());
    EXPECT_EQ(a, b->GetParent());

    // A refused first attach leaves the child unattached and the caller's.
    Probe* c = MakeProbe("c", &j, 5, 5);
    c->createResult = 0;
    EXPECT_EQ(0, root->AddChild(c, 0, 0));
    EXPECT_EQ(0, c->GetParent() || root->IsChild(c, 1));
    delete c;
    Probe uncreated("u", &j);
    EXPECT_EQ(0, root->AddChild(&uncreated, 0, 0));

    EXPECT_EQ(a, root->GetChild(nullptr));
    EXPECT_EQ(nullptr, root->GetChild(b));
    EXPECT_EQ(1, root->IsChild(b, 1) && b->HasAncestor(root.get()));
}

TEST(GuiTree, DestructionReleasesChildrenInOrderAndCountsBackToZero) {
    Journal j;
    {
        std::unique_ptr<Probe> root(MakeProbe("root", &j, 100, 100));
        for (const char* name : {"c1", "c2"}) {
            Probe* child = MakeProbe(name, &j, 10, 10);
            ASSERT_EQ(1, root->AddChild(child, 0, 0));
            ASSERT_EQ(1, child->AddChild(MakeProbe(std::string(name) + "g", &j, 2, 2), 0, 0));
        }
        j.Clear();
    }
    // Each probe writes "delete" as its own destructor starts, before the
    // element base destroys its children.
    EXPECT_EQ(
        "root.delete c1.OnRelease(1) c1.delete c1g.OnRelease(1) c1g.delete "
        "c2.OnRelease(1) c2.delete c2g.OnRelease(1) c2g.delete",
        j.Seen());
    EXPECT_EQ(0, Probe::live);
}

TEST(GuiTree, ElementDeletedWhileAttachedUnlinksAndIsForgotten) {
    guitest::OffscreenShell off(100, 100);
    GuiShell& shell = off.shell();
    Journal j;
    Probe* a = MakeProbe("a", &j, 20, 20);
    Probe* b = MakeProbe("b", &j, 20, 20);
    Probe* inner = MakeProbe("inner", &j, 5, 5);
    ASSERT_EQ(1, shell.AddChild(a, 0, 0) && shell.AddChild(b, 30, 0) && a->AddChild(inner, 1, 1));
    a->Invalidate(nullptr, nullptr, 1);
    off.Frame();   // a's area is measured
    shell.SetLeftCapture(a, 1);
    shell.SetPopup(inner);
    EXPECT_EQ(a, shell.Focus());

    delete a;
    EXPECT_EQ(b, shell.GetChild(nullptr));
    EXPECT_EQ(1, shell.GetChildCount());
    EXPECT_EQ(nullptr, shell.Hover());
    EXPECT_EQ(nullptr, shell.LeftCapture());
    EXPECT_EQ(&shell, shell.Focus());
    // The next frame repaints where it was and draws only b.
    j.Clear();
    EXPECT_EQ("0,0,20,20", guitest::Text(off.Frame()));
    EXPECT_EQ("b.OnDraw", j.Seen());
}
