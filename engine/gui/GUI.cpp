// The element: its property block, creation, names, image binding and the
// queries it answers through its host window.
#include "engine/gui/GUI.h"

#include <new>

#include "engine/core/Log.h"
#include "engine/core/MbcsText.h"
#include "engine/gui/GuiShell.h"
#include "engine/resources/AnimationPlayer.h"
#include "engine/resources/ResourceManager.h"

namespace {

// Without its block an element cannot exist; the engine gives up the process
// rather than run a window with half-built elements.
[[noreturn]] void BlockFailed() {
    Nuvex::ShowMessageBox(nullptr, "无法构建UI属性系统!", "严重错误",
                          MB_SYSTEMMODAL | MB_ICONERROR);
    ExitProcess(UINT(-1));
}

}   // namespace

const RuntimeClass GUI::kRuntimeClass = {"GUI", sizeof(GUI), nullptr};

GUI::GUI() : p_(nullptr) {
    try {
        p_ = new GuiProps();
    } catch (...) {
        BlockFailed();
    }
}

GUI::~GUI() {
    // A dispatch or walk under way learns first that the element is gone.
    GuiWatch::ElementGone(p_->watches);
    p_->watches = nullptr;
    // Fields of the window that point into this subtree go first, while the
    // parent chains they are found by are intact.
    if (p_->host && static_cast<GUI*>(p_->host) != this) p_->host->ForgetElement(this);
    Unlink();
    DestroyChildren();
    p_->movePath.clear();
    p_->player.reset();
    delete p_;
    p_ = nullptr;
}

const RuntimeClass* GUI::GetRuntimeClass() const { return &kRuntimeClass; }

// --- creation

int GUI::Create(const char* name, int width, int height, GUI* listener, int32_t userValue) {
    if ((p_->flags & GUI_CREATED) || !name || !*name || width < 0 || height < 0) return 0;
    SetName(name);
    p_->width = width ? width : 1;
    p_->height = height ? height : 1;
    p_->listener = listener;
    p_->userValue = userValue;
    p_->flags |= GUI_CREATED;
    if (p_->imageKind == GUI_IMAGE_NONE) p_->imageKind = GUI_IMAGE_PLAIN;
    return 1;
}

int GUI::CreateWithAnimation(const char* name, const char* resname, int width, int height,
                             GUI* listener, int32_t userValue) {
    return CreateWithAnimation(name, resname, 0, 0, width, height, listener, userValue);
}

int GUI::CreateWithAnimation(const char* name, const char* resname, int first, int count, int width,
                             int height, GUI* listener, int32_t userValue) {
    // What Create would refuse is refused before anything is bound, so a
    // refused create changes nothing.
    if ((p_->flags & GUI_CREATED) || !name || !*name || p_->player) return 0;
    if (!SetAnimation(resname, first, count, 0)) return 0;
    if (width <= 0) width = p_->player->GetWidth(0);
    if (height <= 0) height = p_->player->GetHeight(0);
    return Create(name, width, height, listener, userValue);
}

int GUI::CreateWithTexture(const char* name, const char* resname, int srcX, int srcY, int srcW,
                           int srcH, GUI* listener, int32_t userValue) {
    return CreateWithTexture(name, resname, srcX, srcY, srcW, srcH, 0, 0, 0, 0, listener,
                             userValue);
}

int GUI::CreateWithTexture(const char* name, const char* resname, int srcX, int srcY, int srcW,
                           int srcH, int offX, int offY, int width, int height, GUI* listener,
                           int32_t userValue) {
    if ((p_->flags & GUI_CREATED) || !name || !*name || p_->player) return 0;
    if (!SetTexture(resname, srcX, srcY, srcW, srcH, offX, offY, 255, 0, 0)) return 0;
    if (width <= 0) width = p_->player->GetWidth(0);
    if (height <= 0) height = p_->player->GetHeight(0);
    return Create(name, width, height, listener, userValue);
}

// --- names and images

const char* GUI::SetName(const char* name) {
    if (!name || !*name) name = GetRuntimeClass()->name;
    Nuvex::mbcs::CopyFitting(p_->name, sizeof p_->name, name);
    return p_->name;
}

const char* GUI::GetName() const { return p_->name; }
const char* GUI::GetResourceName() const { return p_->resourceName; }

