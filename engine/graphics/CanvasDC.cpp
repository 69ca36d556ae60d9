#include "engine/graphics/CanvasDC.h"

#include <cstring>
#include <utility>

#include "engine/core/BuildVariant.h"
#include "engine/core/MbcsText.h"
#include "engine/graphics/FontPool.h"
#include "engine/graphics/RectOps.h"
#include "engine/graphics/SurfaceAlerts.h"
#include "engine/graphics/XFont.h"

using Nuvex::RectIntersect;
using Nuvex::RectIsEmpty;

namespace {

const RECT kNoRect = {0, 0, 0, 0};

// A new bitmap, or null when it can't be made (never throws).
std::unique_ptr<Bitmap> MakeBitmap(int w, int h) {
    try {
        return std::unique_ptr<Bitmap>(new Bitmap(w, h, 0));
    } catch (...) {
        return nullptr;
    }
}

// Whether (x, y, w, h) touches the bitmap at all (its clip rule).
bool TouchesStore(const Bitmap* pixels, int x, int y, int w, int h) {
    if (!pixels) return false;
    int32_t cx = x, cy = y, cw = w, ch = h;
    return pixels->ClipRect(cx, cy, cw, ch);
}

void CopyOut(const RECT& from, RECT* out) {
    if (out) *out = from;
}

// a within limit; an empty result is (0, 0, 0, 0), which the replay and the
// present see as empty.
RECT Within(const RECT& a, const RECT& limit) {
    const RECT r = RectIntersect(a, limit);
    return RectIsEmpty(r) ? kNoRect : r;
}

bool Covers(const RECT& outer, const RECT& inner) {
    return RectIsEmpty(inner) || (inner.left >= outer.left && inner.top >= outer.top &&
                                  inner.right <= outer.right && inner.bottom <= outer.bottom);
}

// Whether the store holds far more than w x h needs.
bool FarLarger(const Bitmap& store, int w, int h) {
    return uint64_t(store.PixelBytes()) >
           uint64_t(w) * uint64_t(h) * 4 + CanvasDC::kSpareStoreBytes;
}

void SetParams(CanvasParamUnit* units, int32_t p0, int32_t p1, int32_t p2, int32_t p3, int32_t p4,
               int32_t p5) {
    units[0].v[0] = p0;
    units[0].v[1] = p1;
    units[0].v[2] = p2;
    units[1].v[0] = p3;
    units[1].v[1] = p4;
    units[1].v[2] = p5;
}

}   // namespace

CanvasDC::CanvasDC() = default;

CanvasDC::~CanvasDC() = default;

// --- size, scene and present ---

int CanvasDC::Reserve(int w, int h) {
    if (w <= 0 || h <= 0) return 0;
    if (pixels_ && pixels_->Width() >= w && pixels_->Height() >= h) return 1;
    std::unique_ptr<Bitmap> store = MakeBitmap(w, h);
    if (!store && pixels_) {
        // Room for both may be what is missing: try again without the old
        // store, and make a blank one of its size if even that fails.
        const int oldW = pixels_->Width(), oldH = pixels_->Height();
        pixels_.reset();
        store = MakeBitmap(w, h);
        if (!store) pixels_ = MakeBitmap(oldW, oldH);
    }
    dirtyRect_ = Drawable();
    if (!store) return 0;
    pixels_ = std::move(store);
    return 1;
}

int CanvasDC::Resize(int w, int h) {
    if (w <= 0 || h <= 0) return 0;   // a negative size would never make a canvas
    if (pixels_ && w == Width() && h == Height()) return 1;
    if (!pixels_ || pixels_->Width() < w || pixels_->Height() < h) {
        pixels_.reset();
        pixels_ = MakeBitmap(w, h);
    } else if (FarLarger(*pixels_, w, h)) {
        // A window back from a large size gives that memory back.
        if (std::unique_ptr<Bitmap> fitting = MakeBitmap(w, h)) pixels_ = std::move(fitting);
    }
    if (!pixels_) {
        SurfaceAlerts::ResizeFailed(w, h);
        return 0;
    }
    visibleSet_ = false;
    bounds_ = dirtyRect_ = Nuvex::MakeRect(0, 0, w, h);
    return 1;
}

