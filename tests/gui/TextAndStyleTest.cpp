// The text and style elements, read from the commands they record on a
// real surface.
#include <cstring>
#include <sstream>

#include "graphics/DrawingTestSupport.h"
#include "engine/graphics/FontPool.h"
#include "engine/gui/TextBuffer.h"
#include "engine/gui/uiStyleCtrl.h"
#include "engine/gui/uiTextCtrl.h"
#include "engine/resources/ResourceManager.h"
#include "gui/GuiTestSupport.h"

using guitest::OffscreenShell;

namespace {

// The resource manager of one test, holding a one-colour texture "skin" and
// the animations added that cut it.
struct Skin {
    Skin() {
        drawtest::EnsurePools();
        ResourceRecord* record = NewResourceRecord(kMemoryResourceTag);
        record->SetHandle(drawtest::AddTexture(drawtest::FilledBitmap(128, 64, 0xFF336699)));
        ready = record->Handle() &&
                ResourceManager::Instance()->Add(RESOURCE_TEXTURE, "skin", record, 1);
        if (!ready) DeleteResourceRecord(record);
    }
    ~Skin() { ResourceManager::Release(); }
    // Frames "WxH*n ..." cut side by side, 10 pixels apart; registered first,
    // then loaded from the script's bytes.
    bool AddAnimation(const std::string& name, const std::string& frames) {
        std::string script = "<animation>";
        std::istringstream in(frames);
        int x = 0;
        for (std::string item; in >> item;) {
            int w = 0, h = 0, n = 1;
            std::sscanf(item.c_str(), "%dx%d*%d", &w, &h, &n);
            for (; n > 0; --n, x += 10)
                script += "<aniframe alpha=\"255\" texture=\"skin\" rectangle=\"" +
                          std::to_string(x) + ",0," + std::to_string(w) + "," + std::to_string(h) +
                          "\"/>";
        }
        script += "</animation>";
        ResourceManager* manager = ResourceManager::Instance();
        ResourceRecord* record = NewResourceRecord(kMemoryResourceTag);
        if (manager->Add(RESOURCE_ANIMATION, name.c_str(), record, 1))
            return manager->LoadRecord(record, RESOURCE_ANIMATION, name.c_str(), script.data(),
                                       uint32_t(script.size())) != 0;
        DeleteResourceRecord(record);
        return false;
    }
    bool ready = false;
};

// Each recorded texture as "srcX:x,y wxh|".
std::string Pieces(OffscreenShell& off) {
    std::string s;
    for (const CanvasCommandView& v : off.Commands(CANVAS_TEXTURE))
        s += std::to_string(v.texture->x) + ":" + std::to_string(v.params[0]) + "," +
             std::to_string(v.params[1]) + " " + std::to_string(v.params[3]) + "x" +
             std::to_string(v.params[4]) + "|";
    return s;
}

void* FailingRealloc(void*, size_t) { return nullptr; }

}   // namespace

TEST(uiStyle, PiecesOfEachLayout) {
    Skin skin;
    ASSERT_TRUE(skin.ready);
    struct Case {
        const char* what;
        const char* frames;
        int w, h;
        const char* pieces;
        int vertical = 0;
    };
    // Each at the element's place (20, 10).
    const Case cases[] = {
        {"nine-slice", "10x10*9", 100, 50,
         "0:20,10 10x10|10:30,10 80x10|20:110,10 10x10|30:20,20 10x30|40:30,20 80x30|"
         "50:110,20 10x30|60:20,50 10x10|70:30,50 80x10|80:110,50 10x10|"},
        {"three across", "5x8 4x8 6x8", 100, 8, "0:20,10 5x8|10:25,10 89x8|20:114,10 6x8|"},
        {"two, placed by the first", "7x8 9x8", 100, 8, "0:20,10 7x8|10:113,10 9x8|"},
        {"three down", "8x5 8x4 8x6", 8, 50, "0:20,10 8x5|10:20,15 8x39|20:20,54 8x6|", 1},
        {"corners", "10x10*4", 100, 50,
         "0:20,10 10x10|10:110,10 10x10|20:20,50 10x10|30:110,50 10x10|"},
        // The left edge runs down to the bottom-left corner (frame 5), not
        // to the bottom edge's height (frame 6).
        {"border of eight", "10x10*5 10x12 10x8 10x12", 100, 50,
         "0:20,10 10x10|10:30,10 80x10|20:110,10 10x10|30:20,20 10x28|40:110,20 10x28|"
         "50:20,48 10x12|60:30,52 80x8|70:110,48 10x12|"},
        // Smaller than its corners: squeezed edges and centre are left out.
        {"smaller than its corners", "10x10*9", 15, 12,
         "0:20,10 10x10|20:25,10 10x10|60:20,12 10x10|80:25,12 10x10|"},
        // Other counts draw the current frame as a plain element does.
        {"one frame", "10x10", 100, 50, "0:20,10 0x0|"},
        {"five frames", "10x10*5", 100, 50, "0:20,10 0x0|"},
    };
    OffscreenShell off(200, 100);
    for (const Case& c : cases) {
        const std::string name = "style" + std::to_string(&c - cases);
        ASSERT_TRUE(skin.AddAnimation(name, c.frames)) << c.what;
        uiStyleCtrl* style = new uiStyleCtrl;
        ASSERT_EQ(1, style->CreateWithAnimation("style", name.c_str(), c.w, c.h, nullptr, 0));
        ASSERT_EQ(1, off.shell().AddChild(style, 20, 10));
        style->SetVertical(c.vertical);
        off.Frame();
        EXPECT_EQ(c.pieces, Pieces(off)) << c.what;
        delete style;
    }
    // A refused create binds nothing.
    GUI plain;
    ASSERT_EQ(1, plain.Create("plain", 5, 5, nullptr, 0));
    EXPECT_EQ(0, plain.CreateWithAnimation("again", "style0", 0, 0, nullptr, 0));
    EXPECT_EQ(0, plain.GetFrameCount());
}

