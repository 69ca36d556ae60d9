// Layout rules on a font with given metrics (height 12, ascent 10, average 6,
// widest 12), so every width below is worked out by hand.
#include <gtest/gtest.h>

#include "graphics/DrawingTestSupport.h"
#include "engine/core/MbcsText.h"

using namespace drawtest;

namespace {

const uint32_t kBlack = 0xFF000000;
const uint32_t kRed = 0xFFFF0000;

// Letters draw one pixel on the line's top row, full stops one pixel five
// rows down, so the drawn "..." can be told from the letters.
std::unique_ptr<XFont> MarkedFont() {
    std::unique_ptr<XFont> font = ExampleFont();
    for (uint32_t c = 'a'; c <= 'z'; ++c) font->AdoptGlyph(c, SolidGlyph(1, 1, 0, 0));
    font->AdoptGlyph('.', SolidGlyph(1, 1, 0, 5));
    font->AdoptGlyph(0xD6D0, SolidGlyph(1, 1, 0, 0));   // 中, narrower than its advance
    return font;
}

SIZE Extent(XFont& font, int wrap, uint32_t flags, const char* text, int count = 0) {
    font.SetWrapWidth(wrap);
    return font.GetTextExtent(flags, text, count);
}

class TextDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        font = MarkedFont();
        canvas.reset(new Bitmap(100, 60, kBlack));
        font->SetTextColor(kRed);
    }
    void Draw(int wrap, uint32_t flags, const char* text, RECT clip = {0, 0, 100, 60}) {
        font->SetWrapWidth(wrap);
        font->DrawTextAlpha(*canvas, 10, 20, flags, text, clip);
    }
    uint32_t At(int dx, int dy) const { return PixelAt(*canvas, 10 + dx, 20 + dy); }
    std::unique_ptr<XFont> font;
    std::unique_ptr<Bitmap> canvas;
};

}   // namespace

TEST(TextLayout, CutOffExampleReservesTheEllipsis) {
    std::unique_ptr<XFont> font = MarkedFont();
    font->SetWrapWidth(40);
    EXPECT_EQ(18, font->EllipsisWidth("abcdefghij"));
    EXPECT_EQ(0, font->EllipsisWidth("abcdef"));   // 36 fits into 40
    SIZE e = Extent(*font, 40, TEXT_CUTOFF, "abcdefghij");
    EXPECT_EQ(36, e.cx);
    EXPECT_EQ(12, e.cy);
}

TEST(TextLayout, WithoutCutOffTheTextWrapsAfterSixCharacters) {
    std::unique_ptr<XFont> font = MarkedFont();
    SIZE e = Extent(*font, 40, 0, "abcdefghij");
    EXPECT_EQ(36, e.cx);
    EXPECT_EQ(24, e.cy);
}

TEST(TextLayout, WrapWidthZeroBreaksOnlyAtLineBreaks) {
    std::unique_ptr<XFont> font = MarkedFont();
    SIZE e = Extent(*font, 0, TEXT_CUTOFF, "abcdefghij\nab");
    EXPECT_EQ(60, e.cx);
    EXPECT_EQ(24, e.cy);   // the cut-off flag needs a wrap width
}

TEST(TextLayout, EmptyTextMeasuresOneLine) {
    std::unique_ptr<XFont> font = MarkedFont();
    SIZE e = Extent(*font, 40, 0, "");
    EXPECT_EQ(0, e.cx);
    EXPECT_EQ(12, e.cy);
}

TEST(TextLayout, DoubleByteCharacterAdvancesByTheWidestWidth) {
    std::unique_ptr<XFont> font = MarkedFont();
    SIZE e = Extent(*font, 0, 0, "中a中bc");
    EXPECT_EQ(12 + 6 + 12 + 6 + 6, e.cx);
    EXPECT_EQ(12, e.cy);
}

TEST(TextLayout, CarriageReturnLineFeedIsOneBreak) {
    std::unique_ptr<XFont> font = MarkedFont();
    EXPECT_EQ(24, Extent(*font, 0, 0, "ab\r\ncd").cy);
    EXPECT_EQ(24, Extent(*font, 0, 0, "ab\ncd").cy);
    EXPECT_EQ(24, Extent(*font, 0, 0, "ab\rcd").cy);
    EXPECT_EQ(36, Extent(*font, 0, 0, "ab\r\rcd").cy);     // two CRs are two breaks
    EXPECT_EQ(36, Extent(*font, 0, 0, "ab\n\r\ncd").cy);   // LF, then CRLF
    SIZE cut = Extent(*font, 40, TEXT_CUTOFF, "ab\r\ncdefgh");
    EXPECT_EQ(12, cut.cx);   // the cut-off text ends at the first break
    EXPECT_EQ(12, cut.cy);
}

