// Loading the panel's skin on the first start: from the pack, from the
// loose folder through a pack built on the spot, or not at all.
#include "SkinFixture.h"

#include "engine/resources/Pack.h"
#include "engine/resources/ResourceManager.h"
#include "engine/resources/ResourcePacks.h"
#include "host/FolderSnapshot.h"
#include "panel/PanelSkin.h"
#include "panel/SkinStyles.h"

#include <algorithm>
#include <memory>

namespace {

const char kCancelStyle[] = "Default.btncancel";

struct PackRelease {
    void operator()(IPack* pack) const { pack->Release(); }
};

// What the pack holds under `entry`, read with `password`; "" when it can't
// be read.
std::string PackEntry(const std::string& pack, const char* password, const std::string& entry) {
    std::unique_ptr<IPack, PackRelease> reader(CreateZipPack());
    if (!reader || !reader->Open(pack.c_str(), password, IPack::ModeRead)) return "";
    std::string bytes(reader->GetSize(entry.c_str()), '\0');
    if (bytes.empty() ||
        reader->Read(entry.c_str(), &bytes[0], uint32_t(bytes.size())) != bytes.size())
        return "";
    return bytes;
}

// The loose skin folder of this build (Skins\Fetchpane, or Res\Fetchpane in
// the older build): the list's folder.
std::string LooseFolder() {
    const std::string list = PanelSkin::kListPath;
    return list.substr(0, list.rfind('\\'));
}

// The skin's first load as a window start sees it: the older build queues
// the resources, and its window start loads them one at a time.
int LoadSkin() {
    const int loaded = PanelSkin::Load();
#if FP_OLDER_BUILD
    while (ResourceManager::Instance()->LoadNextQueued() > 0) {
    }
#endif
    return loaded;
}

const char* TexturePath(const char* name) {
    ResourceRecord* record = ResourceManager::Instance()->Lookup(RESOURCE_TEXTURE, name);
    return record ? record->path : "";
}

}   // namespace

TEST_F(SkinTest, OnlyTheLooseFolderBuildsThePackAndTheSkinComesFromIt) {
    ASSERT_TRUE(Install());
    ASSERT_EQ(1, LoadSkin());

    // The pack holds the list and every file of the loose folder, readable
    // only with the password.
    const std::string pack = Root(PanelSkin::kPackPath);
    const panelhost::FolderSnapshot files = panelhost::TakeSnapshot(Root(LooseFolder()));
    EXPECT_EQ(14u, files.size());
    for (const auto& file : files) {
        std::string loose, entry = file.first;
        std::replace(entry.begin(), entry.end(), '\\', '/');
        ASSERT_TRUE(testsupport::ReadWholeFile(Root(LooseFolder() + "\\" + file.first), &loose));
        EXPECT_EQ(loose, PackEntry(pack, PanelSkin::kPassword, entry)) << entry;
    }
    EXPECT_EQ("", PackEntry(pack, nullptr, "Index.xml"));

    // Read back from the pack: the list came from memory, so its files are
    // named as written, not under the loose folder.
    EXPECT_STREQ("fp_skin/download.png", TexturePath(skin::kListTexture));
    EXPECT_NE(nullptr, Nuvex::GetAnimation(kCancelStyle));
    EXPECT_EQ(1, Nuvex::AttachedPackCount());
    EXPECT_EQ(1, LoadSkin());
}

// The once flag is set before the outcome is known and cleared only when
// the engine stops: the next start loads the skin into its new manager.
TEST_F(SkinTest, WithNeitherPackNorListTheFirstStartFailsUntilTheEngineStartsAgain) {
    EXPECT_EQ(0, LoadSkin());
    EXPECT_EQ(1u, log.Count("Loading resources configuration " + Root(PanelSkin::kListPath) +
                            " failure!"));
    EXPECT_FALSE(testsupport::FileExists(Root(PanelSkin::kPackPath)));

    ASSERT_TRUE(Install());
    log.Clear();
    EXPECT_EQ(1, LoadSkin());
    EXPECT_EQ(nullptr, Nuvex::GetAnimation(kCancelStyle));
    EXPECT_FALSE(testsupport::FileExists(Root(PanelSkin::kPackPath)));
    EXPECT_TRUE(log.Lines().empty());

    EXPECT_EQ(1, PanelModelExit());
    ASSERT_EQ(1, PanelModelInit());
    ASSERT_EQ(1, Nuvex::SetWorkPath(temp.Path().c_str()));
    EXPECT_EQ(1, LoadSkin());
    EXPECT_NE(nullptr, Nuvex::GetAnimation(kCancelStyle));
}

TEST_F(SkinTest, APresentPackWinsOverABrokenLooseFolder) {
    ASSERT_TRUE(Install());
    ASSERT_EQ(1, Nuvex::BuildPack(Root(PanelSkin::kPackPath).c_str(), PanelSkin::kPassword,
                                  Root(PanelSkin::kListPath).c_str()));
    ASSERT_TRUE(
        testsupport::WriteWholeFile(Root(PanelSkin::kListPath), "<resources name=\"Default\""));
    ASSERT_TRUE(testsupport::RemoveTree(Root(LooseFolder() + "\\fp_skin")));

    EXPECT_EQ(1, LoadSkin());
    EXPECT_NE(nullptr, Nuvex::GetAnimation(kCancelStyle));
    EXPECT_NE(nullptr, Nuvex::GetAnimation(skin::kBodyStyle));
    EXPECT_FALSE(log.Contains("Can't load resource list!"));
}

TEST_F(SkinTest, APackUnderAnotherPasswordFailsTheStart) {
    ASSERT_TRUE(Install());
    ASSERT_EQ(1, Nuvex::BuildPack(Root(PanelSkin::kPackPath).c_str(), "anotherpassword",
                                  Root(PanelSkin::kListPath).c_str()));
    EXPECT_EQ(0, LoadSkin());
    EXPECT_EQ(1u,
              log.Count(std::string("Loading resources ") + PanelSkin::kPackPath + " failure!"));
    EXPECT_EQ(nullptr, Nuvex::GetAnimation(kCancelStyle));
}