TEST(uiText, AlignmentAutoSizeAndCountedText) {
    OffscreenShell off(300, 100);
    const uint32_t font = drawtest::AddFont(drawtest::ExampleFont());
    auto extent = [font](const char* text) {
        const uint64_t e = Nuvex::MeasureText(font, 0, 0, text, 0);
        return SIZE{LONG(uint32_t(e)), LONG(uint32_t(e >> 32))};
    };

    // Auto-size (the default) takes the text's extent; an empty text keeps it.
    uiTextCtrl* sized = new uiTextCtrl;
    ASSERT_EQ(1, sized->Create("sized", 1, 1, nullptr, 0) && off.shell().AddChild(sized, 0, 0));
    sized->SetFont(font);
    EXPECT_EQ(3, sized->SetText("abc", 0));
    EXPECT_EQ(0, sized->SetText("", 0));
    EXPECT_EQ(1, sized->GetWidth() == extent("abc").cx && sized->GetHeight() == extent("abc").cy);
    delete sized;

    // Fixed size: placed by the alignments (-1 left or top, 0 centred with
    // halves truncated, 1 right or bottom); a text wider than a centred
    // label starts left of it.
    const char* wide = "abcdefghijklmnopqrstuvwxyz";
    ASSERT_LT((105 - extent(wide).cx) / 2, 0);
    struct Case {
        const char* text;
        int h, v;
    };
    for (const Case& c :
         {Case{"ab", 0, 0}, Case{"ab", 1, 1}, Case{"ab", -1, -1}, Case{wide, 0, -1}}) {
        SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.h) + "," + std::to_string(c.v));
        uiTextCtrl* label = new uiTextCtrl;
        ASSERT_EQ(1,
                  label->Create("l", 105, 19, nullptr, 0) && off.shell().AddChild(label, 50, 40));
        label->SetAutoSize(0);
        label->SetFont(font);
        label->SetAlign(c.h, c.v);
        label->SetText(c.text, 0);
        off.Frame();
        const std::vector<CanvasCommandView> texts = off.Commands(CANVAS_TEXT);
        ASSERT_EQ(1u, texts.size());
        EXPECT_EQ(50 + (1 + c.h) * (105 - extent(c.text).cx) / 2, texts[0].params[0]);
        EXPECT_EQ(40 + (1 + c.v) * (19 - extent(c.text).cy) / 2, texts[0].params[1]);
        EXPECT_EQ(105, label->GetWidth());
        delete label;
    }

    // Alignments are held to -1..1; counts are characters, not bytes; without
    // a window no font, and the first draw takes the window's default.
    uiTextCtrl* t = new uiTextCtrl;
    ASSERT_EQ(1, t->Create("t", 40, 14, nullptr, 0));
    t->SetAlign(5, -7);
    EXPECT_EQ(1, t->GetAlignH() == 1 && t->GetAlignV() == -1);
    EXPECT_EQ(0xFFFFFFFFu, t->SetColor(0xFF000000u));
    EXPECT_EQ(2, t->SetText("两字A", 2));
    EXPECT_STREQ("两字", t->GetText());
    EXPECT_EQ(0u, t->GetFont());
    ASSERT_EQ(1, off.shell().AddChild(t, 0, 0));
    off.Frame();
    EXPECT_EQ(off.surface().GetDefaultFont(), t->GetFont());
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
    EXPECT_EQ(0, buffer.Insert(-1, "C", 0) || buffer.Insert(9, "C", 0));
    EXPECT_STREQ("A两字", buffer.Data());
}