TEST(TextLayout, CountStopsWhereTheStoredBytesStop) {
    std::unique_ptr<XFont> font = MarkedFont();
    // The canvas stores CharBytes(text, count) bytes; the extent of those
    // bytes and the counted extent agree.
    const char* text = "ab\r\ncd";
    for (int count = 1; count <= 6; ++count) {
        std::string stored(text, Nuvex::CharBytes(text, count));
        SIZE counted = Extent(*font, 0, 0, text, count);
        SIZE whole = Extent(*font, 0, 0, stored.c_str());
        EXPECT_EQ(whole.cx, counted.cx) << count;
        EXPECT_EQ(whole.cy, counted.cy) << count;
    }
    EXPECT_EQ(12, Extent(*font, 0, 0, "中a", 1).cx);   // one double-byte character
}

// The canvas stores only the counted characters and draws them without a
// count, so with the cut-off too the counted extent must be that of the
// stored text: the "..." is reserved for those characters and its dots are
// not cut short by the count.
TEST(TextLayout, CountedCutOffTextMeasuresAsTheStoredText) {
    ASSERT_EQ(936u, GetACP()) << "run under LC_ALL=zh_CN.UTF-8";
    std::unique_ptr<XFont> font = MarkedFont();
    const char* text = "中中中中中中";
    for (int count = 1; count <= 6; ++count) {
        std::string stored(text, Nuvex::CharBytes(text, count));
        SIZE counted = Extent(*font, 42, TEXT_CUTOFF, text, count);
        SIZE whole = Extent(*font, 42, TEXT_CUTOFF, stored.c_str());
        EXPECT_EQ(whole.cx, counted.cx) << count;
        EXPECT_EQ(whole.cy, counted.cy) << count;
    }
    // Four ideographs (48) overflow 42: two of them and all three dots.
    EXPECT_EQ(2 * 12 + 18, Extent(*font, 42, TEXT_CUTOFF, text, 4).cx);
    // Three (36) fit: no dots, although the whole text would need them.
    EXPECT_EQ(36, Extent(*font, 42, TEXT_CUTOFF, text, 3).cx);
}

TEST(TextLayout, WrapWidthFollowsTheLimitRule) {
    std::unique_ptr<XFont> font = MarkedFont();
    EXPECT_EQ(0, font->SetWrapWidth(1));
    EXPECT_EQ(12, font->GetWrapWidth());   // raised to the widest character
    EXPECT_EQ(12, font->SetWrapWidth(-5));
    EXPECT_EQ(0, font->GetWrapWidth());
    EXPECT_EQ(0, font->SetWrapWidth(40));
    EXPECT_EQ(40, font->GetWrapWidth());
}

TEST(TextLayout, CharacterWithoutABitmapGetsTheBlankGlyph) {
    std::unique_ptr<XFont> font = MarkedFont();
    const Glyph* blank = font->GetGlyph('#');
    ASSERT_NE(nullptr, blank);
    EXPECT_EQ(6, blank->Width());
    EXPECT_EQ(12, blank->Height());
    EXPECT_EQ(6, blank->blackBoxWidth);
    EXPECT_EQ(12, blank->blackBoxHeight);
    EXPECT_EQ(0, blank->originX);
    EXPECT_EQ(0, blank->top);
    EXPECT_EQ(0u, blank->GetPixels()[0]);
    EXPECT_EQ(blank, font->GetGlyph('#'));
}

TEST(TextLayout, FontWithoutCellSizeSkipsCharactersWithoutGlyphs) {
    std::unique_ptr<XFont> font(new XFont);
    font->UseMetrics(Metrics(12, 10, 0, 12));
    EXPECT_EQ(nullptr, font->GetGlyph('a'));
    font->AdoptGlyph('b', SolidGlyph(1, 1, 0, 0));
    font->AdoptGlyph(0xD6D0, SolidGlyph(1, 1, 0, 0));
    EXPECT_EQ(0, Extent(*font, 0, 0, "aaa").cx);
    EXPECT_EQ(0, Extent(*font, 0, 0, "aba").cx);   // 'b' advances by the average, 0
    EXPECT_EQ(12, Extent(*font, 0, 0, "a中").cx);
}

TEST_F(TextDrawing, CutOffDrawsThreeLettersThenTheEllipsis) {
    Draw(40, TEXT_CUTOFF, "abcdefghij");
    EXPECT_EQ(kRed, At(0, 0));
    EXPECT_EQ(kRed, At(6, 0));
    EXPECT_EQ(kRed, At(12, 0));
    EXPECT_EQ(kBlack, At(18, 0));   // the fourth letter gave way
    EXPECT_EQ(kRed, At(18, 5));
    EXPECT_EQ(kRed, At(24, 5));
    EXPECT_EQ(kRed, At(30, 5));
    EXPECT_EQ(6, InkIn(*canvas, 0, 0, 100, 60, kBlack));
    EXPECT_EQ(0, InkIn(*canvas, 10 + 36, 0, 100, 60, kBlack));
    EXPECT_EQ(0, InkIn(*canvas, 0, 20 + 12, 100, 60, kBlack));
}

