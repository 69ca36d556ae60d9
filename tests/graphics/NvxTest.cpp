#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "engine/graphics/Bitmap.h"
#include "support/TestSupport.h"
#include "support/CurrentBuildOnly.h"

#include <zlib.h>

#include <memory>

using gfxtest::Bytes;

namespace {

// The 80-byte file of a 1 x 1 bitmap of 0xFF112233, raw.
Bytes GoldenNvx() {
    Bytes b = {0x89, 0x4E, 0x56, 0x58, 0xB8, 0x04, 0x00, 0x02, 0x10, 0x00, 0x00, 0x00,
               0x00, 0x00, 0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
               0x01, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x04, 0x20, 0x00, 0x00,
               0x20, 0x00, 0x00, 0x00, 0,    0,    0,    0,    0,    0,    0,    0};
    for (int i = 0; i < 8; ++i) b.insert(b.end(), {0x33, 0x22, 0x11, 0xFF});
    return b;
}

std::unique_ptr<Bitmap> Load(const Bytes& b) {
    return std::unique_ptr<Bitmap>(Nuvex::LoadNvx(b.data(), uint32_t(b.size())));
}

// A bitmap whose spare pixels differ from its image pixels.
std::unique_ptr<Bitmap> WithDistinctSpares() {
    auto b = gfxtest::MakePatterned(5, 7, 3);
    for (int y = 0; y < 7; ++y)
        for (int x = 5; x < b->Pitch(); ++x) b->Row(y)[x] = 0xA0000000u + uint32_t(y * 16 + x);
    return b;
}

}   // namespace

TEST(Nvx, GoldenRawFileLoadsAndSavesByteForByte) {
    CURRENT_BUILD_ONLY("the older build's NVX header word is 1");
    auto b = Load(GoldenNvx());
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), 1);
    EXPECT_EQ(b->Height(), 1);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(b->GetPixels()[x], 0xFF112233u);

    testsupport::TempFolder folder;
    const std::string path = folder.Join("golden.nvx");
    Bitmap made(1, 1, 0xFF112233);
    ASSERT_TRUE(made.SaveNvx(path.c_str(), 0));
    EXPECT_EQ(gfxtest::ReadFileBytes(path), GoldenNvx());
}

TEST(Nvx, ZlibRoundTripKeepsEveryBlockByteAndStoresTheStreamLength) {
    auto b = WithDistinctSpares();
    testsupport::TempFolder folder;
    const std::string path = folder.Join("packed.nvx");
    ASSERT_TRUE(b->SaveNvx(path.c_str(), 1));
    const Bytes file = gfxtest::ReadFileBytes(path);
    ASSERT_GT(file.size(), 48u);
    EXPECT_EQ(file[34], 1);
    const uint32_t dataSize = file[36] | file[37] << 8 | file[38] << 16 | uint32_t(file[39]) << 24;
    EXPECT_EQ(dataSize, file.size() - 48);
    // The payload is one zlib stream of the whole block.
    Bytes inflated(b->PixelBytes());
    uLongf produced = uLongf(inflated.size());
    ASSERT_EQ(uncompress(inflated.data(), &produced, file.data() + 48, dataSize), Z_OK);
    EXPECT_EQ(produced, b->PixelBytes());

    auto back = Load(file);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Width(), 5);
    EXPECT_EQ(back->Height(), 7);
    EXPECT_TRUE(gfxtest::SameBlock(*b, *back));
}

TEST(Nvx, RawRoundTripKeepsEveryBlockByte) {
    auto b = WithDistinctSpares();
    testsupport::TempFolder folder;
    const std::string path = folder.Join("raw.nvx");
    ASSERT_TRUE(b->SaveNvx(path.c_str(), 0));
    const Bytes file = gfxtest::ReadFileBytes(path);
    EXPECT_EQ(file.size(), 48 + b->PixelBytes());
    auto back = Load(file);
    ASSERT_TRUE(back);
    EXPECT_TRUE(gfxtest::SameBlock(*b, *back));
}

TEST(Nvx, RefusesBadHeaders) {
    CURRENT_BUILD_ONLY("the older build's NVX header word is 1");
    const Bytes good = GoldenNvx();
    ASSERT_TRUE(Load(good));
    EXPECT_FALSE(Nuvex::LoadNvx(nullptr, 80));
    EXPECT_FALSE(Nuvex::LoadNvx(good.data(), 0));
    EXPECT_FALSE(Load(Bytes(good.begin(), good.begin() + 48))) << "exactly 48 bytes";

    auto changed = [&](size_t at, uint8_t value) {
        Bytes b = good;
        b[at] = value;
        return Load(b);
    };
    EXPECT_FALSE(changed(0, 0x88)) << "magic";
    EXPECT_FALSE(changed(4, 0xB9)) << "version";
    EXPECT_FALSE(changed(8, 0x01)) << "older build's header word";
    EXPECT_FALSE(changed(16, 0x31)) << "data offset";
    EXPECT_FALSE(changed(20, 0x00)) << "width 0";
    EXPECT_FALSE(changed(24, 0x00)) << "height 0";
    EXPECT_FALSE(changed(36, 0x21)) << "data size past the end";
    EXPECT_TRUE(changed(12, 0x7F)) << "offset 12 is not read";
    EXPECT_TRUE(changed(32, 0x00)) << "bytes per pixel is not read";
}

