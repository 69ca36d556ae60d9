#pragma once
// A four-state image button: the frames 0 normal, 1 hover, 2 pressed and
// 3 disabled of its animation show its state; a click reports
// GUI_NOTIFY_BUTTON_CLICK to its listener (else its parent).
#include <cstdint>

#include "engine/gui/GUI.h"

class uiButton : public GUI {
public:
    enum VisualState { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };
    // A held button fires again once it has been held longer than this.
    static constexpr uint32_t kRepeatDelayMs = 500;

    uiButton() = default;

    const RuntimeClass* GetRuntimeClass() const override;
    int OnUpdate(float delta) override;   // auto-repeat
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnLButton(int x, int y, int kind) override;
    // Notifies GUI_NOTIFY_BUTTON_CLICK with the enabled flag.
    virtual void Fire();
    // States 0 to 3 select that frame; silent mutes the frame's sound.
    virtual void SetVisualState(int state, int silent);

    using GUI::Create;
    // With the four frames of the animation `style`, at the animation's size.
    int Create(const char* name, const char* style, GUI* listener);
    // A new button reporting to `parent` and attached to it at (0, 0); null
    // (and nothing left behind) when it can't be made or attached.
    static uiButton* MakeAttached(GUI* parent, const char* name, const char* style);
    // Disabled shows frame 3 and ignores the mouse; enabled shows what the
    // mouse is doing to it.
    void Enable(int enabled);
    int IsEnabled() const { return enabled_; }
    // The frame shown, -1 without an animation.
    int ShownState() const;
    void SetAutoRepeat(int on) { autoRepeat_ = on ? 1 : 0; }
    void SetFireOnDoubleClick(int on) { fireOnDoubleClick_ = on ? 1 : 0; }
    // Whether a press at `pressTick` is held long enough to repeat at `now`:
    // elapsed ticks, so the tick count's wrap after 49.7 days changes nothing.
    static bool RepeatDue(uint32_t pressTick, uint32_t now) {
        return now - pressTick > kRepeatDelayMs;
    }

    static const RuntimeClass kRuntimeClass;

private:
    // Pressed while it holds the capture, else hover or normal.
    int MouseState() const;

    int32_t enabled_ = 1;
    int32_t autoRepeat_ = 0;
    int32_t fireOnDoubleClick_ = 0;
    uint32_t pressTick_ = 0;
};

#if defined(__i386__)
static_assert(sizeof(uiButton) == 24, "a button adds four fields to the element");
#endif
