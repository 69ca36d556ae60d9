// What the canvas records: the effective clip, the folded tint, the stored
// text and the refusals, read back through the command view.
#include <gtest/gtest.h>

#include "graphics/DrawingTestSupport.h"
#include "engine/graphics/CanvasDC.h"

using namespace drawtest;

namespace {

class Recording : public ::testing::Test {
protected:
    void SetUp() override {
        EnsurePools();
        ASSERT_EQ(1, canvas.Resize(300, 200));
        canvas.Begin();
        region = TextureRegion{7, 0, 0, 16, 8, 255, {0, 0, 0}};
    }
    CanvasCommandView View(uint32_t i) {
        CanvasCommandView v;
        EXPECT_TRUE(canvas.ViewCommand(i, &v));
        return v;
    }
    static void ExpectRect(const RECT& r, int l, int t, int rr, int b) {
        EXPECT_EQ(l, r.left);
        EXPECT_EQ(t, r.top);
        EXPECT_EQ(rr, r.right);
        EXPECT_EQ(b, r.bottom);
    }
    CanvasDC canvas;
    TextureRegion region;
};

}   // namespace

TEST_F(Recording, TextureRefusals) {
    TextureRegion r = region;
    r.opacity = 0;
    EXPECT_EQ(0, canvas.RecordTexture(nullptr, 0, 0, 0, 0, 0, 0, &r));
    r = region;
    r.x = -1;
    EXPECT_EQ(0, canvas.RecordTexture(nullptr, 0, 0, 0, 0, 0, 0, &r));
    r = region;
    r.texture = 0;
    EXPECT_EQ(0, canvas.RecordTexture(nullptr, 0, 0, 0, 0, 0, 0, &r));
    r = region;
    r.height = 0;
    EXPECT_EQ(0, canvas.RecordTexture(nullptr, 0, 0, 0, 0, 0, 0, &r));
    EXPECT_EQ(0, canvas.RecordTexture(nullptr, 0, 0, 0, 0, 0, 0, nullptr));
    // Wholly outside the pixel store, at natural and at stretched size.
    EXPECT_EQ(0, canvas.RecordTexture(nullptr, 300, 0, 0, 0, 0, 0, &region));
    EXPECT_EQ(0, canvas.RecordTexture(nullptr, -16, 0, 0, 0, 0, 0, &region));
    EXPECT_EQ(0, canvas.RecordTexture(nullptr, -40, 0, 40, 10, 0, 0, &region));
    EXPECT_EQ(0u, canvas.CommandCount());
    EXPECT_EQ(1, canvas.RecordTexture(nullptr, -15, 0, 0, 0, 0, 0, &region));
    EXPECT_EQ(1u, canvas.CommandCount());
}

TEST_F(Recording, OpacityIsFoldedIntoTheTint) {
    region.opacity = 128;
    ASSERT_EQ(1, canvas.RecordTexture(nullptr, 1, 2, 0, 0, 0xFF102030, 0x11223344, &region));
    ASSERT_EQ(1, canvas.RecordTexture(nullptr, 1, 2, 30, 40, 0, 0, &region));
    ASSERT_EQ(1, canvas.RecordTexture(nullptr, 1, 2, 0, 0, 0x7F102030, 0, &region));
    CanvasCommandView v = View(0);
    EXPECT_EQ(CANVAS_TEXTURE, v.command->kind);
    EXPECT_EQ(0x80102030u, uint32_t(v.params[2]));   // (255 + 1) * 128 >> 8
    EXPECT_EQ(1, v.params[0]);
    EXPECT_EQ(2, v.params[1]);
    EXPECT_EQ(0, v.params[3]);
    EXPECT_EQ(0x11223344, v.params[5]);
    ASSERT_NE(nullptr, v.texture);
    EXPECT_EQ(7u, v.texture->texture);
    EXPECT_EQ(128, v.texture->opacity);
    v = View(1);
    EXPECT_EQ(0u, uint32_t(v.params[2]));   // no tint stays no tint
    EXPECT_EQ(30, v.params[3]);
    EXPECT_EQ(40, v.params[4]);
    EXPECT_EQ(1u, v.command->refIndex);
    EXPECT_EQ(2u, v.command->paramIndex);
    EXPECT_EQ(2u, v.command->paramUnits);
    EXPECT_EQ(0x40102030u, uint32_t(View(2).params[2]));   // (127 + 1) * 128 >> 8
}

