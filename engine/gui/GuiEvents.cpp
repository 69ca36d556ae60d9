// How an element hears of the mouse and tells others what happened:
// notifications, the mouse codes that bubble to the parents, hit tests and
// the element side of mouse delivery.
#include "engine/gui/GUI.h"

#include <windowsx.h>

#include "engine/gui/GuiShell.h"

namespace {

// In 64 bits: an element near the end of the int range still has its far edge.
bool Inside(const GuiProps& p, int x, int y) {
    return x >= p.absX && x < int64_t(p.absX) + p.width && y >= p.absY &&
           y < int64_t(p.absY) + p.height;
}

}   // namespace

// --- notifications

GUI* GUI::NotifyTarget() const { return p_->listener ? p_->listener : p_->parent; }

int GUI::Notify(uint32_t code, WPARAM wParam, LPARAM lParam) {
    GUI* target = NotifyTarget();
    return target ? target->OnNotify(this, code, wParam, lParam) : 0;
}

void GUI::OnMoveEnd() { Notify(GUI_NOTIFY_MOVE_END, 0, 0); }
void GUI::OnAnimationEnd() { Notify(GUI_NOTIFY_ANIMATION_END, 0, 0); }
void GUI::OnMouseEnter() { Notify(GUI_NOTIFY_MOUSE_ENTER, 0, 0); }
void GUI::OnMouseLeave() { Notify(GUI_NOTIFY_MOUSE_LEAVE, 0, 0); }
void GUI::OnMouseMove(int, int) {}

void GUI::OnLButton(int x, int y, int kind) {
    Notify(GUI_NOTIFY_LBUTTON, WPARAM(kind), GuiPackPoint(x, y));
}
void GUI::OnRButton(int x, int y, int kind) {
    Notify(GUI_NOTIFY_RBUTTON, WPARAM(kind), GuiPackPoint(x, y));
}
void GUI::OnMButton(int x, int y, int kind) {
    Notify(GUI_NOTIFY_MBUTTON, WPARAM(kind), GuiPackPoint(x, y));
}

// Each ancestor sees the event in its own coordinates; listeners never do.
void GUI::OnMouseMessage(int x, int y, int code) {
    if (p_->parent) p_->parent->OnMouseMessage(x + p_->relX, y + p_->relY, code);
}
void GUI::OnMouseWheel(int x, int y, int up) {
    if (p_->parent) p_->parent->OnMouseWheel(x + p_->relX, y + p_->relY, up);
}

void GUI::OnDrag(POINT* target) {
    if (GUI* to = NotifyTarget()) to->OnChildDrag(this, target);
}
void GUI::OnDragStep() {
    if (GUI* to = NotifyTarget()) to->OnChildDragStep(this);
}
void GUI::OnDragEnd() {
    if (GUI* to = NotifyTarget()) to->OnChildDragEnd(this);
}

void GUI::OnFocus(int, int) {}
void GUI::OnKey(WPARAM, LPARAM, int) {}
void GUI::OnChar(WPARAM, LPARAM) {}
void GUI::OnSysKey(WPARAM, LPARAM, int) {}
void GUI::OnSysChar(WPARAM, LPARAM) {}
void GUI::OnChildDrag(GUI*, POINT*) {}
void GUI::OnChildDragStep(GUI*) {}
void GUI::OnChildDragEnd(GUI*) {}
void GUI::OnTipTarget(GUI*) {}
void GUI::OnTipTargetAgain(GUI*) {}
int GUI::OnNotify(GUI*, uint32_t, WPARAM, LPARAM) { return 0; }
LRESULT GUI::OnIme(UINT, WPARAM, LPARAM) { return 0; }

LRESULT GUI::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    GuiShell* host = p_->host;
    if (!host || static_cast<GUI*>(host) == this) return 0;
    return host->OnMessage(message, wParam, lParam);
}

// --- hit tests

GUI* GUI::HitTestSelf(int, int) { return this; }
int GUI::HitTip(int, int) { return 1; }

