// Replay into the pixel store, checked pixel by pixel against values worked
// out by hand, and the dirty rectangle that limits it.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "graphics/DrawingTestSupport.h"
#include "engine/graphics/CanvasDC.h"
#include "engine/graphics/Texture.h"
#include "support/TestSupport.h"

using namespace drawtest;

namespace {

const uint32_t kBlack = 0xFF000000;

class Replay : public ::testing::Test {
protected:
    void SetUp() override {
        EnsurePools();
        ASSERT_EQ(1, canvas.Resize(64, 48));
        Frame();   // the first frame presents the whole (transparent) canvas
        canvas.PixelStore()->Fill(kBlack);
    }
    // One frame without a window: begin, record, replay, forget the dirty area.
    template <typename Record>
    void Frame(Record record) {
        canvas.Begin();
        record();
        canvas.Replay();
        canvas.Present(nullptr);
    }
    void Frame() {
        Frame([] {});
    }
    uint32_t At(int x, int y) const { return PixelAt(*canvas.PixelStore(), x, y); }
    void Dirty(int l, int t, int r, int b) {
        const RECT rect = {l, t, r, b};
        canvas.InvalidateRect(&rect, nullptr);
    }
    static void ExpectRect(const RECT& r, int l, int t, int rr, int b) {
        EXPECT_EQ(l, r.left);
        EXPECT_EQ(t, r.top);
        EXPECT_EQ(rr, r.right);
        EXPECT_EQ(b, r.bottom);
    }
    // 4 x 4, opaque, pixel (x, y) = 0xFF0000xy.
    uint32_t NumberedTexture() {
        std::unique_ptr<Bitmap> t = FilledBitmap(4, 4, 0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) t->Row(y)[x] = 0xFF000000u | uint32_t(x << 4 | y);
        return AddTexture(std::move(t));
    }
    CanvasDC canvas;
};

}   // namespace

TEST_F(Replay, DirtyRectangleIsTheUnionOfInvalidations) {
    RECT d;
    canvas.GetDirtyRect(&d);
    ExpectRect(d, 0, 0, 0, 0);
    Dirty(0, 0, 10, 10);
    Dirty(20, 20, 30, 30);
    canvas.GetDirtyRect(&d);
    ExpectRect(d, 0, 0, 30, 30);
    Dirty(100, 100, 200, 200);   // outside the canvas: no change
    canvas.GetDirtyRect(&d);
    ExpectRect(d, 0, 0, 30, 30);
    RECT old;
    const RECT edge = {50, 40, 90, 90};
    canvas.InvalidateRect(&edge, &old);
    ExpectRect(old, 0, 0, 30, 30);
    canvas.GetDirtyRect(&d);
    ExpectRect(d, 0, 0, 64, 48);   // cut to the canvas
    canvas.Present(nullptr);
    canvas.GetDirtyRect(&d);
    ExpectRect(d, 0, 0, 0, 0);
    canvas.InvalidateRect(nullptr, nullptr);
    canvas.GetDirtyRect(&d);
    ExpectRect(d, 0, 0, 64, 48);
}

TEST_F(Replay, IdleFrameTouchesNoPixel) {
    PaintSentinel(*canvas.PixelStore());
    const std::string before = Snapshot(*canvas.PixelStore());
    uint32_t tex = NumberedTexture();
    TextureRegion region = {tex, 0, 0, 4, 4, 255, {0, 0, 0}};
    uint32_t font = AddFont(ExampleFont());
    Frame([&] {
        canvas.RecordRect(nullptr, 0, 0, 64, 48, 0xFFFFFFFF, 0xFFFFFFFF);
        canvas.RecordTexture(nullptr, 0, 0, 64, 48, 0, 0, &region);
        canvas.RecordText(nullptr, 0, 0, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, font, "abc", 0);
        canvas.RecordLine(nullptr, 0, 0, 63, 47, 0xFFFFFFFF);
    });
    EXPECT_EQ(4u, canvas.CommandCount());
    EXPECT_EQ(0, CountChanged(*canvas.PixelStore(), before));
}

TEST_F(Replay, OnlyTheDirtyRectangleIsRedrawn) {
    Dirty(10, 10, 20, 15);
    Frame([&] { canvas.RecordRect(nullptr, 0, 0, 64, 48, 0, 0xFFFFFFFF); });
    EXPECT_EQ(10 * 5, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));
    EXPECT_EQ(0xFFFFFFFFu, At(10, 10));
    EXPECT_EQ(0xFFFFFFFFu, At(19, 14));
    EXPECT_EQ(kBlack, At(20, 14));
}