TEST_F(Recording, EffectiveClip) {
    const RECT clipRect = {0, 0, 100, 100};
    canvas.SetClipRect(&clipRect, nullptr);
    const RECT away = {200, 200, 300, 300};
    EXPECT_EQ(1, canvas.RecordRect(&away, 0, 0, 10, 10, 0, 0xFF000000));
    EXPECT_EQ(1, canvas.RecordTexture(&away, 0, 0, 0, 0, 0, 0, &region));
    EXPECT_EQ(1, canvas.RecordLine(&away, 0, 0, 10, 10, 0xFFFFFFFF));
    EXPECT_EQ(0u, canvas.CommandCount());

    const RECT overlap = {50, 50, 150, 150};
    ASSERT_EQ(1, canvas.RecordRect(&overlap, 0, 0, 10, 10, 0, 0xFF000000));
    ExpectRect(View(0).command->clip, 50, 50, 100, 100);
    ASSERT_EQ(1, canvas.RecordRect(nullptr, 0, 0, 10, 10, 0, 0xFF000000));
    ExpectRect(View(1).command->clip, 0, 0, 100, 100);
    const RECT empty = {10, 10, 10, 20};   // an empty call clip clips nothing
    ASSERT_EQ(1, canvas.RecordRect(&empty, 0, 0, 10, 10, 0, 0xFF000000));
    ExpectRect(View(2).command->clip, 0, 0, 100, 100);

    canvas.SetClipRect(nullptr, nullptr);
    ASSERT_EQ(1, canvas.RecordLine(&away, 0, 0, 10, 10, 0xFFFFFFFF));
    ExpectRect(View(3).command->clip, 200, 200, 300, 300);
    ASSERT_EQ(1, canvas.RecordLine(nullptr, 0, 0, 10, 10, 0xFFFFFFFF));
    ExpectRect(View(4).command->clip, 0, 0, 0, 0);

    RECT old;
    canvas.SetClipRect(&clipRect, &old);
    ExpectRect(old, 0, 0, 0, 0);
    canvas.Begin();   // a new scene starts without clipping and without commands
    canvas.GetClipRect(&old);
    ExpectRect(old, 0, 0, 0, 0);
    EXPECT_EQ(0u, canvas.CommandCount());
}

TEST_F(Recording, RectanglesAndLinesKeepTheirParameters) {
    EXPECT_EQ(1, canvas.SetBlendMode(3));
    ASSERT_EQ(1, canvas.RecordRect(nullptr, 5, 6, 7, 8, 0x80FFFFFF, 0xFF00FF00));
    ASSERT_EQ(1, canvas.RecordLine(nullptr, 1, 2, 3, 4, 0xFF0000FF));
    CanvasCommandView v = View(0);
    EXPECT_EQ(CANVAS_RECT, v.command->kind);
    EXPECT_EQ(3, v.command->blendMode);
    EXPECT_EQ(0u, v.command->refIndex);
    const int32_t rect[6] = {5, 6, int32_t(0x80FFFFFF), 7, 8, int32_t(0xFF00FF00)};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(rect[i], v.params[i]) << i;
    v = View(1);
    EXPECT_EQ(CANVAS_LINE, v.command->kind);
    const int32_t line[6] = {1, 2, int32_t(0xFF0000FF), 3, 4, int32_t(0xFF0000FF)};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(line[i], v.params[i]) << i;
    EXPECT_EQ(nullptr, v.texture);
    EXPECT_EQ(nullptr, v.text);
    // Sizes and colours are not checked when recording.
    EXPECT_EQ(1, canvas.RecordRect(nullptr, 5000, 5000, -3, 0, 0, 0));
}

TEST_F(Recording, BlendModeOutsideOneToFourIsRefused) {
    EXPECT_EQ(0, canvas.SetBlendMode(0));
    EXPECT_EQ(0, canvas.SetBlendMode(5));
    EXPECT_EQ(1, canvas.GetBlendMode());
    EXPECT_EQ(1, canvas.SetBlendMode(4));
    EXPECT_EQ(4, canvas.SetBlendMode(2));
}

