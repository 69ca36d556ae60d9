#include "ManagerFixture.h"

#include "engine/core/WorkPath.h"

#include "engine/resources/Pack.h"
#include "engine/resources/ResourcePacks.h"

#include <minizip/unzip.h>

#include <map>

using managertest::ManagerTest;
using managertest::TinyTga;

namespace {

const char kPassword[] = "quorvelintaspek";

const char kList[] =
    "<resources name=\"Default\">\n"
    "  <texture resname=\"body\" filename=\"img/body.tga\"/>\n"
    "  <texture resname=\"body2\" filename=\"img/body.tga\"/>\n"
    "  <texture resname=\"btn\" filename=\"img\\btn.tga\"/>\n"
    "  <animation resname=\"dl\" filename=\"ani\\dl.xml\"/>\n"
    "  <resource resname=\"raw\" filename=\"data.bin\"/>\n"
    "  <resource resname=\"nameless\" filename=\"\"/>\n"
    "  <packet filename=\"Skins\\Other.skin\"/>\n"
    "  <effect resname=\"missing\" filename=\"snd\\missing.wav\"/>\n"
    "</resources>\n"
    "<resources><resource resname=\"g\" filename=\"g.bin\"/></resources>\n";

struct StoredEntry {
    uint32_t flag;
    uint32_t method;
};

// Every entry of a zip as stored (name exactly as written), through minizip.
std::map<std::string, StoredEntry> ListZip(const std::string& path) {
    std::map<std::string, StoredEntry> entries;
    unzFile zip = unzOpen(path.c_str());
    if (!zip) return entries;
    for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
        unz_file_info info;
        char name[261] = {};
        unzGetCurrentFileInfo(zip, &info, name, 260, nullptr, 0, nullptr, 0);
        entries[name] = StoredEntry{uint32_t(info.flag), uint32_t(info.compression_method)};
    }
    unzClose(zip);
    return entries;
}

}   // namespace

class BuildPackTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        body = TinyTga(2, 2, 0xFF112233);
        btn = TinyTga(3, 1, 0xFF445566);
        anim =
            "<animation size=\"2,2\"><aniframe texture=\"Default.body\" "
            "rectangle=\"0,0,2,2\"/></animation>";
        listPath = Write("Skin\\Index.xml", kList);
        Write("Skin\\img\\body.tga", body);
        Write("Skin\\img\\btn.tga", btn);
        Write("Skin\\ani\\dl.xml", anim);
        Write("Skin\\data.bin", "raw data");
        Write("Skin\\g.bin", "global");
        CreateDirectoryA(temp.Join("Skins").c_str(), nullptr);
        packPath = temp.Join("Skins\\Fetchpane.skin");
    }
    bool NothingAtPack() const {
        return !testsupport::FileExists(packPath) && !testsupport::FileExists(packPath + ".tmp");
    }
    std::string body, btn, anim, listPath, packPath;
};

TEST_F(BuildPackTest, PacksTheListAndEveryNamedFileOnce) {
    ASSERT_EQ(1, Nuvex::BuildPack(packPath.c_str(), kPassword, listPath.c_str()));
    EXPECT_FALSE(testsupport::FileExists(packPath + ".tmp"));
    EXPECT_EQ(1u, log.Count("XML Loading resinfo error![FileName == NULL]"));

    std::map<std::string, StoredEntry> entries = ListZip(packPath);
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.first);
        EXPECT_EQ(1u, entry.second.flag & 1) << entry.first << " is enciphered";
        EXPECT_EQ(8u, entry.second.method) << entry.first << " is deflated";
    }
    EXPECT_EQ((std::vector<std::string>{"Index.xml", "ani\\dl.xml", "data.bin", "g.bin",
                                        "img/body.tga", "img\\btn.tga"}),
              names);

    // Read back through the pack object with the password.
    IPack* pack = CreateZipPack();
    ASSERT_NE(nullptr, pack);
    ASSERT_TRUE(pack->Open(packPath.c_str(), kPassword, IPack::ModeRead));
    const std::pair<const char*, std::string> expected[] = {
        {"Index.xml", kList}, {"IMG\\BODY.TGA", body},  {"img/btn.tga", btn},
        {"ani/dl.xml", anim}, {"data.bin", "raw data"}, {"g.bin", "global"}};
    for (const auto& e : expected) {
        std::string got(e.second.size() + 16, '\0');
        uint32_t n = pack->Read(e.first, &got[0], uint32_t(got.size()));
        EXPECT_EQ(e.second, got.substr(0, n)) << e.first;
    }
    pack->Close();
    pack->Release();
}