TEST_F(Replay, ClearColourFillsEverythingOnce) {
    canvas.SetClearColor(0xFF123456);
    Frame();
    EXPECT_EQ(0u, uint32_t(InkIn(*canvas.PixelStore(), 0, 0, 64, 48, 0xFF123456)));
    canvas.PixelStore()->Fill(kBlack);
    Frame();   // applied once only
    EXPECT_EQ(kBlack, At(0, 0));
}

TEST_F(Replay, SuspendedCanvasPresentsOnceMoreThenDrawsNothing) {
    canvas.SetActive(0);
    EXPECT_EQ(2, canvas.State());
    Dirty(0, 0, 4, 4);
    Frame([&] { canvas.RecordRect(nullptr, 0, 0, 64, 48, 0, 0xFFFFFFFF); });
    EXPECT_EQ(0xFFFFFFFFu, At(0, 0));
    EXPECT_EQ(1, canvas.State());
    canvas.PixelStore()->Fill(kBlack);
    Dirty(0, 0, 4, 4);
    Frame([&] { canvas.RecordRect(nullptr, 0, 0, 64, 48, 0, 0xFFFFFFFF); });
    EXPECT_EQ(kBlack, At(0, 0));
    RECT d;
    canvas.GetDirtyRect(&d);
    EXPECT_EQ(d.left, d.right);
    canvas.SetActive(1);
    EXPECT_EQ(0, canvas.State());
    canvas.Begin();
    canvas.RecordRect(nullptr, 0, 0, 64, 48, 0, 0xFFFFFFFF);
    canvas.Replay();
    EXPECT_EQ(64 * 48, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));   // all dirty again
}

TEST_F(Replay, HalfTransparentOutlineBlendsItsCornersTwice) {
    Dirty(0, 0, 64, 48);
    Frame([&] { canvas.RecordRect(nullptr, 10, 10, 5, 4, 0x80FFFFFF, 0); });
    // Once: (255 * 128 + 0 * 127) >> 8 = 127. Twice: (255 * 128 + 127 * 127) >> 8 = 190.
    EXPECT_EQ(0xFF7F7F7Fu, At(12, 10));
    EXPECT_EQ(0xFF7F7F7Fu, At(14, 11));
    EXPECT_EQ(0xFF7F7F7Fu, At(10, 12));
    EXPECT_EQ(0xFFBEBEBEu, At(10, 10));
    EXPECT_EQ(0xFFBEBEBEu, At(14, 10));
    EXPECT_EQ(0xFFBEBEBEu, At(14, 13));
    EXPECT_EQ(0xFFBEBEBEu, At(10, 13));
    EXPECT_EQ(kBlack, At(12, 12));   // no fill
    EXPECT_EQ(14, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));
}

TEST_F(Replay, FillIsLimitedToTheCommandClip) {
    const RECT clip = {12, 0, 14, 48};
    Dirty(0, 0, 64, 48);
    Frame([&] { canvas.RecordRect(&clip, 10, 10, 10, 2, 0, 0x80FF0000); });
    EXPECT_EQ(0xFF7F0000u, At(12, 10));   // 255 * 128 >> 8, alpha kept
    EXPECT_EQ(0xFF7F0000u, At(13, 11));
    EXPECT_EQ(4, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));
}

TEST_F(Replay, LineIsClippedToTheDirtyAndCommandClip) {
    const RECT clip = {3, 0, 6, 48};
    Dirty(0, 0, 64, 48);
    Frame([&] {
        canvas.RecordLine(&clip, 0, 5, 9, 5, 0xFFFFFFFF);
        canvas.RecordLine(nullptr, 0, 0, 3, 1, 0xFF00FF00);
        canvas.RecordLine(nullptr, 0, 20, 9, 20, 0x00FFFFFF);   // transparent: nothing
    });
    EXPECT_EQ(kBlack, At(2, 5));
    EXPECT_EQ(0xFFFFFFFFu, At(3, 5));
    EXPECT_EQ(0xFFFFFFFFu, At(5, 5));
    EXPECT_EQ(kBlack, At(6, 5));
    EXPECT_EQ(0xFF00FF00u, At(0, 0));
    EXPECT_EQ(0xFF00FF00u, At(1, 0));
    EXPECT_EQ(0xFF00FF00u, At(2, 1));
    EXPECT_EQ(0xFF00FF00u, At(3, 1));
    EXPECT_EQ(7, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));
}

