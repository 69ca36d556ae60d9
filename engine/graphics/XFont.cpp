#include "engine/graphics/XFont.h"

#include "engine/core/ThreadUtils.h"

#include <cstring>

namespace {

MAT2 IdentityMatrix() {
    MAT2 m;
    std::memset(&m, 0, sizeof m);
    m.eM11.value = 1;
    m.eM22.value = 1;
    return m;
}

}   // namespace

XFont::XFont() {
    for (auto& slot : glyphs_) slot.store(nullptr, std::memory_order_relaxed);
    std::memset(&metrics_, 0, sizeof metrics_);
    std::memset(&description_, 0, sizeof description_);
    InitializeCriticalSection(&lock_);
    lockAlive_ = true;
}

XFont::~XFont() {
    Destroy();
    if (lockAlive_) DeleteCriticalSection(&lock_);
    lockAlive_ = false;
}

int XFont::Realize(HDC reference, const LOGFONTA* description, uint32_t flags) {
    if (!description) return 0;
    memoryDC_ = CreateCompatibleDC(reference);
    if (!memoryDC_) return 0;
    SetMapMode(memoryDC_, MM_TEXT);
    ::SetTextColor(memoryDC_, RGB(255, 255, 255));
    SetBkColor(memoryDC_, RGB(0, 0, 0));

    description_ = *description;
    if (flags != 0) {
        if (flags & XFONT_WEIGHT_HEAVY)
            description_.lfWeight = FW_HEAVY;
        else if (flags & XFONT_WEIGHT_BOLD)
            description_.lfWeight = FW_BOLD;
        else if (flags & XFONT_WEIGHT_LIGHT)
            description_.lfWeight = FW_LIGHT;
        description_.lfItalic = (flags & XFONT_ITALIC) ? 1 : 0;
        description_.lfUnderline = (flags & XFONT_UNDERLINE) ? 1 : 0;
        description_.lfStrikeOut = (flags & XFONT_STRIKEOUT) ? 1 : 0;
    }
    glyphFormat_ = (flags & XFONT_ANTIALIAS) ? GGO_GRAY8_BITMAP : GGO_BITMAP;

    font_ = CreateFontIndirectA(&description_);
    if (!font_) return 0;
    SelectObject(memoryDC_, font_);
    return GetTextMetricsA(memoryDC_, &metrics_) ? 1 : 0;
}

void XFont::Destroy() {
    for (auto& slot : glyphs_) {
        std::unique_ptr<Glyph> owned(slot.exchange(nullptr, std::memory_order_acq_rel));
    }
    if (memoryDC_) DeleteDC(memoryDC_);   // deselects the font with it
    memoryDC_ = nullptr;
    if (font_) DeleteObject(font_);
    font_ = nullptr;
    scratch_.Release();
}

void XFont::UseMetrics(const TEXTMETRICA& metrics) { metrics_ = metrics; }

bool XFont::AdoptGlyph(uint32_t code, std::unique_ptr<Glyph> glyph) {
    if (code >= kGlyphSlots || !glyph) return false;
    LockGuard hold(&lock_);
    std::unique_ptr<Glyph> old(glyphs_[code].exchange(glyph.release(), std::memory_order_acq_rel));
    return true;
}

int XFont::SetWrapWidth(int width) {
    int previous = wrapWidth_;
    if (width > 0 && width < metrics_.tmMaxCharWidth)
        width = metrics_.tmMaxCharWidth;
    else if (width < 0)
        width = 0;
    wrapWidth_ = width;
    return previous;
}

uint32_t XFont::SetTextColor(uint32_t colour) {
    uint32_t previous = textColor_;
    textColor_ = colour;
    return previous;
}

uint32_t XFont::SetBackColor(uint32_t colour) {
    uint32_t previous = backColor_;
    backColor_ = colour;
    return previous;
}

uint8_t XFont::GreyLevelToAlpha(uint32_t level) { return level >= 64 ? 255 : uint8_t(level * 4); }

const Glyph* XFont::GetGlyph(uint32_t code) {
    if (code >= kGlyphSlots) return nullptr;
    const Glyph* glyph = glyphs_[code].load(std::memory_order_acquire);
    if (glyph) return glyph;
    MakeGlyph(code);
    return glyphs_[code].load(std::memory_order_acquire);
}