void CanvasDC::SetVisibleRect(const RECT* rect) {
    const RECT before = Drawable();
    visibleSet_ = rect != nullptr;
    visibleRect_ = rect ? *rect : kNoRect;
    const RECT now = Drawable();
    dirtyRect_ = Covers(before, now) ? Within(dirtyRect_, now) : now;
}

RECT CanvasDC::Drawable() const { return visibleSet_ ? Within(bounds_, visibleRect_) : bounds_; }

int CanvasDC::Begin() {
    clipRect_ = kNoRect;
    commands_.Clear();
    params_.Clear();
    textureRefs_.Clear();
    textRefs_.Clear();
    textBytes_.Clear();
    return 1;
}

int CanvasDC::Present(HWND window) {
    const RECT d = dirtyRect_;
    if (d.left != d.right && d.top != d.bottom) {
        dirtyRect_ = kNoRect;
        copyPending_ = 0;
        if (pixels_ && window) {
            if (HDC dc = GetDC(window)) {
                const int w = d.right - d.left, h = d.bottom - d.top;
                pixels_->DrawToDevice(dc, d.left, d.top, w, h, d.left, d.top, w, h);
                ReleaseDC(window, dc);
            }
        }
    }
    if (state_ == 2) state_ = 1;
    return 1;
}

// --- rectangles and state ---

void CanvasDC::InvalidateRect(const RECT* rect, RECT* oldDirty) {
    CopyOut(dirtyRect_, oldDirty);
    if (!rect) {
        dirtyRect_ = Drawable();
        return;
    }
    const RECT inside = RectIntersect(*rect, Drawable());
    if (!RectIsEmpty(inside)) dirtyRect_ = Nuvex::RectUnion(dirtyRect_, inside);
}

void CanvasDC::GetDirtyRect(RECT* out) const { CopyOut(dirtyRect_, out); }
void CanvasDC::GetClipRect(RECT* out) const { CopyOut(clipRect_, out); }
void CanvasDC::GetCopySource(RECT* out) const { CopyOut(copySource_, out); }
void CanvasDC::GetCopyTarget(RECT* out) const { CopyOut(copyTarget_, out); }

void CanvasDC::SetClipRect(const RECT* rect, RECT* oldClip) {
    CopyOut(clipRect_, oldClip);
    clipRect_ = rect ? *rect : kNoRect;
}

// The copy rectangles are kept and invalidated; no pixels are copied (the
// canvas has no device of its own to scale a copy in, and no caller sets them).
int CanvasDC::SetCopyRect(RECT& which, const RECT* rect, RECT* oldRect) {
    const RECT old = which;
    CopyOut(old, oldRect);
    InvalidateRect(&old, nullptr);
    which = rect ? *rect : kNoRect;
    const bool sourceSet = copySource_.left != copySource_.right &&
                           copySource_.top != copySource_.bottom;
    const bool targetSet = copyTarget_.left != copyTarget_.right &&
                           copyTarget_.top != copyTarget_.bottom;
    if (sourceSet && targetSet) {
        copyPending_ = 1;
        InvalidateRect(&copySource_, nullptr);
        InvalidateRect(&copyTarget_, nullptr);
        return 1;
    }
    copyPending_ = 0;
    state_ = 0;
    dirtyRect_ = Drawable();
    return 0;
}

int CanvasDC::SetCopySourceRect(const RECT* rect, RECT* oldRect) {
    return SetCopyRect(copySource_, rect, oldRect);
}

int CanvasDC::SetCopyTargetRect(const RECT* rect, RECT* oldRect) {
    return SetCopyRect(copyTarget_, rect, oldRect);
}

void CanvasDC::SetActive(int active) {
    if (active) {
        state_ = 0;
        dirtyRect_ = Drawable();
    } else {
        state_ = 2;
    }
}

int CanvasDC::SetBlendMode(uint32_t mode) {
    if (mode < 1 || mode > 4) return 0;
    const int previous = blendMode_;
    blendMode_ = int32_t(mode);
    return previous;
}

