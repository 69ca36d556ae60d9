// What a skin brings, hostile: its pack, its resource list, the XML
// documents behind lists and animations, and its animation scripts. The
// samples are the panel's own skin.
#include "HostileFeed.h"

#include "engine/core/WorkPath.h"
#include "engine/resources/Animation.h"
#include "engine/resources/ResourceManager.h"
#include "engine/resources/ResourcePacks.h"
#include "engine/resources/XmlParser.h"
#include "engine/resources/ZipPack.h"
#include "host/SkinInstall.h"
#include "support/TestSupport.h"
#include "support/ZipWriter.h"

#include <gtest/gtest.h>

#include <memory>

using hostile::Fault;
using hostile::Feed;
using hostile::FileBytes;
using hostile::HandMade;
using hostile::ManyAttributes;
using hostile::MarkupTokens;
using hostile::Repeated;

namespace {

struct SkinFile {
    std::string name;   // as the pack and the resource list name it
    std::string bytes;
};

// Index.xml and every file of fp_skin\, from the skin the build holds.
std::vector<SkinFile> SkinFiles() {
    const std::string source = skininstall::DefaultSource();
    std::vector<SkinFile> files = {{"Index.xml", FileBytes(source + "\\Index.xml")}};
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((source + "\\fp_skin\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back({std::string("fp_skin/") + found.cFileName,
                             FileBytes(source + "\\fp_skin\\" + found.cFileName)});
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return files;
}

std::vector<std::string> Scripts(const std::vector<SkinFile>& files) {
    std::vector<std::string> scripts;
    for (const SkinFile& f : files)
        if (f.name.size() > 4 && !f.name.compare(f.name.size() - 4, 4, ".xml") &&
            f.name != "Index.xml")
            scripts.push_back(f.bytes);
    return scripts;
}

// Shapes every XML reader meets: nesting, attributes, names and numbers.
std::vector<HandMade> HandMadeMarkup(const char* root, const char* child) {
    const std::string open = std::string("<") + root + ">", close = std::string("</") + root + ">";
    const std::string element = std::string("<") + child;
    return {
        {"empty", ""},
        {"a declaration cut short", "<?xml "},
        {"elements nested 5,000 deep", Repeated(open, 5000)},
        {"one element of 20,000 attributes", open + element + ManyAttributes(20000) + "/>" + close},
        {"20,000 attributes of one name",
         open + element + Repeated(" texture=\"x\"", 20000) + "/>" + close},
        {"20,000 children",
         open + Repeated(element + " resname=\"a\" filename=\"b\"/>", 20000) + close},
        {"names and values of 64 KB", open + element + " " + std::string(65536, 'n') + "=\"" +
                                          std::string(65536, 'v') + "\"/>" + close},
        {"numbers past every range",
         open + element + " rectangle=\"99999999999,-99999999999,4294967296,-1\" offset=\"" +
             std::string(5000, '9') + "\" delay=\"-2147483649\" alpha=\"1e308\"/>" + close},
        {"a double-byte lead at the end", open + element + " resname=\"\xB0"}};
}

class HostileSkinInputs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testsupport::EnsurePools());
        files = SkinFiles();
        ASSERT_GT(files.size(), 3u) << "the build's skin folder was not found";
        ASSERT_TRUE(skininstall::CopyTree(skininstall::DefaultSource(), work.Join("skin")));
        ASSERT_EQ(1, Nuvex::SetWorkPath(work.Join("skin").c_str()));
    }
    void TearDown() override {
        ResourceManager::Release();
        Nuvex::DetachAllPacks();
    }
    std::string Pack(const char* password) {
        std::vector<testsupport::ZipEntry> entries;
        for (const SkinFile& f : files)
            entries.push_back({f.name, f.bytes, false, false, password});
        const std::string path = work.Join("sample.skin");
        EXPECT_TRUE(testsupport::WriteZip(path, entries));
        return FileBytes(path);
    }
    testsupport::TempFolder work;
    std::vector<SkinFile> files;
};

}   // namespace

// Every pack is attached, and every file of the skin looked for in it, as
// the engine loads a skin; then read again from memory.
TEST_F(HostileSkinInputs, Packs) {
    const std::vector<std::string> samples = {Pack(nullptr), Pack("fp")};
    const std::string path = work.Join("t.skin");
    int attaches = 0, inputs = 0;   // each alternates: kept closed or open, password or none
    std::vector<char> buffer(64 * 1024);
    // A pack attached with a password must have every entry enciphered with
    // it: each pack is tried without one, then with the samples' one.
    const char* const passwords[] = {nullptr, "fp"};
    const hostile::Target read = [&](const std::string& bytes) {
        testsupport::WriteWholeFile(path, bytes);
        bool whole = false;
        for (const char* password : passwords) {
            size_t loaded = 0;
            if (!Nuvex::AttachPack(path.c_str(), password, ++attaches % 2)) continue;
            for (const SkinFile& f : files) {
                uint32_t size = 0;
                void* data = Nuvex::LoadFileFromPacks(f.name.c_str(), &size, nullptr);
                loaded += data != nullptr;
                Nuvex::FreeBuffer(data);
            }
            Nuvex::DetachAllPacks();
            whole = whole || loaded == files.size();
        }
        ZipPack pack;
        if (pack.OpenMemory(bytes.data(), uint32_t(bytes.size()), passwords[++inputs % 2])) {
            for (const SkinFile& f : files)
                if (pack.Exists(f.name.c_str()) &&
                    pack.GetSize(f.name.c_str()) + pack.GetCrc(f.name.c_str()))
                    pack.Read(f.name.c_str(), buffer.data(), uint32_t(buffer.size()));
            pack.Close();
        }
        return whole;
    };
    std::vector<HandMade> handMade = {
        {"empty", ""},
        {"an empty archive", std::string("PK\x05\x06", 4) + std::string(18, '\0')},
        {"entries claiming 2 GB", hostile::ClaimingUnpackedSize(samples[0], 0x7FFFFFF0)},
        {"enciphered entries claiming 2 GB", hostile::ClaimingUnpackedSize(samples[1], 0x7FFFFFF0)},
        {"entries claiming 4 GB less one", hostile::ClaimingUnpackedSize(samples[0], 0xFFFFFFFF)}};
    Feed({"skin packs", 35004, 2000, samples, hostile::ZipTokens(), handMade}, read);
}

