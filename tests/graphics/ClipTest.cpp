#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "engine/graphics/Bitmap.h"

#include <set>
#include <utility>
#include <vector>

using gfxtest::At;

namespace {

struct Box {
    int32_t x, y, w, h;
};

bool Clip(int W, int H, Box& b) { return ClipToSize(W, H, b.x, b.y, b.w, b.h); }

// Pixels of dst that differ from its fill colour.
std::set<std::pair<int, int>> Changed(const Bitmap& b, uint32_t fill) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (At(b, x, y) != fill) out.insert({x, y});
    return out;
}

}   // namespace

TEST(ClipToSize, SpecExamples) {
    Box b{-10, 0, 20, 0};
    ASSERT_TRUE(Clip(100, 50, b));
    EXPECT_EQ(b.x, 0);
    EXPECT_EQ(b.w, 10);
    EXPECT_EQ(b.h, 50);
    b = {-10, 0, 10, 0};
    EXPECT_FALSE(Clip(100, 50, b));
}

TEST(ClipToSize, EveryEdge) {
    Box b{90, 45, 20, 20};
    ASSERT_TRUE(Clip(100, 50, b));
    EXPECT_EQ(b.w, 10);
    EXPECT_EQ(b.h, 5);
    b = {5, -3, 4, 4};
    ASSERT_TRUE(Clip(100, 50, b));
    EXPECT_EQ(b.y, 0);
    EXPECT_EQ(b.h, 1);
    b = {100, 0, 1, 1};
    EXPECT_FALSE(Clip(100, 50, b));
    b = {0, 50, 1, 1};
    EXPECT_FALSE(Clip(100, 50, b));
    b = {99, 49, 1, 1};
    EXPECT_TRUE(Clip(100, 50, b));
    b = {3, 4, 0, 0};   // zero means up to the edge
    ASSERT_TRUE(Clip(100, 50, b));
    EXPECT_EQ(b.w, 97);
    EXPECT_EQ(b.h, 46);
}

TEST(ClipToSize, NegativeSizesAreRefused) {
    Box b{5, 5, -3, 2};
    EXPECT_FALSE(Clip(100, 50, b));
    b = {5, 5, 2, -1};
    EXPECT_FALSE(Clip(100, 50, b));
    // And no blit runs a kernel with one.
    Bitmap dst(8, 8, 0x11111111), src(8, 8, 0xFFFFFFFF);
    EXPECT_FALSE(dst.Copy(2, 2, &src, 0, 0, -4, 3));
    EXPECT_FALSE(dst.BlitAlpha(2, 2, &src, 0, 0, 3, -4));
    EXPECT_FALSE(dst.BlendRect(2, 2, -1, 1, 0xFFFFFFFF));
    EXPECT_TRUE(Changed(dst, 0x11111111).empty());
}

TEST(ClipToSize, ExtremeValuesDoNotWrap) {
    Box b{INT32_MAX, 0, INT32_MAX, 1};
    EXPECT_FALSE(Clip(100, 50, b));
    b = {INT32_MIN, 0, INT32_MAX, 1};
    EXPECT_FALSE(Clip(100, 50, b));
    b = {50, 0, INT32_MAX, 1};
    ASSERT_TRUE(Clip(100, 50, b));
    EXPECT_EQ(b.w, 50);
    b = {-5, 0, INT32_MIN, 1};
    EXPECT_FALSE(Clip(100, 50, b));
}

// Two-bitmap clipping at each edge: what one clip cuts off the front moves
// the other origin too, so source and destination pixels stay paired.
TEST(TwoBitmapClip, SourceAndDestinationStayPairedAtEveryEdge) {
    auto src = gfxtest::MakePatterned(10, 10, 9);
    struct Case {
        int dx, dy, sx, sy, w, h;
    };
    const Case cases[] = {
        {-3, 2, 0, 0, 6, 4},      // destination left
        {2, -3, 0, 0, 4, 6},      // destination top
        {15, 2, 0, 0, 8, 3},      // destination right
        {2, 15, 0, 0, 3, 8},      // destination bottom
        {4, 4, -2, 0, 5, 3},      // source left
        {4, 4, 0, -2, 3, 5},      // source top
        {4, 4, 7, 0, 6, 3},       // source right
        {4, 4, 0, 7, 3, 6},       // source bottom
        {-2, -2, -3, -1, 9, 9},   // both, front edges
    };
    for (const Case& c : cases) {
        Bitmap dst(20, 20, 0);
        dst.Copy(c.dx, c.dy, src.get(), c.sx, c.sy, c.w, c.h);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                // The unclipped mapping: dst (x, y) <- src (x - dx + sx, y - dy + sy).
                const int sx = x - c.dx + c.sx, sy = y - c.dy + c.sy;
                const bool inside = x - c.dx >= 0 && x - c.dx < c.w && y - c.dy >= 0 &&
                                    y - c.dy < c.h && sx >= 0 && sx < 10 && sy >= 0 && sy < 10;
                const uint32_t expected = inside ? gfxtest::Pattern(sx, sy, 9) : 0u;
                ASSERT_EQ(At(dst, x, y), expected)
                    << "case dx " << c.dx << " dy " << c.dy << " sx " << c.sx << " sy " << c.sy
                    << " at " << x << "," << y;
            }
    }
}

