#pragma once
// The element that is a window: the root of a window's element tree and its
// own host. It holds the window's surface and the input state every element
// of the tree shares: focus, hover, the three button captures, drag offsets,
// the last mouse message, cursors, and the layers (popup, exclusive, modal)
// that take the mouse first.
//
// A shell is made and deleted by its BaseWnd. A shell can also draw into a
// surface made elsewhere, without a native window (AttachSurface): its tree
// is then laid out, updated and drawn off screen.
#include <windows.h>
#include <cstdint>

#include "engine/gui/GUI.h"

class BaseWnd;

class GuiShell : public GUI {
public:
    GuiShell(BaseWnd* owner, int32_t value);
    ~GuiShell() override;

    const RuntimeClass* GetRuntimeClass() const override;
    void OnSize(int width, int height) override;   // the surface follows

    // Makes the shell the host of its tree and draws into the surface with
    // this id, at the surface's size. The shell owns the surface from now on.
    // 0 when the shell already has a surface or the id names none.
    int AttachSurface(uint32_t surfaceId);
    // Draws one frame: a scene, the tree, and the changed area presented.
    void Render();

    ISurface* Surface() const;
    uint32_t SurfaceId() const { return surface_; }
    HWND Hwnd() const { return hwnd_; }
    BaseWnd* Owner() const { return owner_; }
    int32_t Value() const { return value_; }
    GUI* Focus() const { return focus_; }
    GUI* Hover() const { return hover_; }
    GUI* LeftCapture() const { return captures_[LEFT]; }
    GUI* Dragged() const { return dragged_; }
    GUI* TipTarget() const { return tipTarget_; }
    int MouseOutside() const { return mouseOutside_; }
    HCURSOR CurrentCursor() const { return currentCursor_; }

    // Destroys the native window when it is alive (when that fails, asks the
    // window's thread to, which logs and may do nothing). 0 without a window.
    int DestroyWindow();

    // The hover element; the previous one gets OnMouseLeave, the new one
    // OnMouseEnter. Returns the previous.
    GUI* SetHover(GUI* element);
    // The captures of the three buttons: the element that took the press
    // (null to clear). A capture that ends elsewhere reports kind 4 to its
    // element. Returns the previous capture.
    enum CaptureSlot { LEFT, RIGHT, MIDDLE };
    GUI* SetButtonCapture(CaptureSlot slot, GUI* element, int changeFocus);
    GUI* SetLeftCapture(GUI* element, int changeFocus);
    GUI* SetRightCapture(GUI* element, int changeFocus);
    GUI* SetMiddleCapture(GUI* element, int changeFocus);
    GUI* SetTipTarget(GUI* element);

    // Layers and targets (null clears): keys and input-method messages go to
    // the key target; a visible modal root alone gets the mouse and keys; a
    // visible exclusive layer alone gets the mouse; a visible popup is hidden
    // by a press outside it; a message hook gets the window's messages in
    // place of the shell; the tip listener hears of tip targets.
    void SetKeyTarget(GUI* element) { keyTarget_ = element; }
    void SetModalRoot(GUI* element) { modalRoot_ = element; }
    void SetExclusive(GUI* element) { exclusive_ = element; }
    void SetPopup(GUI* element) { popup_ = element; }
    void SetMessageHook(GUI* element) { messageHook_ = element; }
    void SetTipListener(GUI* element) { tipListener_ = element; }

    // Clears every field that points to element or into its subtree (the
    // focus returns to the shell). Called by an element being deleted.
    void ForgetElement(GUI* element);

    static const RuntimeClass kRuntimeClass;

private:
    friend class GUI;

    void ClearTipTarget();

    BaseWnd* owner_;
    int32_t value_;
    HWND hwnd_ = nullptr;
    uint32_t surface_ = 0;
    GUI* focus_ = nullptr;
    GUI* messageHook_ = nullptr;
    GUI* keyTarget_ = nullptr;
    GUI* tipListener_ = nullptr;
    GUI* modalRoot_ = nullptr;
    GUI* exclusive_ = nullptr;
    GUI* popup_ = nullptr;
    GUI* tipTarget_ = nullptr;
    GUI* hover_ = nullptr;
    GUI* dragged_ = nullptr;
    GUI* captures_[3] = {nullptr, nullptr, nullptr};
    int32_t dragOffsetX_ = 0, dragOffsetY_ = 0;
    int32_t mouseX_ = 0, mouseY_ = 0;
    int32_t mouseOutside_ = 0;
    int32_t muteEffects_ = 0;
    UINT lastMessage_ = 0;
    WPARAM lastWParam_ = 0;
    LPARAM lastLParam_ = 0;
    DWORD lastTick_ = 0;
    int32_t messageX_ = 0, messageY_ = 0;
    HCURSOR defaultCursor_ = nullptr;
    HCURSOR currentCursor_ = nullptr;
    uint32_t clearColour_ = 0;
    CRITICAL_SECTION renderLock_;
};