TEST_F(Recording, TextStoresTheCountedBytesAndTheirExtent) {
    uint32_t font = AddFont(ExampleFont());
    ASSERT_NE(0u, font);
    ASSERT_EQ(1, canvas.RecordText(nullptr, 10, 20, 0, 0, 0xFFFF0000, 0x80000000, font, "abcd", 2));
    CanvasCommandView v = View(0);
    EXPECT_EQ(CANVAS_TEXT, v.command->kind);
    ASSERT_NE(nullptr, v.textRef);
    EXPECT_EQ(3u, v.textRef->length);
    EXPECT_EQ(0u, v.textRef->offset);
    EXPECT_EQ(font, v.textRef->font);
    EXPECT_STREQ("ab", v.text);
    EXPECT_EQ(10 + 12, v.params[3]);
    EXPECT_EQ(20 + 12, v.params[4]);
    EXPECT_EQ(int32_t(0xFFFF0000), v.params[2]);
    EXPECT_EQ(int32_t(0x80000000), v.params[5]);

    ASSERT_EQ(936u, GetACP()) << "run under LC_ALL=zh_CN.UTF-8";
    ASSERT_EQ(1,
              canvas.RecordText(nullptr, 0, 0, 40, TEXT_CUTOFF, 0xFF000000, 0, font, "中文abc", 1));
    v = View(1);
    EXPECT_EQ(3u, v.textRef->length);
    EXPECT_EQ(3u, v.textRef->offset);
    EXPECT_STREQ("中", v.text);
    EXPECT_EQ(40, v.textRef->wrapWidth);
    EXPECT_EQ(uint32_t(TEXT_CUTOFF), v.textRef->flags);
    EXPECT_EQ(12, v.params[3]);
    // The font's own wrap width is left as it was.
    EXPECT_EQ(0, Nuvex::GetXFont(font)->GetWrapWidth());
}

TEST_F(Recording, TextRefusals) {
    uint32_t font = AddFont(ExampleFont());
    EXPECT_EQ(0, canvas.RecordText(nullptr, 0, 0, 0, 0, 0, 0, font, "abc", 0));   // no colour
    EXPECT_EQ(0, canvas.RecordText(nullptr, 0, 0, 0, 0, 0xFF000000, 0, font, "", 0));
    EXPECT_EQ(0, canvas.RecordText(nullptr, 0, 0, 0, 0, 0xFF000000, 0, font, nullptr, 0));
    EXPECT_EQ(0, canvas.RecordText(nullptr, 0, 0, 0, 0, 0xFF000000, 0, 0, "abc", 0));
    EXPECT_EQ(0, canvas.RecordText(nullptr, 0, 0, 0, 0, 0xFF000000, 0, 255, "abc", 0));
    EXPECT_EQ(0, canvas.RecordText(nullptr, 300, 0, 0, 0, 0xFF000000, 0, font, "abc", 0));
    EXPECT_EQ(0, canvas.RecordText(nullptr, -18, 0, 0, 0, 0xFF000000, 0, font, "abc", 0));
    EXPECT_EQ(0u, canvas.CommandCount());
}

TEST_F(Recording, CommandsBeyondTheIndexLimitAreRefused) {
    for (uint32_t i = 0; i < CanvasDC::kMaxCommands; ++i)
        ASSERT_EQ(1, canvas.RecordRect(nullptr, 0, 0, 1, 1, 0, 0xFF000000)) << i;
    EXPECT_EQ(0, canvas.RecordRect(nullptr, 0, 0, 1, 1, 0, 0xFF000000));
    EXPECT_EQ(0, canvas.RecordLine(nullptr, 0, 0, 1, 1, 0xFF000000));
    EXPECT_EQ(0, canvas.RecordTexture(nullptr, 0, 0, 0, 0, 0, 0, &region));
    EXPECT_EQ(CanvasDC::kMaxCommands, canvas.CommandCount());
    CanvasCommandView last = View(CanvasDC::kMaxCommands - 1);
    EXPECT_EQ(2 * (CanvasDC::kMaxCommands - 1), last.command->paramIndex);
    canvas.Begin();
    EXPECT_EQ(1, canvas.RecordRect(nullptr, 0, 0, 1, 1, 0, 0xFF000000));
    EXPECT_EQ(0u, View(0).command->paramIndex);
}

TEST_F(Recording, NothingIsRecordedIntoACanvasWithoutPixels) {
    CanvasDC empty;
    EXPECT_EQ(0, empty.RecordTexture(nullptr, 0, 0, 0, 0, 0, 0, &region));
    EXPECT_EQ(0, empty.Resize(0, 10));
    EXPECT_EQ(0, canvas.Resize(-300, 200));
    EXPECT_EQ(300, canvas.Width());
    EXPECT_EQ(0, empty.Width());
}
