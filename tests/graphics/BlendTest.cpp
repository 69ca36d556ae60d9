#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/RowKernels.h"

#include <algorithm>
#include <functional>
#include <random>

namespace {

// The rules written out channel by channel, as plainly as possible.
uint32_t Ch(uint32_t p, int c) { return p >> (8 * c) & 0xFF; }
uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

uint32_t RefMix(uint32_t p, uint32_t d, uint32_t e) {
    uint32_t out[3];
    for (int c = 0; c < 3; ++c) out[c] = (Ch(p, c) * e + Ch(d, c) * (255 - e)) >> 8;
    return Pack(Ch(d, 3), out[2], out[1], out[0]);
}

uint32_t RefAlpha(uint32_t s, uint32_t d) {
    const uint32_t a = s >> 24;
    if (a == 0) return d;
    if (a == 255) return s;
    return RefMix(s, d, a);
}

uint32_t RefOpacityLike(uint32_t p, uint32_t d, uint32_t a, uint32_t o) {
    if (a == 0) return d;
    const uint32_t e = (o * (a + 1)) >> 8;
    if (e == 255) return p;
    return RefMix(p, d, e);
}

uint32_t RefOpacity(uint32_t s, uint32_t d, uint32_t o) { return RefOpacityLike(s, d, s >> 24, o); }

uint32_t RefTint(uint32_t s, uint32_t d, uint32_t tint) {
    const uint32_t a = s >> 24;
    return RefOpacityLike(a << 24 | (tint & 0xFFFFFF), d, a, tint >> 24);
}

uint32_t RefGrey(uint32_t s, uint32_t d, uint32_t o) {
    const uint32_t a = s >> 24;
    const uint32_t g = (85 * (Ch(s, 0) + Ch(s, 1) + Ch(s, 2))) >> 8;
    return RefOpacityLike(Pack(a, g, g, g), d, a, o);
}

uint32_t RefAddSub(uint32_t p, uint32_t d, uint32_t a, uint32_t o, bool add) {
    if (a == 0) return d;
    const uint32_t e = (o * (a + 1)) >> 8;
    int out[3];
    for (int c = 0; c < 3; ++c) {
        const int t = int((Ch(p, c) * e) >> 8);
        out[c] = add ? std::min(255, int(Ch(d, c)) + t) : std::max(0, int(Ch(d, c)) - t);
    }
    return Pack(Ch(d, 3), uint32_t(out[2]), uint32_t(out[1]), uint32_t(out[0]));
}

// One source pixel blitted onto one destination pixel.
using Blit = std::function<bool(Bitmap&, const Bitmap&)>;
uint32_t BlitOne(uint32_t s, uint32_t d, const Blit& blit) {
    Bitmap src(1, 1, s), dst(1, 1, d);
    EXPECT_TRUE(blit(dst, src));
    return dst.GetPixels()[0];
}

Blit Alpha() {
    return [](Bitmap& d, const Bitmap& s) { return d.BlitAlpha(0, 0, &s, 0, 0, 1, 1); };
}
Blit Opacity(uint8_t o) {
    return [o](Bitmap& d, const Bitmap& s) { return d.BlitAlphaOpacity(0, 0, &s, 0, 0, 1, 1, o); };
}
Blit Tint(uint32_t t) {
    return [t](Bitmap& d, const Bitmap& s) { return d.BlitTint(0, 0, &s, 0, 0, 1, 1, t); };
}
Blit Add(uint8_t o) {
    return [o](Bitmap& d, const Bitmap& s) { return d.BlitAdd(0, 0, &s, 0, 0, 1, 1, o); };
}
Blit AddTint(uint32_t t) {
    return [t](Bitmap& d, const Bitmap& s) { return d.BlitAddTint(0, 0, &s, 0, 0, 1, 1, t); };
}
Blit Sub(uint8_t o) {
    return [o](Bitmap& d, const Bitmap& s) { return d.BlitSubtract(0, 0, &s, 0, 0, 1, 1, o); };
}
Blit SubTint(uint32_t t) {
    return [t](Bitmap& d, const Bitmap& s) { return d.BlitSubtractTint(0, 0, &s, 0, 0, 1, 1, t); };
}
Blit Grey(uint8_t o) {
    return [o](Bitmap& d, const Bitmap& s) { return d.BlitGrey(0, 0, &s, 0, 0, 1, 1, o); };
}

}   // namespace

