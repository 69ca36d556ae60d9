#include "ManagerFixture.h"

#include "engine/core/WorkPath.h"

#include "engine/resources/Pack.h"
#include "engine/resources/ResourcePacks.h"

#include <cstring>

using managertest::ManagerTest;
using managertest::TinyTga;

namespace {

const char kRichList[] =
    "<resources name=\"Default\">\n"
    "  <stream resname=\"music\" filename=\"snd\\music.ogg\"/>\n"
    "  <texture resname=\"BodyStyle\" filename=\"img/body.tga\"/>\n"
    "  <animation resname=\"download\" filename=\"ani\\download.xml\"/>\n"
    "  <resource resname=\"raw1\" filename=\"data.bin\"/>\n"
    "  <effect resname=\"click\" filename=\"snd\\click.wav\"/>\n"
    "  <texture resname=\"BodyStyle\" filename=\"img/other.tga\"/>\n"
    "  <animation resname=\"BodyStyle\" filename=\"ani\\body.xml\"/>\n"
    "  <packet filename=\"Skins\\Extra.skin\" resname=\"ignored\"/>\n"
    "</resources>\n"
    "<resources>\n"
    "  <texture resname=\"btn\" filename=\"img/btn.tga\"/>\n"
    "</resources>\n";

std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}   // namespace

class ResourceListTest : public ManagerTest {
protected:
    int LoadText(const std::string& text, int immediate = 0) {
        return mgr->LoadResourceList(text.data(), uint32_t(text.size()), nullptr, immediate);
    }
    void ExpectRichListRegistered() {
        EXPECT_EQ(1, mgr->Exists(RESOURCE_STREAM, "Default.music"));
        EXPECT_EQ(1, mgr->Exists(RESOURCE_TEXTURE, "Default.BodyStyle"));
        EXPECT_EQ(1, mgr->Exists(RESOURCE_ANIMATION, "Default.download"));
        EXPECT_EQ(1, mgr->Exists(RESOURCE_RAW, "Default.raw1"));
        EXPECT_EQ(1, mgr->Exists(RESOURCE_EFFECT, "Default.click"));
        EXPECT_EQ(1, mgr->Exists(RESOURCE_ANIMATION, "Default.BodyStyle"));
        EXPECT_EQ(1, mgr->Exists(RESOURCE_TEXTURE, "_GLOBAL.btn"));
        EXPECT_EQ(0, mgr->Exists(RESOURCE_TEXTURE, "Default.btn"));
        EXPECT_EQ(
            1u,
            log.Count("资源管理器中存在相同名称的texture类型资源! Resname = \"Default.BodyStyle\", "
                      "Filename = \"img/other.tga\""));
        EXPECT_EQ(1u, log.Count("Can't attach pack from 'Skins\\Extra.skin'!"));
    }
};

TEST_F(ResourceListTest, RichListFromMemory) {
    EXPECT_EQ(1, LoadText(kRichList));
    ExpectRichListRegistered();
    EXPECT_EQ(4u, mgr->PendingCount());   // textures and animations wait for the queue
}

TEST_F(ResourceListTest, SignatureAndCrlfVariants) {
    EXPECT_EQ(1, LoadText("\xEF\xBB\xBF" + Crlf(kRichList)));
    ExpectRichListRegistered();
}

TEST_F(ResourceListTest, RichListFromAFile) {
    std::string path = Write("A\\Index.xml", kRichList);
    EXPECT_EQ(1, Nuvex::LoadResourceList(path.c_str(), 0, nullptr, 0));
    ExpectRichListRegistered();
}