// --- recording ---

// The clip a command is recorded with: the clip rectangle in force, narrowed
// by the call's own clip. False when the two have nothing in common.
bool CanvasDC::EffectiveClip(const RECT* clip, RECT* out) const {
    *out = clipRect_;
    if (clip && !RectIsEmpty(*clip)) {
        if (RectIsEmpty(clipRect_)) {
            *out = *clip;
        } else {
            *out = RectIntersect(*clip, clipRect_);
            if (RectIsEmpty(*out)) return false;
        }
    }
    return true;
}

// Room for one more command and its two parameter units, within the limit
// of the 16-bit parameter index.
bool CanvasDC::ReserveCommand(CanvasCommand** command, CanvasParamUnit** params) {
    if (commands_.Committed() >= kMaxCommands) return false;
    *command = commands_.Reserve(1);
    if (!*command) return false;
    *params = params_.Reserve(2);
    return *params != nullptr;
}

void CanvasDC::FillCommand(CanvasCommand* command, uint16_t kind, const RECT& clip,
                           uint32_t refIndex) const {
    command->kind = kind;
    command->zero = 0;
    command->paramIndex = uint16_t(params_.Committed());
    command->paramUnits = 2;
    command->blendMode = blendMode_;
    command->clip = clip;
    command->refIndex = refIndex;
}

int CanvasDC::RecordTexture(const RECT* clip, int x, int y, int w, int h, uint32_t tint,
                            uint32_t background, const TextureRegion* region) {
    if (!region || region->texture == 0 || region->opacity == 0 || region->x < 0 || region->y < 0 ||
        region->width <= 0 || region->height <= 0)
        return 0;
    RECT effective;
    if (!EffectiveClip(clip, &effective)) return 1;
    const bool stretched = w != 0 && h != 0;
    if (!TouchesStore(pixels_.get(), x, y, stretched ? w : region->width,
                      stretched ? h : region->height))
        return 0;

    CanvasCommand* command;
    CanvasParamUnit* units;
    if (!ReserveCommand(&command, &units)) return 0;
    TextureRegion* ref = textureRefs_.Reserve(1);
    if (!ref) return 0;

    *ref = *region;
    // The region's opacity is folded into the tint's alpha; a tint of 0
    // stays 0 and means "no tint".
    const uint32_t alpha = (((tint >> 24) + 1) * region->opacity) >> 8;
    const uint32_t effectiveTint = (tint & 0x00FFFFFF) | (alpha << 24);
    FillCommand(command, CANVAS_TEXTURE, effective, textureRefs_.Committed());
    SetParams(units, x, y, int32_t(effectiveTint), w, h, int32_t(background));
    textureRefs_.Commit();
    params_.Commit();
    commands_.Commit();
    return 1;
}

int CanvasDC::RecordText(const RECT* clip, int x, int y, int wrapWidth, uint32_t flags,
                         uint32_t textColour, uint32_t background, uint32_t font, const char* text,
                         int count) {
    if (textColour == 0 || !text || !*text) return 0;
    RECT effective;
    if (!EffectiveClip(clip, &effective)) return 1;
    XFont* xfont = Nuvex::GetXFont(font);
    if (!xfont) return 0;

    const int previousWrap = xfont->SetWrapWidth(wrapWidth);
    const SIZE extent = xfont->GetTextExtent(flags, text, count);
    xfont->SetWrapWidth(previousWrap);
    if (!TouchesStore(pixels_.get(), x, y, extent.cx, extent.cy)) return 0;

    const uint32_t length = Nuvex::CharBytes(text, count);
    CanvasCommand* command;
    CanvasParamUnit* units;
    if (!ReserveCommand(&command, &units)) return 0;
    CanvasTextRef* ref = textRefs_.Reserve(1);
    if (!ref) return 0;
    char* bytes = textBytes_.Reserve(length + 1);
    if (!bytes) return 0;

    std::memcpy(bytes, text, length);
    bytes[length] = 0;
    ref->font = font;
    ref->offset = textBytes_.Committed();
    ref->length = length + 1;
    ref->wrapWidth = wrapWidth;
    ref->flags = flags;
    FillCommand(command, CANVAS_TEXT, effective, textRefs_.Committed());
    SetParams(units, x, y, int32_t(textColour), Nuvex::SpanEnd(x, extent.cx),
              Nuvex::SpanEnd(y, extent.cy), int32_t(background));
    textBytes_.Commit();
    textRefs_.Commit();
    params_.Commit();
    commands_.Commit();
    return 1;
}

