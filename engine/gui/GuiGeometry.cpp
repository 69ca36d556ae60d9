// Where an element is and how big, whether it shows, and the window area it
// tracks for repainting.
#include "engine/gui/GUI.h"

#include <cstdint>
#include <cstdlib>

#include "engine/graphics/ISurface.h"
#include "engine/graphics/RectOps.h"

namespace {

int SetStateBit(uint8_t& state, uint8_t bit, int on) {
    const int previous = (state & bit) ? 1 : 0;
    if (on) {
        state |= bit;
    } else {
        state &= uint8_t(~bit);
    }
    return previous;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}   // namespace

int GUI::GetX() const { return p_->relX; }
int GUI::GetY() const { return p_->relY; }
int GUI::GetRight() const { return p_->relX + p_->width; }
int GUI::GetBottom() const { return p_->relY + p_->height; }
int GUI::GetWidth() const { return p_->width; }
int GUI::GetHeight() const { return p_->height; }

// A hook that deletes the element ends the move there; a refusal when the
// element went before it was placed.
int GUI::MoveTo(int x, int y) {
    if (p_->flags & GUI_MOVE_GUARD) return 0;
    p_->flags |= GUI_MOVE_GUARD;
    if (x == kKeepCoordinate) x = p_->relX;
    if (y == kKeepCoordinate) y = p_->relY;
    GuiWatch self(this);
    const int ok = OnMoving(&x, &y);
    if (!self.Alive()) return 0;
    if (ok) {
        p_->relX = x;
        p_->relY = y;
        UpdateAbsolute();
        OnMove(x, y);
        if (!self.Alive()) return ok;
    }
    p_->flags &= uint8_t(~GUI_MOVE_GUARD);
    return ok;
}

int GUI::MoveToAbsolute(int x, int y) {
    if (x != kKeepCoordinate) x += p_->relX - p_->absX;
    if (y != kKeepCoordinate) y += p_->relY - p_->absY;
    return MoveTo(x, y);
}

// The element's absolute position and its subtree's follow its parent's.
void GUI::UpdateAbsolute() {
    const GUI* parent = p_->parent;
    p_->absX = parent ? parent->p_->absX + p_->relX : p_->relX;
    p_->absY = parent ? parent->p_->absY + p_->relY : p_->relY;
    for (GUI* child : p_->children) child->UpdateAbsolute();
}

int GUI::Resize(int width, int height) {
    if (p_->flags & GUI_SIZE_GUARD) return 0;
    p_->flags |= GUI_SIZE_GUARD;
    GuiWatch self(this);
    const int ok = OnSizing(&width, &height);
    if (!self.Alive()) return 0;
    if (ok) {
        if (width > 0) p_->width = width;
        if (height > 0) p_->height = height;
        OnSize(p_->width, p_->height);
        if (!self.Alive()) return ok;
    }
    p_->flags &= uint8_t(~GUI_SIZE_GUARD);
    return ok;
}

// An extent wider or taller than an int holds is refused with the empty one,
// before anything changes.
int GUI::SetBounds(int x1, int y1, int x2, int y2) {
    const int64_t width = std::llabs(int64_t(x2) - x1);
    const int64_t height = std::llabs(int64_t(y2) - y1);
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return 0;
    GuiWatch self(this);
    if (!MoveTo(x1 < x2 ? x1 : x2, y1 < y2 ? y1 : y2) || !self.Alive()) return 0;
    return Resize(int(width), int(height)) ? 1 : 0;
}

int GUI::Show(int visible) {
    visible = visible ? 1 : 0;
    const int previous = IsVisible();
    if (visible != previous) {
        SetStateBit(p_->state, GUI_VISIBLE, visible);
        GuiWatch self(this);
        OnShow(visible);
        if (self.Alive()) Invalidate(nullptr, nullptr, 1);
    }
    return previous;
}

int GUI::SetStretch(int on) {
    const int previous = SetStateBit(p_->state, GUI_STRETCH, on);
    Invalidate(nullptr, nullptr, 1);
    return previous;
}

int GUI::SetHitTestable(int on) { return SetStateBit(p_->state, GUI_HIT_TESTABLE, on); }
int GUI::SetDraggable(int on) { return SetStateBit(p_->state, GUI_DRAGGABLE, on); }
int GUI::SetTipTargetBit(int on) { return SetStateBit(p_->state, GUI_TIP_TARGET, on); }
int GUI::SetHitTestSelf(int on) { return SetStateBit(p_->state, GUI_HIT_TEST_SELF, on); }

void GUI::Invalidate(RECT* out, const RECT* rect, int recursive) {
    if (rect) {
        const bool oldEmpty = Nuvex::RectIsEmpty(p_->dirtyRect);
        if (oldEmpty && Nuvex::RectIsEmpty(*rect)) {
            p_->dirtyRect = Nuvex::MakeRect(0, 0, 0, 0);
        } else {
            p_->dirtyRect = Nuvex::RectUnion(p_->dirtyRect, *rect);
        }
    }
    p_->flags |= GUI_DIRTY;
    if (recursive) {
        for (GUI* child : p_->children) child->Invalidate(nullptr, nullptr, 1);
    }
    if (out) *out = p_->dirtyRect;
}

int GUI::TrackDrawRect(const RECT* rect, RECT* out, int force) {
    ISurface* surface = GetSurface();
    if (!surface || !rect) return 0;
    RECT clip;
    surface->GetClipRect(&clip);
    RECT r = *rect;
    int visible = 1;
    if (!Nuvex::RectIsEmpty(clip)) {
        r = Nuvex::RectIntersect(*rect, clip);
        visible = Nuvex::RectIsEmpty(r) ? 0 : 1;
        if (!visible) r = Nuvex::MakeRect(0, 0, 0, 0);
    }
    if (force || !SameRect(r, p_->dirtyRect)) {
        surface->InvalidateRect(&p_->dirtyRect, nullptr);
        surface->InvalidateRect(&r, nullptr);
        p_->dirtyRect = r;
    }
    if (out) *out = r;
    return visible;
}

int GUI::SetClipRect(const RECT* rect, RECT* oldRect) {
    if (ISurface* surface = GetSurface()) surface->SetClipRect(rect, oldRect);
    return 1;
}

int GUI::SetClip(int x, int y, int width, int height) {
    if (ISurface* surface = GetSurface()) surface->SetClip(x, y, width, height);
    return 1;
}