TEST_F(ResourceListTest, PathsFollowTheListFolderOrStayAsWritten) {
    const char list[] = "<resources><texture resname=\"b\" filename=\"img\\b.tga\"/></resources>";
    std::string listPath = Write("A\\Index.xml", list);
    Write("A\\img\\b.tga", TinyTga(1, 1, 0xFF000000));
    ASSERT_EQ(1, mgr->LoadResourceList(listPath.c_str(), 0, nullptr, 1));
    ResourceRecord* fromFile = mgr->Lookup(RESOURCE_TEXTURE, "b");
    ASSERT_NE(nullptr, fromFile);
    EXPECT_EQ(temp.Join("A\\img\\b.tga"), fromFile->path);

    // From memory the name stays as written and resolves against the work folder.
    ResourceManager::Release();
    mgr = ResourceManager::Instance();
    Write("img\\b.tga", TinyTga(1, 1, 0xFF000000));
    ASSERT_EQ(1, LoadText(list, 1));
    ResourceRecord* fromMemory = mgr->Lookup(RESOURCE_TEXTURE, "b");
    ASSERT_NE(nullptr, fromMemory);
    EXPECT_STREQ("img\\b.tga", fromMemory->path);
}

TEST_F(ResourceListTest, AMissingResnameSkipsTheRestOfThatKind) {
    const char list[] =
        "<resources name=\"S\">"
        "<texture resname=\"one\" filename=\"1.tga\"/>"
        "<texture filename=\"2.tga\"/>"
        "<texture resname=\"three\" filename=\"3.tga\"/>"
        "<animation resname=\"anim\" filename=\"a.xml\"/>"
        "<animation resname=\"anim2\" filename=\"\"/>"
        "<animation resname=\"anim3\" filename=\"c.xml\"/>"
        "</resources>";
    EXPECT_EQ(1, LoadText(list));
    EXPECT_EQ(1, mgr->Exists(RESOURCE_TEXTURE, "S.one"));
    EXPECT_EQ(0, mgr->Exists(RESOURCE_TEXTURE, "S.three"));
    EXPECT_EQ(1, mgr->Exists(RESOURCE_ANIMATION, "S.anim"));
    EXPECT_EQ(0, mgr->Exists(RESOURCE_ANIMATION, "S.anim3"));
    EXPECT_EQ(2u, log.Count("加载资源信息时遇到无效文件名或无效资源名!"));
}

TEST_F(ResourceListTest, ABadNamespaceEndsTheLoadKeepingEarlierOnes) {
    const char list[] =
        "<resources name=\"Good\"><resource resname=\"r\" filename=\"r.bin\"/></resources>"
        "<resources name=\"Skin.Main\"><resource resname=\"s\" filename=\"s.bin\"/></resources>"
        "<resources name=\"Late\"><resource resname=\"t\" filename=\"t.bin\"/></resources>";
    EXPECT_EQ(0, LoadText(list));
    EXPECT_EQ(1, mgr->Exists(RESOURCE_RAW, "Good.r"));
    EXPECT_EQ(0, mgr->Exists(RESOURCE_RAW, "Late.t"));
    EXPECT_EQ(1u, log.Count("Resources in the name contains illegal characters! Resource Name "
                            "Space = \"Skin.Main\""));
    EXPECT_EQ(1u, log.Count("Remark: Each identifier is a nonempty sequence of letters."));
}

TEST_F(ResourceListTest, ABadResnameEndsTheLoad) {
    const char list[] =
        "<resources><texture resname=\"ok\" filename=\"ok.tga\"/>"
        "<texture resname=\"a/b\" filename=\"x.tga\"/>"
        "<texture resname=\"after\" filename=\"y.tga\"/></resources>";
    EXPECT_EQ(0, LoadText(list));
    EXPECT_EQ(1, mgr->Exists(RESOURCE_TEXTURE, "_GLOBAL.ok"));
    EXPECT_EQ(0, mgr->Exists(RESOURCE_TEXTURE, "_GLOBAL.after"));
    EXPECT_EQ(1u, log.Count("Resources in the name contains illegal characters! Resname = \"a/b\", "
                            "Filename = \"x.tga\""));
    EXPECT_EQ(1u, log.Count("Remark: Each identifier is a nonempty sequence of letters."));
}

