// The text and style elements, read from the commands they record on a
// real surface.
#include "gui/GuiTestSupport.h"

#include <cstdlib>
#include <cstring>

#include "drawing/DrawingTestSupport.h"
#include "engine/graphics/FontPool.h"
#include "engine/graphics/ISurface.h"
#include "engine/gui/TextBuffer.h"
#include "engine/gui/uiStyleCtrl.h"
#include "engine/gui/uiTextCtrl.h"

using guitest::OffscreenShell;
using guitest::SkinResources;

namespace {

struct Piece {
    int x, y, w, h, srcX;
};

std::vector<Piece> TexturePieces(OffscreenShell& off) {
    std::vector<Piece> out;
    for (const CanvasCommandView& v : off.Commands())
        if (v.command->kind == CANVAS_TEXTURE)
            out.push_back({v.params[0], v.params[1], v.params[3], v.params[4], v.texture->x});
    return out;
}

std::string Describe(const std::vector<Piece>& pieces) {
    std::string s;
    for (const Piece& p : pieces)
        s += "[" + std::to_string(p.srcX) + ": " + std::to_string(p.x) + "," + std::to_string(p.y) +
             " " + std::to_string(p.w) + "x" + std::to_string(p.h) + "] ";
    return s;
}

// Frame i cuts the texture at x = 10 i with the given size.
std::vector<std::string> Frames(const std::vector<SIZE>& sizes) {
    std::vector<std::string> rects;
    for (size_t i = 0; i < sizes.size(); ++i)
        rects.push_back(std::to_string(10 * i) + ",0," + std::to_string(sizes[i].cx) + "," +
                        std::to_string(sizes[i].cy));
    return rects;
}

void* FailingRealloc(void*, size_t) { return nullptr; }

}   // namespace

TEST(uiStyle, PiecesOfEachLayout) {
    SkinResources skin;
    ASSERT_NE(0u, skin.AddTexture("skin", 128, 64, 0xFF336699));
    const SIZE s10 = {10, 10};
    struct Case {
        const char* what;
        std::vector<SIZE> frames;
        int w, h;
        std::vector<Piece> pieces;   // at the element's place (20, 10)
    };
    const Case cases[] = {
        {"nine-slice",
         std::vector<SIZE>(9, s10),
         100,
         50,
         {{20, 10, 10, 10, 0},
          {30, 10, 80, 10, 10},
          {110, 10, 10, 10, 20},
          {20, 20, 10, 30, 30},
          {30, 20, 80, 30, 40},
          {110, 20, 10, 30, 50},
          {20, 50, 10, 10, 60},
          {30, 50, 80, 10, 70},
          {110, 50, 10, 10, 80}}},
        {"three across",
         {{5, 8}, {4, 8}, {6, 8}},
         100,
         8,
         {{20, 10, 5, 8, 0}, {25, 10, 89, 8, 10}, {114, 10, 6, 8, 20}}},
        {"two, placed by the first",
         {{7, 8}, {9, 8}},
         100,
         8,
         {{20, 10, 7, 8, 0}, {113, 10, 9, 8, 10}}},
        {"corners",
         std::vector<SIZE>(4, s10),
         100,
         50,
         {{20, 10, 10, 10, 0}, {110, 10, 10, 10, 10}, {20, 50, 10, 10, 20}, {110, 50, 10, 10, 30}}},
        // The left edge runs down to the bottom-left corner (frame 5), not
        // to the height of the bottom edge (frame 6).
        {"border of eight",
         {s10, s10, s10, s10, s10, {10, 12}, {10, 8}, {10, 12}},
         100,
         50,
         {{20, 10, 10, 10, 0},
          {30, 10, 80, 10, 10},
          {110, 10, 10, 10, 20},
          {20, 20, 10, 28, 30},
          {110, 20, 10, 28, 40},
          {20, 48, 10, 12, 50},
          {30, 52, 80, 8, 60},
          {110, 48, 10, 12, 70}}},
        // Smaller than its corners: squeezed edges and centre are left out.
        {"smaller than its corners",
         std::vector<SIZE>(9, s10),
         15,
         12,
         {{20, 10, 10, 10, 0}, {25, 10, 10, 10, 20}, {20, 12, 10, 10, 60}, {25, 12, 10, 10, 80}}},
        // Other counts draw the current frame as a plain element does.
        {"one frame", {s10}, 100, 50, {{20, 10, 0, 0, 0}}},
        {"five frames", std::vector<SIZE>(5, s10), 100, 50, {{20, 10, 0, 0, 0}}},
    };
    OffscreenShell off(200, 100);
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "style" + std::to_string(n++);
        ASSERT_TRUE(skin.AddAnimation(name.c_str(), "skin", Frames(c.frames))) << c.what;
        uiStyleCtrl* style = new uiStyleCtrl;
        ASSERT_EQ(1, style->CreateWithAnimation("style", name.c_str(), c.w, c.h, nullptr, 0));
        ASSERT_EQ(1, off.shell().AddChild(style, 20, 10));
        off.Frame();
        const std::vector<Piece> got = TexturePieces(off);
        EXPECT_EQ(Describe(c.pieces), Describe(got)) << c.what;
        delete style;
    }
}

