#pragma once
// The element that is a window: the root of a window's element tree and its
// own host. It owns the native window and its surface, the input state every
// element of the tree shares (focus, hover, the three button captures, drag
// offsets, the last mouse message, cursors, and the layers that take the
// mouse first: popup, exclusive, modal), and the frame loop: a frame thread
// that posts one update-and-render message per period. The frame thread is
// a ModuleThread: the shell waits, a bounded time, only for its word that it
// is done, and what the thread touches after that is its own (FrameLink).
//
// In the older build the frame thread updates and draws the tree itself,
// under the render lock; the window's own thread then holds that lock
// (TreeLock) whenever it walks or changes the tree.
//
// A shell is made and deleted by its BaseWnd (or at engine exit by
// DestroyAllWindows); a global map finds the shell of a window handle.
// Deleting a shell while one of its own messages is being handled (a host
// that destroys the panel from inside a notification) is deferred: the
// window goes at once, the owner is detached, and the shell is deleted when
// the outermost handling of its messages returns.
//
// A shell can also draw into a surface made elsewhere, with no native window
// (AttachSurface): its tree is then laid out, updated and drawn off screen.
#include <windows.h>
#include <atomic>
#include <cstdint>

#include "engine/core/ThreadUtils.h"
#include "engine/gui/FrameLink.h"
#include "engine/gui/GUI.h"

class BaseWnd;
struct CreateParams;

class GuiShell : public GUI {
public:
    GuiShell(BaseWnd* owner, int32_t value);
    ~GuiShell() override;

    const RuntimeClass* GetRuntimeClass() const override;
    // The surface follows (in the older build at the next frame it draws).
    void OnSize(int width, int height) override;
    // The window's messages: size, focus, paint, close, cursor, keys, the
    // input method and the mouse.
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // --- windows
    // The shell of a live window, null for a dead or unknown handle.
    static GuiShell* FromHandle(HWND hwnd);
    // The shell registered under a handle, also after its window was
    // destroyed (a close request destroys only the window).
    static GuiShell* FromStoredHandle(HWND hwnd);
    // Deletes the shell (and its tree); see the deferral above. Null is
    // ignored.
    static void DestroyShell(GuiShell* shell);
    // Engine exit: every registered shell is deleted. Also from a host's
    // DllMain (its frame threads are waited for no longer than a bound);
    // never from a static destructor, when the module may be unloading.
    static void DestroyAllWindows();
    // Makes the native window, its surface and the map entry; 0 on failure
    // (logged; nothing is left behind).
    int CreateNativeWindow(const char* title, int width, int height, uint32_t styleFlags,
                           HWND parent);
    // Destroys the native window when it is alive (when that fails, asks the
    // window's thread to, which logs and may do nothing). 0 without a window.
    int DestroyWindow();

    // Where the pointer is and which window is under it. Replaceable, so input
    // can be driven without moving the display's one real cursor.
    struct PointerQuery {
        BOOL(WINAPI* cursorPos)(LPPOINT point);
        HWND(WINAPI* windowFromPoint)(POINT point);
    };
    static void SetPointerQuery(const PointerQuery* query);   // null: the system's

    // --- the frame loop
    // Each build's own (WindowStart.cpp). The current build loads,
    // initialises and shows through the owner's hooks, draws the first frame
    // and posts the start of the frame thread. 0 when the window is not alive
    // or already started (a window starts at most once).
    int Start(int unused, uint32_t clearColour, uint32_t fps, int pollMs, int idleMs);
    // The older build's frame start, after its owner has loaded, initialised
    // and shown the window: sizes the tree to the client area, draws the
    // first frame and starts the frame thread at once, which looks waitMs at
    // a time for a frame or a repaint to draw. 0 when the window is not alive
    // or has its frame thread already.
    int Start(int unused, uint32_t clearColour, uint32_t fps, int waitMs);
    // Marks the window started, for good; 0 when it is not alive or was
    // started before.
    int MarkRunning();
    // Draws one frame: a scene, the tree, and the changed area presented,
    // no more of it than lies on the desktop's screens.
    void Render();
    // The same, cleared to a colour of its own (0: not cleared).
    void RenderCleared(uint32_t clearColour);
    // Seconds since the previous frame, or the nominal period after a stall
    // of more than 0.2 s.
    static float ClampFrameDelta(float seconds, float nominal);
    int IsRunning() const { return frame_->running.load(); }
    uint32_t Fps() const { return fps_; }
    HANDLE FrameThread() const { return frameThread_.handle; }