int CanvasDC::RecordRect(const RECT* clip, int x, int y, int w, int h, uint32_t outline,
                         uint32_t fill) {
    RECT effective;
    if (!EffectiveClip(clip, &effective)) return 1;
    CanvasCommand* command;
    CanvasParamUnit* units;
    if (!ReserveCommand(&command, &units)) return 0;
    FillCommand(command, CANVAS_RECT, effective, 0);
    SetParams(units, x, y, int32_t(outline), w, h, int32_t(fill));
    params_.Commit();
    commands_.Commit();
    return 1;
}

int CanvasDC::RecordLine(const RECT* clip, int x1, int y1, int x2, int y2, uint32_t colour) {
    RECT effective;
    if (!EffectiveClip(clip, &effective)) return 1;
    CanvasCommand* command;
    CanvasParamUnit* units;
    if (!ReserveCommand(&command, &units)) return 0;
    FillCommand(command, CANVAS_LINE, effective, 0);
    SetParams(units, x1, y1, int32_t(colour), x2, y2, int32_t(colour));
    params_.Commit();
    commands_.Commit();
    return 1;
}

bool CanvasDC::ViewCommand(uint32_t index, CanvasCommandView* out) const {
    if (!out || index >= commands_.Committed()) return false;
    const CanvasCommand& command = commands_.Data()[index];
    out->command = &command;
    ParamsOf(command, out->params);
    out->texture = nullptr;
    out->textRef = nullptr;
    out->text = nullptr;
    if (command.kind == CANVAS_TEXTURE && command.refIndex < textureRefs_.Committed()) {
        out->texture = &textureRefs_.Data()[command.refIndex];
    } else if (command.kind == CANVAS_TEXT && command.refIndex < textRefs_.Committed()) {
        out->textRef = &textRefs_.Data()[command.refIndex];
        out->text = textBytes_.Data() + out->textRef->offset;
    }
    return true;
}

size_t CanvasDC::BufferBytes() const {
    return size_t(commands_.Capacity()) * sizeof(CanvasCommand) +
           size_t(params_.Capacity()) * sizeof(CanvasParamUnit) +
           size_t(textureRefs_.Capacity()) * sizeof(TextureRegion) +
           size_t(textRefs_.Capacity()) * sizeof(CanvasTextRef) + textBytes_.Capacity();
}

void CanvasDC::ParamsOf(const CanvasCommand& command, int32_t p[6]) const {
    const CanvasParamUnit* units = params_.Data() + command.paramIndex;
    for (int i = 0; i < 3; ++i) {
        p[i] = units[0].v[i];
        p[3 + i] = units[1].v[i];
    }
}

// --- saving ---

int CanvasDC::Save(const char* path, int type) const {
    if (!pixels_ || !path) return 0;
    std::unique_ptr<Bitmap> copy;
    if (!BuildVariant::kShotsTheWholePixelStore) {
        copy = MakeBitmap(Width(), Height());
        if (!copy || !copy->Copy(0, 0, pixels_.get(), 0, 0, Width(), Height())) return 0;
    }
    const Bitmap* saved = copy ? copy.get() : pixels_.get();
    bool written;
    switch (type & 0xFF) {
    case 19: written = saved->SaveBmp(path); break;
    case 20: written = saved->SavePng(path); break;
    case 21: written = saved->SaveJpeg(path); break;
    case 22: written = saved->SaveTga(path); break;
    default: written = saved->SaveNvx(path, 1); break;
    }
    return written ? 1 : 0;
}