int GUI::SetAnimation(const char* resname, int first, int count, int sizeToFit) {
    ResourceManager* manager = ResourceManager::Instance();
    if (!manager || !resname || !Nuvex::GetAnimation(resname)) return 0;
    if (!p_->player) {
        p_->player.reset(new (std::nothrow) AnimationPlayer);
        if (!p_->player) return 0;
    }
    const int bound = manager->BindAnimation(p_->player.get(), resname, first, count);
    if (bound) {
        p_->imageKind = GUI_IMAGE_ANIMATION;
        Nuvex::mbcs::CopyFitting(p_->resourceName, sizeof p_->resourceName, resname);
    }
    if (sizeToFit) SizeToImage(0);
    if (bound) OnAnimationSet(resname, first, count, sizeToFit);
    return bound;
}

int GUI::SetTexture(const char* resname, int srcX, int srcY, int srcW, int srcH, int offX, int offY,
                    int alpha, int blend, int sizeToFit) {
    ResourceManager* manager = ResourceManager::Instance();
    if (!manager || !resname || !Nuvex::GetResource(RESOURCE_TEXTURE, resname)) return 0;
    if (!p_->player) {
        p_->player.reset(new (std::nothrow) AnimationPlayer);
        if (!p_->player) return 0;
    }
    const int bound = manager->BindTexture(p_->player.get(), resname, srcX, srcY, srcW, srcH, offX,
                                           offY, alpha, blend);
    if (bound) {
        p_->imageKind = GUI_IMAGE_TEXTURE;
        Nuvex::mbcs::CopyFitting(p_->resourceName, sizeof p_->resourceName, resname);
    }
    if (sizeToFit) SizeToImage(0);
    if (bound) {
        OnTextureSet(resname, srcX, srcY, srcW, srcH, offX, offY, alpha, blend, sizeToFit);
    }
    return bound;
}

int GUI::SizeToImage(int currentFrame) {
    if (!(p_->flags & GUI_CREATED) || !p_->player) return 0;
    const int w = p_->player->GetWidth(currentFrame);
    const int h = p_->player->GetHeight(currentFrame);
    if (p_->flags & GUI_INITIALISED) return Resize(w, h);
    p_->width = w;
    p_->height = h;
    return 1;
}

int GUI::SetFrame(int frame, int mute, int force) {
    if (!p_->player) {
        OnFrameSet(0, 0);
        return 0;
    }
    const int old = p_->player->GetCurrent();
    const int now = p_->player->SetFrame(frame, mute, force);
    OnFrameSet(now, old);
    return now;
}

int GUI::GetFrameCount() const { return p_->player ? p_->player->GetFrameCount() : 0; }

PlayerFrame* GUI::GetFrame(int index) const {
    return p_->player ? p_->player->GetFrame(index) : nullptr;
}

// --- accessors

int GUI::IsVisible() const { return (p_->state & GUI_VISIBLE) ? 1 : 0; }
int GUI::IsHitTestable() const { return (p_->state & GUI_HIT_TESTABLE) ? 1 : 0; }
int GUI::IsDraggable() const { return (p_->state & GUI_DRAGGABLE) ? 1 : 0; }
int GUI::IsStretch() const { return (p_->state & GUI_STRETCH) ? 1 : 0; }
int GUI::IsCreated() const { return (p_->flags & GUI_CREATED) ? 1 : 0; }
int GUI::GetAbsX() const { return p_->absX; }
int GUI::GetAbsY() const { return p_->absY; }
int32_t GUI::GetUserValue() const { return p_->userValue; }
HCURSOR GUI::GetCursor() const { return p_->cursor; }
GuiShell* GUI::GetHost() const { return p_->host; }
ISurface* GUI::GetSurface() const { return p_->host ? p_->host->Surface() : nullptr; }
HWND GUI::GetHwnd() const { return p_->host ? p_->host->Hwnd() : nullptr; }
GUI* GUI::GetHoverElement() const { return p_->host ? p_->host->Hover() : nullptr; }
GUI* GUI::GetCaptureElement() const { return p_->host ? p_->host->LeftCapture() : nullptr; }
int GUI::GetHostMuteFlag() const { return p_->host ? p_->host->MuteEffects() : 0; }

// --- the host window

int GUI::ShowHostWindow(int show) {
    HWND hwnd = GetHwnd();
    if (!hwnd) return 0;
    const UINT flags = show ? (SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW)
                            : (SWP_NOSIZE | SWP_NOMOVE | SWP_HIDEWINDOW);
    return SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags);
}

int GUI::DestroyHostWindow() { return p_->host ? p_->host->DestroyWindow() : 0; }

// The window follows the mouse as if its caption had been pressed.
int GUI::BeginWindowDrag() {
    HWND hwnd = GetHwnd();
    if (!hwnd) return 0;
    ReleaseCapture();
    const POINT at = p_->host->MousePoint();
    return PostMessageA(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
}

void GUI::ApplyCursor(HCURSOR cursor) {
    if (p_->host) p_->host->SetCurrentCursor(cursor);
}
