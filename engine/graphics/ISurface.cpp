#include "engine/graphics/ISurface.h"

#include <cstdio>
#include <new>

#include "engine/core/HandleTable.h"
#include "engine/core/Log.h"
#include "engine/core/WorkPath.h"
#include "engine/graphics/CanvasDC.h"
#include "engine/graphics/FontPool.h"
#include "engine/graphics/ParticleEmitter.h"
#include "engine/graphics/RectOps.h"
#include "engine/graphics/SurfaceAlerts.h"

namespace {

// One "Can't begin scene!" box at a time: the box's own message loop can run
// further frames, which would otherwise stack box upon box.
bool g_sceneAlertUp = false;

const char* ScreenshotExtension(int type) {
    switch (type & 0xFF) {
    case SHOT_BMP: return "BMP";
    case SHOT_PNG: return "PNG";
    case SHOT_JPG: return "JPG";
    case SHOT_TGA: return "TGA";
    default: return "NVX";
    }
}

int CountScreenshots(const char* extension) {
    char pattern[260];
    std::snprintf(pattern, sizeof pattern, "Shot???.%s", extension);
    int count = 0;
    for (const char* name = Nuvex::FindFile(pattern); name; name = Nuvex::FindFile(nullptr))
        ++count;
    return count;
}

// The full path of the first free "Shot%03d.ext" from the number of shots
// already there on, so an existing file is never written over. False when
// no free name is found or the path would not fit.
bool FreeScreenshotPath(const char* extension, char (&path)[260]) {
    const int first = CountScreenshots(extension);
    for (int number = first; number < first + 10000; ++number) {
        char name[260];
        std::snprintf(name, sizeof name, "Shot%03d.%s", number, extension);
        if (!Nuvex::MakeAbsolutePath(name, path, 259) || !path[0]) return false;
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return true;
    }
    return false;
}

}   // namespace

ISurface::ISurface() = default;

ISurface::~ISurface() { Shutdown(); }

// --- life ---

int ISurface::Startup(HWND window, int w, int h) {
    if (!window) return 0;
    if (window_) return 0;   // already started: refused, the live surface is left alone
    window_ = window;
    if (w != 0 && h != 0) {
        defaultFont_ = Nuvex::CreateXFont("宋体", 12, 0, 0);
        if (defaultFont_) {
            SetFont(0);
            if (Resize(w, h)) return 1;
        }
    }
    Shutdown();
    return 0;
}

int ISurface::Shutdown() {
    if (!window_) return 1;
    target_ = nullptr;
    windowCanvas_.reset();
    Nuvex::ReleaseXFont(defaultFont_);
    defaultFont_ = 0;
    sceneOpen_ = 0;
    window_ = nullptr;
    return 1;
}

int ISurface::Resize(int w, int h) {
    if (w == 0 || h == 0) return 0;
    if (!windowCanvas_) {
        windowCanvas_.reset(new (std::nothrow) CanvasDC);
        if (!windowCanvas_) return 0;
        target_ = windowCanvas_.get();
    }
    return windowCanvas_->Resize(w, h);
}

void ISurface::SetVisibleRect(const RECT* rect) {
    if (windowCanvas_) windowCanvas_->SetVisibleRect(rect);
}

// --- scenes ---

int ISurface::BeginScene(uint32_t scene) {
    if (sceneOpen_) {
        if (g_sceneAlertUp) {
            WriteLog(0, "Can't begin scene!");
        } else {
            g_sceneAlertUp = true;
            SurfaceAlerts::SceneAlreadyOpen(window_);
            g_sceneAlertUp = false;
        }
        return 0;
    }
    if (!windowCanvas_) return 0;
    sceneOpen_ = 1;
    CanvasDC* sceneCanvas = nullptr;
    if (scene != 0) sceneCanvas = static_cast<CanvasDC*>(Nuvex::Pools().scene.Get(scene));
    target_ = sceneCanvas ? sceneCanvas : windowCanvas_.get();
    return target_->Begin();
}

int ISurface::EndScene() {
    const int result = target_ ? target_->Replay() : 0;
    target_ = windowCanvas_.get();
    sceneOpen_ = 0;
    return result;
}

int ISurface::Present(HWND window, int onlyWhenWindowTarget) {
    if (!windowCanvas_) return 0;
    if (target_ != windowCanvas_.get() && onlyWhenWindowTarget) return 0;
    windowCanvas_->Present(window ? window : window_);
    return 1;
}

int ISurface::SaveScreenshot(const char* path, int type) {
    if (!windowCanvas_) return 0;
    if (path) return windowCanvas_->Save(path, type);
    const char* extension = ScreenshotExtension(type);
    if (extension[0] == 'N') type = (type & ~0xFF) | SHOT_NVX;
    char full[260];
    if (!FreeScreenshotPath(extension, full)) return 0;
    return windowCanvas_->Save(full, type);
}