TEST(TwoBitmapClip, NothingLeftReturnsFalse) {
    Bitmap dst(10, 10, 0), src(10, 10, 0xFFFFFFFF);
    EXPECT_FALSE(dst.Copy(10, 0, &src, 0, 0, 5, 5));
    EXPECT_FALSE(dst.Copy(-5, 0, &src, 0, 0, 5, 5));
    EXPECT_FALSE(dst.Copy(0, 0, &src, 10, 0, 5, 5));
    EXPECT_FALSE(dst.BlitAlpha(0, 0, &src, 0, -5, 5, 5));
    EXPECT_FALSE(dst.Copy(0, 0, nullptr, 0, 0, 5, 5));
    EXPECT_TRUE(Changed(dst, 0).empty());
    // Spare pixels are never drawn.
    EXPECT_TRUE(dst.Copy(8, 0, &src, 0, 0, 5, 1));
    for (int x = 10; x < dst.Pitch(); ++x) EXPECT_EQ(dst.Row(0)[x], 0u);
}

// A bitmap copied onto itself, shifted in every direction, holds the
// original pixels at their new place.
TEST(TwoBitmapClip, CopyOntoItselfInEveryDirection) {
    const int shifts[][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}, {2, 3}, {-2, -3}, {3, -2}, {-3, 2}};
    for (const auto& s : shifts) {
        auto b = gfxtest::MakePatterned(9, 8, 5);
        auto original = gfxtest::MakePatterned(9, 8, 5);
        const int sx = s[0] < 0 ? -s[0] : 0, sy = s[1] < 0 ? -s[1] : 0;
        const int dx = s[0] > 0 ? s[0] : 0, dy = s[1] > 0 ? s[1] : 0;
        const int w = 9 - (s[0] < 0 ? -s[0] : s[0]), h = 8 - (s[1] < 0 ? -s[1] : s[1]);
        ASSERT_TRUE(b->Copy(dx, dy, b.get(), sx, sy, w, h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(At(*b, dx + x, dy + y), At(*original, sx + x, sy + y))
                    << "shift " << s[0] << "," << s[1] << " at " << x << "," << y;
    }
}

TEST(DrawLine, SpecExampleAndDirections) {
    Bitmap b(8, 8, 0);
    b.DrawLine(0, 0, 3, 1, 0xFFFFFFFF);
    EXPECT_EQ(Changed(b, 0), (std::set<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));

    Bitmap c(8, 8, 0);   // y-major: dx 1, dy 3 reaches x1
    c.DrawLine(0, 0, 1, 3, 0xFFFFFFFF);
    EXPECT_EQ(Changed(c, 0), (std::set<std::pair<int, int>>{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));

    Bitmap v(8, 8, 0);
    v.DrawLine(2, 5, 2, 1, 0xFFFFFFFF);
    EXPECT_EQ(Changed(v, 0),
              (std::set<std::pair<int, int>>{{2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}}));

    Bitmap d(8, 8, 0);   // 45 degrees, drawn backwards
    d.DrawLine(3, 3, 0, 0, 0xFFFFFFFF);
    EXPECT_EQ(Changed(d, 0), (std::set<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));

    Bitmap p(8, 8, 0);   // one point
    p.DrawLine(4, 4, 4, 4, 0xFFFFFFFF);
    EXPECT_EQ(Changed(p, 0).size(), 1u);
}

TEST(DrawLine, PointsOutsideTheBitmapAreSkipped) {
    Bitmap b(4, 4, 0);
    EXPECT_TRUE(b.DrawLine(-2, 1, 6, 1, 0xFFFFFFFF));
    EXPECT_EQ(Changed(b, 0), (std::set<std::pair<int, int>>{{0, 1}, {1, 1}, {2, 1}, {3, 1}}));
    for (int x = 4; x < b.Pitch(); ++x) EXPECT_EQ(b.Row(1)[x], 0u) << "spare pixel " << x;
    Bitmap c(4, 4, 0);
    EXPECT_TRUE(c.DrawLine(-5, -5, -1, 9, 0xFFFFFFFF));
    EXPECT_TRUE(Changed(c, 0).empty());
}

TEST(DrawLine, BlendsEachPointWithRuleA1) {
    Bitmap b(4, 1, 0xFF000000);
    b.DrawLine(0, 0, 1, 0, 0x80FFFFFF);
    EXPECT_EQ(At(b, 0, 0), 0xFF7F7F7Fu);
    EXPECT_EQ(At(b, 2, 0), 0xFF000000u);
}

// clang-format off
TEST(ClipLineToRect, Cases) {
    const RECT clip{0, 0, 10, 10};
    int32_t x0 = 2, y0 = 3, x1 = 7, y1 = 8;
    ASSERT_TRUE(ClipLineToRect(x0, y0, x1, y1, clip));   // inside: unchanged
    EXPECT_EQ(x0, 2); EXPECT_EQ(y0, 3); EXPECT_EQ(x1, 7); EXPECT_EQ(y1, 8);

    x0 = -5; y0 = 5; x1 = 15; y1 = 5;                     // horizontal across
    ASSERT_TRUE(ClipLineToRect(x0, y0, x1, y1, clip));
    EXPECT_EQ(x0, 0); EXPECT_EQ(x1, 9); EXPECT_EQ(y0, 5); EXPECT_EQ(y1, 5);

    x0 = 4; y0 = 20; x1 = 4; y1 = -20;                    // vertical, swapped ends
    ASSERT_TRUE(ClipLineToRect(x0, y0, x1, y1, clip));
    EXPECT_EQ(x0, 4); EXPECT_EQ(x1, 4);
    EXPECT_EQ(y0, 0); EXPECT_EQ(y1, 9);

    x0 = -10; y0 = -10; x1 = 20; y1 = 20;                 // 45 degrees through the corners
    ASSERT_TRUE(ClipLineToRect(x0, y0, x1, y1, clip));
    EXPECT_EQ(x0, 0); EXPECT_EQ(y0, 0); EXPECT_EQ(x1, 9); EXPECT_EQ(y1, 9);

    x0 = 12; y0 = 0; x1 = 20; y1 = 9;                     // wholly right
    EXPECT_FALSE(ClipLineToRect(x0, y0, x1, y1, clip));
    x0 = -5; y0 = 3; x1 = 3; y1 = -5;                     // passes the corner outside
    EXPECT_FALSE(ClipLineToRect(x0, y0, x1, y1, clip));
    x0 = 0; y0 = 0; x1 = 5; y1 = 5;
    EXPECT_FALSE(ClipLineToRect(x0, y0, x1, y1, RECT{3, 3, 3, 8}));   // empty clip
}
// clang-format on

// Whatever the line, the clipped ends lie inside the clip rectangle, so the
// drawn line stays inside it too.
TEST(ClipLineToRect, ClippedEndsAlwaysLieInsideTheClip) {
    std::mt19937 random(5);
    const RECT clip{3, 2, 17, 11};
    for (int i = 0; i < 20000; ++i) {
        int32_t x0 = int32_t(random() % 41) - 10, y0 = int32_t(random() % 31) - 10;
        int32_t x1 = int32_t(random() % 41) - 10, y1 = int32_t(random() % 31) - 10;
        if (!ClipLineToRect(x0, y0, x1, y1, clip)) continue;
        for (int32_t v : {x0, x1}) ASSERT_TRUE(v >= clip.left && v < clip.right) << i;
        for (int32_t v : {y0, y1}) ASSERT_TRUE(v >= clip.top && v < clip.bottom) << i;
    }
}

TEST(Tile, TenByTenIntoTwentyFiveWide) {
    auto src = gfxtest::MakePatterned(10, 10, 4);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) src->Row(y)[x] |= 0xFF000000;   // opaque
    Bitmap dst(40, 20, 0);
    ASSERT_TRUE(dst.TileAlpha(0, 0, 25, 10, src.get(), 0, 0, 10, 10, 255, nullptr));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const uint32_t expected = (x < 25 && y < 10) ? At(*src, x % 10, y) : 0u;
            ASSERT_EQ(At(dst, x, y), expected) << x << "," << y;
        }
}

