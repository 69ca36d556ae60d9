// Animated moves (a path of steps, one taken per update) and the update walk
// that takes them.
#include "engine/gui/GUI.h"

#include <cmath>

#include "engine/gui/GuiShell.h"
#include "engine/resources/AnimationPlayer.h"

namespace {

int64_t Trunc(float v) { return int64_t(std::trunc(v)); }

// 2d / n², as a single-precision factor.
float Acceleration(int64_t distance, int steps) {
    return float(2.0 * double(distance) / (double(steps) * double(steps)));
}

void Append(std::list<GuiMoveStep>& path, int64_t dx, int64_t dy) {
    path.push_back({int32_t(dx), int32_t(dy)});
}

// Steps of trunc(i k) for i = 1 .. n - 1 with the rest as one step: last
// when accelerating, first (and the steps in reverse) when decelerating.
void AppendCurvedPath(std::list<GuiMoveStep>& path, int64_t dx, int64_t dy, int steps,
                      bool decelerating) {
    const float kx = Acceleration(dx, steps), ky = Acceleration(dy, steps);
    auto stepX = [kx](int i) { return Trunc(float(i) * kx); };
    auto stepY = [ky](int i) { return Trunc(float(i) * ky); };
    int64_t restX = dx, restY = dy;
    for (int i = 1; i < steps; ++i) restX -= stepX(i), restY -= stepY(i);
    const bool rest = restX != 0 || restY != 0;
    if (decelerating && rest) Append(path, restX, restY);
    for (int n = 1; n < steps; ++n) {
        const int i = decelerating ? steps - n : n;
        Append(path, stepX(i), stepY(i));
    }
    if (!decelerating && rest) Append(path, restX, restY);
    Append(path, 0, 0);
}

}   // namespace

void GUI::AppendMoveStep(int dx, int dy) { p_->movePath.push_back({dx, dy}); }

// The common start of the three moves: kept coordinates are resolved to the
// start point (the end of the pending path when appending, else the current
// position); a target equal to the start point only ends the path. True when
// the caller is to add steps over the distance *dx, *dy.
bool GUI::MoveStart(int x, int y, int append, int64_t* dx, int64_t* dy) {
    int32_t sx = p_->relX, sy = p_->relY;
    if (append) {
        for (const GuiMoveStep& step : p_->movePath) {
            sx += step.dx;
            sy += step.dy;
        }
    }
    if (x == kKeepCoordinate) x = sx;
    if (y == kKeepCoordinate) y = sy;
    if (x == sx && y == sy) {
        AppendMoveStep(0, 0);
        return false;
    }
    if (!append) p_->movePath.clear();
    *dx = int64_t(x) - sx;
    *dy = int64_t(y) - sy;
    return true;
}

// Each refuses a step count of 0 or less.
int GUI::MoveLinear(int x, int y, int steps, int append) {
    int64_t dx, dy;
    if (steps <= 0) return 0;
    if (!MoveStart(x, y, append, &dx, &dy)) return 1;
    for (int i = 0; i < steps; ++i) Append(p_->movePath, dx / steps, dy / steps);
    if (dx % steps || dy % steps) Append(p_->movePath, dx % steps, dy % steps);
    Append(p_->movePath, 0, 0);
    return 1;
}

int GUI::MoveAccelerating(int x, int y, int steps, int append) {
    int64_t dx, dy;
    if (steps <= 0) return 0;
    if (MoveStart(x, y, append, &dx, &dy)) AppendCurvedPath(p_->movePath, dx, dy, steps, false);
    return 1;
}

int GUI::MoveDecelerating(int x, int y, int steps, int append) {
    int64_t dx, dy;
    if (steps <= 0) return 0;
    if (MoveStart(x, y, append, &dx, &dy)) AppendCurvedPath(p_->movePath, dx, dy, steps, true);
    return 1;
}

// --- the update walk

// Most elements neither play nor move: for them nothing is called.
int GUI::OnUpdate(float) {
    const AnimationPlayer* player = p_->player.get();
    if (player && player->GetRemaining() != 0 && !StepPlayer()) return 1;
    if (!p_->movePath.empty()) StepMovePath();
    return 1;
}

bool GUI::StepPlayer() {
    AnimationPlayer* player = p_->player.get();
    const int old = player->GetCurrent();
    const int going = player->Step(GetHostMuteFlag());
    GuiWatch self(this);
    if (going && player->GetCurrent() != old) OnFrameAdvance(player->GetCurrent(), old);
    if (!self.Alive()) return false;
    if (player->GetRemaining() == 0) OnAnimationEnd();
    return self.Alive();
}

bool GUI::StepMovePath() {
    const GuiMoveStep step = p_->movePath.front();
    GuiWatch self(this);
    if (step.dx != 0 || step.dy != 0) MoveTo(p_->relX + step.dx, p_->relY + step.dy);
    if (!self.Alive()) return false;
    if (!p_->movePath.empty()) p_->movePath.pop_front();
    if (p_->movePath.empty()) OnMoveEnd();
    return self.Alive();
}

void GUI::UpdateTree(float delta) {
    GuiWatch start(this);
    if (OnUpdate(delta) && start.Alive()) UpdateChildren(delta, {nullptr, this, 0, &start});
}

// Copies the child list into the draw order when it changed; the copy keeps
// its storage, so an unchanged tree allocates nothing here.
void GUI::SyncDrawOrder() {
    if (p_->resortCount <= 0) return;
    p_->resortCount = 0;
    p_->drawOrder.assign(p_->children.begin(), p_->children.end());
}

bool GUI::WayBroken(const WalkStep& way) {
    if (!way.up) return !way.start->Alive();
    return WayBroken(*way.up) || !way.up->element->InDrawOrderAt(way.slot, way.element);
}

// By checked index: a handler that rebuilds this draw order from a nested
// walk (a modal loop) leaves the outer walk on valid entries. A handler that
// deleted elements makes the walk check its way before it goes on: a child
// that went has emptied its slot (Unlink), an element above it ends the walk.
void GUI::UpdateChildren(float delta, const WalkStep& way) {
    if (p_->children.empty()) return;
    SyncDrawOrder();
    for (size_t i = 0; i < p_->drawOrder.size(); ++i) {
        GUI* child = p_->drawOrder[i];
        if (!child || !(child->p_->state & GUI_UPDATING)) continue;
        const uint32_t deletions = GuiWatch::Deletions();
        const int goOn = child->OnUpdate(delta);
        if (WayLost(way, deletions)) return;
        if (goOn && ChildLives(i, child, deletions))
            child->UpdateChildren(delta, {&way, child, i, nullptr});
        if (WayLost(way, deletions)) return;
    }
}