TEST(Nvx, RowBytesBelowWidthIsRefusedAndOtherRowBytesUseThePitchRule) {
    CURRENT_BUILD_ONLY("the older build's NVX header word is 1");
    Bytes b = GoldenNvx();
    gfxtest::PutLE32(b, 20, 40);   // width 40 > row bytes 32
    EXPECT_FALSE(Load(b));
    b = GoldenNvx();
    gfxtest::PutLE32(b, 28, 1000);
    auto bitmap = Load(b);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Pitch(), 8);
    EXPECT_EQ(bitmap->GetPixels()[0], 0xFF112233u);
}

TEST(Nvx, CompressionTwoGivesTransparentBlack) {
    CURRENT_BUILD_ONLY("the older build's NVX header word is 1");
    Bytes b = GoldenNvx();
    b[34] = 2;
    auto bitmap = Load(b);
    ASSERT_TRUE(bitmap);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(bitmap->GetPixels()[x], 0u);
}

TEST(Nvx, LongerRawPayloadIsCutAtTheBlock) {
    CURRENT_BUILD_ONLY("the older build's NVX header word is 1");
    Bytes b = GoldenNvx();
    for (int i = 0; i < 4096; ++i) b.push_back(0xEE);
    gfxtest::PutLE32(b, 36, uint32_t(b.size() - 48));
    auto bitmap = Load(b);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->GetPixels()[7], 0xFF112233u);
}

TEST(Nvx, ShorterRawPayloadLeavesTheRestZero) {
    CURRENT_BUILD_ONLY("the older build's NVX header word is 1");
    Bytes b = GoldenNvx();
    b.resize(48 + 8);
    gfxtest::PutLE32(b, 36, 8);
    auto bitmap = Load(b);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->GetPixels()[1], 0xFF112233u);
    EXPECT_EQ(bitmap->GetPixels()[2], 0u);
}

TEST(Nvx, CorruptZlibStreamIsRefused) {
    auto b = WithDistinctSpares();
    testsupport::TempFolder folder;
    const std::string path = folder.Join("packed.nvx");
    ASSERT_TRUE(b->SaveNvx(path.c_str(), 1));
    Bytes file = gfxtest::ReadFileBytes(path);
    file.resize(file.size() - 6);
    gfxtest::PutLE32(file, 36, uint32_t(file.size() - 48));
    EXPECT_FALSE(Load(file));
}

TEST(Nvx, OversizedHeadersFailCleanly) {
    // Sizes whose block would wrap 32-bit arithmetic or exceed 2 GiB.
    const uint32_t sizes[][2] = {{0x80000000u, 1},
                                 {1, 0x80000000u},
                                 {0xFFFFFFFFu, 0xFFFFFFFFu},
                                 {0x40000000u, 4},
                                 {65536, 65536},
                                 {0x10000001u, 16},
                                 {0x7FFFFFFFu, 0x40000000u},
                                 {0x7FFFFFFDu, 0x7FFFFFFCu}};
    for (const auto& s : sizes) {
        Bytes b = GoldenNvx();
        gfxtest::PutLE32(b, 20, s[0]);
        gfxtest::PutLE32(b, 24, s[1]);
        gfxtest::PutLE32(b, 28, 0xFFFFFFFFu);
        EXPECT_FALSE(Load(b)) << s[0] << " x " << s[1];
    }
}

TEST(Nvx, WriteToAFileOpenedForReadingFails) {
    testsupport::TempFolder folder;
    const std::string path = folder.Join("ro.nvx");
    ASSERT_TRUE(testsupport::WriteWholeFile(path, "x"));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    Bitmap b(2, 2, 1);
    EXPECT_FALSE(b.WriteNvx(h, 0));
    EXPECT_FALSE(b.WriteNvx(h, 1));
    CloseHandle(h);
    EXPECT_FALSE(b.SaveNvx(folder.Join("no\\such\\folder\\x.nvx").c_str(), 0));
}

TEST(Nvx, EveryTruncationFailsCleanly) {
    auto b = WithDistinctSpares();
    testsupport::TempFolder folder;
    for (uint8_t compression : {0, 1}) {
        const std::string path = folder.Join("cut.nvx");
        ASSERT_TRUE(b->SaveNvx(path.c_str(), compression));
        const Bytes file = gfxtest::ReadFileBytes(path);
        for (size_t n = 0; n < file.size(); ++n) {
            // An exact-size copy, so a read past the end would leave the block.
            std::unique_ptr<uint8_t[]> cut(new uint8_t[n + 1]);
            std::copy(file.begin(), file.begin() + n, cut.get());
            EXPECT_FALSE(Nuvex::LoadNvx(cut.get(), uint32_t(n)))
                << "compression " << int(compression) << " size " << n;
        }
    }
}