TEST(Tile, ClipRectangleLimitsTheTiles) {
    auto src = gfxtest::MakeFilled(4, 4, 0xFF00FF00);
    Bitmap dst(20, 20, 0);
    const RECT clip{5, 3, 9, 30};
    ASSERT_TRUE(dst.TileAlpha(2, 2, 16, 16, src.get(), 0, 0, 4, 4, 255, &clip));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 5 && x < 9 && y >= 3 && y < 18;
            ASSERT_EQ(At(dst, x, y), inside ? 0xFF00FF00u : 0u) << x << "," << y;
        }
    const RECT away{30, 30, 40, 40};
    EXPECT_FALSE(dst.TileAlpha(2, 2, 16, 16, src.get(), 0, 0, 4, 4, 255, &away));
}

// An area partly left of and above the bitmap shows the part of each tile
// that lies inside, as if the bitmap were larger.
TEST(Tile, NegativeOriginKeepsTheTilePhase) {
    auto src = gfxtest::MakePatterned(10, 10, 8);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) src->Row(y)[x] |= 0xFF000000;
    Bitmap dst(30, 30, 0);
    ASSERT_TRUE(dst.TileAlpha(-5, -3, 25, 20, src.get(), 0, 0, 10, 10, 255, nullptr));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inside = x < 20 && y < 17;
            const uint32_t expected = inside ? At(*src, (x + 5) % 10, (y + 3) % 10) : 0u;
            ASSERT_EQ(At(dst, x, y), expected) << x << "," << y;
        }
}

