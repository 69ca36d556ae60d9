// The render walk: re-measuring what changed so only its area is repainted,
// and drawing the visible elements with their images.
#include "engine/gui/GUI.h"

#include "engine/graphics/ISurface.h"
#include "engine/graphics/RectOps.h"
#include "engine/resources/AnimationPlayer.h"

// The area the element's image covers: at the frame's offset, the element's
// size when stretched, else the frame's own. Without a player, the element's
// rectangle. False when a player has no current frame (nothing to measure).
bool GUI::MeasureArea(RECT* area, int* force) const {
    const AnimationPlayer* player = p_->player.get();
    if (!player) {
        *area = Nuvex::RectOfSize(p_->absX, p_->absY, p_->width, p_->height);
        *force = 0;
        return true;
    }
    const PlayerFrame* frame = player->CurrentFrame();
    if (!frame) return false;
    const bool stretch = (p_->state & GUI_STRETCH) != 0;
    *area = Nuvex::RectOfSize(p_->absX + frame->offsetX, p_->absY + frame->offsetY,
                              stretch ? p_->width : frame->width,
                              stretch ? p_->height : frame->height);
    *force = player->IsChanged();
    return true;
}

// A dirty element repaints where it was and measures where it is now; its
// dirty children follow (also when it is hidden, so their old area goes).
void GUI::Remeasure() {
    p_->flags &= uint8_t(~GUI_DIRTY);
    if (ISurface* surface = GetSurface()) {
        surface->InvalidateRect(&p_->dirtyRect, nullptr);
        RECT area;
        int force;
        if (MeasureArea(&area, &force)) TrackDrawRect(&area, nullptr, force);
    }
    for (size_t i = 0; i < p_->drawOrder.size(); ++i) {
        GUI* child = p_->drawOrder[i];
        if (child && (child->p_->flags & GUI_DIRTY)) child->Remeasure();
    }
}

void GUI::RenderTree() {
    GuiWatch start(this);
    if (OnDraw(p_->absX, p_->absY, p_->width, p_->height) && start.Alive())
        DrawChildren({nullptr, this, 0, &start});
}

void GUI::DrawChildren() {
    GuiWatch start(this);
    DrawChildren({nullptr, this, 0, &start});
}

// As the update walk: an OnDraw that deletes elements makes the walk check
// its way before it goes on.
void GUI::DrawChildren(const WalkStep& way) {
    if (p_->children.empty()) return;
    SyncDrawOrder();
    for (size_t i = 0; i < p_->drawOrder.size(); ++i) {
        GUI* child = p_->drawOrder[i];
        if (!child) continue;
        GuiProps& c = *child->p_;
        if (c.flags & GUI_DIRTY) child->Remeasure();
        if (!(c.state & GUI_VISIBLE)) continue;
        const uint32_t deletions = GuiWatch::Deletions();
        const int goOn = child->OnDraw(c.absX, c.absY, c.width, c.height);
        if (WayLost(way, deletions)) return;
        if (goOn && ChildLives(i, child, deletions)) child->DrawChildren({&way, child, i, nullptr});
        if (WayLost(way, deletions)) return;
    }
}

int GUI::OnDraw(int, int, int, int) {
    AnimationPlayer* player = p_->player.get();
    if (!player || player->GetFrameCount() == 0 || !player->CurrentFrame()) return 1;
    RECT area;
    int force;
    MeasureArea(&area, &force);
    if (!TrackDrawRect(&area, nullptr, force)) return 1;
    ISurface* surface = GetSurface();
    if (!surface) return 1;
    const bool stretch = (p_->state & GUI_STRETCH) != 0;
    const int w = stretch ? int(area.right - area.left) : 0;
    const int h = stretch ? int(area.bottom - area.top) : 0;
    player->Draw(surface, p_->absX, p_->absY, w, h);   // clears the changed flag
    return 1;
}