// Leaves a built pack and what each entry must hold where the zipfile check
// of tests/fixtures asks (FP_BUILDPACK_CHECK_DIR), so a writer other than
// ours proves the format; without that folder it only builds the pack.
TEST_F(BuildPackTest, WritesBuiltPackForIndependentCheck) {
    ASSERT_EQ(1, Nuvex::BuildPack(packPath.c_str(), kPassword, listPath.c_str()));
    const std::string out = testsupport::EnvVar("FP_BUILDPACK_CHECK_DIR");
    if (out.empty()) return;
    ASSERT_TRUE(CopyFileA(packPath.c_str(), (out + "\\built.skin").c_str(), FALSE));
    const std::pair<const char*, std::string> expected[] = {
        {"Index.xml", kList},  {"img/body.tga", body},   {"img\\btn.tga", btn},
        {"ani\\dl.xml", anim}, {"data.bin", "raw data"}, {"g.bin", "global"}};
    std::string manifest;
    int index = 0;
    for (const auto& e : expected) {
        const std::string file = "expect" + std::to_string(index++) + ".bin";
        ASSERT_TRUE(testsupport::WriteWholeFile(out + "\\" + file, e.second));
        manifest += std::string(e.first) + "\t" + file + "\n";
    }
    ASSERT_TRUE(testsupport::WriteWholeFile(out + "\\manifest.txt", manifest));
}

TEST_F(BuildPackTest, ABuiltPackServesTheSkin) {
    ASSERT_EQ(1, Nuvex::BuildPack(packPath.c_str(), kPassword, listPath.c_str()));
    ASSERT_EQ(1, Nuvex::AttachPack(packPath.c_str(), kPassword, 0));
    uint32_t size = 0;
    void* list = Nuvex::LoadFile("Index.xml", &size, 0);
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(1, Nuvex::LoadResourceList(list, size, kPassword, 0));
    Nuvex::FreeBuffer(list);
    ASSERT_EQ(1, Nuvex::LoadResources(nullptr, 0));
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "Default.body"));
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "Default.btn"));
    EXPECT_NE(nullptr, Nuvex::GetAnimation("Default.dl"));
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_RAW, "_GLOBAL.g"));
}

// A failed build never leaves a pack the skin loader would trust.
TEST_F(BuildPackTest, AListWithoutResourcesLeavesNoFile) {
    Write("Skin\\Index.xml", "<other/>");
    EXPECT_EQ(0, Nuvex::BuildPack(packPath.c_str(), kPassword, listPath.c_str()));
    EXPECT_TRUE(NothingAtPack());
    EXPECT_EQ(1u, log.Count("XML Loading document parser failure![resources note error]"));
}

TEST_F(BuildPackTest, AFailedRebuildKeepsThePackThatWasThere) {
    ASSERT_EQ(1, Nuvex::BuildPack(packPath.c_str(), kPassword, listPath.c_str()));
    std::string before;
    ASSERT_TRUE(testsupport::ReadWholeFile(packPath, &before));
    Write("Skin\\Index.xml", "<other/>");
    EXPECT_EQ(0, Nuvex::BuildPack(packPath.c_str(), kPassword, listPath.c_str()));
    std::string after;
    ASSERT_TRUE(testsupport::ReadWholeFile(packPath, &after));
    EXPECT_EQ(before, after);
    EXPECT_FALSE(testsupport::FileExists(packPath + ".tmp"));
}

TEST_F(BuildPackTest, AListThatCannotBeAddedIsABuildFailure) {
    Write("Skin\\Index.xml", "");   // parses as an empty document, but adds nothing
    EXPECT_EQ(0, Nuvex::BuildPack(packPath.c_str(), kPassword, listPath.c_str()));
    EXPECT_TRUE(NothingAtPack());
    EXPECT_EQ(1u, log.Count("Can't add 'Index.xml' to pack '" + packPath + "'!"));
}

TEST_F(BuildPackTest, UnreadableListsAndUnwritablePacks) {
    std::string missing = temp.Join("Skin\\None.xml");
    EXPECT_EQ(0, Nuvex::BuildPack(packPath.c_str(), kPassword, missing.c_str()));
    EXPECT_EQ(1u, log.Count("FILENAME: " + missing + "."));
    EXPECT_TRUE(NothingAtPack());

    std::string nowhere = temp.Join("NoFolder\\x.skin");
    EXPECT_EQ(0, Nuvex::BuildPack(nowhere.c_str(), kPassword, listPath.c_str()));
    EXPECT_EQ(1u, log.Count("Can't create pack parser! '" + nowhere + "'"));

    // A folder in the pack's place: the pack cannot be moved there.
    CreateDirectoryA(packPath.c_str(), nullptr);
    EXPECT_EQ(0, Nuvex::BuildPack(packPath.c_str(), kPassword, listPath.c_str()));
    EXPECT_EQ(1u, log.Count("Can't write pack '" + packPath + "'!"));
    EXPECT_FALSE(testsupport::FileExists(packPath + ".tmp"));
}

TEST_F(BuildPackTest, WithoutAPasswordEntriesAreNotEnciphered) {
    ASSERT_EQ(1, Nuvex::BuildPack(packPath.c_str(), "", listPath.c_str()));
    for (const auto& entry : ListZip(packPath)) EXPECT_EQ(0u, entry.second.flag & 1) << entry.first;
}