TEST(uiText, AlignmentAutoSizeAndCountedText) {
    OffscreenShell off(300, 100);
    const uint32_t font = drawtest::AddFont(drawtest::ExampleFont());
    auto extent = [font](const char* text) {
        const uint64_t e = Nuvex::MeasureText(font, 0, 0, text, 0);
        return SIZE{LONG(uint32_t(e)), LONG(uint32_t(e >> 32))};
    };

    // Auto-size (the default) takes the text's extent.
    uiTextCtrl* sized = new uiTextCtrl;
    ASSERT_EQ(1, sized->Create("sized", 1, 1, nullptr, 0));
    ASSERT_EQ(1, off.shell().AddChild(sized, 0, 0));
    sized->SetFont(font);
    EXPECT_EQ(3, sized->SetText("abc", 0));
    EXPECT_EQ(extent("abc").cx, sized->GetWidth());
    EXPECT_EQ(extent("abc").cy, sized->GetHeight());
    EXPECT_EQ(0, sized->SetText("", 0));   // empties, keeps the size
    EXPECT_EQ(extent("abc").cx, sized->GetWidth());
    EXPECT_STREQ("", sized->GetText());
    delete sized;

    // Fixed size: the text is placed by the alignments (truncating halves),
    // a text wider than a centred label starts left of it.
    struct Case {
        const char* text;
        int h, v;
    };
    const Case cases[] = {
        {"ab", 0, 0}, {"ab", 1, 1}, {"ab", -1, -1}, {"abcdefghijklmnopqrstuvwxyz", 0, -1}};
    for (const Case& c : cases) {
        uiTextCtrl* label = new uiTextCtrl;
        ASSERT_EQ(1, label->Create("label", 105, 19, nullptr, 0));
        ASSERT_EQ(1, off.shell().AddChild(label, 50, 40));
        label->SetAutoSize(0);
        label->SetFont(font);
        label->SetAlign(c.h, c.v);
        label->SetText(c.text, 0);
        off.Frame();
        const SIZE e = extent(c.text);
        const int x = c.h == 0 ? (105 - e.cx) / 2 : c.h > 0 ? 105 - e.cx : 0;
        const int y = c.v == 0 ? (19 - e.cy) / 2 : c.v > 0 ? 19 - e.cy : 0;
        std::vector<CanvasCommandView> texts;
        for (const CanvasCommandView& v : off.Commands())
            if (v.command->kind == CANVAS_TEXT) texts.push_back(v);
        ASSERT_EQ(1u, texts.size()) << c.text;
        EXPECT_EQ(50 + x, texts[0].params[0]) << c.text;
        EXPECT_EQ(40 + y, texts[0].params[1]) << c.text;
        EXPECT_EQ(105, label->GetWidth());
        delete label;
    }
    EXPECT_LT((105 - extent("abcdefghijklmnopqrstuvwxyz").cx) / 2, 0);

    uiTextCtrl t;
    t.SetAlign(5, -7);
    EXPECT_EQ(1, t.GetAlignH());
    EXPECT_EQ(-1, t.GetAlignV());
    EXPECT_EQ(0xFFFFFFFFu, t.SetColor(0xFF000000u));
    EXPECT_EQ(0xFF000000u, t.GetColor());
    // Characters, not bytes: two double-byte characters of "两字A".
    EXPECT_EQ(2, t.SetText("两字A", 2));
    EXPECT_STREQ("两字", t.GetText());
    EXPECT_EQ(4u, std::strlen(t.GetText()));
    EXPECT_EQ(0u, t.GetFont());   // no window yet: no font
}

TEST(uiText, FontComesFromTheWindowAtTheFirstDraw) {
    uiTextCtrl* label = new uiTextCtrl;
    ASSERT_EQ(1, label->Create("label", 40, 14, nullptr, 0));
    label->SetAutoSize(0);
    EXPECT_EQ(1, label->SetText("x", 0));
    EXPECT_EQ(0u, label->GetFont());
    OffscreenShell off(100, 40);
    ASSERT_EQ(1, off.shell().AddChild(label, 0, 0));
    off.Frame();
    EXPECT_NE(0u, label->GetFont());
    EXPECT_EQ(off.surface().GetDefaultFont(), label->GetFont());
}

TEST(uiText, FailedGrowthKeepsTheOldText) {
    uiTextCtrl t;
    ASSERT_EQ(5, t.SetText("short", 0));
    const std::string longText(600, 'x');
    TextBuffer::SetReallocate(&FailingRealloc);
    const int stored = t.SetText(longText.c_str(), 0);
    const std::string kept = t.GetText();
    TextBuffer::SetReallocate(nullptr);
    EXPECT_EQ(0, stored);
    EXPECT_EQ("short", kept);
    EXPECT_EQ(600, t.SetText(longText.c_str(), 0));

    // The buffer's limit cuts by characters and refuses a full buffer.
    TextBuffer buffer;
    buffer.SetLimit(3);
    EXPECT_EQ(2, buffer.Insert(-1, "两字", 0));
    EXPECT_EQ(1, buffer.Insert(0, "AB", 0));
    EXPECT_EQ(0, buffer.Insert(-1, "C", 0));
    EXPECT_STREQ("A两字", buffer.Data());
    EXPECT_EQ(0, buffer.Insert(9, "C", 0));
}