GUI* GUI::HitTest(int x, int y, int recurse) {
    // The rectangle test holds with or without a window; only the question
    // whether the mouse has left the window needs one.
    if (p_->host && p_->host->MouseOutside()) return nullptr;
    if (!Inside(*p_, x, y)) return nullptr;
    const int lx = x - p_->absX;
    const int ly = y - p_->absY;

    // The hooks below may delete this element (or an ancestor): then nothing
    // is hit.
    GuiWatch self(this);
    if ((p_->state & GUI_TIP_TARGET) && !(p_->flags & GUI_TIP_GUARD)) {
        p_->flags |= GUI_TIP_GUARD;
        const int tip = HitTip(lx, ly);
        if (!self.Alive()) return nullptr;
        if (tip && p_->host) p_->host->SetTipTarget(this);
        if (!self.Alive()) return nullptr;
        p_->flags &= uint8_t(~GUI_TIP_GUARD);
    }
    if ((p_->state & GUI_HIT_TEST_SELF) && !(p_->flags & GUI_SELF_HIT_GUARD)) {
        p_->flags |= GUI_SELF_HIT_GUARD;
        GUI* hit = HitTestSelf(lx, ly);
        if (!self.Alive()) return nullptr;
        p_->flags &= uint8_t(~GUI_SELF_HIT_GUARD);
        return hit;
    }
    if (!recurse) return this;

    const uint8_t wanted = GUI_VISIBLE | GUI_HIT_TESTABLE;
    for (size_t i = p_->children.size(); i-- > 0;) {
        if (i >= p_->children.size()) continue;   // the list shrank under a HitTip
        GUI* child = p_->children[i];
        if ((child->p_->state & wanted) != wanted) continue;
        GUI* hit = child->HitTest(x, y, recurse);
        if (!self.Alive()) return nullptr;
        if (hit) return hit;
    }
    return this;
}

GUI* GUI::HitTestAt(const POINT* point, int recurse) {
    if (point) return HitTest(point->x, point->y, recurse);
    if (!p_->host) return nullptr;
    const POINT at = p_->host->MousePoint();
    return HitTest(at.x, at.y, recurse);
}

// --- delivery of the window's current mouse message

int GUI::DispatchMouse() {
    GuiShell* host = p_->host;
    if (!host || host->LastMouseMessage() == 0) return 0;
    const POINT at = host->MessagePoint();
    const int x = at.x;
    const int y = at.y;
    if (!Inside(*p_, x, y)) return 0;
    const int lx = x - p_->absX;
    const int ly = y - p_->absY;
    GUI* draggedBefore = host->Dragged();

    // Every handler on the way may delete this element: the delivery ends
    // there. The shell outlives it (its deletion waits for the dispatch).
    GuiWatch self(this);
    switch (host->LastMouseMessage()) {
    case WM_MOUSEMOVE:
        if (host->Hover() == this) {
            OnMouseMove(lx, ly);
            if (self.Alive()) OnMouseMessage(lx, ly, GUI_MOUSE_MOVE);
        } else {
            host->SetHover(nullptr);
            if (self.Alive()) host->SetHover(this);
            if (self.Alive()) ApplyCursor(p_->cursor);
        }
        break;
    case WM_MOUSEWHEEL:
        OnMouseWheel(lx, ly, HIWORD(host->LastMouseWParam()) == WHEEL_DELTA ? 1 : 0);
        break;
    default: DispatchButton(host->LastMouseMessage(), lx, ly, draggedBefore, self); break;
    }
    return 0;
}

// Presses, releases and double-clicks of the three buttons: the same
// sequence each, with the button's own capture, slot and codes; each step
// only while the element lives.
void GUI::DispatchButton(UINT message, int lx, int ly, GUI* draggedBefore, const GuiWatch& self) {
    struct Button {
        UINT down, up, doubleClick;
        void (GUI::*report)(int, int, int);
        GuiShell::CaptureSlot capture;
        int firstCode;   // the press; release, click and double click follow
    };
    static const Button kButtons[] = {
        {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, &GUI::OnLButton, GuiShell::LEFT,
         GUI_MOUSE_LEFT_DOWN},
        {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, &GUI::OnRButton, GuiShell::RIGHT,
         GUI_MOUSE_RIGHT_DOWN},
        {WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK, &GUI::OnMButton, GuiShell::MIDDLE,
         GUI_MOUSE_MIDDLE_DOWN},
    };
    GuiShell* host = p_->host;
    for (const Button& b : kButtons) {
        if (message == b.down) {
            host->SetButtonCapture(b.capture, nullptr, 0);
            if (self.Alive()) (this->*b.report)(lx, ly, GUI_BUTTON_DOWN);
            if (self.Alive()) host->SetButtonCapture(b.capture, this, 1);
            if (self.Alive()) OnMouseMessage(lx, ly, b.firstCode);
        } else if (message == b.up) {
            GUI* held = host->SetButtonCapture(b.capture, nullptr, 0);
            if (self.Alive()) (this->*b.report)(lx, ly, GUI_BUTTON_UP);
            if (self.Alive()) OnMouseMessage(lx, ly, b.firstCode + 1);
            // A drag is not a click; only the left button drags.
            if (held == this && (b.capture != GuiShell::LEFT || draggedBefore != this)) {
                if (self.Alive()) (this->*b.report)(lx, ly, GUI_BUTTON_CLICK);
                if (self.Alive()) OnMouseMessage(lx, ly, b.firstCode + 2);
            }
        } else if (message == b.doubleClick) {
            (this->*b.report)(lx, ly, GUI_BUTTON_DOUBLE_CLICK);
            if (self.Alive()) OnMouseMessage(lx, ly, b.firstCode + 3);
        }
    }
}
