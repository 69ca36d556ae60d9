// Text layout and drawing with an XFont. Measuring and drawing walk the text
// with one routine, so a text is always drawn inside the box it measured.
#include <algorithm>

#include "engine/core/MbcsText.h"
#include "engine/graphics/RectOps.h"
#include "engine/graphics/XFont.h"

namespace {

const char kEllipsis[] = "...";

inline bool IsLineBreak(uint32_t code) { return code == '\n' || code == '\r'; }

}   // namespace

int XFont::Advance(uint32_t code) const {
    return code > 128 ? metrics_.tmMaxCharWidth : metrics_.tmAveCharWidth;
}

int XFont::EllipsisWidth(const char* text) { return EllipsisWidth(text, nullptr); }

// As above for the text up to end (null: the terminating zero).
int XFont::EllipsisWidth(const char* text, const char* end) {
    if (!text) return 0;
    int pen = 0;
    for (const char* p = text; *p && p != end;) {
        int bytes = 0;
        const uint32_t code = Nuvex::CharCodeAt(p, &bytes);
        if (IsLineBreak(code)) break;
        if (GetGlyph(code)) {
            const int w = Advance(code);
            if (wrapWidth_ > 0 && wrapWidth_ < pen + w) return 3 * metrics_.tmAveCharWidth;
            pen += w + charSpacing_;
        }
        p += bytes;
    }
    return 0;
}

// Lays the text out and calls visit(glyph, penX, lineTop, advance) for every
// character placed; returns the extent. A character without a glyph takes no
// room. "\r\n" is one line break (the '\n' still counts as a character).
// A count measures the first count characters as a text of their own, since
// that is all the canvas stores and draws: with the cut-off the "..." is then
// reserved for those characters only, and its dots are not counted, so the
// extent stays the box the stored text is drawn in.
template <typename Visit>
SIZE XFont::Walk(uint32_t flags, const char* text, int count, Visit&& visit) {
    const bool cutOff = CutOffMode(flags);
    const char* end = (text && count > 0) ? text + Nuvex::CharBytes(text, count) : nullptr;
    int reserve = cutOff ? EllipsisWidth(text, end) : 0;
    const int lineHeight = metrics_.tmHeight + lineSpacing_;
    int maxWidth = 0, lines = 0, pen = 0;
    bool afterCR = false;
    const char* p = text ? text : "";
    while (*p && p != end) {
        int bytes = 0;
        const uint32_t code = Nuvex::CharCodeAt(p, &bytes);
        if (IsLineBreak(code)) {
            if (cutOff) break;
            if (!(code == '\n' && afterCR)) {
                maxWidth = std::max(maxWidth, pen);
                lines += lineHeight;
                pen = 0;
            }
            afterCR = code == '\r';
            p += bytes;
            continue;
        }
        afterCR = false;
        if (const Glyph* glyph = GetGlyph(code)) {
            const int w = Advance(code);
            if (wrapWidth_ > 0 && wrapWidth_ < w + reserve + pen) {
                if (reserve != 0) {
                    // The rest of the first line gives way to "...".
                    p = kEllipsis;
                    reserve = 0;
                    continue;
                }
                if (!cutOff) {
                    maxWidth = std::max(maxWidth, pen);
                    lines += lineHeight;
                    pen = 0;
                }
            }
            visit(*glyph, pen, lines, w);
            pen += w + charSpacing_;
        }
        p += bytes;
    }
    SIZE extent;
    extent.cx = std::max(maxWidth, pen);
    extent.cy = std::max(0, lines + int(metrics_.tmHeight));
    return extent;
}

SIZE XFont::GetTextExtent(uint32_t flags, const char* text, int count) {
    return Walk(flags, text, count, [](const Glyph&, int, int, int) {});
}

void XFont::DrawWith(TintBlit blit, Bitmap& dst, int x, int y, uint32_t flags, const char* text,
                     const RECT& clip) {
    if (!text || !*text) return;
    const RECT area = {0, 0, dst.Width(), dst.Height()};
    const RECT limit = Nuvex::RectIntersect(clip, area);
    if (Nuvex::RectIsEmpty(limit)) return;
    const uint32_t back = backColor_;
    const uint32_t tint = textColor_;
    const int cellHeight = metrics_.tmHeight;
    Walk(flags, text, 0, [&](const Glyph& glyph, int pen, int lineTop, int advance) {
        const int penX = x + pen;
        const int penY = y + lineTop;
        if (back >> 24) {
            const RECT cell = {penX, penY, penX + advance, penY + cellHeight};
            const RECT fill = Nuvex::RectIntersect(cell, limit);
            if (!Nuvex::RectIsEmpty(fill))
                dst.BlendRect(fill.left, fill.top, fill.right - fill.left, fill.bottom - fill.top,
                              back);
        }
        const RECT box = {penX + glyph.originX, penY + glyph.top,
                          penX + glyph.originX + glyph.blackBoxWidth,
                          penY + glyph.top + glyph.blackBoxHeight};
        const RECT a = Nuvex::RectIntersect(box, limit);
        if (Nuvex::RectIsEmpty(a)) return;
        (dst.*blit)(a.left, a.top, &glyph, a.left - box.left, a.top - box.top, a.right - a.left,
                    a.bottom - a.top, tint);
    });
}

void XFont::DrawTextAlpha(Bitmap& dst, int x, int y, uint32_t flags, const char* text,
                          const RECT& clip) {
    DrawWith(&Bitmap::BlitTint, dst, x, y, flags, text, clip);
}

void XFont::DrawTextAdd(Bitmap& dst, int x, int y, uint32_t flags, const char* text,
                        const RECT& clip) {
    DrawWith(&Bitmap::BlitAddTint, dst, x, y, flags, text, clip);
}

void XFont::DrawTextSubtract(Bitmap& dst, int x, int y, uint32_t flags, const char* text,
                             const RECT& clip) {
    DrawWith(&Bitmap::BlitSubtractTint, dst, x, y, flags, text, clip);
}

void XFont::DrawTextGrey(Bitmap& dst, int x, int y, uint32_t flags, const char* text,
                         const RECT& clip) {
    DrawWith(&Bitmap::BlitGreyTint, dst, x, y, flags, text, clip);
}
