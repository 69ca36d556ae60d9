// Fonts realised by GDI (the "宋体" face maps to a CJK bitmap font in the test
// prefix), the glyph cache, the font pool and the double-byte helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "graphics/DrawingTestSupport.h"
#include "engine/core/MbcsText.h"

using namespace drawtest;

namespace {

const char kSong[] = "宋体";

class Fonts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(936u, GetACP()) << "run under LC_ALL=zh_CN.UTF-8";
        EnsurePools();
    }
    void TearDown() override {
        for (uint32_t h : made) Nuvex::ReleaseXFont(h);
    }
    uint32_t Make(uint32_t flags, LOGFONTA* description = nullptr) {
        uint32_t h;
        if (description)
            h = Nuvex::CreateXFontIndirect(description, flags, 0);
        else
            h = Nuvex::CreateXFont(kSong, 12, flags, 0);
        if (h) made.push_back(h);
        return h;
    }
    static LOGFONTA Song12() {
        LOGFONTA lf;
        std::memset(&lf, 0, sizeof lf);
        lf.lfHeight = 12;
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        std::strcpy(lf.lfFaceName, kSong);
        return lf;
    }
    std::vector<uint32_t> made;
};

std::set<uint32_t> AlphasOf(const Glyph& g) {
    std::set<uint32_t> alphas;
    for (int y = 0; y < g.Height(); ++y)
        for (int x = 0; x < g.Width(); ++x) alphas.insert(g.Row(y)[x] >> 24);
    return alphas;
}

}   // namespace

TEST(DbcsText, CountsAndCutsByCharacter) {
    ASSERT_EQ(936u, GetACP()) << "run under LC_ALL=zh_CN.UTF-8";
    EXPECT_EQ(3, Nuvex::CharCount("中文A"));
    const char leadOnly[] = {'\xD6', 0};
    EXPECT_EQ(1, Nuvex::CharCount(leadOnly));
    EXPECT_EQ(1u, Nuvex::CharBytes(leadOnly, 0));
    EXPECT_EQ(0, Nuvex::CharCount(""));
    EXPECT_EQ(std::strlen("中文abc"), Nuvex::CharBytes("中文abc", 0));
    EXPECT_EQ(4u, Nuvex::CharBytes("中文abc", 2));
    EXPECT_EQ(5u, Nuvex::CharBytes("中文abc", 3));
    EXPECT_EQ(4u, Nuvex::CharBytes("中文", 9));   // stops at the end
    const char* text = "中a";
    EXPECT_EQ(text + 2, Nuvex::NextChar(text));
    EXPECT_EQ(text + 3, Nuvex::NextChar(text + 2));
    EXPECT_EQ(text + 3, Nuvex::NextChar(text + 3));   // at the end: the same pointer
}

TEST_F(Fonts, DefaultFaceIsRealisedWithItsMetrics) {
    uint32_t h = Make(0);
    ASSERT_NE(0u, h);
    XFont* font = Nuvex::GetXFont(h);
    ASSERT_NE(nullptr, font);
    const TEXTMETRICA& m = font->Metrics();
    EXPECT_GT(m.tmHeight, 0);
    EXPECT_GT(m.tmAveCharWidth, 0);
    EXPECT_GE(m.tmMaxCharWidth, m.tmAveCharWidth);
    EXPECT_EQ(FW_NORMAL, font->Description().lfWeight);
    EXPECT_EQ(DEFAULT_CHARSET, font->Description().lfCharSet);
    EXPECT_STREQ(kSong, font->Description().lfFaceName);
    EXPECT_EQ(uint32_t(GGO_BITMAP), font->GlyphFormat());
    EXPECT_EQ(0xFF000000u, font->GetTextColor());
}

