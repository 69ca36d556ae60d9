#pragma once
// A realised Windows font with a cache of glyph bitmaps, indexed by the
// 16-bit character code of the ANSI double-byte code page. Each glyph is
// asked of GDI once (GetGlyphOutlineA) and then blitted from the cache.
// Layout is fixed-pitch by character class: codes above 128 advance by the
// widest character width, all others by the average width.
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/core/GrowBuffer.h"
#include "engine/graphics/Bitmap.h"

// One cached character: its pixels are alpha << 24 with colour bits 0.
class Glyph : public Bitmap {
public:
    Glyph(int32_t width, int32_t height) : Bitmap(width, height, 0) {}
    int32_t blackBoxWidth = 0;
    int32_t blackBoxHeight = 0;
    int32_t originX = 0;   // black box offset from the pen position
    int32_t top = 0;       // black box offset below the line's top
    int32_t cellIncX = 0;
    int32_t cellIncY = 0;
};

// Font creation flags.
enum : uint32_t {
    XFONT_WEIGHT_LIGHT = 0x01,   // 300
    XFONT_WEIGHT_BOLD = 0x02,    // 700
    XFONT_WEIGHT_HEAVY = 0x04,   // 900
    XFONT_ITALIC = 0x10,
    XFONT_UNDERLINE = 0x20,
    XFONT_STRIKEOUT = 0x40,
    XFONT_ANTIALIAS = 0x10000000,   // grey-level glyphs
};

// Layout flags.
enum : uint32_t {
    TEXT_CUTOFF = 0x10,   // single line, "..." where the first line overflows
};

class XFont {
public:
    static constexpr uint32_t kGlyphSlots = 65535;

    XFont();
    ~XFont();   // Destroy()
    XFont(const XFont&) = delete;
    XFont& operator=(const XFont&) = delete;

    // Makes the memory DC and the font from the description with the flags
    // applied, and reads the metrics. 0 on any failure (call Destroy then).
    int Realize(HDC reference, const LOGFONTA* description, uint32_t flags);
    // Releases every glyph and the GDI objects; safe to call twice.
    void Destroy();

    // Fonts with given metrics and glyphs and no GDI behind them (glyphs not
    // given become blank ones): layout can then be checked on any machine.
    void UseMetrics(const TEXTMETRICA& metrics);
    bool AdoptGlyph(uint32_t code, std::unique_ptr<Glyph> glyph);

    // A positive width below the widest character is raised to it, a
    // negative one becomes 0 (no wrapping). Returns the previous width.
    int SetWrapWidth(int width);
    int GetWrapWidth() const { return wrapWidth_; }
    uint32_t SetTextColor(uint32_t colour);
    uint32_t SetBackColor(uint32_t colour);
    uint32_t GetTextColor() const { return textColor_; }
    uint32_t GetBackColor() const { return backColor_; }

    const TEXTMETRICA& Metrics() const { return metrics_; }
    const LOGFONTA& Description() const { return description_; }
    uint32_t GlyphFormat() const { return glyphFormat_; }

    // The cached glyph of a character code, made on first use; null only for
    // codes outside the table or a font without a usable cell size.
    const Glyph* GetGlyph(uint32_t code);
    void MakeGlyph(uint32_t code);

    // GGO_GRAY8_BITMAP levels 0..64 to alpha: level * 4, and 64 gives 255.
    static uint8_t GreyLevelToAlpha(uint32_t level);
    // The glyph for GetGlyphOutlineA's output in the given format (GGO_BITMAP
    // rows MSB first, 4-byte aligned; GGO_GRAY8_BITMAP one level per byte);
    // null for an empty black box, missing or short data, or no memory.
    static std::unique_ptr<Glyph> GlyphFromOutline(const GLYPHMETRICS& gm, const uint8_t* data,
                                                   uint32_t size, uint32_t format, int ascent);

    // --- layout and drawing (text in the ANSI double-byte code page) ---
    // Advance of a character: widest width above code 128, else average.
    int Advance(uint32_t code) const;
    // 0 when the first line fits the wrap width, else room for "...".
    int EllipsisWidth(const char* text);
    // The box the text takes; count limits the characters looked at (0 all).
    SIZE GetTextExtent(uint32_t flags, const char* text, int count);
    // Draw the whole text with the pen starting at (x, y), the top-left of
    // the first line, limited to clip. The four differ only in the blit.
    void DrawTextAlpha(Bitmap& dst, int x, int y, uint32_t flags, const char* text,
                       const RECT& clip);
    void DrawTextAdd(Bitmap& dst, int x, int y, uint32_t flags, const char* text, const RECT& clip);
    void DrawTextSubtract(Bitmap& dst, int x, int y, uint32_t flags, const char* text,
                          const RECT& clip);
    void DrawTextGrey(Bitmap& dst, int x, int y, uint32_t flags, const char* text,
                      const RECT& clip);

private:
    using TintBlit = bool (Bitmap::*)(int32_t, int32_t, const Bitmap*, int32_t, int32_t, int32_t,
                                      int32_t, uint32_t);
    template <typename Visit>
    SIZE Walk(uint32_t flags, const char* text, int count, Visit&& visit);
    int EllipsisWidth(const char* text, const char* end);
    void DrawWith(TintBlit blit, Bitmap& dst, int x, int y, uint32_t flags, const char* text,
                  const RECT& clip);
    bool CutOffMode(uint32_t flags) const { return (flags & TEXT_CUTOFF) && wrapWidth_ != 0; }
    std::unique_ptr<Glyph> RenderGlyph(uint32_t code);
    std::unique_ptr<Glyph> BlankGlyph() const;
    void StoreGlyph(uint32_t code, std::unique_ptr<Glyph> glyph);

    std::atomic<Glyph*> glyphs_[kGlyphSlots];
    TEXTMETRICA metrics_;
    LOGFONTA description_;
    uint32_t glyphFormat_ = GGO_BITMAP;
    int32_t wrapWidth_ = 0;
    int32_t charSpacing_ = 0;
    int32_t lineSpacing_ = 0;
    uint32_t textColor_ = 0xFF000000;
    uint32_t backColor_ = 0;
    HDC memoryDC_ = nullptr;
    HFONT font_ = nullptr;
    CRITICAL_SECTION lock_;
    bool lockAlive_ = false;
    GrowBuffer<uint8_t, 8192> scratch_;
};
