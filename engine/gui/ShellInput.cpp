// The engine's window procedure and the shell's handling of its window's
// messages: window state, the cursor, keys, the input method, and the mouse
// turned into captures, hover changes, drags and deliveries to elements.
#include "engine/gui/GuiShell.h"

#include <windowsx.h>

#include "engine/core/Log.h"
#include "engine/graphics/ISurface.h"
#include "engine/gui/BaseWnd.h"

namespace {

const GuiShell::PointerQuery kSystemPointer = {&GetCursorPos, &WindowFromPoint};
GuiShell::PointerQuery g_pointer = kSystemPointer;

bool IsPress(UINT m) { return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN; }

bool IsImeMessage(UINT m) {
    switch (m) {
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_SETCONTEXT:
    case WM_IME_NOTIFY:
    case WM_IME_CONTROL:
    case WM_IME_COMPOSITIONFULL:
    case WM_IME_SELECT:
    case WM_IME_CHAR:
    case WM_IME_REQUEST:
    case WM_IME_KEYDOWN:
    case WM_IME_KEYUP: return true;
    default: return false;
    }
}

bool Shows(const GUI* element) { return element && element->IsVisible(); }

}   // namespace

void GuiShell::SetPointerQuery(const PointerQuery* query) {
    g_pointer = query ? *query : kSystemPointer;
}

LRESULT CALLBACK GuiShell::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    GuiShell* shell = FromStoredHandle(hwnd);
    if (!shell || shell->destroying_) return DefWindowProcA(hwnd, message, wParam, lParam);
    // No exception may leave into the system's frames.
    try {
        DispatchScope scope(shell);
        TreeLock tree(shell);
        LRESULT result = shell->HandleMessage(message, wParam, lParam);
        if (message == WM_DESTROY) {
            shell->StopRunning();
            result = 0;
        } else if (message == WM_NCDESTROY) {
            shell->windowAlive_ = false;
        }
        return result;
    } catch (...) {
        WriteLog(0, "Can't handle message 0x%04X of an engine window!", message);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

LRESULT GuiShell::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GUI_FRAME: OnFrameMessage(); return 0;
    case WM_GUI_START: StartFrameThread(); return 0;
    default: return (messageHook_ ? messageHook_ : this)->OnMessage(message, wParam, lParam);
    }
}

LRESULT GuiShell::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hwnd_) return 0;
    // The system's handling may run a loop of its own (a move by the caption,
    // a menu): a frame thread that draws (the older build's) draws on
    // meanwhile unless a caller further up holds the tree as well.
    const bool letGo = treeLockDepth_ == 1;
    if (letGo) LeaveCriticalSection(&frame_->renderLock);
    const LRESULT result = DefWindowProcA(hwnd_, message, wParam, lParam);
    if (letGo) EnterCriticalSection(&frame_->renderLock);
    return result;
}

LRESULT GuiShell::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    ISurface* surface = Surface();
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSEWHEEL) {
        OnMouseInput(message, wParam, lParam);
        return 0;
    }
    switch (message) {
    case WM_SIZE: OnSizeMessage(wParam, lParam); return 0;
    case WM_SETFOCUS:
        if (surface) surface->InvalidateAll();
        return 0;
    case WM_ACTIVATE: return 0;
    case WM_KILLFOCUS: ReleaseInputState(true); return 0;
    case WM_ENABLE:
        if (!wParam) ReleaseInputState(false);
        if (surface) surface->InvalidateAll();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(hwnd_, &paint);
        if (surface) surface->InvalidateAll();   // the next frame draws it
        EndPaint(hwnd_, &paint);
        AskRepaint();
        return 0;
    }
    case WM_CLOSE:
        if (owner_ ? owner_->OnClose(this) : 1) DestroyWindow();
        return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETCURSOR: SetCurrentCursor(Shows(hover_) ? hover_->GetCursor() : nullptr); return 0;
    case WM_WINDOWPOSCHANGED:
        return OnWindowPosChanged(reinterpret_cast<const WINDOWPOS*>(lParam), wParam, lParam);
    case WM_NCLBUTTONDOWN: NonClientPress(); return DefaultHandling(message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        // Never passed on: a key (Alt+F4 too) does nothing the tree does not do.
        OnKeyMessage(message, wParam, lParam);
        return 0;
    case WM_PARENTNOTIFY:
        if (IsPress(LOWORD(wParam)) && popup_) popup_->Show(0);
        return 0;
    default:
        if (IsImeMessage(message)) return OnImeMessage(message, wParam, lParam);
        return DefaultHandling(message, wParam, lParam);
    }
}

