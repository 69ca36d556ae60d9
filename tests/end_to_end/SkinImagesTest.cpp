// A skin image whose header claims far more pixels than its data holds: the
// panel's Create costs the host's process hardly more than with the good
// skin.
#include "end_to_end/PanelHost.h"
#include "end_to_end/SampleGames.h"

#include "host/CommittedMemory.h"
#include "host/SkinInstall.h"
#include "support/HostileImages.h"

#include <cstdio>

using namespace e2e;

namespace {

const int64_t kMegabyte = 1 << 20;

// The list's texture: the texture loader picks the decoder by the file's
// first bytes, whatever its name says.
std::string ListImage(const std::string& root) {
    return root +
           (skininstall::kBuildSkinRoot == skininstall::SkinRoot::Current ? "\\Skins" : "\\Res") +
           "\\Fetchpane\\fp_skin\\download.png";
}

}   // namespace

class SkinImages : public PanelHost {
protected:
    // A fresh module over a fresh root with older installs and the skin,
    // its list image replaced by `image` unless that is empty: the memory
    // committed over Create (and the frames drawn next, when the older
    // build loads the skin); the panel is left open.
    int64_t OpenWithListImage(const testsupport::TempFolder& root, const std::string& image) {
        EXPECT_TRUE(skininstall::CopyTree(SampleGames() + "\\root", root.Path()));
        EXPECT_TRUE(skininstall::Install(root.Path()));
        if (!image.empty()) {
            EXPECT_TRUE(testsupport::WriteWholeFile(ListImage(root.Path()), image));
        }
        LoadModule();
        testsupport::PumpFor(100);
        const int64_t before = int64_t(panelhost::CommittedBytes());
        panel_ = module_.CreateInterface();
        window_ = panel_
                      ? Slots()->Create(panel_, "Fetchpane", host_.Handle(), 0, root.Path().c_str())
                      : nullptr;
        EXPECT_NE(nullptr, window_);
        if (window_) Slots()->Show(panel_, 1);
        testsupport::PumpFor(300);
        return int64_t(panelhost::CommittedBytes()) - before;
    }

    void CloseAndUnload() {
        ReleasePanel();
        UnloadModule();
    }
};

// A header's claim is weighed against the data behind it before anything
// is committed for it, and what a refused image's decode grew is given back:
// Create with such an image costs less than 64 MB over the good skin (with
// the decoders' old scratch area, 20000 x 20000 PNG rows alone were 1.5 GB).
// A skin that can't be loaded starts no frame: the panel lists nothing, says
// so by its add slot's 0 and asks no server, and goes as usual.
TEST_F(SkinImages, AHeaderClaimingHugeSizesCostsCreateLittleOverTheGoodSkin) {
    const uint32_t word = FP_OLDER_BUILD ? 1 : 16;
    const struct {
        const char* name;
        std::string image;
    } images[] = {
        {"PNG 12000 x 12000", testsupport::PngClaiming(12000, 12000)},
        {"PNG 20000 x 20000", testsupport::PngClaiming(20000, 20000)},
        {"JPEG 12000 x 12000, 16 bytes of data",
         testsupport::JpegClaiming(12000, 12000, 16, false)},
        {"progressive JPEG 12000 x 12000", testsupport::JpegClaiming(12000, 12000, 16, true)},
        {"NVX 20000 x 20000, zlib", testsupport::NvxClaiming(20000, 20000, 1, word)},
        {"NVX 20000 x 20000, raw", testsupport::NvxClaiming(20000, 20000, 0, word)},
        {"NVX 20000 x 20000, no pixel data", testsupport::NvxClaiming(20000, 20000, 2, word)},
        {"BMP 20000 x 20000", testsupport::BmpClaiming(20000, 20000)},
        {"TGA 65535 x 65535", testsupport::TgaClaiming(0xFFFF, 0xFFFF, 2)},
    };
    UnloadModule();
    int64_t good = 0;
    {
        testsupport::TempFolder root;
        good = OpenWithListImage(root, "");
        ASSERT_EQ(1,
                  Slots()->AddUpdateTask(panel_, GamesUrl().c_str(), "Starfall", PANEL_KIND_GAME));
        ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FINISHED, 60000)) << host_.Lines();
        ExpectInstalled(root.Path(), "Starfall");
        CloseAndUnload();
    }
    std::printf("Create with the good skin commits %.1f MB\n", double(good) / kMegabyte);
    for (const auto& image : images) {
        SCOPED_TRACE(image.name);
        testsupport::TempFolder root;
        host_.Clear();
        const int64_t cost = OpenWithListImage(root, image.image);
        std::printf("%s (%u bytes): %+.1f MB over the good skin\n", image.name,
                    unsigned(image.image.size()), double(cost - good) / kMegabyte);
        EXPECT_LT(cost - good, 64 * kMegabyte);
        if (window_) {
            EXPECT_EQ(
                0, Slots()->AddUpdateTask(panel_, GamesUrl().c_str(), "Moonfall", PANEL_KIND_GAME));
            testsupport::PumpFor(200);
            ExpectNotifications("(no notifications)\n");
        }
        CloseAndUnload();
    }
    EXPECT_TRUE(
        servers::LogLines("FETCHPANE_HTTP_LOG", served_.Name() + "/Update/Games/Moonfall").empty());
    LoadModule();   // as the fixture's tear-down expects it
}