TEST_F(Fonts, FlagsSetWeightAndStyles) {
    LOGFONTA lf = Song12();
    lf.lfItalic = lf.lfUnderline = lf.lfStrikeOut = 1;
    lf.lfWeight = 500;
    XFont* heavy = Nuvex::GetXFont(Make(0x06, &lf));
    ASSERT_NE(nullptr, heavy);
    EXPECT_EQ(900, heavy->Description().lfWeight);
    EXPECT_EQ(0, heavy->Description().lfItalic);
    XFont* light = Nuvex::GetXFont(Make(0x01, &lf));
    ASSERT_NE(nullptr, light);
    EXPECT_EQ(300, light->Description().lfWeight);
    EXPECT_EQ(0, light->Description().lfItalic);
    EXPECT_EQ(0, light->Description().lfUnderline);
    EXPECT_EQ(0, light->Description().lfStrikeOut);
    XFont* kept = Nuvex::GetXFont(Make(0, &lf));
    ASSERT_NE(nullptr, kept);
    EXPECT_EQ(500, kept->Description().lfWeight);
    EXPECT_EQ(1, kept->Description().lfItalic);
    EXPECT_EQ(1, kept->Description().lfStrikeOut);
    XFont* styled = Nuvex::GetXFont(Make(0x02 | 0x20, &lf));
    ASSERT_NE(nullptr, styled);
    EXPECT_EQ(700, styled->Description().lfWeight);
    EXPECT_EQ(1, styled->Description().lfUnderline);
    EXPECT_EQ(0, styled->Description().lfItalic);
}

TEST_F(Fonts, FaceNameIsCutAtACharacterBoundary) {
    // 30 single-byte characters and one double-byte one: 32 bytes, which
    // do not fit into 31 without splitting the last character.
    std::string face(30, 'x');
    face += "中";
    uint32_t h = Nuvex::CreateXFont(face.c_str(), 12, 0, 0);
    ASSERT_NE(0u, h);
    made.push_back(h);
    EXPECT_EQ(std::string(30, 'x'), Nuvex::GetXFont(h)->Description().lfFaceName);
    std::string fits(29, 'y');
    fits += "中";
    h = Nuvex::CreateXFont(fits.c_str(), 12, 0, 0);
    ASSERT_NE(0u, h);
    made.push_back(h);
    EXPECT_EQ(fits, Nuvex::GetXFont(h)->Description().lfFaceName);
}

TEST_F(Fonts, GlyphsAreRenderedOnceAndCached) {
    XFont* font = Nuvex::GetXFont(Make(0));
    ASSERT_NE(nullptr, font);
    const TEXTMETRICA& m = font->Metrics();
    const Glyph* space = font->GetGlyph(' ');
    ASSERT_NE(nullptr, space);
    // Depending on the font GDI gives a space no bitmap (the blank glyph)
    // or an empty box; either way it is transparent and within the cell.
    EXPECT_LE(space->Width(), m.tmAveCharWidth);
    EXPECT_LE(space->Height(), m.tmHeight);
    EXPECT_EQ(std::set<uint32_t>{0}, AlphasOf(*space));

    const Glyph* zhong = font->GetGlyph(0xD6D0);   // 中
    ASSERT_NE(nullptr, zhong);
    std::set<uint32_t> alphas = AlphasOf(*zhong);
    EXPECT_EQ((std::set<uint32_t>{0, 255}), alphas);
    EXPECT_EQ(zhong, font->GetGlyph(0xD6D0));
    // The black box lies within the line (one row of slack for the rounding).
    EXPECT_LE(zhong->top + zhong->blackBoxHeight, m.tmHeight + 1);
    EXPECT_EQ(nullptr, font->GetGlyph(0xFFFF));
}

TEST_F(Fonts, AntialiasedGlyphsUseTheGreyLevels) {
    EXPECT_EQ(0, XFont::GreyLevelToAlpha(0));
    EXPECT_EQ(4, XFont::GreyLevelToAlpha(1));
    EXPECT_EQ(128, XFont::GreyLevelToAlpha(32));
    EXPECT_EQ(252, XFont::GreyLevelToAlpha(63));
    EXPECT_EQ(255, XFont::GreyLevelToAlpha(64));
    XFont* font = Nuvex::GetXFont(Make(XFONT_ANTIALIAS));
    ASSERT_NE(nullptr, font);
    EXPECT_EQ(uint32_t(GGO_GRAY8_BITMAP), font->GlyphFormat());
    const Glyph* zhong = font->GetGlyph(0xD6D0);
    ASSERT_NE(nullptr, zhong);
    bool inked = false;
    for (uint32_t a : AlphasOf(*zhong)) {
        EXPECT_TRUE(a == 255 || a % 4 == 0) << a;
        inked = inked || a != 0;
    }
    EXPECT_TRUE(inked);
}