TEST(BlendRules, WorkedExamples) {
    // Opaque red onto anything is written whole.
    EXPECT_EQ(BlitOne(0xFFFF0000, 0x12345678, Alpha()), 0xFFFF0000u);
    // White at alpha 128 over opaque black: 127, alpha kept.
    EXPECT_EQ(BlitOne(0x80FFFFFF, 0xFF000000, Alpha()), 0xFF7F7F7Fu);
    // White over white at partial alpha: >> 8 gives 254, not 255.
    EXPECT_EQ(BlitOne(0x80FFFFFF, 0xFFFFFFFF, Alpha()), 0xFFFEFEFEu);
    // Opacity 255 with alpha 255 writes the source.
    EXPECT_EQ(BlitOne(0xFF102030, 0x00000000, Opacity(255)), 0xFF102030u);
    // Opacity 1 with alpha 255 mixes with E = 1.
    EXPECT_EQ(BlitOne(0xFFFFFFFF, 0xFF000000, Opacity(1)),
              0xFF000000u + 0x010101u * ((255 * 1) >> 8));
    EXPECT_EQ(BlitOne(0xFFFFFFFF, 0xFF646464, Opacity(1)), RefMix(0xFFFFFFFF, 0xFF646464, 1));
    EXPECT_EQ(BlitOne(0xFFFFFFFF, 0xFFFFFFFF, Opacity(1)), 0xFFFEFEFEu);
    // Add saturates at 255, subtract floors at 0.
    EXPECT_EQ(BlitOne(0xFFC8C8C8, 0xFF646464, Add(255)), 0xFFFFFFFFu);
    EXPECT_EQ(BlitOne(0xFFC8C8C8, 0xFF646464, Sub(255)), 0xFF000000u);
    // 100 + (50 * 255) >> 8 = 149: no E = 255 short cut in add.
    EXPECT_EQ(BlitOne(0xFF323232, 0x40646464, Add(255)), 0x40959595u);
    // Pure blue in grey: (85 * 255) >> 8 = 84, alpha 255.
    EXPECT_EQ(BlitOne(0xFF0000FF, 0x00FFFFFF, Grey(255)), 0xFF545454u);
    // A tint with alpha 0 draws nothing.
    EXPECT_EQ(BlitOne(0xFF0000FF, 0x11223344, Tint(0x00FFFFFF)), 0x11223344u);
    EXPECT_EQ(BlitOne(0xFF0000FF, 0x11223344, AddTint(0x00FFFFFF)), 0x11223344u);
    EXPECT_EQ(BlitOne(0xFF0000FF, 0x11223344, SubTint(0x00FFFFFF)), 0x11223344u);
    // A full tint replaces the colour and keeps the source alpha.
    EXPECT_EQ(BlitOne(0xFF0000FF, 0x11223344, Tint(0xFF00FF00)), 0xFF00FF00u);
    // Opacity 0 draws nothing in every mode.
    EXPECT_EQ(BlitOne(0xFFFFFFFF, 0x11223344, Opacity(0)), 0x11223344u);
    EXPECT_EQ(BlitOne(0xFFFFFFFF, 0x11223344, Add(0)), 0x11223344u);
    EXPECT_EQ(BlitOne(0xFFFFFFFF, 0x11223344, Sub(0)), 0x11223344u);
    EXPECT_EQ(BlitOne(0xFFFFFFFF, 0x11223344, Grey(0)), 0x11223344u);
}

TEST(BlendRules, TransparentSourceNeverChangesTheDestination) {
    for (uint32_t d : {0u, 0x11223344u, 0xFFFFFFFFu}) {
        EXPECT_EQ(BlitOne(0x00FFFFFF, d, Alpha()), d);
        EXPECT_EQ(BlitOne(0x00FFFFFF, d, Opacity(200)), d);
        EXPECT_EQ(BlitOne(0x00FFFFFF, d, Tint(0xFF808080)), d);
        EXPECT_EQ(BlitOne(0x00FFFFFF, d, Add(255)), d);
        EXPECT_EQ(BlitOne(0x00FFFFFF, d, Sub(255)), d);
        EXPECT_EQ(BlitOne(0x00FFFFFF, d, Grey(255)), d);
    }
}

