// What a decode may commit: no more than its file's data can fill, weighed
// before any pixels are made, and no scratch area of more than a few MB kept
// once it is done.
#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "engine/core/BuildVariant.h"
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/DecoderSupport.h"
#include "engine/graphics/ImageCodecs.h"
#include "host/CommittedMemory.h"
#include "support/HostileImages.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

using gfxtest::Bytes;

namespace {

using Decoder = Bitmap* (*)(const void*, uint32_t);

const int64_t kMegabyte = 1 << 20;

std::unique_ptr<Bitmap> Decode(Decoder decoder, const std::string& file) {
    return std::unique_ptr<Bitmap>(decoder(file.data(), uint32_t(file.size())));
}

std::unique_ptr<Bitmap> Decode(Decoder decoder, const Bytes& file) {
    return std::unique_ptr<Bitmap>(decoder(file.data(), uint32_t(file.size())));
}

int64_t Committed() { return int64_t(panelhost::CommittedBytes()); }
int64_t Peak() { return int64_t(panelhost::PeakPagefileBytes()); }

// A progressive grey 64 x 64 image: its DC scan, then `acScans` scans of its
// AC coefficients, each coding every block's end in one bit.
std::string ProgressiveWithScans(int acScans) {
    std::string file = testsupport::JpegClaiming(64, 64, 8, true);
    file.resize(file.size() - 2);   // the end of image
    for (int i = 0; i < acScans; ++i) {
        // Component 1, tables 0, coefficients 1 to 63, no approximation.
        file += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x01\x3F\x00", 10);
        file += std::string(8, '\0');
    }
    return file + "\xFF\xD9";
}

// The frame's marker changed to another coding process.
std::string WithFrameMarker(std::string jpeg, uint8_t marker) {
    const size_t at = jpeg.find("\xFF\xC0");
    if (at != std::string::npos) jpeg[at + 1] = char(marker);
    return jpeg;
}

}   // namespace

// Headers that claim far more than their data holds, per format, each with
// the data cut where a decoder would otherwise commit for the claim: every
// one is refused, nothing near the claim is filled on the way (the process's
// peak stays within a few MB) and nothing is kept committed after it.
TEST(DecoderMemory, HeadersClaimingMoreThanTheirDataAreRefusedWithLittleCommitted) {
    const uint32_t word = BuildVariant::kNvxHeaderWord;
    const struct {
        const char* name;
        Decoder decoder;
        std::string file;
    } files[] = {
        {"PNG 12000 x 12000", Nuvex::LoadPng, testsupport::PngClaiming(12000, 12000)},
        {"PNG 20000 x 20000", Nuvex::LoadPng, testsupport::PngClaiming(20000, 20000)},
        // Enough junk behind the stream to pass the weighing: the rows stop
        // where the stream ends, inside the first one.
        {"PNG 4000 x 4000, 70 KB of junk IDAT", Nuvex::LoadPng,
         testsupport::PngClaiming(4000, 4000, 70000)},
        {"JPEG 12000 x 12000, 16 bytes of data", Nuvex::LoadJpeg,
         testsupport::JpegClaiming(12000, 12000, 16, false)},
        {"progressive JPEG 12000 x 12000", Nuvex::LoadJpeg,
         testsupport::JpegClaiming(12000, 12000, 16, true)},
        // Comments are no data for a scan.
        {"JPEG 12000 x 12000 behind 300 KB of comments", Nuvex::LoadJpeg,
         testsupport::JpegClaiming(12000, 12000, 16, false, 300000)},
        {"progressive JPEG 12000 x 12000 behind 300 KB of comments", Nuvex::LoadJpeg,
         testsupport::JpegClaiming(12000, 12000, 16, true, 300000)},
        {"arithmetic-coded JPEG 12000 x 12000", Nuvex::LoadJpeg,
         WithFrameMarker(testsupport::JpegClaiming(12000, 12000, 64, false), 0xC9)},
        {"NVX 20000 x 20000, zlib", Nuvex::LoadNvx,
         testsupport::NvxClaiming(20000, 20000, 1, word)},
        {"NVX 20000 x 20000, raw", Nuvex::LoadNvx, testsupport::NvxClaiming(20000, 20000, 0, word)},
        {"NVX 20000 x 20000, no pixel data", Nuvex::LoadNvx,
         testsupport::NvxClaiming(20000, 20000, 2, word)},
        {"BMP 20000 x 20000", Nuvex::LoadBmp, testsupport::BmpClaiming(20000, 20000)},
        {"TGA 65535 x 65535", Nuvex::LoadTga, testsupport::TgaClaiming(0xFFFF, 0xFFFF, 2)},
        {"run-length TGA 65535 x 65535", Nuvex::LoadTga,
         testsupport::TgaClaiming(0xFFFF, 0xFFFF, 10)},
    };
    // Each library's first use sets up what it keeps for the process.
    const std::unique_ptr<Bitmap> small = gfxtest::MakePatterned(16, 16, 3);
    testsupport::TempFolder folder;
    for (bool (Bitmap::*save)(const char*) const : {&Bitmap::SavePng, &Bitmap::SaveJpeg}) {
        const std::string path = folder.Join("small");
        ASSERT_TRUE(((*small).*save)(path.c_str()));
        const Bytes file = gfxtest::ReadFileBytes(path);
        ASSERT_TRUE(Decode(file[0] == 0x89 ? Nuvex::LoadPng : Nuvex::LoadJpeg, file));
    }
    std::printf("Each decode's peak commit and what it keeps:\n");
    const int64_t peakBefore = Peak();
    ASSERT_GT(peakBefore, 0);
    const int64_t before = Committed();
    for (const auto& file : files) {
        EXPECT_FALSE(Decode(file.decoder, file.file)) << file.name;
        std::printf("  %s (%u bytes): peak +%.1f MB, kept %+.1f MB\n", file.name,
                    unsigned(file.file.size()), double(Peak() - peakBefore) / kMegabyte,
                    double(Committed() - before) / kMegabyte);
        EXPECT_LT(Peak() - peakBefore, 8 * kMegabyte) << file.name;
        EXPECT_LT(Committed() - before, 2 * kMegabyte) << file.name;
    }
}