void XFont::MakeGlyph(uint32_t code) {
    if (code >= kGlyphSlots) return;
    LockGuard hold(&lock_);
    if (glyphs_[code].load(std::memory_order_relaxed)) return;
    std::unique_ptr<Glyph> glyph = RenderGlyph(code);
    if (!glyph) glyph = BlankGlyph();
    // A font without a cell size has no blank glyph either: the character
    // is then skipped by layout rather than drawn from nothing.
    if (glyph) StoreGlyph(code, std::move(glyph));
}

void XFont::StoreGlyph(uint32_t code, std::unique_ptr<Glyph> glyph) {
    glyphs_[code].store(glyph.release(), std::memory_order_release);
}

// The glyph GDI renders for the code, or null when it has none (a space, an
// unknown character, an empty black box) or memory runs out.
std::unique_ptr<Glyph> XFont::RenderGlyph(uint32_t code) {
    if (!memoryDC_) return nullptr;
    const MAT2 identity = IdentityMatrix();
    GLYPHMETRICS gm;
    std::memset(&gm, 0, sizeof gm);
    DWORD size = GetGlyphOutlineA(memoryDC_, code, glyphFormat_, &gm, 0, nullptr, &identity);
    if (size == GDI_ERROR || size == 0) return nullptr;
    uint8_t* buffer = scratch_.Reserve(size);
    if (!buffer) return nullptr;   // GDI would only report the size again
    if (GetGlyphOutlineA(memoryDC_, code, glyphFormat_, &gm, size, buffer, &identity) != size)
        return nullptr;

    return GlyphFromOutline(gm, buffer, size, glyphFormat_, metrics_.tmAscent);
}

std::unique_ptr<Glyph> XFont::GlyphFromOutline(const GLYPHMETRICS& gm, const uint8_t* data,
                                               uint32_t size, uint32_t format, int ascent) {
    const int32_t boxW = int32_t(gm.gmBlackBoxX);
    const int32_t boxH = int32_t(gm.gmBlackBoxY);
    if (!data || boxW <= 0 || boxH <= 0) return nullptr;
    const bool grey = format == GGO_GRAY8_BITMAP;
    const uint32_t stride = grey ? (uint32_t(boxW) + 3) / 4 * 4 : (uint32_t(boxW) + 31) / 32 * 4;
    if (uint64_t(stride) * uint32_t(boxH) > size) return nullptr;   // not the rows we expect

    std::unique_ptr<Glyph> glyph;
    try {
        glyph.reset(new Glyph(boxW, boxH));
    } catch (...) {
        return nullptr;
    }
    for (int32_t y = 0; y < boxH; ++y) {
        const uint8_t* src = data + size_t(y) * stride;
        uint32_t* dst = glyph->Row(y);
        for (int32_t x = 0; x < boxW; ++x) {
            uint32_t alpha = grey ? GreyLevelToAlpha(src[x])
                                  : ((src[x >> 3] >> (7 - (x & 7))) & 1) * 255u;
            dst[x] = alpha << 24;
        }
    }
    glyph->blackBoxWidth = boxW;
    glyph->blackBoxHeight = boxH;
    glyph->originX = gm.gmptGlyphOrigin.x;
    glyph->top = ascent - gm.gmptGlyphOrigin.y;
    glyph->cellIncX = gm.gmCellIncX;
    glyph->cellIncY = gm.gmCellIncY;
    return glyph;
}

// A transparent cell of the average width, so unknown characters keep their
// spacing; null when the font has no cell size.
std::unique_ptr<Glyph> XFont::BlankGlyph() const {
    const int32_t w = metrics_.tmAveCharWidth;
    const int32_t h = metrics_.tmHeight;
    if (w <= 0 || h <= 0) return nullptr;
    std::unique_ptr<Glyph> glyph;
    try {
        glyph.reset(new Glyph(w, h));
    } catch (...) {
        return nullptr;
    }
    glyph->blackBoxWidth = w;
    glyph->blackBoxHeight = h;
    return glyph;
}
