// Replay of the recorded commands at the end of a scene: each command is
// drawn in recording order, limited to the dirty rectangle and its own clip.
#include "engine/graphics/CanvasDC.h"

#include <algorithm>

#include "engine/graphics/FontPool.h"
#include "engine/graphics/PixelBlend.h"
#include "engine/graphics/RectOps.h"
#include "engine/graphics/Texture.h"
#include "engine/graphics/XFont.h"

using Nuvex::RectIntersect;
using Nuvex::RectIsEmpty;

namespace {

using OpacityBlit = bool (Bitmap::*)(int32_t, int32_t, const Bitmap*, int32_t, int32_t, int32_t,
                                     int32_t, uint8_t);
using TintBlit = bool (Bitmap::*)(int32_t, int32_t, const Bitmap*, int32_t, int32_t, int32_t,
                                  int32_t, uint32_t);
using Tile = bool (Bitmap::*)(int32_t, int32_t, int32_t, int32_t, const Bitmap*, int32_t, int32_t,
                              int32_t, int32_t, uint8_t, const RECT*);
using TextDraw = void (XFont::*)(Bitmap&, int, int, uint32_t, const char*, const RECT&);

// Indexed by blend mode - 1.
const TintBlit kTintBlits[4] = {&Bitmap::BlitTint, &Bitmap::BlitAddTint, &Bitmap::BlitSubtractTint,
                                &Bitmap::BlitGreyTint};
const OpacityBlit kOpacityBlits[4] = {&Bitmap::BlitAlphaOpacity, &Bitmap::BlitAdd,
                                      &Bitmap::BlitSubtract, &Bitmap::BlitGrey};
const Tile kTiles[4] = {&Bitmap::TileAlpha, &Bitmap::TileAdd, &Bitmap::TileSubtract,
                        &Bitmap::TileGrey};
const TextDraw kTextDraws[4] = {&XFont::DrawTextAlpha, &XFont::DrawTextAdd,
                                &XFont::DrawTextSubtract, &XFont::DrawTextGrey};

inline bool KnownMode(int32_t mode) { return mode >= 1 && mode <= 4; }

inline int RectWidth(const RECT& r) { return r.right - r.left; }
inline int RectHeight(const RECT& r) { return r.bottom - r.top; }

// Draws the line clipped to v; nothing when no part of it lies inside.
void ClippedLine(Bitmap& pixels, int x0, int y0, int x1, int y1, uint32_t colour, const RECT& v) {
    int32_t a = x0, b = y0, c = x1, d = y1;
    if (ClipLineToRect(a, b, c, d, v)) pixels.DrawLine(a, b, c, d, colour);
}

// Sets every pixel of the area, which lies inside the bitmap.
void FillArea(Bitmap& pixels, const RECT& area, uint32_t colour) {
    for (int y = area.top; y < area.bottom; ++y)
        std::fill(pixels.Row(y) + area.left, pixels.Row(y) + area.right, colour);
}

}   // namespace

int CanvasDC::Replay() {
    if (state_ == 1) {
        dirtyRect_ = RECT{0, 0, 0, 0};
        return 1;
    }
    if (!pixels_) return 1;
    if (clearColor_ != 0) {
        // Where only part of the canvas shows, only that part is cleared.
        dirtyRect_ = Drawable();
        if (visibleSet_) {
            FillArea(*pixels_, dirtyRect_, clearColor_);
        } else {
            pixels_->Fill(clearColor_);
        }
        clearColor_ = 0;
    }
    const RECT dirty = dirtyRect_;
    if (dirty.left == dirty.right || dirty.top == dirty.bottom) return 1;
    const uint32_t count = commands_.Committed();
    for (uint32_t i = 0; i < count; ++i) ReplayCommand(commands_.Data()[i], dirty);
    return 1;
}

void CanvasDC::ReplayCommand(const CanvasCommand& command, const RECT& dirty) {
    RECT v = dirty;
    if (!RectIsEmpty(command.clip)) {
        v = RectIntersect(dirty, command.clip);
        if (RectIsEmpty(v)) return;
    }
    int32_t p[6];
    ParamsOf(command, p);
    switch (command.kind) {
    case CANVAS_TEXTURE: ReplayTexture(command, p, v); break;
    case CANVAS_TEXT: ReplayText(command, p, v); break;
    case CANVAS_RECT: ReplayRect(p, v); break;
    case CANVAS_LINE: ReplayLine(p, v); break;
    default: break;
    }
}