// Large images that are what they claim still decode exactly, one of them
// with its rows packed at deflate's limit, and once each is decoded and
// dropped the decoders keep no scratch area beyond a few MB.
TEST(DecoderMemory, LargeValidImagesDecodeAndLeaveNoLargeScratchArea) {
    testsupport::TempFolder folder;
    // 2048 x 2048 transparent black: its 16 MB of rows inflate from 16 KB.
    const Bitmap zero(2048, 2048, 0);
    const std::string zeroPath = folder.Join("zero.png");
    ASSERT_TRUE(zero.SavePng(zeroPath.c_str()));
    const std::unique_ptr<Bitmap> patterned = gfxtest::MakePatterned(1500, 1100, 7);
    const std::string patternedPath = folder.Join("patterned.png");
    ASSERT_TRUE(patterned->SavePng(patternedPath.c_str()));
    const Bytes zeroPng = gfxtest::ReadFileBytes(zeroPath);
    const Bytes patternedPng = gfxtest::ReadFileBytes(patternedPath);
    // 2000 x 2000 flat grey, every block coded in full.
    const std::string grey = testsupport::JpegClaiming(2000, 2000, 2000 / 8 * 2000 / 8 / 4, false);
    Bytes samples(size_t(1600) * 1200 * 3);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t(i * 7 / 3);
    const Bytes progressive = gfxtest::MakeJpeg(1600, 1200, 3, samples, 90, true);

    const int64_t before = Committed();
    {
        auto b = Decode(Nuvex::LoadPng, zeroPng);
        ASSERT_TRUE(b);
        EXPECT_TRUE(gfxtest::SameImage(zero, *b));
    }
    {
        auto b = Decode(Nuvex::LoadPng, patternedPng);
        ASSERT_TRUE(b);
        EXPECT_TRUE(gfxtest::SameImage(*patterned, *b));
    }
    {
        auto b = Decode(Nuvex::LoadJpeg, grey);
        ASSERT_TRUE(b);
        ASSERT_EQ(2000, b->Width());
        ASSERT_EQ(2000, b->Height());
        for (int y = 0; y < 2000; ++y)
            for (int x = 0; x < 2000; ++x) ASSERT_EQ(0xFF808080u, gfxtest::At(*b, x, y));
    }
    {
        auto b = Decode(Nuvex::LoadJpeg, progressive);
        ASSERT_TRUE(b);
        EXPECT_EQ(1600, b->Width());
        EXPECT_EQ(1200, b->Height());
    }
    const int64_t kept = Committed() - before;
    std::printf("kept after the decodes: %.1f MB\n", double(kept) / kMegabyte);
    EXPECT_LT(kept, int64_t(DecoderSupport::kKeptScratchBytes) + kMegabyte);
}