TEST_F(Replay, NaturalSizeTextureClippedAtTheLeftShiftsItsSource) {
    uint32_t tex = NumberedTexture();
    TextureRegion region = {tex, 0, 0, 4, 4, 255, {0, 0, 0}};
    Dirty(12, 11, 64, 48);
    Frame([&] { canvas.RecordTexture(nullptr, 10, 10, 0, 0, 0, 0, &region); });
    EXPECT_EQ(0xFF000021u, At(12, 11));   // source (2, 1)
    EXPECT_EQ(0xFF000033u, At(13, 13));
    EXPECT_EQ(kBlack, At(11, 11));
    EXPECT_EQ(kBlack, At(12, 10));
    EXPECT_EQ(2 * 3, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));
}

TEST_F(Replay, SourceRegionOffsetAndOpacity) {
    uint32_t tex = NumberedTexture();
    TextureRegion region = {tex, 1, 2, 2, 2, 255, {0, 0, 0}};
    Dirty(0, 0, 64, 48);
    Frame([&] { canvas.RecordTexture(nullptr, 0, 0, 0, 0, 0, 0, &region); });
    EXPECT_EQ(0xFF000012u, At(0, 0));
    EXPECT_EQ(0xFF000023u, At(1, 1));
    EXPECT_EQ(4, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));

    std::unique_ptr<Bitmap> white = FilledBitmap(2, 2, 0xFFFFFFFF);
    region = TextureRegion{AddTexture(std::move(white)), 0, 0, 2, 2, 128, {0, 0, 0}};
    Dirty(0, 0, 64, 48);
    Frame([&] { canvas.RecordTexture(nullptr, 20, 0, 0, 0, 0, 0, &region); });
    EXPECT_EQ(0xFF7F7F7Fu, At(20, 0));   // E = 128 * 256 >> 8 = 128: 255 * 128 >> 8
}

TEST_F(Replay, TintReplacesTheColourAndModesPickTheirBlits) {
    std::unique_ptr<Bitmap> grey = FilledBitmap(1, 1, 0xFF323232);
    TextureRegion region = {AddTexture(std::move(grey)), 0, 0, 1, 1, 255, {0, 0, 0}};
    canvas.PixelStore()->Fill(0xFF646464);
    Dirty(0, 0, 64, 48);
    Frame([&] {
        canvas.RecordTexture(nullptr, 0, 0, 0, 0, 0xFF00FF00, 0, &region);
        canvas.SetBlendMode(2);
        canvas.RecordTexture(nullptr, 1, 0, 0, 0, 0, 0, &region);
        canvas.SetBlendMode(3);
        canvas.RecordTexture(nullptr, 2, 0, 0, 0, 0, 0, &region);
        canvas.SetBlendMode(4);
        canvas.RecordTexture(nullptr, 3, 0, 0, 0, 0, 0, &region);
    });
    EXPECT_EQ(0xFF00FF00u, At(0, 0));
    EXPECT_EQ(0xFF959595u, At(1, 0));   // 100 + (50 * 255 >> 8)
    EXPECT_EQ(0xFF333333u, At(2, 0));   // 100 - 49
    EXPECT_EQ(0xFF313131u, At(3, 0));   // grey 85 * 150 >> 8 = 49, written whole at E = 255
}

TEST_F(Replay, TiledTextureIgnoresTheTintAndFillsTheBackground) {
    std::unique_ptr<Bitmap> t = FilledBitmap(2, 2, 0xFFFF0000);
    t->Row(0)[0] = 0;   // one transparent pixel per tile
    TextureRegion region = {AddTexture(std::move(t)), 0, 0, 2, 2, 255, {0, 0, 0}};
    Dirty(0, 0, 64, 48);
    Frame([&] { canvas.RecordTexture(nullptr, 0, 0, 5, 3, 0xFF00FF00, 0xFF0000FF, &region); });
    EXPECT_EQ(0xFF0000FFu, At(0, 0));
    EXPECT_EQ(0xFFFF0000u, At(1, 0));
    EXPECT_EQ(0xFF0000FFu, At(2, 0));
    EXPECT_EQ(0xFF0000FFu, At(4, 0));
    EXPECT_EQ(0xFF0000FFu, At(4, 2));
    EXPECT_EQ(0xFFFF0000u, At(3, 1));
    EXPECT_EQ(kBlack, At(5, 0));
    EXPECT_EQ(kBlack, At(0, 3));
    EXPECT_EQ(15, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));
}