TEST_F(Fonts, ReleaseFreesThePoolSlot) {
    const uint32_t before = Nuvex::Pools().xfont.Count();
    uint32_t h = Nuvex::CreateXFont(kSong, 12, 0, 0);
    ASSERT_NE(0u, h);
    EXPECT_EQ(before + 1, Nuvex::Pools().xfont.Count());
    EXPECT_EQ(1, Nuvex::ReleaseXFont(h));
    EXPECT_EQ(before, Nuvex::Pools().xfont.Count());
    EXPECT_EQ(nullptr, Nuvex::GetXFont(h));
    EXPECT_EQ(0, Nuvex::ReleaseXFont(h));
    EXPECT_EQ(0, Nuvex::DestroyFont(h));
    EXPECT_EQ(0, Nuvex::ReleaseXFont(0));
    EXPECT_EQ(0, Nuvex::ReleaseXFont(256));
    EXPECT_EQ(0u, Nuvex::MeasureText(h, 0, 0, "abc", 0));

    h = Nuvex::CreateXFont(kSong, 12, 0, 0);
    EXPECT_EQ(1, Nuvex::DestroyFont(h));   // one operation under both names
    EXPECT_EQ(before, Nuvex::Pools().xfont.Count());
    EXPECT_EQ(0u, Nuvex::CreateXFont(nullptr, 12, 0, 0));
    EXPECT_EQ(0u, Nuvex::CreateXFontIndirect(nullptr, 0, 0));
}

TEST_F(Fonts, MeasureTextPacksWidthAndHeightAndRestoresTheWrap) {
    uint32_t h = Make(0);
    XFont* font = Nuvex::GetXFont(h);
    ASSERT_NE(nullptr, font);
    const TEXTMETRICA& m = font->Metrics();
    font->SetWrapWidth(100);
    uint64_t size = Nuvex::MeasureText(h, 0, 0, "中文ab", 0);
    EXPECT_EQ(uint32_t(2 * m.tmMaxCharWidth + 2 * m.tmAveCharWidth), uint32_t(size));
    EXPECT_EQ(uint32_t(m.tmHeight), uint32_t(size >> 32));
    EXPECT_EQ(100, font->GetWrapWidth());
    EXPECT_EQ(0u, Nuvex::MeasureText(h, 0, 0, "", 0));
    EXPECT_EQ(0u, Nuvex::MeasureText(h, 0, 0, nullptr, 0));
}

// The cut-off example on real GBK text: with average a and widest w, and a
// wrap width of 3w + 4, the first line holds three ideographs (3w) and does
// not fit a fourth, so "..." (3a) is reserved: the text keeps as many
// ideographs as leave room for it and ends with the ellipsis.
TEST_F(Fonts, GbkTextIsCutWithAnEllipsisAsMeasured) {
    uint32_t h = Make(0);
    XFont* font = Nuvex::GetXFont(h);
    ASSERT_NE(nullptr, font);
    const int a = font->Metrics().tmAveCharWidth;
    const int w = font->Metrics().tmMaxCharWidth;
    const int wrap = 3 * w + 4;
    const char* text = "中文测试下载";
    font->SetWrapWidth(wrap);
    int kept = 0;
    while ((kept + 1) * w + 3 * a <= wrap) ++kept;
    SIZE e = font->GetTextExtent(TEXT_CUTOFF, text, 0);
    EXPECT_EQ(kept * w + 3 * a, e.cx);
    EXPECT_EQ(font->Metrics().tmHeight, e.cy);

    Bitmap canvas(200, 40, 0xFF000000);
    font->SetTextColor(0xFFFFFFFF);
    font->DrawTextAlpha(canvas, 10, 5, TEXT_CUTOFF, text, RECT{0, 0, 200, 40});
    font->SetWrapWidth(0);
    // Ideographs in their cells, dots after them, nothing past the extent.
    for (int i = 0; i < kept; ++i)
        EXPECT_GT(InkIn(canvas, 10 + i * w, 0, 10 + (i + 1) * w, 40, 0xFF000000), 0) << i;
    EXPECT_GT(InkIn(canvas, 10 + kept * w, 0, 10 + e.cx, 40, 0xFF000000), 0);
    EXPECT_EQ(0, InkIn(canvas, 10 + e.cx, 0, 200, 40, 0xFF000000));
    EXPECT_EQ(0, InkIn(canvas, 0, 0, 10, 40, 0xFF000000));
}

