// Geometry, animated moves and the update walk, without a window.
#include "gui/GuiTestSupport.h"

#include <climits>
#include <cstdio>

using guitest::Journal;
using guitest::MakeProbe;
using guitest::Probe;

namespace {

// The x position after each update, with "*" where OnMoveEnd came.
std::string Play(Probe& e, Journal& j, int updates) {
    std::string path;
    for (int i = 0; i < updates; ++i) {
        j.Clear();
        e.UpdateTree(0.033f);
        path += (i ? " " : "") + std::to_string(e.GetX()) +
                (j.Seen(e.tag + ".OnMoveEnd").empty() ? "" : "*");
    }
    return path;
}

// "x,y wxh at absX,absY".
std::string Place(const GUI& e) {
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d %dx%d at %d,%d", e.GetX(), e.GetY(), e.GetWidth(),
                  e.GetHeight(), e.GetAbsX(), e.GetAbsY());
    return text;
}

}   // namespace

TEST(GuiMoves, PathsStepAsTheTablesSay) {
    const auto linear = &GUI::MoveLinear, accel = &GUI::MoveAccelerating,
               decel = &GUI::MoveDecelerating;
    const struct {
        const char* what;
        int (GUI::*move)(int x, int y, int steps, int append);
        int from, to, steps;
        const char* path;   // x after each of seven updates
    } cases[] = {
        {"linear 10 in 3", linear, 0, 10, 3, "3 6 9 10 10* 10 10"},
        {"linear -10 in 3", linear, 0, -10, 3, "-3 -6 -9 -10 -10* -10 -10"},
        {"linear 2 in 5", linear, 0, 2, 5, "0 0 0 0 0 2 2*"},
        {"accelerating 100 in 4", accel, 0, 100, 4, "12 37 74 100 100* 100 100"},
        {"decelerating 100 in 4", decel, 0, 100, 4, "26 63 88 100 100* 100 100"},
        {"to where it is", linear, 5, 5, 3, "5* 5 5 5 5 5 5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Journal j;
        std::unique_ptr<Probe> e(MakeProbe("e", &j, 4, 4));
        e->MoveTo(c.from, 0);
        EXPECT_EQ(1, ((*e).*c.move)(c.to, 0, c.steps, 0));
        EXPECT_EQ(c.path, Play(*e, j, 7));
    }
}

TEST(GuiMoves, RefusedStepsAppendedPathsAndKeptCoordinates) {
    Journal j;
    std::unique_ptr<Probe> e(MakeProbe("e", &j, 4, 4));
    for (int steps : {0, -3}) {
        EXPECT_EQ(0, e->MoveLinear(10, 0, steps, 0)) << steps;
        EXPECT_EQ(0, e->MoveAccelerating(10, 0, steps, 0)) << steps;
        EXPECT_EQ(0, e->MoveDecelerating(10, 0, steps, 0)) << steps;
    }
    EXPECT_EQ("0 0", Play(*e, j, 2));   // nothing was queued

    // Appended moves measure from the end of the pending path: out to 10 and
    // back to 0, where the element now is.
    ASSERT_EQ(1, e->MoveLinear(10, 0, 2, 0));
    ASSERT_EQ(1, e->MoveLinear(0, 0, 2, 1));
    EXPECT_EQ("5 10 10 5 0 0*", Play(*e, j, 6));

    // A kept coordinate keeps the start point's (here the end of the path).
    e->MoveTo(0, 20);
    ASSERT_EQ(1, e->MoveLinear(6, 40, 2, 0));
    ASSERT_EQ(1, e->MoveLinear(kKeepCoordinate, 0, 2, 1));
    Play(*e, j, 7);
    EXPECT_EQ("6,0 4x4 at 6,0", Place(*e));
}

TEST(GuiGeometry, MovesSizesAndGuards) {
    Journal j;
    std::unique_ptr<Probe> root(MakeProbe("root", &j, 100, 100));
    Probe* child = MakeProbe("child", &j, 50, 50);
    Probe* grand = MakeProbe("grand", &j, 10, 10);
    root->MoveTo(100, 200);
    ASSERT_EQ(1, root->AddChild(child, 10, 20) && child->AddChild(grand, 1, 2));
    EXPECT_EQ("1,2 10x10 at 111,222", Place(*grand));
    EXPECT_EQ(1, child->MoveTo(kKeepCoordinate, 7));
    EXPECT_EQ("1,2 10x10 at 111,209", Place(*grand));
    EXPECT_EQ(1, grand->MoveToAbsolute(150, kKeepCoordinate));
    EXPECT_EQ("40,2 10x10 at 150,209", Place(*grand));

    j.Clear();
    EXPECT_EQ(1, child->Resize(0, 20));
    EXPECT_EQ("10,7 50x20 at 110,207", Place(*child));
    EXPECT_EQ("child.OnSize(50,20)", j.Seen("child.OnSize"));

    // A move started from OnMove is refused; the outer one stands.
    int nested = -1;
    child->onMove = [&] { nested = child->MoveTo(0, 0); };
    EXPECT_EQ(1, child->MoveTo(5, 5));
    EXPECT_EQ(0, nested);
    EXPECT_EQ(5, child->GetX());

    // Corners in either order; an empty extent, or one no int holds, is
    // refused and changes nothing.
    const int bounds[][5] = {{30, 9, 10, 1, 1},
                             {3, 1, 3, 9, 0},
                             {INT_MIN + 1, 0, INT_MAX, 10, 0},
                             {0, INT_MAX, 10, -2, 0}};
    for (const auto& b : bounds) EXPECT_EQ(b[4], child->SetBounds(b[0], b[1], b[2], b[3])) << b[0];
    EXPECT_EQ("10,1 20x8 at 110,201", Place(*child));
    EXPECT_EQ(30, child->GetRight());
}

TEST(GuiUpdate, WalkSkipsWhatIsNotUpdatingAndPrunesOnZero) {
    Journal j;
    std::unique_ptr<Probe> root(MakeProbe("root", &j, 100, 100));
    Probe* hidden = MakeProbe("hidden", &j, 10, 10);
    Probe* pruned = MakeProbe("pruned", &j, 10, 10);
    Probe* under = MakeProbe("under", &j, 10, 10);
    ASSERT_EQ(1, root->AddChild(hidden, 0, 0) && root->AddChild(pruned, 0, 0) &&
                     pruned->AddChild(under, 0, 0));
    hidden->Show(0);
    hidden->MoveLinear(8, 0, 2, 0);
    pruned->updateResult = 0;

    j.Clear();
    root->UpdateTree(0.02f);
    EXPECT_EQ("root.OnUpdate hidden.OnUpdate pruned.OnUpdate",
              j.Seen("root.OnUpdate hidden.OnUpdate pruned.OnUpdate under.OnUpdate"));
    EXPECT_EQ(4, hidden->GetX());   // hidden elements keep moving

    // A handler that adds a sibling during the walk rebuilds the draw order
    // under the walk; the walk carries on over valid entries.
    pruned->updateResult = 1;
    Probe* late = MakeProbe("late", &j, 1, 1);
    hidden->onUpdate = [&] {
        root->AddChild(late, 0, 0);
        root->UpdateTree(0.0f);
    };
    j.Clear();
    root->UpdateTree(0.02f);
    EXPECT_EQ("late.OnUpdate late.OnUpdate", j.Seen("late.OnUpdate"));
    EXPECT_EQ("under.OnUpdate under.OnUpdate", j.Seen("under.OnUpdate"));
}
