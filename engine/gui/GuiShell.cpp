// The shell as the host of its tree: its surface, drawing a frame, and the
// input state its elements share (hover, captures, focus, tip target).
#include "engine/gui/GuiShell.h"

#include "engine/core/BuildVariant.h"
#include "engine/core/Log.h"
#include "engine/core/ThreadUtils.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/SurfacePool.h"

const RuntimeClass GuiShell::kRuntimeClass = {BuildVariant::kShellClassName, sizeof(GuiShell),
                                              &GUI::kRuntimeClass};

namespace {

// How long a shell being deleted waits for its frame thread's word. It
// comes within a frame's drawing, unless the host deletes the shell under
// the loader lock before the thread could start (it can't start there).
constexpr DWORD kFrameThreadWordMs = 500;

}   // namespace

GuiShell::GuiShell(BaseWnd* owner, int32_t value) : owner_(owner), value_(value) {}

GuiShell::~GuiShell() {
    destroying_ = true;   // the window's last messages go past this shell
    // A started window goes with its shell; one never started is left. The
    // frame thread then touches the shell no more, once it is between frames.
    StopBetweenFrames();
    // The frame thread is let go of a frame it waits for, and given a
    // bounded wait for its word that it is done. Never for its end: under
    // the loader lock no thread can end. What it still touches is the link,
    // and its module reference keeps its code until it has ended.
    if (frame_->renderDone) SetEvent(frame_->renderDone);
    if (frame_->threadDone &&
        WaitForSingleObject(frame_->threadDone, kFrameThreadWordMs) != WAIT_OBJECT_0)
        WriteLog(0, "The frame thread of window %s is left to end by itself.", GetName());
    Nuvex::CloseHeldHandle(&frameThread_);
    Nuvex::DestroySurface(surface_);
    surface_ = 0;
    Unregister();
    hwnd_ = nullptr;
    // The tree goes while the shell is whole: its elements unhook from it.
    DestroyChildren();
}

const RuntimeClass* GuiShell::GetRuntimeClass() const { return &kRuntimeClass; }

void GuiShell::OnSize(int width, int height) {
    ResizeSurface(width, height);
    GUI::OnSize(width, height);
}

ISurface* GuiShell::Surface() const { return surface_ ? Nuvex::GetSurfaceById(surface_) : nullptr; }

// The shell hosts its tree, has the window's size and name, and has the focus.
void GuiShell::MakeOwnHost(int width, int height, const char* name) {
    SetHost(this);
    Props()->width = width;
    Props()->height = height;
    SetName(name);
    focus_ = this;
}

int GuiShell::AttachSurface(uint32_t surfaceId) {
    ISurface* surface = surface_ ? nullptr : Nuvex::GetSurfaceById(surfaceId);
    if (!surface) return 0;
    surface_ = surfaceId;
    MakeOwnHost(surface->GetWidth(), surface->GetHeight(), nullptr);
    return 1;
}

// --- input state

// The hooks called here may delete either element (the shell's own fields
// are cleared by the deletion); a deleted one is called no further, and a
// deleted previous one is answered as null.
GUI* GuiShell::SetHover(GUI* element) {
    if (!Hosts(element)) return nullptr;
    GUI* previous = hover_;
    if (previous == element) return previous;
    hover_ = element;
    GuiWatch was(previous), now(element);
    if (previous) previous->OnMouseLeave();
    if (!element) {
        SetCurrentCursor(nullptr);
    } else if (now.Alive()) {
        element->OnMouseEnter();
        if (now.Alive() && tipTarget_ && element != tipTarget_ && !element->HasAncestor(tipTarget_))
            ClearTipTarget();
    }
    return was.Alive() ? previous : nullptr;
}

void GuiShell::SetCurrentCursor(HCURSOR cursor) {
    currentCursor_ = cursor ? cursor : defaultCursor_;
    ::SetCursor(currentCursor_);
}

GUI* GuiShell::SetButtonCapture(CaptureSlot slot, GUI* element, int changeFocus) {
    static void (GUI::*const kReport[])(int, int, int) = {&GUI::OnLButton, &GUI::OnRButton,
                                                          &GUI::OnMButton};
    if (!Hosts(element)) return nullptr;
    GUI* previous = captures_[slot];
    captures_[slot] = element;
    const bool left = slot == LEFT;
    GuiWatch was(previous), now(element);
    if (previous && (element ? previous != element : previous != hover_)) {
        (previous->*kReport[slot])(0, 0, GUI_BUTTON_CAPTURE_LOST);
    }
    if (left && was.Alive() && previous == dragged_) previous->OnDragEnd();
    if (left && element && now.Alive()) {
        SetHover(element);
        if (now.Alive()) {
            dragOffsetX_ = mouseX_ - element->GetAbsX();
            dragOffsetY_ = mouseY_ - element->GetAbsY();
        }
    }
    if (left) dragged_ = nullptr;
    if (changeFocus) MoveFocus(now.Alive() ? element : nullptr);
    return was.Alive() ? previous : nullptr;
}

void GuiShell::MoveFocus(GUI* element) {
    GUI* before = focus_;
    focus_ = element ? element : this;
    if (element == before) return;
    GuiWatch now(element);
    if (before) before->OnFocus(0, 0);
    if (element && now.Alive()) element->OnFocus(0, 1);
}

GUI* GuiShell::SetLeftCapture(GUI* element, int changeFocus) {
    return SetButtonCapture(LEFT, element, changeFocus);
}
GUI* GuiShell::SetRightCapture(GUI* element, int changeFocus) {
    return SetButtonCapture(RIGHT, element, changeFocus);
}
GUI* GuiShell::SetMiddleCapture(GUI* element, int changeFocus) {
    return SetButtonCapture(MIDDLE, element, changeFocus);
}

GUI* GuiShell::SetTipTarget(GUI* element) {
    if (!Hosts(element)) return nullptr;
    GUI* previous = tipTarget_;
    tipTarget_ = element;
    if (tipListener_) {
        if (element && element == previous) {
            tipListener_->OnTipTargetAgain(element);
        } else {
            tipListener_->OnTipTarget(element);
        }
    }
    return previous;
}

void GuiShell::ClearTipTarget() {
    tipTarget_ = nullptr;
    if (tipListener_) tipListener_->OnTipTarget(nullptr);
}

// An element of another window's tree, or of none, would be forgotten
// nowhere here when deleted: a field would keep it.
bool GuiShell::Hosts(const GUI* element) const { return !element || element->GetHost() == this; }

int GuiShell::Hold(GUI** field, GUI* element) {
    if (!Hosts(element)) return 0;
    *field = element;
    return 1;
}

void GuiShell::ForgetElement(GUI* element) {
    auto gone = [element](GUI* field) {
        return field && (field == element || field->HasAncestor(element));
    };
    GUI** fields[] = {&messageHook_, &keyTarget_,   &tipListener_, &modalRoot_,
                      &exclusive_,   &popup_,       &tipTarget_,   &hover_,
                      &dragged_,     &captures_[0], &captures_[1], &captures_[2]};
    for (GUI** field : fields)
        if (gone(*field)) *field = nullptr;
    if (gone(focus_)) focus_ = this;
}