TEST(GlyphOutline, MonochromeRowsAreMsbFirstAndFourByteAligned) {
    GLYPHMETRICS gm;
    std::memset(&gm, 0, sizeof gm);
    gm.gmBlackBoxX = 33;   // two 32-bit words per row
    gm.gmBlackBoxY = 2;
    gm.gmptGlyphOrigin.x = 1;
    gm.gmptGlyphOrigin.y = 9;
    gm.gmCellIncX = 12;
    uint8_t rows[16] = {0x80, 0, 0, 0x01, 0x80, 0, 0, 0,    // x 0, 31, 32
                        0x40, 0, 0, 0,    0,    0, 0, 0};   // x 1
    std::unique_ptr<Glyph> g = XFont::GlyphFromOutline(gm, rows, sizeof rows, GGO_BITMAP, 10);
    ASSERT_NE(nullptr, g);
    EXPECT_EQ(33, g->Width());
    EXPECT_EQ(0xFF000000u, g->Row(0)[0]);
    EXPECT_EQ(0u, g->Row(0)[1]);
    EXPECT_EQ(0xFF000000u, g->Row(0)[31]);
    EXPECT_EQ(0xFF000000u, g->Row(0)[32]);
    EXPECT_EQ(0u, g->Row(1)[0]);
    EXPECT_EQ(0xFF000000u, g->Row(1)[1]);
    EXPECT_EQ(1, g->originX);
    EXPECT_EQ(1, g->top);   // ascent 10 - origin 9
    EXPECT_EQ(12, g->cellIncX);
}

TEST(GlyphOutline, GreyLevelsAreScaledToAlpha) {
    GLYPHMETRICS gm;
    std::memset(&gm, 0, sizeof gm);
    gm.gmBlackBoxX = 3;   // rows padded to 4 bytes
    gm.gmBlackBoxY = 2;
    uint8_t rows[8] = {0, 1, 64, 9, 63, 32, 0, 9};
    std::unique_ptr<Glyph> g = XFont::GlyphFromOutline(gm, rows, sizeof rows, GGO_GRAY8_BITMAP, 0);
    ASSERT_NE(nullptr, g);
    EXPECT_EQ(0u, g->Row(0)[0]);
    EXPECT_EQ(4u << 24, g->Row(0)[1]);
    EXPECT_EQ(255u << 24, g->Row(0)[2]);
    EXPECT_EQ(252u << 24, g->Row(1)[0]);
    EXPECT_EQ(128u << 24, g->Row(1)[1]);
}

// Such outlines make no glyph; the cache then stores the blank one.
TEST(GlyphOutline, EmptyMissingOrShortDataMakesNoGlyph) {
    GLYPHMETRICS gm;
    std::memset(&gm, 0, sizeof gm);
    uint8_t rows[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    gm.gmBlackBoxX = 0;
    gm.gmBlackBoxY = 2;
    EXPECT_EQ(nullptr, XFont::GlyphFromOutline(gm, rows, sizeof rows, GGO_BITMAP, 10));
    gm.gmBlackBoxX = 8;
    gm.gmBlackBoxY = 0;
    EXPECT_EQ(nullptr, XFont::GlyphFromOutline(gm, rows, sizeof rows, GGO_BITMAP, 10));
    gm.gmBlackBoxY = 2;
    EXPECT_EQ(nullptr, XFont::GlyphFromOutline(gm, nullptr, 8, GGO_BITMAP, 10));
    EXPECT_EQ(nullptr, XFont::GlyphFromOutline(gm, rows, 7, GGO_BITMAP, 10));
    gm.gmBlackBoxY = 3;   // three rows of 4 bytes do not fit into 8
    EXPECT_EQ(nullptr, XFont::GlyphFromOutline(gm, rows, sizeof rows, GGO_BITMAP, 10));
    gm.gmBlackBoxY = 2;
    EXPECT_NE(nullptr, XFont::GlyphFromOutline(gm, rows, sizeof rows, GGO_BITMAP, 10));
}
