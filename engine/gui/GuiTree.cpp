// The element tree: attaching children, the child list and the draw order,
// lookups, and the life defaults that pass state changes to the children.
#include "engine/gui/GUI.h"

#include <algorithm>

#include "engine/gui/GuiShell.h"
#include "engine/graphics/ISurface.h"

namespace {

void Erase(std::vector<GUI*>& list, GUI* element) {
    list.erase(std::remove(list.begin(), list.end(), element), list.end());
}

}   // namespace

int GUI::AddChild(GUI* child, int x, int y) {
    if (!child || child == this || HasAncestor(child) || IsChild(child, 0)) return 0;
    // One owner only: an element another parent holds stays where it is.
    if (child->p_->parent && child->p_->parent != this) return 0;
    if (!OnAddChild(child, x, y)) return 0;

    child->SetHost(p_->host);
    child->p_->parent = this;
    child->MoveTo(x, y);
    GuiProps& c = *child->p_;
    if (!(c.flags & GUI_INITIALISED)) {
        const int initialised = child->OnInitialize(c.width, c.height, &c.imageKind) & 1;
        if (!initialised) {
            // Not attached: the caller still owns it and finds it untouched.
            child->p_->parent = nullptr;
            child->SetHost(nullptr);
            return 0;
        }
        c.flags |= GUI_INITIALISED;
        child->OnSize(c.width, c.height);
        child->OnShow(c.state & GUI_VISIBLE);
    }
    try {
        p_->children.push_back(child);
    } catch (...) {
        child->p_->parent = nullptr;
        child->SetHost(nullptr);
        return 0;
    }
    ++p_->resortCount;
    return 1;
}

int GUI::SendToBack() {
    GUI* parent = p_->parent;
    if (!parent) return 0;
    std::vector<GUI*>& list = parent->p_->children;
    auto at = std::find(list.begin(), list.end(), this);
    if (at != list.end()) {
        std::rotate(list.begin(), at, at + 1);
        parent->p_->resortCount += 2;
        Invalidate(nullptr, nullptr, 1);
    }
    return 1;
}

GUI* GUI::GetChild(GUI* element) const {
    if (!element) return p_->children.empty() ? nullptr : p_->children.front();
    return IsChild(element, 0) ? element : nullptr;
}

int GUI::IsChild(GUI* element, int recursive) const {
    if (!element) return 0;
    for (GUI* child : p_->children) {
        if (child == element) return 1;
        if (recursive && child->IsChild(element, 1)) return 1;
    }
    return 0;
}

int GUI::HasAncestor(const GUI* element) const {
    if (!element) return 0;
    for (const GUI* up = p_->parent; up; up = up->p_->parent)
        if (up == element) return 1;
    return 0;
}

GUI* GUI::GetParent() const { return p_->parent; }
int GUI::GetChildCount() const { return int(p_->children.size()); }

void GUI::SetHost(GuiShell* host) {
    p_->host = host;
    for (GUI* child : p_->children) child->SetHost(host);
}

// Each child is taken from the front of the list only when its turn comes:
// one that a sibling's release or deletion deleted meanwhile has unlinked
// itself from the list and is never touched again, and one added meanwhile
// goes as well.
void GUI::DeleteChildList(bool announce) {
    p_->drawOrder.clear();
    std::vector<GUI*>& list = p_->children;
    while (!list.empty()) {
        GUI* child = list.front();
        if (announce) {
            GuiWatch told(child);
            child->OnRelease(1);
            if (!told.Alive()) continue;
        }
        Erase(list, child);
        child->p_->parent = nullptr;
        delete child;
    }
}

// Takes the element out of its parent's lists; the area it covered is
// repainted at the next frame. A walk over the draw order may be under way
// (the element deleted from its own update or draw): its slot there is
// emptied rather than removed, so the walk keeps its place and skips it, and
// the next walk copies the child list afresh.
void GUI::Unlink() {
    GUI* parent = p_->parent;
    if (!parent) return;
    Erase(parent->p_->children, this);
    std::vector<GUI*>& order = parent->p_->drawOrder;
    std::replace(order.begin(), order.end(), this, static_cast<GUI*>(nullptr));
    ++parent->p_->resortCount;
    p_->parent = nullptr;
    if (ISurface* surface = GetSurface()) surface->InvalidateRect(&p_->dirtyRect, nullptr);
}

// --- life defaults

int GUI::OnInitialize(int width, int height, int32_t*) { return OnCreate(width, height); }
int GUI::OnCreate(int, int) { return 1; }
int GUI::OnAddChild(GUI* child, int, int) { return child && child->IsCreated(); }
int GUI::OnMoving(int*, int*) { return 1; }
int GUI::OnSizing(int*, int*) { return 1; }
void GUI::OnMove(int, int) {}

// A child that its hook deletes leaves the list where the walk stands: the
// next child takes its index.
template <typename... Args>
void GUI::TellChildren(void (GUI::*hook)(Args...), Args... args) {
    GuiWatch self(this);
    for (size_t i = 0; i < p_->children.size();) {
        GUI* child = p_->children[i];
        GuiWatch told(child);
        (child->*hook)(args...);
        if (!self.Alive()) return;
        if (told.Alive()) ++i;
    }
}

void GUI::OnSize(int width, int height) { TellChildren(&GUI::OnParentSize, width, height); }
void GUI::OnShow(int visible) { TellChildren(&GUI::OnParentShow, visible); }
void GUI::OnEnable(int enabled) { TellChildren(&GUI::OnParentEnable, enabled); }

void GUI::OnParentShow(int) {}
void GUI::OnParentEnable(int) {}
void GUI::OnParentSize(int, int) {}
void GUI::OnRelease(int) {}
void GUI::OnFrameSet(int, int) {}
void GUI::OnFrameAdvance(int, int) {}
void GUI::OnAnimationSet(const char*, int, int, int) {}
void GUI::OnTextureSet(const char*, int, int, int, int, int, int, int, int, int) {}
