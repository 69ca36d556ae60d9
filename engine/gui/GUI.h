#pragma once
// The element base of the UI engine: every on-screen piece of a window (text,
// style frames, buttons, list rows, the window's own root, the GuiShell) is a
// GUI. An element keeps its state in a property block (GuiProps), owns its
// children, reports to a listener (else its parent) through Notify, and is
// updated and drawn once per frame by the walks its window runs.
//
// Coordinates given to element operations are local to the element (its
// parent's for moves); hit tests and absolute positions are window-client
// coordinates; rectangles are half-open.
//
// Overridable operations are declared in the order of their table; the
// defaults say which call which. CreateWithAnimation and CreateWithTexture
// each come as a short and a full form: a subclass that overrides one form
// adds `using GUI::CreateWithAnimation;` (or CreateWithTexture) so the other
// stays visible.
//
// Ownership: a parent deletes its children; a root is deleted by its owner.
// An element deleted while attached unlinks itself from its parent and makes
// its window forget it and its subtree (hover, captures, focus, layers).
// That holds inside the element's own handling as well: a handler may delete
// the element it was called for, or an ancestor, and the dispatch or walk
// that called it goes on without touching what is gone (a dispatch holds a
// GuiWatch on what it still has to use; a walk looks at its way down again
// whenever an element was deleted). A subclass whose hook may delete its own
// element holds a watch too before it touches the element again.
#include <windows.h>
#include <atomic>
#include <cstdint>

#include "engine/core/BuildVariant.h"
#include "engine/core/RuntimeClass.h"
#include "engine/gui/GuiCodes.h"
#include "engine/gui/GuiProps.h"

class AnimationPlayer;
class GuiShell;
class GuiWatch;
class ISurface;
struct PlayerFrame;

class GUI {
public:
    GUI();
    GUI(const GUI&) = delete;
    GUI& operator=(const GUI&) = delete;

    virtual const RuntimeClass* GetRuntimeClass() const;
    virtual ~GUI();

    // --- creation: refused (0) when already created, with a null or empty
    // name or a negative size; a size of 0 becomes 1.
    virtual int Create(const char* name, int width, int height, GUI* listener, int32_t userValue);
    // Binds the animation resname (all frames) first; a width or height of 0
    // or less takes the animation's size.
    virtual int CreateWithAnimation(const char* name, const char* resname, int width, int height,
                                    GUI* listener, int32_t userValue);
    virtual int CreateWithAnimation(const char* name, const char* resname, int first, int count,
                                    int width, int height, GUI* listener, int32_t userValue);
    // Binds one region of the texture resname (a width or height of 0 takes
    // the whole texture) and takes the region's size.
    virtual int CreateWithTexture(const char* name, const char* resname, int srcX, int srcY,
                                  int srcW, int srcH, GUI* listener, int32_t userValue);
    virtual int CreateWithTexture(const char* name, const char* resname, int srcX, int srcY,
                                  int srcW, int srcH, int offX, int offY, int width, int height,
                                  GUI* listener, int32_t userValue);

    // --- geometry (relative to the parent)
    virtual int SetBounds(int x1, int y1, int x2, int y2);
    virtual int GetX() const;
    virtual int GetY() const;
    virtual int GetRight() const;
    virtual int GetBottom() const;
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    // Animated moves to (x, y), one step per update; steps must be above 0.
    // append continues from the end of the pending path.
    virtual int MoveLinear(int x, int y, int steps, int append);
    virtual int MoveAccelerating(int x, int y, int steps, int append);
    virtual int MoveDecelerating(int x, int y, int steps, int append);

    // --- hit tests (local coordinates)
    virtual GUI* HitTestSelf(int x, int y);
    virtual int HitTip(int x, int y);