TEST_F(TextDrawing, WrappedTextContinuesOnTheNextLine) {
    Draw(40, 0, "abcdefghij");
    for (int i = 0; i < 6; ++i) EXPECT_EQ(kRed, At(i * 6, 0)) << i;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(kRed, At(i * 6, 12)) << i;
    EXPECT_EQ(10, InkIn(*canvas, 0, 0, 100, 60, kBlack));
}

TEST_F(TextDrawing, CarriageReturnLineFeedDrawsOneBreak) {
    Draw(0, 0, "ab\r\ncd");
    EXPECT_EQ(kRed, At(0, 12));
    EXPECT_EQ(kRed, At(6, 12));
    EXPECT_EQ(0, InkIn(*canvas, 0, 20 + 24, 100, 60, kBlack));
}

TEST_F(TextDrawing, TransparentTextColourStillFillsTheCells) {
    font->SetTextColor(0x00FF0000);
    font->SetBackColor(0xFF0000FF);
    Draw(0, 0, "a中");
    // Cells: 'a' 6 wide, 中 12 wide, both 12 high, all background.
    EXPECT_EQ(18 * 12, InkIn(*canvas, 0, 0, 100, 60, kBlack));
    EXPECT_EQ(0xFF0000FFu, At(0, 0));
    EXPECT_EQ(0xFF0000FFu, At(17, 11));
    EXPECT_EQ(kBlack, At(18, 0));
}

TEST_F(TextDrawing, ClipCutsAGlyphAtAnExactColumn) {
    font->AdoptGlyph('w', SolidGlyph(4, 2, 1, 3));
    Draw(0, 0, "w", RECT{0, 0, 10 + 3, 60});
    // The glyph covers columns 11..14 and rows 23..24; the clip keeps 11..12.
    EXPECT_EQ(kRed, At(1, 3));
    EXPECT_EQ(kRed, At(2, 4));
    EXPECT_EQ(kBlack, At(3, 3));
    EXPECT_EQ(4, InkIn(*canvas, 0, 0, 100, 60, kBlack));
}

TEST_F(TextDrawing, DrawingStaysInsideTheMeasuredBox) {
    for (uint32_t c = 'a'; c <= 'z'; ++c) font->AdoptGlyph(c, SolidGlyph(6, 12, 0, 0));
    font->AdoptGlyph(0xD6D0, SolidGlyph(12, 12, 0, 0));
    font->SetWrapWidth(40);
    const char* text = "ab中cdefg中h";
    SIZE e = font->GetTextExtent(0, text, 0);
    font->DrawTextAlpha(*canvas, 10, 20, 0, text, RECT{0, 0, 100, 60});
    EXPECT_EQ(0, InkIn(*canvas, 0, 0, 10, 60, kBlack));
    EXPECT_EQ(0, InkIn(*canvas, 10 + e.cx, 0, 100, 60, kBlack));
    EXPECT_EQ(0, InkIn(*canvas, 0, 20 + e.cy, 100, 60, kBlack));
    EXPECT_GT(InkIn(*canvas, 10, 20 + e.cy - 12, 10 + e.cx, 20 + e.cy, kBlack), 0);
}

TEST_F(TextDrawing, EmptyTextDrawsNothing) {
    font->SetBackColor(0xFF0000FF);
    Draw(0, 0, "");
    EXPECT_EQ(0, InkIn(*canvas, 0, 0, 100, 60, kBlack));
}

TEST_F(TextDrawing, BlendModesUseTheirTintBlits) {
    font->AdoptGlyph('a', SolidGlyph(1, 1, 0, 0));
    canvas->Fill(0xFF646464);
    font->SetTextColor(0xFF323232);
    const RECT all = {0, 0, 100, 60};
    font->DrawTextAdd(*canvas, 0, 0, 0, "a", all);   // 100 + (50 * 255 >> 8)
    EXPECT_EQ(0xFF959595u, PixelAt(*canvas, 0, 0));
    font->DrawTextSubtract(*canvas, 0, 0, 0, "a", all);
    EXPECT_EQ(0xFF646464u, PixelAt(*canvas, 0, 0));
    font->DrawTextGrey(*canvas, 0, 0, 0, "a", all);
    EXPECT_EQ(0xFF323232u, PixelAt(*canvas, 0, 0));
}