TEST(BlendRules, DestinationAlphaKeptByMixingReplacedByDirectWrites) {
    const uint32_t d = 0x40808080;
    EXPECT_EQ(BlitOne(0x80FFFFFF, d, Alpha()) >> 24, 0x40u);
    EXPECT_EQ(BlitOne(0xFFFFFFFF, d, Alpha()) >> 24, 0xFFu);
    EXPECT_EQ(BlitOne(0x80FFFFFF, d, Opacity(200)) >> 24, 0x40u);
    EXPECT_EQ(BlitOne(0xFFFFFFFF, d, Opacity(255)) >> 24, 0xFFu);
    EXPECT_EQ(BlitOne(0xFFFFFFFF, d, Tint(0xFF000000)) >> 24, 0xFFu);
    EXPECT_EQ(BlitOne(0xFFFFFFFF, d, Tint(0x80000000)) >> 24, 0x40u);
    EXPECT_EQ(BlitOne(0xFFFFFFFF, d, Grey(255)) >> 24, 0xFFu);
    EXPECT_EQ(BlitOne(0xFFFFFFFF, d, Grey(128)) >> 24, 0x40u);
    EXPECT_EQ(BlitOne(0xFFFFFFFF, d, Add(255)) >> 24, 0x40u);
    EXPECT_EQ(BlitOne(0xFFFFFFFF, d, Sub(255)) >> 24, 0x40u);
}

TEST(BlendRules, GreyTintIsTint) {
    auto src = gfxtest::MakePatterned(37, 9, 5);
    auto a = gfxtest::MakePatterned(37, 9, 6);
    auto b = gfxtest::MakePatterned(37, 9, 6);
    for (uint32_t tint : {0x80336699u, 0xFF123456u, 0x01FFFFFFu}) {
        a->BlitTint(0, 0, src.get(), 0, 0, 37, 9, tint);
        b->BlitGreyTint(0, 0, src.get(), 0, 0, 37, 9, tint);
        EXPECT_TRUE(gfxtest::SameBlock(*a, *b));
    }
}

TEST(BlendRules, BlendPixelAndBlendRectFollowRuleA1) {
    uint32_t p = 0xFF000000;
    BlendPixel(&p, 0x80FFFFFF);
    EXPECT_EQ(p, 0xFF7F7F7Fu);
    BlendPixel(&p, 0x00FFFFFF);
    EXPECT_EQ(p, 0xFF7F7F7Fu);
    BlendPixel(&p, 0xFF123456);
    EXPECT_EQ(p, 0xFF123456u);

    Bitmap b(6, 4, 0x20FFFFFF);
    ASSERT_TRUE(b.BlendRect(-2, 1, 5, 10, 0x80000000));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < b.Pitch(); ++x) {
            const bool inside = x < 3 && y >= 1;
            EXPECT_EQ(b.Row(y)[x], inside ? 0x207E7E7Eu : 0x20FFFFFFu) << x << "," << y;
        }
    EXPECT_FALSE(b.BlendRect(6, 0, 1, 1, 0xFFFFFFFF));
}

// Every (source channel, destination channel, alpha) triple of the mixing
// rules, through the real kernels, against the plain formulas.
TEST(BlendRules, ExhaustiveAlphaMixAgainstTheFormula) {
    Bitmap src(256, 256, 0), dst(256, 256, 0), expected(256, 256, 0);
    for (uint32_t v = 0; v < 256; ++v) {   // the channel values of the destination
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                // source: alpha y, channels x, x^0x55, 255-x
                src.Row(y)[x] = Pack(uint32_t(y), uint32_t(x), uint32_t(x) ^ 0x55,
                                     255 - uint32_t(x));
                dst.Row(y)[x] = Pack(0x3C, v, 255 - v, v ^ 0xAA);
                expected.Row(y)[x] = RefAlpha(src.Row(y)[x], dst.Row(y)[x]);
            }
        dst.BlitAlpha(0, 0, &src, 0, 0, 256, 256);
        ASSERT_TRUE(gfxtest::SameImage(dst, expected)) << "destination value " << v;
    }
}