void GuiShell::OnSizeMessage(WPARAM type, LPARAM size) {
    ISurface* surface = Surface();
    if (type == SIZE_RESTORED || type == SIZE_MAXIMIZED) {
        if (surface && IsWindowVisible(hwnd_)) surface->SetActive(1);
        Resize(LOWORD(size), HIWORD(size));
        AskRepaint();
    } else if (type == SIZE_MINIMIZED) {
        if (surface) surface->SetActive(0);
    }
}

LRESULT GuiShell::OnWindowPosChanged(const WINDOWPOS* pos, WPARAM wParam, LPARAM lParam) {
    ISurface* surface = Surface();
    if (pos && (pos->flags & SWP_SHOWWINDOW)) {
        if (surface) surface->SetActive(1);
        return 0;
    }
    if (pos && (pos->flags & SWP_HIDEWINDOW)) {
        if (surface) surface->SetActive(0);
        return 0;
    }
    return DefaultHandling(WM_WINDOWPOSCHANGED, wParam, lParam);
}

// Focus lost or the window disabled: every capture ends, and a key target
// hands the focus back to the shell.
void GuiShell::ReleaseInputState(bool hidePopup) {
    if (hidePopup && popup_) popup_->Show(0);
    SetLeftCapture(nullptr, 0);
    SetRightCapture(nullptr, 0);
    SetMiddleCapture(nullptr, 0);
    if (Shows(keyTarget_)) {
        GUI* target = keyTarget_;
        keyTarget_ = nullptr;
        target->OnFocus(2, 0);
        MoveFocus(nullptr);
    }
    if (ISurface* surface = Surface()) surface->InvalidateAll();
}

// A press on the frame or caption: the shell takes the left button, and
// the other buttons' captures end, each handing the focus back to the shell.
void GuiShell::NonClientPress() {
    SetLeftCapture(this, 1);
    SetRightCapture(nullptr, 1);
    SetMiddleCapture(nullptr, 1);
    UpdateWindow(hwnd_);
}

void GuiShell::OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    GUI* target = keyTarget_;
    if (Shows(modalRoot_) &&
        (!target || (target != modalRoot_ && !target->HasAncestor(modalRoot_))))
        target = modalRoot_;
    if (!Shows(target)) return;
    switch (message) {
    case WM_KEYDOWN: target->OnKey(wParam, lParam, 1); break;
    case WM_KEYUP: target->OnKey(wParam, lParam, 0); break;
    case WM_CHAR: target->OnChar(wParam, lParam); break;
    case WM_SYSKEYDOWN: target->OnSysKey(wParam, lParam, 1); break;
    case WM_SYSKEYUP: target->OnSysKey(wParam, lParam, 0); break;
    case WM_SYSCHAR: target->OnSysChar(wParam, lParam); break;
    }
}

LRESULT GuiShell::OnImeMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    GUI* target = Shows(modalRoot_) ? modalRoot_ : keyTarget_;
    if (Shows(target)) target->OnIme(message, wParam, lParam);
    return message == WM_IME_CHAR ? 0 : DefaultHandling(message, wParam, lParam);
}

// --- the mouse