    // --- life
    // At the first attach to a parent; 0 refuses the attach. By default
    // returns OnCreate.
    virtual int OnInitialize(int width, int height, int32_t* imageKind);
    virtual int OnCreate(int width, int height);
    virtual int OnAddChild(GUI* child, int x, int y);
    virtual int OnUpdate(float delta);
    // Draws the element at its absolute position; 0 keeps its children from
    // being drawn.
    virtual int OnDraw(int absX, int absY, int width, int height);
    virtual int OnMoving(int* x, int* y);
    virtual int OnSizing(int* width, int* height);
    virtual void OnMove(int x, int y);
    virtual void OnSize(int width, int height);   // OnParentSize to each child
    virtual void OnFrameSet(int newFrame, int oldFrame);
    virtual void OnFrameAdvance(int newFrame, int oldFrame);
    virtual void OnAnimationSet(const char* resname, int first, int count, int sizeToFit);
    virtual void OnTextureSet(const char* resname, int srcX, int srcY, int srcW, int srcH, int offX,
                              int offY, int alpha, int blend, int sizeToFit);
    virtual void OnMoveEnd();        // notify GUI_NOTIFY_MOVE_END
    virtual void OnAnimationEnd();   // notify GUI_NOTIFY_ANIMATION_END

    // --- mouse (local coordinates)
    virtual void OnMouseEnter();   // notify GUI_NOTIFY_MOUSE_ENTER
    virtual void OnMouseLeave();   // notify GUI_NOTIFY_MOUSE_LEAVE
    virtual void OnMouseMove(int x, int y);
    virtual void OnLButton(int x, int y, int kind);   // notify GUI_NOTIFY_LBUTTON
    virtual void OnRButton(int x, int y, int kind);
    virtual void OnMButton(int x, int y, int kind);
    // Both bubble to the parent with the point made local to it.
    virtual void OnMouseMessage(int x, int y, int code);
    virtual void OnMouseWheel(int x, int y, int up);
    // Drag forwards: to the listener's, else the parent's, OnChild* slots.
    virtual void OnDrag(POINT* target);
    virtual void OnDragStep();
    virtual void OnDragEnd();