namespace {

struct KernelCase {
    const char* name;
    std::function<void(Bitmap&, const Bitmap&, int, int, int, int, int, int)> blit;
    std::function<uint32_t(uint32_t, uint32_t)> reference;
};

// clang-format off
std::vector<KernelCase> AllKernels(uint8_t o, uint32_t tint) {
    using B = Bitmap;
    return {
        {"alpha", [](B& d, const B& s, int dx, int dy, int sx, int sy, int w, int h) { d.BlitAlpha(dx, dy, &s, sx, sy, w, h); },
         [](uint32_t s, uint32_t d) { return RefAlpha(s, d); }},
        {"opacity", [o](B& d, const B& s, int dx, int dy, int sx, int sy, int w, int h) { d.BlitAlphaOpacity(dx, dy, &s, sx, sy, w, h, o); },
         [o](uint32_t s, uint32_t d) { return o == 255 ? RefAlpha(s, d) : o == 0 ? d : RefOpacity(s, d, o); }},
        {"tint", [tint](B& d, const B& s, int dx, int dy, int sx, int sy, int w, int h) { d.BlitTint(dx, dy, &s, sx, sy, w, h, tint); },
         [tint](uint32_t s, uint32_t d) { return (tint >> 24) == 0 ? d : RefTint(s, d, tint); }},
        {"add", [o](B& d, const B& s, int dx, int dy, int sx, int sy, int w, int h) { d.BlitAdd(dx, dy, &s, sx, sy, w, h, o); },
         [o](uint32_t s, uint32_t d) { return o == 0 ? d : RefAddSub(s, d, s >> 24, o, true); }},
        {"add tint", [tint](B& d, const B& s, int dx, int dy, int sx, int sy, int w, int h) { d.BlitAddTint(dx, dy, &s, sx, sy, w, h, tint); },
         [tint](uint32_t s, uint32_t d) { return (tint >> 24) == 0 ? d : RefAddSub(tint, d, s >> 24, tint >> 24, true); }},
        {"subtract", [o](B& d, const B& s, int dx, int dy, int sx, int sy, int w, int h) { d.BlitSubtract(dx, dy, &s, sx, sy, w, h, o); },
         [o](uint32_t s, uint32_t d) { return o == 0 ? d : RefAddSub(s, d, s >> 24, o, false); }},
        {"subtract tint", [tint](B& d, const B& s, int dx, int dy, int sx, int sy, int w, int h) { d.BlitSubtractTint(dx, dy, &s, sx, sy, w, h, tint); },
         [tint](uint32_t s, uint32_t d) { return (tint >> 24) == 0 ? d : RefAddSub(tint, d, s >> 24, tint >> 24, false); }},
        {"grey", [o](B& d, const B& s, int dx, int dy, int sx, int sy, int w, int h) { d.BlitGrey(dx, dy, &s, sx, sy, w, h, o); },
         [o](uint32_t s, uint32_t d) { return o == 0 ? d : RefGrey(s, d, o); }},
    };
}
// clang-format on

// Random pixels with alphas 0 and 255 well represented.
uint32_t RandomPixel(std::mt19937& random) {
    uint32_t v = random();
    switch (v & 7) {
    case 0: return v & 0x00FFFFFF;
    case 1: return v | 0xFF000000;
    default: return v;
    }
}

}   // namespace

// Random regions (odd widths and offsets, so the vector kernels' leftovers
// are exercised) of random pixels, every mode, against the formulas.
TEST(BlendRules, RandomRegionsOfEveryKernelMatchTheFormulas) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 300; ++round) {
        const int w = 1 + int(random() % 37), h = 1 + int(random() % 5);
        Bitmap src(w + 3, h + 2, 0), dst(w + 5, h + 1, 0);
        for (int y = 0; y < src.Height(); ++y)
            for (int x = 0; x < src.Pitch(); ++x) src.Row(y)[x] = RandomPixel(random);
        const uint8_t o = uint8_t(round % 5 == 0 ? (round % 2 ? 255 : 0) : random());
        const uint32_t tint = round % 7 == 0 ? random() & 0x00FFFFFF : random();
        const int sx = int(random() % 4), sy = int(random() % 3), dx = int(random() % 6),
                  dy = int(random() % 2);
        for (const KernelCase& k : AllKernels(o, tint)) {
            for (int y = 0; y < dst.Height(); ++y)
                for (int x = 0; x < dst.Pitch(); ++x) dst.Row(y)[x] = RandomPixel(random);
            std::vector<uint32_t> expected(dst.GetPixels(),
                                           dst.GetPixels() + dst.Pitch() * dst.Height());
            int cx = dx, cy = dy, csx = sx, csy = sy, cw = w, ch = h;
            // The expected result, clipped the same way by hand.
            cw = std::min({cw, src.Width() - csx, dst.Width() - cx});
            ch = std::min({ch, src.Height() - csy, dst.Height() - cy});
            for (int y = 0; y < ch; ++y)
                for (int x = 0; x < cw; ++x) {
                    uint32_t& e = expected[size_t(cy + y) * dst.Pitch() + cx + x];
                    e = k.reference(src.Row(csy + y)[csx + x], e);
                }
            k.blit(dst, src, dx, dy, sx, sy, w, h);
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(), dst.GetPixels()))
                << k.name << " round " << round << " o " << int(o) << " tint " << std::hex << tint;
        }
    }
}