void GuiShell::CheckMouseOutside() {
    POINT point;
    RECT client;
    bool inside = false;
    if (hwnd_ && g_pointer.cursorPos(&point) && GetClientRect(hwnd_, &client)) {
        MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 2);
        inside = point.x >= client.left && point.x < client.right && point.y >= client.top &&
                 point.y < client.bottom && g_pointer.windowFromPoint(point) == hwnd_;
    }
    if (inside) {
        mouseOutside_ = 0;
        return;
    }
    if (mouseOutside_) return;
    mouseOutside_ = 1;
    SetHover(nullptr);
    ClearTipTarget();
}

void GuiShell::OnMouseInput(UINT message, WPARAM wParam, LPARAM lParam) {
    lastMessage_ = message;
    lastWParam_ = wParam;
    lastLParam_ = lParam;
    lastTick_ = GetTickCount();
    messageX_ = GET_X_LPARAM(lParam);
    messageY_ = GET_Y_LPARAM(lParam);
    if (!PrepareMouse(message)) return;
    mouseX_ = messageX_;
    mouseY_ = messageY_;
    if (message == WM_MOUSEMOVE) DragCapture();   // before the hit test: it sees the new place
    Deliver(message);
}

// Releases end outside the window as capture lost; presses outside are
// dropped; the wheel's screen point becomes a client point. False stops
// the message here.
bool GuiShell::PrepareMouse(UINT message) {
    CaptureSlot slot;
    switch (message) {
    case WM_MOUSEMOVE: return true;
    case WM_MOUSEWHEEL: {
        POINT point = {messageX_, messageY_};
        ScreenToClient(hwnd_, &point);
        messageX_ = point.x;
        messageY_ = point.y;
        return true;
    }
    case WM_LBUTTONUP: slot = LEFT; break;
    case WM_RBUTTONUP: slot = RIGHT; break;
    case WM_MBUTTONUP: slot = MIDDLE; break;
    default:   // presses and double clicks
        CheckMouseOutside();
        if (mouseOutside_) return false;
        SetFocus(hwnd_);
        ::SetCapture(hwnd_);
        return true;
    }
    bool othersHeld = false;
    for (int other = LEFT; other <= MIDDLE; ++other)
        if (other != slot && captures_[other]) othersHeld = true;
    if (!othersHeld) ReleaseCapture();
    CheckMouseOutside();
    if (!mouseOutside_) return true;
    SetButtonCapture(slot, nullptr, 0);
    return false;
}

// A handler that deletes the dragged element (or an ancestor) ends the drag
// there; the move is then hit-tested as usual.
void GuiShell::DragCapture() {
    GUI* held = captures_[LEFT];
    if (!Shows(held)) return;
    GuiWatch watch(held);
    if (held->IsHitTestable() && held->IsDraggable()) {
        POINT target = {mouseX_ - dragOffsetX_, mouseY_ - dragOffsetY_};
        if (target.x != held->GetAbsX() || target.y != held->GetAbsY()) {
            held->OnDrag(&target);
            if (!watch.Alive()) return;
            held->DragTo(&target);
            if (!watch.Alive()) return;
            held->OnDragStep();
            if (!watch.Alive()) return;
            dragged_ = held;
        }
    }
    if (held != hover_) held->OnMouseMove(mouseX_ - held->GetAbsX(), mouseY_ - held->GetAbsY());
}

// The popup takes the mouse first, then the exclusive layer (alone), then
// the modal layer or the whole tree.
void GuiShell::Deliver(UINT message) {
    const POINT point = {messageX_, messageY_};
    if (Shows(popup_)) {
        if (GUI* hit = popup_->HitTestAt(&point, 1)) {
            hit->DispatchMouse();
            return;
        }
        if (IsPress(message) && popup_) popup_->Show(0);   // gone if a hit test deleted it
    }
    if (Shows(exclusive_)) {
        if (GUI* hit = exclusive_->HitTestAt(&point, 1)) {
            hit->DispatchMouse();
            return;
        }
        if (IsPress(message) && exclusive_) exclusive_->Show(0);
        DispatchMouse();
        return;
    }
    GUI* root = Shows(modalRoot_) ? modalRoot_ : this;
    GUI* hit = root->HitTest(point.x, point.y, 1);
    (hit ? hit : this)->DispatchMouse();
}
