#include "panel/uiButton.h"

#include <memory>
#include <new>

#include "engine/resources/AnimationPlayer.h"
#include "panel/PanelCodes.h"

const RuntimeClass uiButton::kRuntimeClass = {"uiButton", sizeof(uiButton), &GUI::kRuntimeClass};

const RuntimeClass* uiButton::GetRuntimeClass() const { return &kRuntimeClass; }

int uiButton::Create(const char* name, const char* style, GUI* listener) {
    return CreateWithAnimation(name, style, 0, 4, 0, 0, listener, 0);
}

uiButton* uiButton::MakeAttached(GUI* parent, const char* name, const char* style) {
    std::unique_ptr<uiButton> button(new (std::nothrow) uiButton);
    if (!button || !button->Create(name, style, parent) || !parent->AddChild(button.get(), 0, 0))
        return nullptr;
    return button.release();
}

int uiButton::MouseState() const {
    if (GetCaptureElement() == this) return kPressed;
    return GetHoverElement() == this ? kHover : kNormal;
}

int uiButton::ShownState() const {
    const AnimationPlayer* player = Props()->player.get();
    return player ? player->GetCurrent() : -1;
}

void uiButton::Enable(int enabled) {
    enabled_ = enabled ? 1 : 0;
    SetVisualState(enabled_ ? MouseState() : int(kDisabled), 1);
}

void uiButton::Fire() { Notify(GUI_NOTIFY_BUTTON_CLICK, WPARAM(enabled_), 0); }

void uiButton::SetVisualState(int state, int silent) {
    if (state >= kNormal && state <= kDisabled) SetFrame(state, silent, 1);
}

// The listener that hears of a click, a repeat or the pointer leaving may
// delete the button: each hook holds a watch and stops there.
int uiButton::OnUpdate(float delta) {
    if (enabled_ && autoRepeat_ && GetCaptureElement() == this && GetHoverElement() == this &&
        RepeatDue(pressTick_, GetTickCount())) {
        GuiWatch self(this);
        Fire();
        if (!self.Alive()) return 0;
    }
    return GUI::OnUpdate(delta);
}

void uiButton::OnMouseEnter() {
    if (enabled_) {
        if (GetCaptureElement() == this) {
            SetVisualState(kPressed, 1);
        } else {
            SetVisualState(kHover, GetHostMuteFlag());
        }
    }
    GUI::OnMouseEnter();
}

void uiButton::OnMouseLeave() {
    GuiWatch self(this);
    GUI::OnMouseLeave();
    if (self.Alive() && enabled_)
        SetVisualState(GetCaptureElement() == this ? kPressed : kNormal, 1);
}

void uiButton::OnLButton(int x, int y, int kind) {
    if (enabled_) {
        if (kind == GUI_BUTTON_CLICK || (kind == GUI_BUTTON_DOUBLE_CLICK && fireOnDoubleClick_)) {
            GuiWatch self(this);
            Fire();
            if (!self.Alive()) return;
        } else if (kind == GUI_BUTTON_DOWN) {
            SetVisualState(kPressed, GetHostMuteFlag());
            pressTick_ = GetTickCount();
        } else if (kind == GUI_BUTTON_UP) {
            SetVisualState(kHover, 1);
        } else if (kind == GUI_BUTTON_CAPTURE_LOST) {
            SetVisualState(kNormal, 1);
        } else {
            // A double-click that does not fire, and anything unknown.
            SetVisualState(GetHoverElement() == this ? kHover : kNormal, 1);
        }
    }
    GUI::OnLButton(x, y, kind);
}
