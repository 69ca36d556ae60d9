// The older build's own small routines: its extra element slot, the move to
// a window point, the deletion of children without OnRelease(1), and the
// plain work-folder accessor.
#include "gui/GuiTestSupport.h"

#include <climits>

#include "engine/core/EngineGlobals.h"
#include "engine/core/WorkPath.h"
#include "engine/gui/GuiCodes.h"
#include "support/TestSupport.h"

using guitest::Journal;
using guitest::MakeProbe;
using guitest::Probe;

namespace {

// A probe whose children a test deletes.
class Parent : public Probe {
public:
    using GUI::DeleteChildren;
    using Probe::Probe;
};

}   // namespace

TEST(OlderElement, MoveToWindowPointKeepsNoCoordinate) {
    GUI root;
    root.Create("root", 100, 100, nullptr, 0);
    root.MoveTo(5, 5);
    GUI* element = new GUI;   // made by the older build's extra slot: Create with the value 0
    ASSERT_EQ(1, element->CreateDefault("element", 10, 10, nullptr));
    EXPECT_EQ(0, element->GetUserValue());
    ASSERT_EQ(1, root.AddChild(element, 10, 20));
    const POINT here = {15, 25};
    EXPECT_EQ(1, element->MoveToWindowPoint(&here));
    EXPECT_EQ(10, element->GetX());
    EXPECT_EQ(20, element->GetY());
    const POINT there = {40, 7};
    EXPECT_EQ(1, element->MoveToWindowPoint(&there));
    EXPECT_EQ(35, element->GetX());
    EXPECT_EQ(2, element->GetY());
    // The keep value is a coordinate like any other here, unlike MoveToAbsolute.
    const POINT keep = {kKeepCoordinate, 7};
    element->MoveToWindowPoint(&keep);
    EXPECT_NE(35, element->GetX());
    EXPECT_EQ(1, element->MoveToAbsolute(kKeepCoordinate, 30));
    EXPECT_EQ(25, element->GetY());
}

TEST(OlderElement, ChildrenGoWithoutOnReleaseFirstToLast) {
    Journal journal;
    Parent* root = new Parent("root", &journal);
    root->Create("root", 50, 50, nullptr, 0);
    EXPECT_EQ(0, root->GetChildCount());
    root->DeleteChildren();   // none: nothing happens
    ASSERT_EQ(1, root->AddChild(MakeProbe("a", &journal, 5, 5), 0, 0));
    ASSERT_EQ(1, root->AddChild(MakeProbe("b", &journal, 5, 5), 0, 0));
    journal.Clear();
    root->DeleteChildren();
    EXPECT_EQ((std::vector<std::string>{"a.delete", "b.delete"}), journal.lines);
    EXPECT_EQ(0, root->GetChildCount());
    ASSERT_EQ(1, root->AddChild(MakeProbe("c", &journal, 5, 5), 0, 0));
    journal.Clear();
    delete root;   // the element destructor deletes its children the same way
    EXPECT_EQ((std::vector<std::string>{"root.delete", "c.delete"}), journal.lines);
}

TEST(OlderWorkPath, TheModuleFolderKeepsItsBackslashAndTheAccessorCopiesNothing) {
    Globals().Setup(nullptr);
    EXPECT_EQ(testsupport::ExeFolder() + "\\", Nuvex::GetModuleFolder());
    EXPECT_EQ(testsupport::ExeFolder() + "\\", Nuvex::GetWorkPath());
    EXPECT_EQ(Nuvex::GetWorkPath(nullptr, 0), Nuvex::GetWorkPath());
    char full[kPathBufferSize];
    EXPECT_STREQ((testsupport::ExeFolder() + "\\a.txt").c_str(),
                 Nuvex::MakeWorkPath("a.txt", full, 0));
}
