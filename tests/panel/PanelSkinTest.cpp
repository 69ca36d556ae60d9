// Loading the panel's skin on the first start: from the pack, from the
// loose folder through a pack built on the spot, or not at all.
#include "SkinFixture.h"

#include "engine/resources/ResourceManager.h"
#include "engine/resources/ResourcePacks.h"
#include "panel/PanelSkin.h"
#include "panel/SkinStyles.h"

#include <minizip/unzip.h>

#include <set>

namespace {

const char kCancelStyle[] = "Default.btncancel";

// Name -> whether enciphered, for every entry of a zip.
std::map<std::string, bool> ZipEntries(const std::string& path) {
    std::map<std::string, bool> entries;
    unzFile zip = unzOpen(path.c_str());
    if (!zip) return entries;
    for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
        unz_file_info info;
        char name[261] = {};
        unzGetCurrentFileInfo(zip, &info, name, 260, nullptr, 0, nullptr, 0);
        entries[name] = (info.flag & 1) != 0;
    }
    unzClose(zip);
    return entries;
}

const char* TexturePath(const char* name) {
    ResourceRecord* record = ResourceManager::Instance()->Lookup(RESOURCE_TEXTURE, name);
    return record ? record->path : "";
}

}   // namespace

TEST_F(SkinTest, OnlyTheLooseFolderBuildsThePackAndTheSkinComesFromIt) {
    ASSERT_TRUE(Install());
    ASSERT_EQ(1, PanelSkin::Load());

    // The pack holds the list and every file it names, all enciphered.
    std::map<std::string, bool> entries = ZipEntries(Root(PanelSkin::kPackPath));
    std::set<std::string> names;
    for (const auto& entry : entries) {
        names.insert(entry.first);
        EXPECT_TRUE(entry.second) << entry.first;
    }
    std::set<std::string> expected = {"Index.xml"};
    for (const char* file :
         {"download.png", "frame.png", "buttons.png", "progress.png", "BodyStyle.xml",
          "TitleBarStyle.xml", "btncancel.xml", "btnallcancel.xml", "btnmin.xml", "btnclose.xml",
          "ProcessBarBg.xml", "ProcessBar.xml", "ProcessBarGreen.xml"})
        expected.insert(std::string("fp_skin/") + file);
    EXPECT_EQ(expected, names);

    // Read back from the pack: the list came from memory, so its files are
    // named as written, not under the loose folder.
    EXPECT_STREQ("fp_skin/download.png", TexturePath(skin::kListTexture));
    EXPECT_NE(nullptr, Nuvex::GetAnimation(kCancelStyle));
    EXPECT_EQ(1, Nuvex::AttachedPackCount());
    EXPECT_EQ(1, PanelSkin::Load());
}

// The once flag is set before the outcome is known and never cleared.
TEST_F(SkinTest, WithNeitherPackNorListTheFirstStartFailsForTheProcess) {
    EXPECT_EQ(0, PanelSkin::Load());
    EXPECT_EQ(1u, log.Count("Loading resources configuration " + Root(PanelSkin::kListPath) +
                            " failure!"));
    EXPECT_FALSE(testsupport::FileExists(Root(PanelSkin::kPackPath)));

    ASSERT_TRUE(Install());
    log.Clear();
    EXPECT_EQ(1, PanelSkin::Load());
    EXPECT_EQ(nullptr, Nuvex::GetAnimation(kCancelStyle));
    EXPECT_FALSE(testsupport::FileExists(Root(PanelSkin::kPackPath)));
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(SkinTest, APresentPackWinsOverABrokenLooseFolder) {
    ASSERT_TRUE(Install());
    ASSERT_EQ(1, Nuvex::BuildPack(Root(PanelSkin::kPackPath).c_str(), PanelSkin::kPassword,
                                  Root(PanelSkin::kListPath).c_str()));
    ASSERT_TRUE(
        testsupport::WriteWholeFile(Root(PanelSkin::kListPath), "<resources name=\"Default\""));
    ASSERT_TRUE(testsupport::RemoveTree(Root("Skins\\Fetchpane\\fp_skin")));

    EXPECT_EQ(1, PanelSkin::Load());
    EXPECT_NE(nullptr, Nuvex::GetAnimation(kCancelStyle));
    EXPECT_NE(nullptr, Nuvex::GetAnimation(skin::kBodyStyle));
    EXPECT_FALSE(log.Contains("Can't load resource list!"));
}

TEST_F(SkinTest, APackUnderAnotherPasswordFailsTheStart) {
    ASSERT_TRUE(Install());
    ASSERT_EQ(1, Nuvex::BuildPack(Root(PanelSkin::kPackPath).c_str(), "anotherpassword",
                                  Root(PanelSkin::kListPath).c_str()));
    EXPECT_EQ(0, PanelSkin::Load());
    EXPECT_EQ(1u, log.Count("Loading resources Skins\\Fetchpane.skin failure!"));
    EXPECT_EQ(nullptr, Nuvex::GetAnimation(kCancelStyle));
}