TEST_F(ResourceListTest, DocumentFailures) {
    EXPECT_EQ(0, LoadText("<other/>"));
    EXPECT_EQ(1u, log.Count("XML Loading document parser failure![resources note error]"));

    log.Clear();
    EXPECT_EQ(0, LoadText("<resources"));
    EXPECT_TRUE(log.Contains("Can't load resource list! #"));
    EXPECT_EQ(1u, log.Count("FILENAME: MEMORY"));

    log.Clear();
    std::string missing = temp.Join("missing.xml");
    EXPECT_EQ(0, mgr->LoadResourceList(missing.c_str(), 0, nullptr, 0));
    EXPECT_EQ(1u, log.Count("Can't load resource list! #cannot open file " + missing + "."));
    EXPECT_EQ(1u, log.Count("FILENAME: " + missing));
}

TEST_F(ResourceListTest, PacketsResolveAgainstTheWorkFolder) {
    // The pack lies under the work folder, the list in another folder.
    IPack* pack = CreateZipPack();
    ASSERT_NE(nullptr, pack);
    CreateDirectoryA(temp.Join("Skins").c_str(), nullptr);
    ASSERT_TRUE(pack->Open(temp.Join("Skins\\Extra.skin").c_str(), "pw", IPack::ModeCreate));
    ASSERT_EQ(6u, pack->Write("inside.txt", "inside", 6));
    ASSERT_TRUE(pack->Close());
    pack->Release();

    std::string listPath = Write("Other\\List\\Index.xml",
                                 "<resources><packet filename=\"Skins\\Extra.skin\"/>"
                                 "<packet filename=\"Skins\\Missing.skin\"/><packet/>"
                                 "<resource resname=\"r\" filename=\"r.bin\"/></resources>");
    EXPECT_EQ(1, mgr->LoadResourceList(listPath.c_str(), 0, "pw", 0));
    EXPECT_EQ(1, Nuvex::AttachedPackCount());
    EXPECT_EQ(1u, log.Count("Can't attach pack from 'Skins\\Missing.skin'!"));
    EXPECT_EQ(1u, log.Count("加载资源信息时遇到无效文件名或无效资源名!"));
    EXPECT_EQ(1, mgr->Exists(RESOURCE_RAW, "_GLOBAL.r"));
    uint32_t size = 0;
    void* inside = Nuvex::LoadFile("inside.txt", &size, 0);
    ASSERT_NE(nullptr, inside);
    EXPECT_EQ("inside", std::string(static_cast<char*>(inside), size));
    Nuvex::FreeBuffer(inside);
}

TEST_F(ResourceListTest, QueuedKindsWaitLazyKindsLoadAtFirstLookup) {
    Write("t.tga", TinyTga(1, 1, 0xFF000000));
    Write("r.bin", "raw");
    Write("a.xml", "<animation><aniframe/></animation>");
    ASSERT_EQ(1, LoadText("<resources><texture resname=\"t\" filename=\"t.tga\"/>"
                          "<animation resname=\"a\" filename=\"a.xml\"/>"
                          "<resource resname=\"r\" filename=\"r.bin\"/></resources>"));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "t"));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_ANIMATION, "a"));
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_RAW, "r"));
    ASSERT_EQ(1, mgr->LoadQueued(nullptr, 0));
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "t"));
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_ANIMATION, "a"));
}

TEST_F(ResourceListTest, NamesAndPathsTooLongAreSkippedNotCut) {
    std::string longName(255, 'n');   // "Default." + 255 is past 259
    std::string longFile(300, 'f');
    std::string list =
        "<resources name=\"Default\">"
        "<texture resname=\"" +
        longName +
        "\" filename=\"x.tga\"/>"
        "<texture resname=\"pathy\" filename=\"" +
        longFile +
        "\"/>"
        "<texture resname=\"fine\" filename=\"y.tga\"/></resources>";
    EXPECT_EQ(1, LoadText(list));
    EXPECT_EQ(2u, log.Count("加载资源信息时遇到无效文件名或无效资源名!"));
    EXPECT_EQ(0, mgr->Exists(RESOURCE_TEXTURE, "Default.pathy"));
    EXPECT_EQ(1, mgr->Exists(RESOURCE_TEXTURE, "Default.fine"));
}
