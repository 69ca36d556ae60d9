// MD5 against RFC 1321's own vectors and files cut at the chunk and padding
// boundaries (digests of the generated contents worked out beforehand).
#include "update/support/Md5Digest.h"
#include "support/TestSupport.h"
#include "DbcsNames.h"

#include <gtest/gtest.h>
#include <cstring>

namespace {

std::string DigestOf(const std::string& bytes) {
    Md5Context context;
    Md5Digest::Init(&context);
    Md5Digest::Update(&context, bytes.data(), static_cast<uint32_t>(bytes.size()));
    unsigned char digest[16];
    Md5Digest::Final(digest, &context);
    return Md5Digest::ToHex(digest);
}

std::string Generated(size_t n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 131 + (i >> 8)) & 0xFF);
    return bytes;
}

}   // namespace

TEST(Md5Digest, RfcTestSuite) {
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", DigestOf(""));
    EXPECT_EQ("0cc175b9c0f1b6a831c399e269772661", DigestOf("a"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", DigestOf("abc"));
    EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", DigestOf("message digest"));
    EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", DigestOf("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ("d174ab98d277d9f5a5611c2c9f419d9f",
              DigestOf("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
    EXPECT_EQ(
        "57edf4a22be3c955ac49da2e2107b67a",
        DigestOf(
            "12345678901234567890123456789012345678901234567890123456789012345678901234567890"));
}

TEST(Md5Digest, UpdateInPiecesEqualsOneUpdateAndFinalClearsTheContext) {
    std::string bytes = Generated(1000);
    Md5Context context;
    Md5Digest::Init(&context);
    // Pieces that straddle the 64-byte buffer in every way.
    const uint32_t pieces[] = {1, 63, 64, 65, 0, 127, 200, 480};
    size_t at = 0;
    for (uint32_t n : pieces) {
        Md5Digest::Update(&context, bytes.data() + at, n);
        at += n;
    }
    ASSERT_EQ(bytes.size(), at);
    unsigned char digest[16];
    Md5Digest::Final(digest, &context);
    EXPECT_EQ(DigestOf(bytes), Md5Digest::ToHex(digest));
    Md5Context zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(0, std::memcmp(&zero, &context, sizeof zero));
}

TEST(Md5Digest, FilesAtChunkAndPaddingBoundaries) {
    struct Case {
        size_t size;
        const char* md5;
    } cases[] = {
        {0, "d41d8cd98f00b204e9800998ecf8427e"},       {1, "93b885adfe0da089cdf634904fd59f71"},
        {55, "94547360afd92a27850d16e32d14c445"},      {56, "d8b26c30e907ae405b581a02e8a976e1"},
        {63, "95ed95025fc61e86816e873b2a15614b"},      {64, "543faeacda37eef7bf1d36b5b1e602c3"},
        {65, "30b3b7bb110de0c3f8f5054f841bf029"},      {1023, "9226b17d0c98525ebf3a8bda27489280"},
        {1024, "ebe7cca68efa26474c726115db77e296"},    {1025, "8ea9b5d4700d15e9c31a82593eed9a65"},
        {4194311, "555964c85c38eeea5a370a3144793a00"},   // 4 MB and 7 bytes
    };
    testsupport::TempFolder folder;
    Md5Digest md5;
    for (const Case& c : cases) {
        std::string path = folder.Join("f" + std::to_string(c.size) + ".bin");
        ASSERT_TRUE(testsupport::WriteWholeFile(path, Generated(c.size)));
        std::string hex = md5.FileMd5Hex(path);
        EXPECT_EQ(c.md5, hex) << c.size << " bytes";
        for (char ch : hex) EXPECT_FALSE(ch >= 'A' && ch <= 'F');
    }
}

TEST(Md5Digest, MissingFileOrFolderGivesNoDigest) {
    testsupport::TempFolder folder;
    Md5Digest md5;
    EXPECT_EQ("", md5.FileMd5Hex(folder.Join("missing.bin")));
    EXPECT_EQ("", md5.FileMd5Hex(folder.Path()));
}

TEST(Md5Digest, DoubleBytePathIsOpened) {
    testsupport::TempFolder folder;
    ASSERT_DOUBLE_BYTE_NAMES_WORK(folder.Path());
    std::string path = folder.Join("\x9C\x5C.bin");   // 淺: trail byte 0x5C
    ASSERT_TRUE(testsupport::WriteWholeFile(path, "abc"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Md5Digest().FileMd5Hex(path));
}