// A JPEG cut short is completed by the library, and still decodes where the
// data made most of the image; where the library would make most of it up,
// it is refused, however many bytes the data that is there holds.
TEST(DecoderMemory, AJpegCutShortDecodesOnlyWhereItsDataMadeMostOfTheImage) {
    // Noise: every block costs many bytes, so even a tenth of the file holds
    // far more than the weighing of its scans asks for.
    Bytes samples(size_t(1600) * 1200 * 3);
    uint32_t seed = 1;
    for (uint8_t& sample : samples) sample = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const Bytes jpeg = gfxtest::MakeJpeg(1600, 1200, 3, samples, 90, progressive);
        auto b = Decode(Nuvex::LoadJpeg, Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3));
        ASSERT_TRUE(b) << "the library completes it";
        EXPECT_EQ(1600, b->Width());
        EXPECT_EQ(1200, b->Height());
    }
    const Bytes baseline = gfxtest::MakeJpeg(1600, 1200, 3, samples, 90, false);
    EXPECT_FALSE(
        Decode(Nuvex::LoadJpeg, Bytes(baseline.begin(), baseline.begin() + baseline.size() / 10)));
    // A progressive file read whole before its first row: cut inside its
    // first scan, which gives every block its DC.
    const Bytes progressive = gfxtest::MakeJpeg(1600, 1200, 3, samples, 90, true);
    const Bytes scan = {0xFF, 0xDA};
    const auto first = std::search(progressive.begin(), progressive.end(), scan.begin(),
                                   scan.end());
    const auto second = std::search(first + 2, progressive.end(), scan.begin(), scan.end());
    ASSERT_NE(progressive.end(), second);
    EXPECT_FALSE(Decode(Nuvex::LoadJpeg, Bytes(progressive.begin(), first + (second - first) / 4)));
    EXPECT_TRUE(Decode(Nuvex::LoadJpeg, Bytes(progressive.begin(), second)));
}

// The scans must hold a bit for each block the frame claims; a progressive
// file within the scan bound decodes, one with more scans than any encoder
// writes (each a walk over the whole image) is refused, and so is arithmetic
// coding, which can fill a frame from next to no data.
TEST(DecoderMemory, JpegScansBoundWhatAFileMayClaim) {
    // 2000 x 2000 flat grey needs 62500 blocks' DC codes: 7812 bytes of them
    // are too few, 7813 enough.
    EXPECT_FALSE(Decode(Nuvex::LoadJpeg, testsupport::JpegClaiming(2000, 2000, 7812, true)));
    EXPECT_TRUE(Decode(Nuvex::LoadJpeg, testsupport::JpegClaiming(2000, 2000, 7813, true)));
    EXPECT_TRUE(Decode(Nuvex::LoadJpeg, ProgressiveWithScans(12)));
    EXPECT_FALSE(Decode(Nuvex::LoadJpeg, ProgressiveWithScans(100)));
    EXPECT_TRUE(Decode(Nuvex::LoadJpeg, testsupport::JpegClaiming(64, 64, 16, false)));
    EXPECT_FALSE(Decode(Nuvex::LoadJpeg,
                        WithFrameMarker(testsupport::JpegClaiming(64, 64, 16, false), 0xC9)))
        << "arithmetic coding, which the baseline and progressive readers never took";
}