void CanvasDC::ReplayTexture(const CanvasCommand& command, const int32_t* p, const RECT& v) {
    if (command.refIndex >= textureRefs_.Committed()) return;
    const TextureRegion& t = textureRefs_.Data()[command.refIndex];
    const Bitmap* texture = Nuvex::GetTextureById(t.texture);
    if (!texture) return;
    const bool tiled = p[3] != 0 && p[4] != 0;
    const RECT b = tiled ? Nuvex::RectOfSize(p[0], p[1], p[3], p[4])
                         : Nuvex::RectOfSize(p[0], p[1], t.width, t.height);
    const RECT a = RectIntersect(v, b);
    if (RectIsEmpty(a)) return;
    const uint32_t background = uint32_t(p[5]);
    if (background >> 24)
        pixels_->BlendRect(a.left, a.top, RectWidth(a), RectHeight(a), background);
    const int32_t mode = command.blendMode;
    if (!KnownMode(mode)) return;
    Bitmap& dst = *pixels_;
    if (tiled) {
        // Tiled drawing ignores the tint.
        (dst.*kTiles[mode - 1])(p[0], p[1], p[3], p[4], texture, t.x, t.y, t.width, t.height,
                                t.opacity, &a);
        return;
    }
    const int32_t sx = Nuvex::SpanEnd(t.x, int64_t(a.left) - p[0]);
    const int32_t sy = Nuvex::SpanEnd(t.y, int64_t(a.top) - p[1]);
    const uint32_t tint = uint32_t(p[2]);
    if (tint != 0) {
        (dst.*kTintBlits[mode - 1])(a.left, a.top, texture, sx, sy, RectWidth(a), RectHeight(a),
                                    tint);
    } else if (mode == 1 && t.opacity == 255) {
        dst.BlitAlpha(a.left, a.top, texture, sx, sy, RectWidth(a), RectHeight(a));
    } else if (t.opacity != 0) {
        (dst.*kOpacityBlits[mode - 1])(a.left, a.top, texture, sx, sy, RectWidth(a), RectHeight(a),
                                       t.opacity);
    }
}

void CanvasDC::ReplayText(const CanvasCommand& command, const int32_t* p, const RECT& v) {
    if (command.refIndex >= textRefs_.Committed()) return;
    const CanvasTextRef& r = textRefs_.Data()[command.refIndex];
    const RECT a = RectIntersect(v, Nuvex::MakeRect(p[0], p[1], p[3], p[4]));
    if (RectIsEmpty(a)) return;
    XFont* font = Nuvex::GetXFont(r.font);
    if (!font || !KnownMode(command.blendMode)) return;
    // Fonts are shared between windows: their settings are put back after.
    const int oldWrap = font->SetWrapWidth(r.wrapWidth);
    const uint32_t oldText = font->SetTextColor(uint32_t(p[2]));
    const uint32_t oldBack = font->SetBackColor(uint32_t(p[5]));
    (font->*kTextDraws[command.blendMode - 1])(*pixels_, p[0], p[1], r.flags,
                                               textBytes_.Data() + r.offset, a);
    font->SetTextColor(oldText);
    font->SetBackColor(oldBack);
    font->SetWrapWidth(oldWrap);
}

void CanvasDC::ReplayRect(const int32_t* p, const RECT& v) {
    const uint32_t outline = uint32_t(p[2]);
    const uint32_t fill = uint32_t(p[5]);
    if (fill >> 24) {
        const RECT a = RectIntersect(v, Nuvex::RectOfSize(p[0], p[1], p[3], p[4]));
        if (!RectIsEmpty(a)) pixels_->BlendRect(a.left, a.top, RectWidth(a), RectHeight(a), fill);
    }
    if (outline >> 24) {
        // Both ends of every side are drawn, so each corner is blended twice.
        const int l = p[0], t = p[1];
        const int r = Nuvex::SpanEnd(l, int64_t(p[3]) - 1),
                  b = Nuvex::SpanEnd(t, int64_t(p[4]) - 1);
        ClippedLine(*pixels_, l, t, r, t, outline, v);
        ClippedLine(*pixels_, r, t, r, b, outline, v);
        ClippedLine(*pixels_, r, b, l, b, outline, v);
        ClippedLine(*pixels_, l, b, l, t, outline, v);
    }
}

void CanvasDC::ReplayLine(const int32_t* p, const RECT& v) {
    const uint32_t colour = uint32_t(p[2]);
    if (colour >> 24) ClippedLine(*pixels_, p[0], p[1], p[3], p[4], colour, v);
}
