#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "engine/core/HandleTable.h"
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/Texture.h"
#include "engine/resources/TextureFiles.h"
#include "support/TestSupport.h"

using gfxtest::Bytes;

namespace {

void EnsurePools() { ASSERT_TRUE(testsupport::EnsurePools()); }

Bytes Saved(bool (Bitmap::*save)(const char*) const, const Bitmap& b,
            testsupport::TempFolder& folder, const char* name) {
    const std::string path = folder.Join(name);
    EXPECT_TRUE((b.*save)(path.c_str()));
    return gfxtest::ReadFileBytes(path);
}

}   // namespace

TEST(Texture, LoadsEveryFormatFromMemoryByItsFirstBytes) {
    EnsurePools();
    testsupport::TempFolder folder;
    auto b = gfxtest::MakePatterned(5, 3, 2);
    const std::string nvxPath = folder.Join("t.nvx");
    ASSERT_TRUE(b->SaveNvx(nvxPath.c_str(), 1));
    const Bytes files[] = {
        gfxtest::ReadFileBytes(nvxPath), Saved(&Bitmap::SavePng, *b, folder, "t.png"),
        Saved(&Bitmap::SaveJpeg, *b, folder, "t.jpg"), Saved(&Bitmap::SaveBmp, *b, folder, "t.bmp"),
        Saved(&Bitmap::SaveTga, *b, folder, "t.tga")};
    for (const Bytes& f : files) {
        const Bytes before = f;
        const uint32_t id = Nuvex::LoadTexture(f.data(), uint32_t(f.size()));
        ASSERT_NE(id, 0u);
        EXPECT_EQ(f, before) << "the caller's data is only read";
        EXPECT_EQ(Nuvex::GetTextureWidth(id, 1), 5);
        EXPECT_EQ(Nuvex::GetTextureWidth(id, 0), 12) << "padded pitch";
        EXPECT_EQ(Nuvex::GetTextureHeight(id), 3);
        ASSERT_NE(Nuvex::GetTextureById(id), nullptr);
        if (f[0] != 0xFF) {   // all but the lossy JPEG
            EXPECT_TRUE(gfxtest::SameImage(*b, *Nuvex::GetTextureById(id)));
        }
        EXPECT_EQ(Nuvex::DestroyTexture(id), 1);
        EXPECT_EQ(Nuvex::DestroyTexture(id), 0);
        EXPECT_EQ(Nuvex::GetTextureWidth(id, 1), 0);
        EXPECT_EQ(Nuvex::GetTextureHeight(id), 0);
    }
}

TEST(Texture, LoadsFromAFileName) {
    EnsurePools();
    testsupport::TempFolder folder;
    auto b = gfxtest::MakePatterned(7, 4, 3);
    const std::string path = folder.Join("file.png");
    ASSERT_TRUE(b->SavePng(path.c_str()));
    const uint32_t id = Nuvex::LoadTexture(path.c_str(), 0);
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(gfxtest::SameImage(*b, *Nuvex::GetTextureById(id)));
    EXPECT_EQ(Nuvex::DestroyTexture(id), 1);
    EXPECT_EQ(Nuvex::LoadTexture(folder.Join("missing.png").c_str(), 0), 0u);
}

TEST(Texture, UnknownOrShortDataLeavesThePoolUnchanged) {
    EnsurePools();
    const uint32_t count = Nuvex::Pools().texture.Count();
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'};
    EXPECT_EQ(Nuvex::LoadTexture(gif.data(), uint32_t(gif.size())), 0u);
    const uint8_t one[] = {0x89};
    EXPECT_EQ(Nuvex::LoadTexture(one, 1), 0u);
    const uint8_t bm[] = {'B', 'M'};
    EXPECT_EQ(Nuvex::LoadTexture(bm, 2), 0u);
    const uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A};
    EXPECT_EQ(Nuvex::LoadTexture(png, sizeof png), 0u);
    EXPECT_EQ(Nuvex::LoadTexture(nullptr, 10), 0u);
    EXPECT_EQ(Nuvex::Pools().texture.Count(), count);
}

TEST(Texture, InvalidIdsAnswerZero) {
    EnsurePools();
    EXPECT_EQ(Nuvex::DestroyTexture(0), 0);
    EXPECT_EQ(Nuvex::DestroyTexture(70000), 0);
    EXPECT_EQ(Nuvex::GetTextureWidth(0, 1), 0);
    EXPECT_EQ(Nuvex::GetTextureHeight(65535), 0);
    EXPECT_EQ(Nuvex::GetTextureById(0), nullptr);
}
