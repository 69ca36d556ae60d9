#pragma once
// Shared by the drawing tests: the pools, fonts with given metrics and
// glyphs (no GDI behind them), textures in the pool, pixel probes and a
// plain top-level window for presenting.
#include <windows.h>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "engine/core/HandleTable.h"
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/FontPool.h"
#include "engine/graphics/XFont.h"
#include "support/TestSupport.h"
#include "support/TestWindow.h"

namespace drawtest {

using testsupport::EnsurePools;
using testsupport::TestWindow;

inline TEXTMETRICA Metrics(int height, int ascent, int average, int widest) {
    TEXTMETRICA m;
    std::memset(&m, 0, sizeof m);
    m.tmHeight = height;
    m.tmAscent = ascent;
    m.tmDescent = height - ascent;
    m.tmAveCharWidth = average;
    m.tmMaxCharWidth = widest;
    return m;
}

// A glyph of w x h pixels, every one of the given alpha, placed at
// (originX, top) from the pen.
inline std::unique_ptr<Glyph> SolidGlyph(int w, int h, int originX, int top, uint8_t alpha = 255) {
    std::unique_ptr<Glyph> g(new Glyph(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g->Row(y)[x] = uint32_t(alpha) << 24;
    g->blackBoxWidth = w;
    g->blackBoxHeight = h;
    g->originX = originX;
    g->top = top;
    g->cellIncX = w;
    return g;
}

// The layout font of the examples: height 12, ascent 10, average 6, widest
// 12. Characters without a given glyph get the blank glyph.
inline std::unique_ptr<XFont> ExampleFont() {
    std::unique_ptr<XFont> font(new XFont);
    font->UseMetrics(Metrics(12, 10, 6, 12));
    return font;
}

inline uint32_t AddFont(std::unique_ptr<XFont> font) {
    EnsurePools();
    return Nuvex::AddXFont(std::move(font));
}

// Puts a bitmap into the texture pool; returns its id.
inline uint32_t AddTexture(std::unique_ptr<Bitmap> bitmap) {
    EnsurePools();
    const int32_t id = Nuvex::Pools().texture.Add(bitmap.get());
    if (id > 0) bitmap.release();
    return id > 0 ? uint32_t(id) : 0;
}

inline std::unique_ptr<Bitmap> FilledBitmap(int w, int h, uint32_t colour) {
    return std::unique_ptr<Bitmap>(new Bitmap(w, h, colour));
}

inline uint32_t PixelAt(const Bitmap& b, int x, int y) { return b.Row(y)[x]; }

// Every pixel of the store gets a value of its own (a sentinel pattern).
inline void PaintSentinel(Bitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Pitch(); ++x) b.Row(y)[x] = 0x5A000000u | uint32_t(y * 4096 + x);
}

inline int CountChanged(const Bitmap& a, const std::string& before) {
    const uint32_t* old = reinterpret_cast<const uint32_t*>(before.data());
    int changed = 0;
    const size_t n = before.size() / 4;
    for (size_t i = 0; i < n; ++i)
        if (a.GetPixels()[i] != old[i]) ++changed;
    return changed;
}

inline std::string Snapshot(const Bitmap& b) {
    return std::string(reinterpret_cast<const char*>(b.GetPixels()), b.PixelBytes());
}

// Number of pixels with a non-zero colour inside (l, t)-(r, b).
inline int InkIn(const Bitmap& b, int l, int t, int r, int bottom, uint32_t background) {
    int ink = 0;
    for (int y = t; y < bottom; ++y)
        for (int x = l; x < r; ++x)
            if (b.Row(y)[x] != background) ++ink;
    return ink;
}

}   // namespace drawtest
