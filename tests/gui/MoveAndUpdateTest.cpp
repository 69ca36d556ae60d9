// Geometry, animated moves and the update walk, without a window.
#include "gui/GuiTestSupport.h"

using guitest::Journal;
using guitest::MakeProbe;
using guitest::Probe;

namespace {

// The x positions after each update until the path ends, and the update on
// which OnMoveEnd came (1-based; 0 = never).
struct PathRun {
    std::vector<int> xs;
    int endedAt = 0;
};

PathRun Play(Probe& e, Journal& j, int updates) {
    PathRun run;
    for (int i = 1; i <= updates; ++i) {
        j.Clear();
        e.UpdateTree(0.033f);
        run.xs.push_back(e.GetX());
        if (!j.Only({e.tag + ".OnMoveEnd"}).empty() && !run.endedAt) run.endedAt = i;
    }
    return run;
}

}   // namespace

TEST(GuiMoves, PathsStepAsTheTablesSay) {
    enum Kind { LINEAR, ACCEL, DECEL };
    struct Case {
        const char* what;
        Kind kind;
        int from, to, steps;
        std::vector<int> xs;   // after each update
        int endedAt;
    };
    const Case cases[] = {
        {"linear 10 in 3", LINEAR, 0, 10, 3, {3, 6, 9, 10, 10, 10}, 5},
        {"linear -10 in 3", LINEAR, 0, -10, 3, {-3, -6, -9, -10, -10, -10}, 5},
        {"linear 2 in 5", LINEAR, 0, 2, 5, {0, 0, 0, 0, 0, 2, 2}, 7},
        {"accelerating 100 in 4", ACCEL, 0, 100, 4, {12, 37, 74, 100, 100, 100}, 5},
        {"decelerating 100 in 4", DECEL, 0, 100, 4, {26, 63, 88, 100, 100, 100}, 5},
        {"to where it is", LINEAR, 5, 5, 3, {5, 5}, 1},
    };
    for (const Case& c : cases) {
        Journal j;
        std::unique_ptr<Probe> e(MakeProbe("e", &j, 4, 4));
        e->MoveTo(c.from, 0);
        const int ok = c.kind == LINEAR  ? e->MoveLinear(c.to, 0, c.steps, 0)
                       : c.kind == ACCEL ? e->MoveAccelerating(c.to, 0, c.steps, 0)
                                         : e->MoveDecelerating(c.to, 0, c.steps, 0);
        EXPECT_EQ(1, ok) << c.what;
        PathRun run = Play(*e, j, int(c.xs.size()));
        EXPECT_EQ(c.xs, run.xs) << c.what;
        EXPECT_EQ(c.endedAt, run.endedAt) << c.what;
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
    EXPECT_EQ(0, Play(*e, j, 2).endedAt);   // nothing was queued

    // Appended moves measure from the end of the pending path: out to 10 and
    // back to 0, where the element now is.
    ASSERT_EQ(1, e->MoveLinear(10, 0, 2, 0));
    ASSERT_EQ(1, e->MoveLinear(0, 0, 2, 1));
    EXPECT_EQ((std::vector<int>{5, 10, 10, 5, 0, 0}), Play(*e, j, 6).xs);

    // A kept coordinate keeps the start point's (here the end of the path).
    e->MoveTo(0, 20);
    ASSERT_EQ(1, e->MoveLinear(6, 40, 2, 0));
    ASSERT_EQ(1, e->MoveLinear(kKeepCoordinate, 0, 2, 1));
    Play(*e, j, 7);
    EXPECT_EQ(6, e->GetX());
    EXPECT_EQ(0, e->GetY());
}

TEST(GuiGeometry, MovesSizesAndGuards) {
    Journal j;
    std::unique_ptr<Probe> root(MakeProbe("root", &j, 100, 100));
    Probe* child = MakeProbe("child", &j, 50, 50);
    Probe* grand = MakeProbe("grand", &j, 10, 10);
    root->MoveTo(100, 200);
    ASSERT_EQ(1, root->AddChild(child, 10, 20));
    ASSERT_EQ(1, child->AddChild(grand, 1, 2));
    EXPECT_EQ(111, grand->GetAbsX());
    EXPECT_EQ(222, grand->GetAbsY());

    EXPECT_EQ(1, child->MoveTo(kKeepCoordinate, 7));
    EXPECT_EQ(10, child->GetX());
    EXPECT_EQ(7, child->GetY());
    EXPECT_EQ(209, grand->GetAbsY());
    EXPECT_EQ(1, grand->MoveToAbsolute(150, kKeepCoordinate));
    EXPECT_EQ(40, grand->GetX());
    EXPECT_EQ(2, grand->GetY());
    EXPECT_EQ(150, grand->GetAbsX());

    j.Clear();
    EXPECT_EQ(1, child->Resize(0, 20));
    EXPECT_EQ(50, child->GetWidth());
    EXPECT_EQ(20, child->GetHeight());
    EXPECT_EQ((std::vector<std::string>{"child.OnSize(50,20)"}), j.Only({"child.OnSize"}));

    // A move started from OnMove is refused; the outer one stands.
    int nested = -1;
    child->onMove = [&] { nested = child->MoveTo(0, 0); };
    EXPECT_EQ(1, child->MoveTo(5, 5));
    EXPECT_EQ(0, nested);
    EXPECT_EQ(5, child->GetX());

    EXPECT_EQ(0, child->SetBounds(3, 1, 3, 9));
    EXPECT_EQ(1, child->SetBounds(30, 9, 10, 1));
    EXPECT_EQ(10, child->GetX());
    EXPECT_EQ(1, child->GetY());
    EXPECT_EQ(20, child->GetWidth());
    EXPECT_EQ(8, child->GetHeight());
    EXPECT_EQ(30, child->GetRight());
}

TEST(GuiUpdate, WalkSkipsWhatIsNotUpdatingAndPrunesOnZero) {
    Journal j;
    std::unique_ptr<Probe> root(MakeProbe("root", &j, 100, 100));
    Probe* hidden = MakeProbe("hidden", &j, 10, 10);
    Probe* pruned = MakeProbe("pruned", &j, 10, 10);
    Probe* under = MakeProbe("under", &j, 10, 10);
    ASSERT_EQ(1, root->AddChild(hidden, 0, 0));
    ASSERT_EQ(1, root->AddChild(pruned, 0, 0));
    ASSERT_EQ(1, pruned->AddChild(under, 0, 0));
    hidden->Show(0);
    hidden->MoveLinear(8, 0, 2, 0);
    pruned->updateResult = 0;

    j.Clear();
    root->UpdateTree(0.02f);
    EXPECT_EQ((std::vector<std::string>{"root.OnUpdate", "hidden.OnUpdate", "pruned.OnUpdate"}),
              j.Only({"root.OnUpdate", "hidden.OnUpdate", "pruned.OnUpdate", "under.OnUpdate"}));
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
    EXPECT_EQ(2u, j.Only({"late.OnUpdate"}).size());
    EXPECT_EQ(2u, j.Only({"under.OnUpdate"}).size());
}