// Every list is loaded with its resources at once, from the skin's folder.
TEST_F(HostileSkinInputs, ResourceLists) {
    const std::vector<std::string> samples = {
        files[0].bytes,
        "<resources name=\"Default\">\n <stream resname=\"music\" filename=\"snd\\music.ogg\"/>\n"
        " <texture resname=\"frame\" filename=\"fp_skin/frame.png\"/>\n"
        " <animation resname=\"btnmin\" filename=\"fp_skin\\btnmin.xml\"/>\n"
        " <resource resname=\"raw\" filename=\"Index.xml\"/>\n"
        " <effect resname=\"click\" filename=\"snd\\click.wav\"/>\n"
        " <packet filename=\"Skins\\Extra.skin\"/>\n</resources>\n<resources>\n"
        " <texture resname=\"btn\" filename=\"fp_skin/buttons.png\"/>\n</resources>\n"};
    const hostile::Target load = [&](const std::string& bytes) {
        const int loaded = ResourceManager::Instance()->LoadResourceList(
            bytes.data(), uint32_t(bytes.size()), nullptr, 1);
        ResourceManager::Release();
        Nuvex::DetachAllPacks();
        return loaded == 1;
    };
    Feed({"resource lists", 35005, 2000, samples,
          MarkupTokens({"<resources name=\"", "<texture resname=\"", "<animation resname=\"",
                        "<packet ", " filename=\"", "fp_skin/frame.png", "Index.xml", "..\\",
                        "C:\\", "\\\\?\\"}),
          HandMadeMarkup("resources", "texture")},
         load);
}

namespace {

// Visits every element and the attributes the engine asks for, as a
// resource list's or a script's reader does; stops after `budget` elements.
void Walk(IXmlParser& xml, XmlNode node, int depth, int* budget) {
    for (XmlNode child = xml.ChildElement(node, nullptr, 1); child && --*budget > 0;
         child = xml.NextSibling(child, nullptr, 1)) {
        xml.Name(child);
        xml.Value(child);
        xml.Attribute(child, "resname", "", 0);
        xml.AttributeFloat(child, "alpha", 0, 1);
        xml.AttributeInt(child, "delay", 0, 0);
        xml.FindAll(child, "aniframe", 0);
        if (xml.Parent(child) != node && node) throw Fault{"a child's parent is not its parent"};
        if (depth < 64) Walk(xml, child, depth + 1, budget);
    }
}

struct ParserDeleter {
    void operator()(IXmlParser* p) const { p->Release(); }
};

}   // namespace

// Every document is parsed in both modes and walked whole.
TEST_F(HostileSkinInputs, XmlDocuments) {
    std::vector<std::string> samples = Scripts(files);
    samples.push_back(files[0].bytes);
    samples.push_back(
        "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<!-- 皮肤 -->\r\n"
        "<a x=\"1\" y='&amp;&#65;'><![CDATA[<not markup>]]><b/>text<c z=\"\"/></a>");
    std::unique_ptr<IXmlParser, ParserDeleter> xml(CreateXmlParser());
    ASSERT_TRUE(xml);
    unsigned mode = 0;
    const hostile::Target parse = [&](const std::string& bytes) {
        if (!xml->LoadFromMemory(bytes.data(), int(bytes.size()), ++mode % 2)) return false;
        int budget = 100000;
        Walk(*xml, nullptr, 0, &budget);   // from the document itself
        return true;
    };
    Feed({"XML documents", 35006, 3000, samples,
          MarkupTokens({"<a ", "<b>", "</a>", " x=\"", "<c/>"}), HandMadeMarkup("a", "b")},
         parse);
}

namespace {

struct AnimationDeleter {
    void operator()(IAnimation* animation) const { delete animation; }
};

}   // namespace

// Every script is loaded against the skin's textures, and each frame of
// what it made is asked what a player asks.
TEST_F(HostileSkinInputs, AnimationScripts) {
    ResourceManager* manager = ResourceManager::Instance();
    ASSERT_EQ(1, manager->LoadResourceList(files[0].bytes.data(), uint32_t(files[0].bytes.size()),
                                           nullptr, 1));
    const hostile::Target load = [&](const std::string& bytes) {
        std::unique_ptr<IAnimation, AnimationDeleter> animation(
            manager->LoadAnimationScript("hostile", bytes.data(), uint32_t(bytes.size())));
        if (!animation) return false;
        const int frames = animation->GetFrameCount();
        for (int i = 0; i < frames && i < 10000; ++i) {
            IAnimationFrame* frame = animation->GetFrame(i);
            if (!frame) throw Fault{"a frame it counts is missing"};
            frame->GetDelay();
            animation->GetFrameWidth(i);
            animation->GetFrameKeyword(i);
        }
        animation->GetPlayLength();
        return true;
    };
    Feed({"animation scripts", 35007, 3000, Scripts(files),
          MarkupTokens({"<animation ", "<aniframe ", "texture=\"Default.buttons\"", " rectangle=\"",
                        " offset=\"", " size=\"", " clip=\"", " delay=\"", " alpha=\"",
                        " keyword=\"", ","}),
          HandMadeMarkup("animation", "aniframe")},
         load);
}