TEST_F(Replay, SizesNearTheInt32LimitReachTheCanvasEdge) {
    const int32_t kFar = INT32_MAX;
    std::unique_ptr<Bitmap> red = FilledBitmap(2, 2, 0xFFFF0000);
    const TextureRegion tile = {AddTexture(std::move(red)), 0, 0, 2, 2, 255, {0, 0, 0}};
    const TextureRegion wide = {NumberedTexture(), 0, 0, kFar, 4, 255, {0, 0, 0}};
    Dirty(0, 0, 64, 48);
    Frame([&] {
        canvas.RecordRect(nullptr, 60, 40, kFar, kFar, 0, 0xFFFFFFFF);   // fill
        canvas.RecordRect(nullptr, 10, 10, kFar, kFar, 0xFF00FF00, 0);   // outline
        canvas.RecordTexture(nullptr, 30, 20, kFar, 2, 0, 0, &tile);     // tiled
        canvas.RecordTexture(nullptr, 40, 30, 0, 0, 0, 0, &wide);        // natural size
    });
    EXPECT_EQ(0xFFFFFFFFu, At(60, 40));
    EXPECT_EQ(0xFFFFFFFFu, At(63, 47));
    EXPECT_EQ(0xFF00FF00u, At(63, 10));   // the top side runs to the edge
    EXPECT_EQ(0xFF00FF00u, At(10, 47));   // the left side to the bottom
    EXPECT_EQ(0xFFFF0000u, At(30, 20));
    EXPECT_EQ(0xFFFF0000u, At(63, 21));
    EXPECT_EQ(0xFF000010u, At(41, 30));   // the texture's own 4 x 4 pixels
    EXPECT_EQ(0xFF000033u, At(43, 33));
    EXPECT_EQ(kBlack, At(44, 30));
    // Its pixel (0, 0) is black itself, so it shows as no ink.
    EXPECT_EQ(4 * 8 + (54 + 38 - 1) + 34 * 2 + (4 * 4 - 1),
              InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));
}

TEST_F(Replay, DestroyedTextureAndUnknownFontAreSkipped) {
    uint32_t tex = NumberedTexture();
    TextureRegion region = {tex, 0, 0, 4, 4, 255, {0, 0, 0}};
    uint32_t font = AddFont(ExampleFont());
    Dirty(0, 0, 64, 48);
    Frame([&] {
        canvas.RecordTexture(nullptr, 0, 0, 0, 0, 0, 0, &region);
        canvas.RecordText(nullptr, 0, 10, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, font, "ab", 0);
        Nuvex::DestroyTexture(tex);
        Nuvex::ReleaseXFont(font);
    });
    EXPECT_EQ(0, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));
}

TEST_F(Replay, TextIsDrawnInItsBoxAndTheFontIsPutBack) {
    std::unique_ptr<XFont> f = ExampleFont();
    f->AdoptGlyph('A', SolidGlyph(2, 3, 1, 2));
    f->SetWrapWidth(40);
    uint32_t font = AddFont(std::move(f));
    Dirty(0, 0, 64, 48);
    Frame([&] {
        canvas.RecordText(nullptr, 10, 20, 0, 0, 0xFFFF0000, 0, font, "A", 0);
        canvas.RecordText(nullptr, 30, 20, 0, 0, 0xFFFF0000, 0xFF0000FF, font, "A", 0);
    });
    EXPECT_EQ(0xFFFF0000u, At(11, 22));
    EXPECT_EQ(0xFFFF0000u, At(12, 24));
    EXPECT_EQ(kBlack, At(10, 22));
    EXPECT_EQ(kBlack, At(13, 22));
    // The second one on its cell background: 6 x 12 cell, glyph inside.
    EXPECT_EQ(0xFF0000FFu, At(30, 20));
    EXPECT_EQ(0xFFFF0000u, At(31, 22));
    EXPECT_EQ(6 + 6 * 12, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));
    XFont* back = Nuvex::GetXFont(font);
    EXPECT_EQ(0xFF000000u, back->GetTextColor());
    EXPECT_EQ(0u, back->GetBackColor());
    EXPECT_EQ(40, back->GetWrapWidth());
}