    // --- state changes passed to the children
    virtual void OnShow(int visible);
    virtual void OnParentShow(int visible);
    virtual void OnEnable(int enabled);
    virtual void OnParentEnable(int enabled);
    virtual void OnRelease(int flag);   // with 1 just before the parent deletes it
    virtual void OnFocus(int reason, int gained);
    virtual void OnKey(WPARAM key, LPARAM keyData, int down);
    virtual void OnChar(WPARAM character, LPARAM keyData);
    virtual void OnSysKey(WPARAM key, LPARAM keyData, int down);
    virtual void OnSysChar(WPARAM character, LPARAM keyData);
    virtual void OnParentSize(int width, int height);
    virtual void OnChildDrag(GUI* child, POINT* target);
    virtual void OnChildDragStep(GUI* child);
    virtual void OnChildDragEnd(GUI* child);
    virtual void OnTipTarget(GUI* element);
    virtual void OnTipTargetAgain(GUI* element);
    // The sink of notifications; containers override it.
    virtual int OnNotify(GUI* sender, uint32_t code, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnIme(UINT message, WPARAM wParam, LPARAM lParam);
    // Window messages; by default the host window's handling.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
#if FP_OLDER_BUILD   // the older table of operations has one more slot
    // The older build's last slot: Create with the value 0.
    virtual int CreateDefault(const char* name, int width, int height, GUI* listener);
#endif

    // --- names and images
    // Null or empty takes the class name; cut to 259 bytes on a character
    // boundary. Returns the stored name.
    const char* SetName(const char* name);
    const char* GetName() const;
    const char* GetResourceName() const;
    int SetAnimation(const char* resname, int first, int count, int sizeToFit);
    int SetTexture(const char* resname, int srcX, int srcY, int srcW, int srcH, int offX, int offY,
                   int alpha, int blend, int sizeToFit);
    int SizeToImage(int currentFrame);
    int SetFrame(int frame, int mute, int force);
    int GetFrameCount() const;
    PlayerFrame* GetFrame(int index) const;

    // --- the tree
    // Attaches child at (x, y). Refused (0) for null, this element, an
    // ancestor, a child already attached here or elsewhere, or when
    // OnAddChild or the child's first OnInitialize refuses. The caller keeps
    // ownership of a child whose AddChild returned 0.
    int AddChild(GUI* child, int x, int y);
    // Moves the element to the front of its parent's list: drawn first, hit last.
    int SendToBack();
    // Null: the first child; otherwise element when it is a direct child.
    GUI* GetChild(GUI* element) const;
    int IsChild(GUI* element, int recursive) const;
    // Whether element is this element's parent, grandparent and so on.
    int HasAncestor(const GUI* element) const;
    GUI* GetParent() const;
    int GetChildCount() const;

    // --- geometry, moves and drawing
    int MoveTo(int x, int y);   // kKeepCoordinate keeps a coordinate
    int MoveToAbsolute(int x, int y);
    // The older build's move to a window point, which keeps no coordinate.
    int MoveToWindowPoint(const POINT* point);
    // Where a drag puts the element: its top-left corner on a window point,
    // by MoveToAbsolute, or in the older build by MoveToWindowPoint.
    int DragTo(const POINT* point);
    int Resize(int width, int height);   // 0 or less keeps that dimension
    void AppendMoveStep(int dx, int dy);
    int Show(int visible);   // the previous visible bit
    int SetStretch(int on);
    int SetHitTestable(int on);
    // For the drag, tip and self hit-test paths (previous bit).
    int SetDraggable(int on);
    int SetTipTargetBit(int on);
    int SetHitTestSelf(int on);
    // Unites rect (may be null) into the element's dirty rectangle and marks
    // it for re-measuring (with the subtree when recursive).
    void Invalidate(RECT* out, const RECT* rect, int recursive);
    // Clips rect to the surface's clip and, unless unchanged and not forced,
    // invalidates the old and the new area. 0 when nothing is visible or
    // there is no surface.
    int TrackDrawRect(const RECT* rect, RECT* out, int force);
    int SetClipRect(const RECT* rect, RECT* oldRect);
    int SetClip(int x, int y, int width, int height);
    void UpdateTree(float delta);
    void RenderTree();
    void DrawChildren();

    // --- events
    int Notify(uint32_t code, WPARAM wParam, LPARAM lParam);
    // x, y in window coordinates.
    GUI* HitTest(int x, int y, int recurse);
    GUI* HitTestAt(const POINT* point, int recurse);   // null: the window's last mouse point
    int DispatchMouse();

    // --- accessors and the host window
    int IsVisible() const;
    int IsHitTestable() const;
    int IsDraggable() const;
    int IsStretch() const;
    int IsCreated() const;
    int GetAbsX() const;
    int GetAbsY() const;
    int32_t GetUserValue() const;
    HCURSOR GetCursor() const;
    GuiShell* GetHost() const;
    ISurface* GetSurface() const;
    HWND GetHwnd() const;
    GUI* GetHoverElement() const;
    GUI* GetCaptureElement() const;
    int GetHostMuteFlag() const;
    int ShowHostWindow(int show);
    int DestroyHostWindow();
    int BeginWindowDrag();
    void ApplyCursor(HCURSOR cursor);

    static const RuntimeClass kRuntimeClass;

protected:
    friend class GuiWatch;
    GuiProps* Props() const { return p_; }
    // Sets the host of this element and of its whole subtree.
    void SetHost(GuiShell* host);
    // Deletes every child, first to last: each told first (OnRelease(1)) in
    // the current build, untold in the older, whose elements delete their
    // children through DeleteChildren.
    void DestroyChildren();
    // The older build's deletion of the children: each one deleted, first
    // to last, without OnRelease(1); its element destructor calls it.
    void DeleteChildren();

private:
    // Deletes the children first to last, telling each first when announce;
    // a child deleted meanwhile (by a sibling's release) is skipped.
    void DeleteChildList(bool announce);
    void Unlink();
    // Calls hook on each child in child-list order; stops when a hook
    // deletes this element.
    template <typename... Args>
    void TellChildren(void (GUI::*hook)(Args...), Args... args);
    void UpdateAbsolute();
    // A walk's way down from the element it began at: each step names the
    // element walked and its slot in the draw order of the step above.
    struct WalkStep {
        const WalkStep* up;   // null at the element the walk began at
        const GUI* element;
        size_t slot;
        const GuiWatch* start;   // on the element the walk began at
    };
    // Whether an element on the way went since the count of deletions was
    // deletions: a deleted one has emptied its slot, or ended its start.
    static bool WayLost(const WalkStep& way, uint32_t deletions);
    static bool WayBroken(const WalkStep& way);
    void UpdateChildren(float delta, const WalkStep& way);
    void DrawChildren(const WalkStep& way);
    void SyncDrawOrder();
    // Whether child still holds slot i of the draw order: a child deleted
    // since the slot was read has emptied it.
    bool InDrawOrderAt(size_t i, const GUI* child) const {
        return i < p_->drawOrder.size() && p_->drawOrder[i] == child;
    }
    // Whether the child read from slot i lives: nothing was deleted since the
    // count was deletions, or it still holds its slot.
    bool ChildLives(size_t i, const GUI* child, uint32_t deletions) const;
    bool MeasureArea(RECT* area, int* force) const;
    void Remeasure();
    // One step of a playing animation, and of a pending move path; each
    // false when a hook it called deleted the element.
    bool StepPlayer();
    bool StepMovePath();
    bool MoveStart(int x, int y, int append, int64_t* dx, int64_t* dy);
    GUI* NotifyTarget() const;
    void DispatchButton(UINT message, int lx, int ly, GUI* draggedBefore, const GuiWatch& self);

    GuiProps* p_;
};

#if defined(__i386__)
static_assert(sizeof(GUI) == 8, "an element is its table of operations and its block");
#endif

// A watch on one element, held on the stack across a call that may delete
// it: Alive() turns false when the element is deleted. Watches are taken
// and dropped on the element's own thread, innermost first.
class GuiWatch {
public:
    explicit GuiWatch(GUI* element) : element_(element) {
        if (!element_) return;
        next_ = element_->p_->watches;
        element_->p_->watches = this;
    }
    ~GuiWatch() {
        if (!element_) return;
        GuiWatch** link = &element_->p_->watches;
        while (*link && *link != this) link = &(*link)->next_;
        if (*link) *link = next_;
    }
    GuiWatch(const GuiWatch&) = delete;
    GuiWatch& operator=(const GuiWatch&) = delete;

    bool Alive() const { return element_ != nullptr; }
    // Elements deleted so far: while the count stands, nothing went. The
    // walks hold no watch per element; they look again only when it moved.
    static uint32_t Deletions() { return deletions_.load(std::memory_order_relaxed); }
    // Called by the element's destructor: every watch on it learns it is gone.
    static void ElementGone(GuiWatch* first) {
        deletions_.fetch_add(1, std::memory_order_relaxed);
        for (GuiWatch* w = first; w; w = w->next_) w->element_ = nullptr;
    }

private:
    GUI* element_;
    GuiWatch* next_ = nullptr;
    inline static std::atomic<uint32_t> deletions_{0};
};

inline bool GUI::WayLost(const WalkStep& way, uint32_t deletions) {
    return GuiWatch::Deletions() != deletions && WayBroken(way);
}

inline bool GUI::ChildLives(size_t i, const GUI* child, uint32_t deletions) const {
    return GuiWatch::Deletions() == deletions || InDrawOrderAt(i, child);
}