    // --- drawing without a window
    // Makes the shell the host of its tree and draws into the surface with
    // this id, at the surface's size. The shell owns the surface from now on.
    // 0 when the shell already has a surface or the id names none.
    int AttachSurface(uint32_t surfaceId);

    // --- state
    ISurface* Surface() const;
    uint32_t SurfaceId() const { return surface_; }
    HWND Hwnd() const { return hwnd_; }
    BaseWnd* Owner() const { return owner_; }
    int32_t Value() const { return value_; }
    GUI* Focus() const { return focus_; }
    GUI* Hover() const { return hover_; }
    GUI* LeftCapture() const { return captures_[LEFT]; }
    GUI* RightCapture() const { return captures_[RIGHT]; }
    GUI* MiddleCapture() const { return captures_[MIDDLE]; }
    GUI* Dragged() const { return dragged_; }
    GUI* TipTarget() const { return tipTarget_; }
    int MouseOutside() const { return mouseOutside_; }
    HCURSOR CurrentCursor() const { return currentCursor_; }
    // The last mouse position in client coordinates (drags and window drags
    // start from it).
    POINT MousePoint() const { return {mouseX_, mouseY_}; }
    // The mouse message being delivered (0 before the first), its wParam and
    // its point in client coordinates.
    UINT LastMouseMessage() const { return lastMessage_; }
    WPARAM LastMouseWParam() const { return lastWParam_; }
    POINT MessagePoint() const { return {messageX_, messageY_}; }
    // While set, animation players of the tree play no sound.
    int MuteEffects() const { return muteEffects_; }

    // The hover, the captures and the tip target take, like the layers
    // below, only the shell or an element of its tree (null clears); any
    // other is refused: null, nothing changed and nobody told.
    //
    // The hover element; the previous one gets OnMouseLeave, the new one
    // OnMouseEnter. Returns the previous.
    GUI* SetHover(GUI* element);
    // Makes cursor (null: the window's default cursor) the current one and
    // shows it.
    void SetCurrentCursor(HCURSOR cursor);
    // The captures of the three buttons: the element that took the press
    // (null to clear). A capture that ends elsewhere reports kind 4 to its
    // element. Returns the previous capture.
    enum CaptureSlot { LEFT, RIGHT, MIDDLE };
    GUI* SetButtonCapture(CaptureSlot slot, GUI* element, int changeFocus);
    GUI* SetLeftCapture(GUI* element, int changeFocus);
    GUI* SetRightCapture(GUI* element, int changeFocus);
    GUI* SetMiddleCapture(GUI* element, int changeFocus);
    // The element whose tip shows; the tip listener hears of it (again).
    // Returns the previous.
    GUI* SetTipTarget(GUI* element);
    // Updates the mouse-outside flag from the pointer; leaving clears the
    // hover and the tip target.
    void CheckMouseOutside();

    // Layers and targets (null clears): keys and input-method messages go to
    // the key target; a visible modal root alone gets the mouse and keys; a
    // visible exclusive layer alone gets the mouse; a visible popup is hidden
    // by a press outside it; a message hook gets the window's messages in
    // place of the shell; the tip listener hears of tip targets. Each takes
    // only the shell or an element of its tree, which forgets itself here
    // when deleted (ForgetElement); any other is refused: 0, nothing changed.
    int SetKeyTarget(GUI* element) { return Hold(&keyTarget_, element); }
    int SetModalRoot(GUI* element) { return Hold(&modalRoot_, element); }
    int SetExclusive(GUI* element) { return Hold(&exclusive_, element); }
    int SetPopup(GUI* element) { return Hold(&popup_, element); }
    int SetMessageHook(GUI* element) { return Hold(&messageHook_, element); }
    int SetTipListener(GUI* element) { return Hold(&tipListener_, element); }
    GUI* KeyTarget() const { return keyTarget_; }
    GUI* ModalRoot() const { return modalRoot_; }
    GUI* Exclusive() const { return exclusive_; }
    GUI* Popup() const { return popup_; }
    GUI* MessageHook() const { return messageHook_; }
    GUI* TipListener() const { return tipListener_; }

    // Clears every field that points to element or into its subtree (the
    // focus returns to the shell). Called by an element being deleted.
    void ForgetElement(GUI* element);

    static const RuntimeClass kRuntimeClass;