// --- window canvas ---

int ISurface::GetWidth() { return windowCanvas_ ? windowCanvas_->Width() : 0; }
int ISurface::GetHeight() { return windowCanvas_ ? windowCanvas_->Height() : 0; }

void ISurface::InvalidateAll() {
    if (windowCanvas_) windowCanvas_->InvalidateRect(nullptr, nullptr);
}

// --- target canvas ---

void ISurface::SetClearColor(uint32_t colour) {
    if (target_) target_->SetClearColor(colour);
}

void ISurface::GetDirtyRect(RECT* out) {
    if (target_) target_->GetDirtyRect(out);
}

void ISurface::Invalidate(int x, int y, int w, int h) {
    if (w == 0 || h == 0) {
        InvalidateRect(nullptr, nullptr);
        return;
    }
    const RECT r = Nuvex::RectOfSize(x, y, w, h);
    InvalidateRect(&r, nullptr);
}

void ISurface::InvalidateRect(const RECT* rect, RECT* oldDirty) {
    if (target_) target_->InvalidateRect(rect, oldDirty);
}

void ISurface::GetClipRect(RECT* out) {
    if (target_) target_->GetClipRect(out);
}

void ISurface::SetClip(int x, int y, int w, int h) {
    if (w == 0 || h == 0) {
        SetClipRect(nullptr, nullptr);
        return;
    }
    const RECT r = Nuvex::RectOfSize(x, y, w, h);
    SetClipRect(&r, nullptr);
}

void ISurface::SetClipRect(const RECT* rect, RECT* oldClip) {
    if (target_) target_->SetClipRect(rect, oldClip);
}

void ISurface::GetCopySource(RECT* out) {
    if (target_) target_->GetCopySource(out);
}

int ISurface::SetCopySource(int x, int y, int w, int h) {
    if (w == 0 || h == 0) return SetCopySourceRect(nullptr, nullptr);
    const RECT r = Nuvex::RectOfSize(x, y, w, h);
    return SetCopySourceRect(&r, nullptr);
}

int ISurface::SetCopySourceRect(const RECT* rect, RECT* oldRect) {
    return target_ ? target_->SetCopySourceRect(rect, oldRect) : 0;
}

void ISurface::GetCopyTarget(RECT* out) {
    if (target_) target_->GetCopyTarget(out);
}

int ISurface::SetCopyTarget(int x, int y, int w, int h) {
    if (w == 0 || h == 0) return SetCopyTargetRect(nullptr, nullptr);
    const RECT r = Nuvex::RectOfSize(x, y, w, h);
    return SetCopyTargetRect(&r, nullptr);
}

int ISurface::SetCopyTargetRect(const RECT* rect, RECT* oldRect) {
    return target_ ? target_->SetCopyTargetRect(rect, oldRect) : 0;
}

int ISurface::SetActive(int active) {
    if (!target_) return 0;
    target_->SetActive(active);
    return active;
}

int ISurface::SetBlendMode(uint32_t mode) { return target_ ? target_->SetBlendMode(mode) : 0; }
int ISurface::GetBlendMode() { return target_ ? target_->GetBlendMode() : 0; }

int ISurface::DrawTexture(const RECT* clip, int x, int y, int w, int h, uint32_t tint,
                          uint32_t background, const TextureRegion* region) {
    return target_ ? target_->RecordTexture(clip, x, y, w, h, tint, background, region) : 0;
}

int ISurface::DrawText(const RECT* clip, int x, int y, int wrapWidth, uint32_t flags,
                       uint32_t textColour, uint32_t background, const char* text, int count) {
    if (!target_) return 0;
    return target_->RecordText(clip, x, y, wrapWidth, flags, textColour, background, GetFont(),
                               text, count);
}

int ISurface::FillRect(const RECT* clip, int x, int y, int w, int h, uint32_t outline,
                       uint32_t fill) {
    return target_ ? target_->RecordRect(clip, x, y, w, h, outline, fill) : 0;
}

int ISurface::DrawLine(const RECT* clip, int x1, int y1, int x2, int y2, uint32_t colour) {
    return target_ ? target_->RecordLine(clip, x1, y1, x2, y2, colour) : 0;
}

// --- fonts ---

uint32_t ISurface::SetFont(uint32_t font) {
    const uint32_t previous = currentFont_;
    currentFont_ = font;
    return previous;
}

uint32_t ISurface::GetDefaultFont() { return defaultFont_; }

uint32_t ISurface::GetFont() { return currentFont_ ? currentFont_ : defaultFont_; }

// --- particles ---

ParticleEmitter* ISurface::CreateEmitter(const void* params, uint32_t length,
                                         const TextureRegion* region, int anchorX, int anchorY) {
    return ParticleEmitter::Create(this, params, length, region, anchorX, anchorY);
}
