// A skin's images, hostile: mutants of the skin's own PNG files and of one
// of them saved in every other format the engine reads, each handed to
// every decoder.
#include "HostileFeed.h"

#include "engine/core/BuildVariant.h"
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/ImageCodecs.h"
#include "host/SkinInstall.h"
#include "support/HostileImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Decoder = Bitmap* (*)(const void*, uint32_t);
const Decoder kDecoders[] = {Nuvex::LoadPng, Nuvex::LoadJpeg, Nuvex::LoadBmp, Nuvex::LoadTga,
                             Nuvex::LoadNvx};

std::vector<std::string> ImageSamples() {
    const std::string skin = skininstall::DefaultSource() + "\\fp_skin\\";
    std::vector<std::string> samples;
    for (const char* name : {"download.png", "frame.png", "buttons.png", "progress.png"})
        samples.push_back(hostile::FileBytes(skin + name));
    const std::string& png = samples[0];
    std::unique_ptr<Bitmap> image(Nuvex::LoadPng(png.data(), uint32_t(png.size())));
    if (!image) return samples;
    testsupport::TempFolder folder;
    const std::string path = folder.Join("image");
    for (bool (Bitmap::*save)(const char*) const :
         {&Bitmap::SaveBmp, &Bitmap::SaveTga, &Bitmap::SaveJpeg})
        if (((*image).*save)(path.c_str())) samples.push_back(hostile::FileBytes(path));
    for (uint8_t compression : {0, 1})
        if (image->SaveNvx(path.c_str(), compression)) samples.push_back(hostile::FileBytes(path));
    return samples;
}

std::vector<hostile::HandMade> HandMadeImages() {
    using namespace testsupport;
    const uint32_t word = BuildVariant::kNvxHeaderWord;
    return {
        {"empty", ""},
        {"a PNG claiming 20000 x 20000", PngClaiming(20000, 20000)},
        {"a PNG claiming 65535 x 1 with junk behind", PngClaiming(65535, 1, 4096)},
        {"a JPEG claiming 12000 x 12000", JpegClaiming(12000, 12000, 64, false)},
        {"a progressive JPEG claiming 12000 x 12000", JpegClaiming(12000, 12000, 64, true, 4096)},
        {"an NVX claiming 20000 x 20000, packed", NvxClaiming(20000, 20000, 1, word)},
        {"an NVX claiming 20000 x 20000, raw", NvxClaiming(20000, 20000, 0, word)},
        {"a BMP claiming 20000 x -20000", BmpClaiming(20000, -20000)},
        {"a BMP of the most negative height", BmpClaiming(1, INT32_MIN)},
        {"a run-length TGA claiming 65535 x 65535", TgaClaiming(65535, 65535, 10)}};
}

}   // namespace

// Every decoder gets every input in a heap block of its exact size, so a
// read past the end meets foreign memory; what decodes is read pixel by
// pixel, so a wrong size shows up here.
TEST(HostileImageInputs, Images) {
    ASSERT_TRUE(testsupport::EnsurePools());
    const hostile::Target decode = [](const std::string& bytes) {
        std::unique_ptr<char[]> exact(new char[bytes.size() + 1]);
        std::copy(bytes.begin(), bytes.end(), exact.get());
        bool decoded = false;
        for (Decoder decoder : kDecoders) {
            std::unique_ptr<Bitmap> image(decoder(exact.get(), uint32_t(bytes.size())));
            if (!image) continue;
            decoded = true;
            if (image->Width() <= 0 || image->Height() <= 0)
                throw hostile::Fault{"an image without pixels"};
            if (image->PixelBytes() > (16u << 20)) continue;
            volatile uint32_t sum = 0;
            for (int y = 0; y < image->Height(); ++y)
                for (int x = 0; x < image->Width(); ++x) sum = sum + image->Row(y)[x];
        }
        return decoded;
    };
    hostile::InputKind kind{
        "images",
        35008,
        3000,
        ImageSamples(),
        {"\x89PNG\r\n\x1a\n", "IHDR", "IDAT", "IEND", "PLTE", "tRNS", "\xFF\xD8", "\xFF\xC0",
         "\xFF\xC2", "\xFF\xC4", "\xFF\xDA", "\xFF\xD9", "\xFF\xDD", "BM", std::string(4, '\0')},
        HandMadeImages()};
    kind.maxBytes = 64 * 1024;   // deflate's limit keeps what such data can fill under the bound
    kind.fixUp = [](std::string& png) {
        if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0)
            testsupport::FixPngCrcs(reinterpret_cast<uint8_t*>(&png[0]), png.size());
    };
    Feed(kind, decode);
}