    // Counts a message of this shell being handled: while one is alive,
    // DestroyShell only destroys the window and detaches the owner; the
    // outermost one ending deletes the shell. The window procedure and the
    // start hold one; so should code of another window that drives this
    // shell's tree and may call into a host (which may destroy the shell).
    // Nothing may touch the shell or its tree after the scope ends.
    class DispatchScope {
    public:
        explicit DispatchScope(GuiShell* shell) : shell_(shell) { ++shell_->dispatchDepth_; }
        ~DispatchScope() { shell_->EndDispatch(); }
        DispatchScope(const DispatchScope&) = delete;
        DispatchScope& operator=(const DispatchScope&) = delete;

    private:
        GuiShell* shell_;
    };

    // Holds the tree against the frame thread, which in the older build
    // walks it itself: the window procedure, and any code of the window's
    // thread that changes or walks the tree from outside it (a host's call,
    // another window's message), hold one. It is a dispatch scope as well,
    // so the shell is never deleted under it. Nothing in the current build,
    // whose tree only its own thread touches. Null is allowed.
    class TreeLock {
    public:
        explicit TreeLock(GuiShell* shell);
        ~TreeLock();
        TreeLock(const TreeLock&) = delete;
        TreeLock& operator=(const TreeLock&) = delete;

    private:
        GuiShell* shell_;
    };
    // While above 0, a deletion is deferred.
    int DispatchDepth() const { return dispatchDepth_; }
    // A deletion was deferred: the shell goes when the dispatch ends.
    bool DeletePending() const { return deletePending_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The frame thread's body (FrameLoop.cpp): each build's own loop, then
    // the word, then the thread's reference to the link goes.
    static void FrameThreadEntry(void* link);
    static int RegisterWindowClass(const char* name, uint32_t styleFlags, const CreateParams& cp);
    void Register();
    void Unregister();
    void MakeOwnHost(int width, int height, const char* name);
    // Whether element is null, the shell or of its tree: one this shell
    // forgets when it is deleted.
    bool Hosts(const GUI* element) const;
    // Sets a layer or target field to element when this shell hosts it.
    int Hold(GUI** field, GUI* element);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);
    void OnSizeMessage(WPARAM type, LPARAM size);
    LRESULT OnWindowPosChanged(const WINDOWPOS* pos, WPARAM wParam, LPARAM lParam);
    // The focus goes to element (null: the shell); unless it stays, the
    // element that held it gets OnFocus(0, 0) and element OnFocus(0, 1).
    void MoveFocus(GUI* element);
    void ReleaseInputState(bool hidePopup);
    void NonClientPress();
    void OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnImeMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnMouseInput(UINT message, WPARAM wParam, LPARAM lParam);
    bool PrepareMouse(UINT message);
    void DragCapture();
    void Deliver(UINT message);
    void ClearTipTarget();

    // The current build's start through the owner's hooks.
    int StartSteps(uint32_t clearColour, uint32_t fps, int pollMs, int idleMs);
    int CallHook(int (BaseWnd::*hook)(GuiShell*));
    void DrawFirstFrame();
    void LimitToScreens(ISurface& surface) const;
    void KeepFrameRate(uint32_t clearColour, uint32_t fps, int pollMs, int idleMs);
    int StartFrameThread();
    // The frame thread's loop of each build (FrameThread.cpp), until
    // running is cleared: the current one posts frames; the older one draws
    // frames and repaints itself (DrawOneFrame). It touches only the link,
    // and in the older build the shell while it draws.
    static void RunFrameThread(FrameLink& link);
    void DrawOneFrame(bool update);
    // A repaint or resize the older build's frame thread draws at once.
    void AskRepaint();
    // The surface takes the new size, at once or at the next frame drawn.
    void ResizeSurface(int width, int height);
    // Stops the frame thread and destroys a started window, between two
    // frames where the frame thread draws.
    void StopBetweenFrames();
    void EndDispatch();
    // Clears running and wakes the frame thread; returns whether it was set.
    bool StopRunning();
    void OnFrameMessage();

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
    uint32_t fps_ = 0;
    int32_t pollMs_ = 0, idleMs_ = 0;   // the older build's single wait in both
    // Shared with the frame thread, which holds its own reference.
    const RefPtr<FrameLink> frame_{new FrameLink};
    HeldHandle frameThread_;
    // The older build: the surface size to take at the next frame drawn
    // (under the render lock), and how deep the window's thread holds the
    // tree.
    int32_t surfaceWidth_ = 0, surfaceHeight_ = 0;
    bool surfaceResizePending_ = false;
    int treeLockDepth_ = 0;

    int dispatchDepth_ = 0;        // messages of this shell being handled
    bool deletePending_ = false;   // delete when dispatchDepth_ returns to 0
    bool destroying_ = false;      // in the destructor: messages go past it
    bool windowAlive_ = false;     // from creation until WM_NCDESTROY
};