// The vector kernels against their scalar twins on the same random data.
TEST(BlendRules, VectorKernelsAreBitExactWithScalar) {
    if (!RowKernels::VectorKernelsActive()) GTEST_SKIP() << "no vector kernels on this processor";
    using namespace RowKernels;
    std::mt19937 random(77);
    const int W = 67, H = 13;
    std::vector<uint32_t> src(W * H), a(W * H), b(W * H);
    using Kernel = std::function<void(const Rows&, uint8_t, uint32_t)>;
    // clang-format off
    const std::pair<Kernel, Kernel> kernels[] = {
        {[](const Rows& r, uint8_t, uint32_t) { Scalar::BlendRowsAlpha(r); }, [](const Rows& r, uint8_t, uint32_t) { Sse2::BlendRowsAlpha(r); }},
        {[](const Rows& r, uint8_t o, uint32_t) { Scalar::BlendRowsOpacity(r, o); }, [](const Rows& r, uint8_t o, uint32_t) { Sse2::BlendRowsOpacity(r, o); }},
        {[](const Rows& r, uint8_t, uint32_t t) { Scalar::BlendRowsTint(r, t); }, [](const Rows& r, uint8_t, uint32_t t) { Sse2::BlendRowsTint(r, t); }},
        {[](const Rows& r, uint8_t o, uint32_t) { Scalar::AddRowsOpacity(r, o); }, [](const Rows& r, uint8_t o, uint32_t) { Sse2::AddRowsOpacity(r, o); }},
        {[](const Rows& r, uint8_t, uint32_t t) { Scalar::AddRowsTint(r, t); }, [](const Rows& r, uint8_t, uint32_t t) { Sse2::AddRowsTint(r, t); }},
        {[](const Rows& r, uint8_t o, uint32_t) { Scalar::SubRowsOpacity(r, o); }, [](const Rows& r, uint8_t o, uint32_t) { Sse2::SubRowsOpacity(r, o); }},
        {[](const Rows& r, uint8_t, uint32_t t) { Scalar::SubRowsTint(r, t); }, [](const Rows& r, uint8_t, uint32_t t) { Sse2::SubRowsTint(r, t); }},
        {[](const Rows& r, uint8_t o, uint32_t) { Scalar::GreyRowsOpacity(r, o); }, [](const Rows& r, uint8_t o, uint32_t) { Sse2::GreyRowsOpacity(r, o); }},
    };
    // clang-format on
    for (int round = 0; round < 400; ++round) {
        for (auto& p : src) p = RandomPixel(random);
        const uint8_t o = uint8_t(random());
        const uint32_t tint = random();
        const int w = 1 + int(random() % (W - 3)), h = 1 + int(random() % H);
        for (const auto& k : kernels) {
            for (size_t i = 0; i < a.size(); ++i) a[i] = b[i] = RandomPixel(random);
            const Rows rowsA{a.data(), W * 4, 3 - w % 3, 0, src.data(), W * 4, w % 3, 0, w, h};
            Rows rowsB = rowsA;
            rowsB.dst = b.data();
            k.first(rowsA, o, tint);
            k.second(rowsB, o, tint);
            ASSERT_EQ(a, b) << "kernel " << (&k - kernels) << " round " << round;
        }
    }
}
