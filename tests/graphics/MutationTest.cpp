// Thousands of bit-flipped variants of one valid file per format: every
// decoder must return an image or null, never crash, hang or overrun.
#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/ImageCodecs.h"
#include "engine/graphics/Texture.h"
#include "support/HostileImages.h"
#include "support/TestSupport.h"

#include <memory>
#include <random>

using gfxtest::Bytes;

namespace {

constexpr int kVariants = 3000;

using Decoder = Bitmap* (*)(const void*, uint32_t);

Bytes SavedFile(bool (Bitmap::*save)(const char*) const, const char* name) {
    testsupport::TempFolder folder;
    auto b = gfxtest::MakePatterned(9, 7, 21);
    const std::string path = folder.Join(name);
    EXPECT_TRUE(((*b).*save)(path.c_str()));
    return gfxtest::ReadFileBytes(path);
}

Bytes SavedNvx(uint8_t compression) {
    testsupport::TempFolder folder;
    auto b = gfxtest::MakePatterned(9, 7, 21);
    const std::string path = folder.Join("m.nvx");
    EXPECT_TRUE(b->SaveNvx(path.c_str(), compression));
    return gfxtest::ReadFileBytes(path);
}

void FixPngCrcs(Bytes& png) { testsupport::FixPngCrcs(png.data(), png.size()); }

// Reads every pixel of a small result, so that a wrong size shows up as a
// fault here rather than going unnoticed.
void Touch(const Bitmap& b) {
    ASSERT_GT(b.Width(), 0);
    ASSERT_GT(b.Height(), 0);
    if (b.PixelBytes() > (16u << 20)) return;
    volatile uint32_t sum = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) sum = sum + b.Row(y)[x];
}

// Flips one to three bits, mostly in the first 64 bytes where the headers are.
Bytes Mutate(const Bytes& good, std::mt19937& random) {
    Bytes b = good;
    const int flips = 1 + int(random() % 3);
    for (int i = 0; i < flips; ++i) {
        const size_t span = (random() % 4 != 0) ? std::min<size_t>(64, b.size()) : b.size();
        b[random() % span] ^= uint8_t(1u << (random() % 8));
    }
    if (random() % 5 == 0) b.resize(random() % (b.size() + 1));   // and sometimes cut it short
    return b;
}

void RunMutations(Decoder decoder, const Bytes& good, uint32_t seed,
                  void (*fix)(Bytes&) = nullptr) {
    ASSERT_FALSE(good.empty());
    {
        std::unique_ptr<Bitmap> b(decoder(good.data(), uint32_t(good.size())));
        ASSERT_TRUE(b) << "the unchanged file must decode";
    }
    std::mt19937 random(seed);
    int decoded = 0;
    for (int i = 0; i < kVariants; ++i) {
        Bytes b = Mutate(good, random);
        if (fix && i % 2 == 0) fix(b);
        // An exact-size heap copy, so a read past the end touches foreign memory.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[b.size() + 1]);
        std::copy(b.begin(), b.end(), exact.get());
        std::unique_ptr<Bitmap> result(decoder(exact.get(), uint32_t(b.size())));
        if (result) {
            ++decoded;
            Touch(*result);
        }
    }
    ::testing::Test::RecordProperty("decoded", decoded);
}

}   // namespace

TEST(Mutation, Nvx) {
    RunMutations(Nuvex::LoadNvx, SavedNvx(0), 1);
    RunMutations(Nuvex::LoadNvx, SavedNvx(1), 2);
}

TEST(Mutation, Bmp) { RunMutations(Nuvex::LoadBmp, SavedFile(&Bitmap::SaveBmp, "m.bmp"), 3); }

TEST(Mutation, Tga) { RunMutations(Nuvex::LoadTga, SavedFile(&Bitmap::SaveTga, "m.tga"), 4); }

TEST(Mutation, Png) {
    RunMutations(Nuvex::LoadPng, SavedFile(&Bitmap::SavePng, "m.png"), 5, FixPngCrcs);
}

TEST(Mutation, Jpeg) { RunMutations(Nuvex::LoadJpeg, SavedFile(&Bitmap::SaveJpeg, "m.jpg"), 6); }