TEST_F(Replay, TextReplayUsesTheRecordedWrapAndCut) {
    std::unique_ptr<XFont> f = ExampleFont();
    for (uint32_t c = 'a'; c <= 'j'; ++c) f->AdoptGlyph(c, SolidGlyph(1, 1, 0, 0));
    f->AdoptGlyph('.', SolidGlyph(1, 1, 0, 5));
    uint32_t font = AddFont(std::move(f));
    Dirty(0, 0, 64, 48);
    Frame([&] {
        canvas.RecordText(nullptr, 0, 0, 40, TEXT_CUTOFF, 0xFFFFFFFF, 0, font, "abcdefghij", 0);
    });
    CanvasCommandView v;
    ASSERT_TRUE(canvas.ViewCommand(0, &v));
    EXPECT_EQ(36, v.params[3]);
    EXPECT_EQ(12, v.params[4]);
    EXPECT_EQ(0xFFFFFFFFu, At(12, 0));
    EXPECT_EQ(kBlack, At(18, 0));
    EXPECT_EQ(0xFFFFFFFFu, At(30, 5));
    EXPECT_EQ(6, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));
}

TEST_F(Replay, ShrinkingResizeKeepsTheStoreAndSavesTheCanvasArea) {
    CanvasDC big;
    ASSERT_EQ(1, big.Resize(300, 200));
    Bitmap* store = big.PixelStore();
    big.Present(nullptr);
    ASSERT_EQ(1, big.Resize(200, 100));
    EXPECT_EQ(store, big.PixelStore());
    EXPECT_EQ(200, big.Width());
    EXPECT_EQ(100, big.Height());
    RECT d;
    big.GetDirtyRect(&d);
    ExpectRect(d, 0, 0, 200, 100);
    big.Present(nullptr);
    EXPECT_EQ(1, big.Resize(200, 100));   // same size: nothing changes
    big.GetDirtyRect(&d);
    ExpectRect(d, 0, 0, 0, 0);

    testsupport::TempFolder folder;
    const std::string path = folder.Join("shot.bmp");
    ASSERT_EQ(1, big.Save(path.c_str(), 19));
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadWholeFile(path, &bytes));
    ASSERT_GT(bytes.size(), 26u);
    int32_t w, h;
    std::memcpy(&w, bytes.data() + 18, 4);
    std::memcpy(&h, bytes.data() + 22, 4);
    EXPECT_EQ(200, w);
    EXPECT_EQ(100, h < 0 ? -h : h);
    EXPECT_EQ(54u + 200 * 100 * 4, bytes.size());   // the canvas area, not the store
}

// A store far larger than the canvas needs goes back when it shrinks; a
// small excess stays. Reserving a smaller size keeps the store until then.
TEST_F(Replay, ShrinkingFarGivesTheStoreBack) {
    const struct {
        int fromW, fromH;
        bool kept;                   // for 600 x 200, which needs 480,000 bytes
    } rows[] = {{700, 500, true},    // 1,416,000 bytes: less than 1 MB more
                {800, 500, false},   // 1,616,000 bytes
                {4096, 4096, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.fromW) + "x" + std::to_string(row.fromH));
        CanvasDC c;
        ASSERT_EQ(1, c.Resize(row.fromW, row.fromH));
        const Bitmap* store = c.PixelStore();
        ASSERT_EQ(1, c.Reserve(600, 200));
        EXPECT_EQ(store, c.PixelStore());
        ASSERT_EQ(1, c.Resize(600, 200));
        EXPECT_EQ(row.kept, c.PixelStore() == store);
        EXPECT_EQ(row.kept ? row.fromW : 600, c.PixelStore()->Width());
        EXPECT_EQ(row.kept ? row.fromH : 200, c.PixelStore()->Height());
        RECT d;
        c.GetDirtyRect(&d);
        ExpectRect(d, 0, 0, 600, 200);
    }
}