TEST(Tile, SourceRegionAndModes) {
    // Source region (2, 1, 3, 2) tiled with add: each tile repeats that region.
    auto src = gfxtest::MakePatterned(8, 8, 2);
    Bitmap a(12, 4, 0xFF000000), b(12, 4, 0xFF000000);
    ASSERT_TRUE(a.TileAdd(0, 0, 12, 4, src.get(), 2, 1, 3, 2, 200, nullptr));
    for (int ty = 0; ty < 2; ++ty)
        for (int tx = 0; tx < 4; ++tx) b.BlitAdd(tx * 3, ty * 2, src.get(), 2, 1, 3, 2, 200);
    EXPECT_TRUE(gfxtest::SameBlock(a, b));
    // Opacity 0 draws nothing but still reports the area.
    Bitmap c(12, 4, 0xFF000000);
    EXPECT_TRUE(c.TileGrey(0, 0, 12, 4, src.get(), 0, 0, 3, 3, 0, nullptr));
    EXPECT_TRUE(c.TileSubtract(0, 0, 12, 4, src.get(), 0, 0, 3, 3, 0, nullptr));
    EXPECT_TRUE(Changed(c, 0xFF000000).empty());
    // An area smaller than a tile shows the tile's top-left part.
    Bitmap d(12, 4, 0);
    auto opaque = gfxtest::MakeFilled(8, 8, 0xFF123456);
    ASSERT_TRUE(d.TileAlpha(1, 1, 2, 2, opaque.get(), 0, 0, 8, 8, 255, nullptr));
    EXPECT_EQ(Changed(d, 0).size(), 4u);
}

TEST(PasteRows, TwentyFourBitBottomUpGetsOpaqueAlphaAndLeavesTheSourceAlone) {
    // Two rows of three B, G, R pixels, stride 12 (9 bytes and 3 of padding).
    std::vector<uint8_t> rows = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0xEE, 0xEE, 0xEE,
                                 11, 12, 13, 14, 15, 16, 17, 18, 19, 0xEE, 0xEE, 0xEE};
    const std::vector<uint8_t> before = rows;
    Bitmap b(3, 2, 0);
    ASSERT_TRUE(b.PasteRows(0, 0, 3, 2, 24, rows.data(), 12, true));
    EXPECT_EQ(At(b, 0, 0), 0xFF0D0C0Bu);   // the second file row on top
    EXPECT_EQ(At(b, 2, 1), 0xFF090807u);
    EXPECT_EQ(rows, before);
    ASSERT_TRUE(b.PasteRows(0, 0, 3, 2, 24, rows.data(), 12, false));
    EXPECT_EQ(At(b, 0, 0), 0xFF030201u);
}

TEST(PasteRows, ThirtyTwoBitKeepsAlphaAndOtherDepthsAreRefused) {
    const uint32_t rows[] = {0x00000001, 0x80000002, 0xFF000003, 0x7F000004};
    Bitmap b(2, 2, 0xFFFFFFFF);
    ASSERT_TRUE(b.PasteRows(0, 0, 2, 2, 32, rows, 8, true));
    EXPECT_EQ(At(b, 0, 0), 0xFF000003u);
    EXPECT_EQ(At(b, 1, 1), 0x80000002u);
    EXPECT_FALSE(b.PasteRows(0, 0, 2, 2, 16, rows, 8, false));
    EXPECT_FALSE(b.PasteRows(0, 0, 2, 2, 8, rows, 8, false));
    // The source is addressed at the same (x, y) as the destination.
    Bitmap c(2, 2, 0);
    ASSERT_TRUE(c.PasteRows(1, 1, 1, 1, 32, rows, 8, false));
    EXPECT_EQ(At(c, 1, 1), 0x7F000004u);
    EXPECT_EQ(At(c, 0, 0), 0u);
}