// Only the part the screen can show becomes dirty, is drawn and is cleared;
// a part that comes into view makes all that shows dirty.
TEST_F(Replay, DrawingKeepsToTheVisiblePart) {
    const RECT left = {-10, 8, 40, 100}, right = {20, 0, 64, 30}, inRight = {30, 10, 60, 20};
    const RECT corner = {50, 40, 90, 90};
    const struct {
        const char* what;
        std::function<void()> step;
        RECT dirty;
    } rows[] = {
        {"limited: nothing came into view", [&] { canvas.SetVisibleRect(&left); }, {0, 0, 0, 0}},
        {"the whole canvas invalidated",
         [&] { canvas.InvalidateRect(nullptr, nullptr); },
         {0, 8, 40, 48}},
        {"another part shows", [&] { canvas.SetVisibleRect(&right); }, {20, 0, 64, 30}},
        {"less of it shows: nothing new", [&] { canvas.SetVisibleRect(&inRight); }, {0, 0, 0, 0}},
        {"a corner that does not show",
         [&] { canvas.InvalidateRect(&corner, nullptr); },
         {0, 0, 0, 0}},
        {"made active", [&] { canvas.SetActive(1); }, {30, 10, 60, 20}},
        {"no limit", [&] { canvas.SetVisibleRect(nullptr); }, {0, 0, 64, 48}},
        {"a resize forgets the limit",
         [&] { canvas.SetVisibleRect(&left), canvas.Resize(60, 40); },
         {0, 0, 60, 40}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        canvas.Present(nullptr);
        row.step();
        RECT d;
        canvas.GetDirtyRect(&d);
        ExpectRect(d, row.dirty.left, row.dirty.top, row.dirty.right, row.dirty.bottom);
    }

    // Drawn and cleared only where it shows.
    canvas.Present(nullptr);
    canvas.SetVisibleRect(&left);
    canvas.PixelStore()->Fill(kBlack);
    canvas.SetClearColor(0xFF123456);
    Frame([&] { canvas.RecordRect(nullptr, 0, 0, 60, 40, 0, 0xFFFFFFFF); });
    EXPECT_EQ(40 * 32, InkIn(*canvas.PixelStore(), 0, 0, 64, 48, kBlack));
    EXPECT_EQ(0, InkIn(*canvas.PixelStore(), 0, 8, 40, 40, 0xFFFFFFFF));
}

TEST_F(Replay, FailedResizeAlertsAndLeavesNoPixels) {
    testsupport::ClearShownBoxes();
    CanvasDC c;
    ASSERT_EQ(1, c.Resize(30, 20));
    EXPECT_EQ(0, c.Resize(100000, 100000));
    std::vector<testsupport::ShownBox> boxes = testsupport::ShownBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Graphics", boxes[0].title);
    EXPECT_EQ("CanvasDC::Resize(100000, 100000)", boxes[0].text);
    EXPECT_EQ(nullptr, c.PixelStore());
    EXPECT_EQ(1, c.Replay());
    EXPECT_EQ(1, c.Present(nullptr));
    EXPECT_EQ(0, c.Save("unused.nvx", 18));
    // Back to the old size: the store is made again rather than "nothing to do".
    EXPECT_EQ(1, c.Resize(30, 20));
    EXPECT_NE(nullptr, c.PixelStore());
}

TEST_F(Replay, CopyRectanglesAreKeptAndInvalidated) {
    RECT d;
    EXPECT_EQ(0, canvas.SetCopySourceRect(nullptr, nullptr));   // one side empty: all dirty
    canvas.GetDirtyRect(&d);
    ExpectRect(d, 0, 0, 64, 48);
    canvas.Present(nullptr);
    const RECT src = {0, 0, 4, 4}, dst = {10, 10, 20, 20};
    EXPECT_EQ(0, canvas.SetCopySourceRect(&src, nullptr));
    canvas.Present(nullptr);
    EXPECT_EQ(1, canvas.SetCopyTargetRect(&dst, nullptr));
    EXPECT_TRUE(canvas.CopyPending());
    canvas.GetDirtyRect(&d);
    ExpectRect(d, 0, 0, 20, 20);
    RECT got;
    canvas.GetCopySource(&got);
    ExpectRect(got, 0, 0, 4, 4);
    canvas.GetCopyTarget(&got);
    ExpectRect(got, 10, 10, 20, 20);
    canvas.Present(nullptr);
    EXPECT_FALSE(canvas.CopyPending());
}
