#include "engine/resources/ResourcePacks.h"

#include "engine/core/WorkPath.h"
#include "engine/resources/Pack.h"
#include "resources/PackFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>

using packfixtures::Pattern;
using testsupport::LogCapture;

namespace {

const char kPassword[] = "quorvelintaspek";

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// A work folder of its own, with no pack attached before or after.
class ResourcePacks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Nuvex::SetWorkPath(folder.Path().c_str()), 1);
        Nuvex::DetachAllPacks();
    }
    void TearDown() override { Nuvex::DetachAllPacks(); }

    // Loads `name` and returns its bytes; `found` tells whether it loaded.
    std::string Load(const char* name, bool* found = nullptr, int diskOnly = 0) {
        uint32_t size = 0xDEAD;
        void* data = Nuvex::LoadFile(name, &size, diskOnly);
        if (found) *found = data != nullptr;
        if (!data) return std::string();
        EXPECT_EQ(static_cast<const char*>(data)[size], '\0');
        std::string out(static_cast<const char*>(data), size);
        Nuvex::FreeBuffer(data);
        return out;
    }

    // A pack written by the project's writer, with `password`.
    std::string WriteProjectPack(const char* file, const char* password,
                                 const std::vector<std::pair<const char*, std::string>>& entries) {
        std::string path = folder.Join(file);
        IPack* pack = CreateZipPack();
        EXPECT_TRUE(pack->Open(path.c_str(), password, IPack::ModeCreate));
        for (const auto& e : entries)
            EXPECT_EQ(pack->Write(e.first, e.second.data(), static_cast<uint32_t>(e.second.size())),
                      e.second.size());
        EXPECT_TRUE(pack->Close());
        pack->Release();
        return path;
    }

    testsupport::TempFolder folder;
};

}   // namespace

TEST_F(ResourcePacks, DiskComesBeforePacks) {
    ASSERT_TRUE(CreateDirectoryA(folder.Join("Dir").c_str(), nullptr));
    ASSERT_TRUE(testsupport::WriteWholeFile(folder.Join("Dir\\X.TXT"), "from the disk"));
    ASSERT_EQ(Nuvex::AttachPack(packfixtures::PythonPlainPack().c_str(), nullptr, 0), 1);
    EXPECT_EQ(Load("Dir/X.TXT"), "from the disk");
    ASSERT_TRUE(DeleteFileA(folder.Join("Dir\\X.TXT").c_str()));
    EXPECT_EQ(Load("Dir/X.TXT"), "from the pack");
}

TEST_F(ResourcePacks, EntryNamesIgnoreCaseAndSlashKind) {
    ASSERT_EQ(Nuvex::AttachPack(packfixtures::PythonPlainPack().c_str(), "", 0), 1);
    for (const char* name : {"a/b.png", "A\\B.PNG", "a\\B.png", "A/b.PNG"}) {
        uint32_t size = 0;
        void* data = Nuvex::LoadFile(name, &size, 0);
        ASSERT_NE(data, nullptr) << name;
        EXPECT_EQ(std::string(static_cast<char*>(data), size), Pattern(3000, 1));
        Nuvex::FreeBuffer(data);
    }
}

TEST_F(ResourcePacks, MissingFilesReportWhereTheyWereLookedFor) {
    ASSERT_EQ(Nuvex::AttachPack(packfixtures::PythonPlainPack().c_str(), nullptr, 0), 1);
    LogCapture log;
    bool found = true;

    // An absolute path is never looked for in a pack, even one holding it.
    std::string absolute = folder.Join("a/b.png");
    Load(absolute.c_str(), &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(log.Lines(),
              std::vector<std::string>{"Can't load '" + absolute + "' from local disk."});

    log.Clear();
    Load("a/b.png", &found, 1);
    EXPECT_FALSE(found);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Can't find 'a/b.png' from local disk."});

    log.Clear();
    Load("img/none.png", &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Can't find 'IMG\\NONE.PNG' from all packs."});

    log.Clear();
    EXPECT_EQ(Nuvex::LoadFile(nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(Nuvex::LoadFile("", nullptr, 0), nullptr);
    EXPECT_EQ(Nuvex::LoadFileFromPacks("", nullptr, nullptr), nullptr);
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(ResourcePacks, WithNoPackAttachedNothingIsFound) {
    LogCapture log;
    uint32_t size = 77;
    EXPECT_EQ(Nuvex::LoadFile("gui/a.png", &size, 0), nullptr);
    EXPECT_EQ(size, 77u);   // untouched when nothing holds the name
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Can't find 'GUI\\A.PNG' from all packs."});
}

TEST_F(ResourcePacks, TheFirstPackHoldingTheEntryEndsTheSearch) {
    const std::string locked = Pattern(4000, 11);
    std::string first = WriteProjectPack("first.skin", kPassword, {{"gui/a.png", locked}});
    std::string second = packfixtures::PythonPlainPack();   // holds gui/A.png too

    ASSERT_EQ(Nuvex::AttachPack(first.c_str(), "wrong password", 0), 1);
    ASSERT_EQ(Nuvex::AttachPack(second.c_str(), nullptr, 0), 1);
    LogCapture log;
    uint32_t size = 77;
    EXPECT_EQ(Nuvex::LoadFile("gui/a.png", &size, 0), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Can't load 'GUI\\A.PNG' from packs '" +
                                                    Upper(first) + "'."});

    Nuvex::DetachAllPacks();
    ASSERT_EQ(Nuvex::AttachPack(first.c_str(), kPassword, 0), 1);
    ASSERT_EQ(Nuvex::AttachPack(second.c_str(), nullptr, 0), 1);
    EXPECT_EQ(Load("GUI/A.png"), locked);
}

TEST_F(ResourcePacks, GbkEntryNamesFromTheProjectWriter) {
    std::string pack = WriteProjectPack("gbk.skin", kPassword,
                                        {{"皮肤/按钮.png", "button"}, {"\x81\x61.txt", "trail"}});
    ASSERT_EQ(Nuvex::AttachPack(pack.c_str(), kPassword, 1), 1);
    EXPECT_EQ(Load("皮肤\\按钮.PNG"), "button");
    EXPECT_EQ(Load("\x81\x61.TXT"), "trail");
}

TEST_F(ResourcePacks, UnreadableEntriesFailInsteadOfReturningGarbage) {
    std::string data = Pattern(600, 12);
    data.replace(300, 16, "#damage-me-here#");
    std::string stored = folder.Join("stored.skin");
    ASSERT_TRUE(packfixtures::WriteZip(stored, {{"s.bin", data, true}}, kPassword));
    std::string shortPack = folder.Join("short.skin");
    ASSERT_TRUE(packfixtures::WriteZip(shortPack, {{"short.bin", data, true}}));
    ASSERT_TRUE(packfixtures::PatchCentralSize(shortPack, "short.bin", 900));
    std::string crcPack = folder.Join("crc.skin");
    ASSERT_TRUE(packfixtures::WriteZip(crcPack, {{"crc.bin", data, true}}));
    ASSERT_TRUE(packfixtures::CorruptFirst(crcPack, "#damage-me-here#"));

    // minizip does not check the password byte: a stored entry read with the
    // wrong password fails only on its CRC.
    ASSERT_EQ(Nuvex::AttachPack(stored.c_str(), "wrong", 0), 1);
    ASSERT_EQ(Nuvex::AttachPack(shortPack.c_str(), nullptr, 0), 1);
    ASSERT_EQ(Nuvex::AttachPack(crcPack.c_str(), nullptr, 1), 1);
    LogCapture log;
    for (const char* name : {"s.bin", "short.bin", "crc.bin"}) {
        uint32_t size = 77;
        EXPECT_EQ(Nuvex::LoadFile(name, &size, 0), nullptr) << name;
        EXPECT_EQ(size, 0u);
    }
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "Can't load 'S.BIN' from packs '" + Upper(stored) + "'.",
                               "Can't load 'SHORT.BIN' from packs '" + Upper(shortPack) + "'.",
                               "Can't load 'CRC.BIN' from packs '" + Upper(crcPack) + "'.",
                           }));
    Nuvex::DetachAllPacks();
    ASSERT_EQ(Nuvex::AttachPack(stored.c_str(), kPassword, 0), 1);
    EXPECT_EQ(Load("S.BIN"), data);
}

TEST_F(ResourcePacks, EmptyFilesAndEntriesLoadAsEmptyBuffers) {
    ASSERT_TRUE(testsupport::WriteWholeFile(folder.Join("empty.dat"), ""));
    ASSERT_EQ(Nuvex::AttachPack(packfixtures::PythonPlainPack().c_str(), nullptr, 0), 1);
    for (const char* name : {"empty.dat", "EMPTY.TXT"}) {
        uint32_t size = 77;
        char* data = static_cast<char*>(Nuvex::LoadFile(name, &size, 0));
        ASSERT_NE(data, nullptr) << name;
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(data[0], '\0');
        Nuvex::FreeBuffer(data);
    }
}

TEST_F(ResourcePacks, AttachAndDetachLifeCycle) {
    std::string pack = WriteProjectPack("life.skin", "", {{"life.txt", "alive"}});
    ASSERT_EQ(Nuvex::AttachPack(pack.c_str(), nullptr, 0), 1);
    // The same pack in other case or with other slashes is a duplicate.
    std::string other = pack;
    for (char& c : other)
        if (c == '\\') c = '/';
    EXPECT_EQ(Nuvex::AttachPack(other.c_str(), nullptr, 0), 0);
    EXPECT_EQ(Nuvex::AttachPack(Upper(pack).c_str(), nullptr, 0), 0);
    EXPECT_EQ(Nuvex::AttachPack("life.skin", nullptr, 0), 0);   // relative to the work folder
    EXPECT_EQ(Nuvex::AttachedPackCount(), 1);

    // Closed but attached: reopened for each lookup.
    EXPECT_EQ(Nuvex::DetachPack(other.c_str(), 0), 1);
    EXPECT_EQ(Load("LIFE.TXT"), "alive");
    EXPECT_EQ(Load("life.txt"), "alive");
    // Not held open, so the file can go; the pack is then passed over.
    ASSERT_TRUE(DeleteFileA(pack.c_str()));
    LogCapture log;
    bool found = true;
    Load("life.txt", &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Can't find 'LIFE.TXT' from all packs."});

    EXPECT_EQ(Nuvex::DetachPack("life.skin", 1), 1);
    EXPECT_EQ(Nuvex::AttachedPackCount(), 0);
    EXPECT_EQ(Nuvex::DetachPack("life.skin", 1), 0);
    EXPECT_EQ(Nuvex::DetachPack("unknown.skin", 0), 0);
    EXPECT_EQ(Nuvex::DetachPack(nullptr, 0), 0);
    EXPECT_EQ(Nuvex::AttachPack(nullptr, nullptr, 0), 0);
    EXPECT_EQ(Nuvex::AttachPack("", nullptr, 0), 0);
}

TEST_F(ResourcePacks, DetachedPacksAreNoLongerSearched) {
    std::string pack = WriteProjectPack("gone.skin", kPassword, {{"gone.txt", "here"}});
    ASSERT_EQ(Nuvex::AttachPack(pack.c_str(), kPassword, 1), 1);
    EXPECT_EQ(Load("gone.txt"), "here");
    EXPECT_EQ(Nuvex::DetachPack(pack.c_str(), 1), 1);
    LogCapture log;
    bool found = true;
    Load("gone.txt", &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Can't find 'GONE.TXT' from all packs."});
}

TEST_F(ResourcePacks, BrokenPacksAreNotAttached) {
    std::string pack = WriteProjectPack("whole.skin", "", {{"x.txt", Pattern(5000, 13)}});
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadWholeFile(pack, &bytes));
    ASSERT_TRUE(
        testsupport::WriteWholeFile(folder.Join("cut.skin"), bytes.substr(0, bytes.size() / 2)));
    ASSERT_TRUE(testsupport::WriteWholeFile(folder.Join("text.skin"), "not a zip at all"));
    EXPECT_EQ(Nuvex::AttachPack("cut.skin", nullptr, 0), 0);
    EXPECT_EQ(Nuvex::AttachPack("text.skin", nullptr, 0), 0);
    EXPECT_EQ(Nuvex::AttachPack("missing.skin", nullptr, 0), 0);
    EXPECT_EQ(Nuvex::AttachedPackCount(), 0);
}

TEST_F(ResourcePacks, PackPathsTheRecordCannotHoldAreRefused) {
    std::string deep = folder.Path();
    while (deep.size() < 230) {
        deep += "\\dddddddddd";
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    }
    // 257 characters: a valid path, but more than the record keeps.
    std::string pack = deep + "\\" + std::string(257 - deep.size() - 6, 'p') + ".skin";
    ASSERT_GT(pack.size(), 255u);
    ASSERT_LT(pack.size(), 260u);
    ASSERT_TRUE(packfixtures::WriteZip(pack, {{"x.txt", "x"}}));
    EXPECT_EQ(Nuvex::AttachPack(pack.c_str(), nullptr, 0), 0);
}

TEST_F(ResourcePacks, OffsetCacheFindsEveryEntryAlsoAfterReopening) {
    std::vector<packfixtures::Entry> entries;
    for (int i = 0; i < 20; ++i)
        entries.push_back({"e" + std::to_string(i) + ".txt", Pattern(50 + i, i)});
    std::string pack = folder.Join("many.skin");
    ASSERT_TRUE(packfixtures::WriteZip(pack, entries));
    ASSERT_EQ(Nuvex::AttachPack(pack.c_str(), nullptr, 0), 1);
    for (int round = 0; round < 2; ++round) {
        for (int i : {19, 0, 10, 19, 5, 0})
            EXPECT_EQ(Load(entries[i].name.c_str()), entries[i].data) << i;
        EXPECT_EQ(Nuvex::DetachPack(pack.c_str(), 0), 1);
    }
}

TEST_F(ResourcePacks, ACachedPositionIntoAReplacedPackIsNotTrusted) {
    std::string pack = folder.Join("swap.skin");
    ASSERT_TRUE(packfixtures::WriteZip(pack, {{"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}}));
    ASSERT_EQ(Nuvex::AttachPack(pack.c_str(), nullptr, 1), 1);
    EXPECT_EQ(Load("c.txt"), "C");   // caches all three positions
    // Same file, other layout: c.txt now comes first, where a.txt was.
    ASSERT_TRUE(
        packfixtures::WriteZip(pack, {{"c.txt", "new C"}, {"a.txt", "new A"}, {"b.txt", "new B"}}));
    EXPECT_EQ(Load("a.txt"), "new A");
    EXPECT_EQ(Load("c.txt"), "new C");
    EXPECT_EQ(Load("b.txt"), "new B");
}

TEST_F(ResourcePacks, OverlongEntryNamesAreNeverMatched) {
    const std::string tooLong(300, 'A');
    const std::string longest(259, 'B');
    std::string pack = folder.Join("long.skin");
    ASSERT_TRUE(packfixtures::WriteZip(
        pack, {{tooLong, "long"}, {longest, "259"}, {"after.txt", "after"}}));
    ASSERT_EQ(Nuvex::AttachPack(pack.c_str(), nullptr, 0), 1);
    bool found = true;
    Load(tooLong.substr(0, 260).c_str(), &found);
    EXPECT_FALSE(found);
    Load(tooLong.substr(0, 259).c_str(), &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(Load(longest.c_str()), "259");
    EXPECT_EQ(Load("after.txt"), "after");
}

TEST_F(ResourcePacks, LookupInOneNamedPack) {
    std::string one = WriteProjectPack("one.skin", "", {{"shared.txt", "one"}});
    std::string two = WriteProjectPack("two.skin", "", {{"shared.txt", "two"}, {"only2.txt", "2"}});
    ASSERT_EQ(Nuvex::AttachPack("one.skin", nullptr, 0), 1);
    ASSERT_EQ(Nuvex::AttachPack("two.skin", nullptr, 1), 1);
    uint32_t size = 0;
    void* data = Nuvex::LoadFileFromPacks("shared.txt", &size, "two.skin");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(data), size), "two");
    Nuvex::FreeBuffer(data);

    LogCapture log;
    EXPECT_EQ(Nuvex::LoadFileFromPacks("only2.txt", &size, "one.skin"), nullptr);
    EXPECT_EQ(log.Lines(),
              std::vector<std::string>{"Can't find 'ONLY2.TXT' from packs '" + Upper(one) + "'."});
}

TEST_F(ResourcePacks, DetachAllForgetsEveryPack) {
    WriteProjectPack("p1.skin", "", {{"p1.txt", "1"}});
    WriteProjectPack("p2.skin", "", {{"p2.txt", "2"}});
    ASSERT_EQ(Nuvex::AttachPack("p1.skin", nullptr, 0), 1);
    ASSERT_EQ(Nuvex::AttachPack("p2.skin", nullptr, 1), 1);
    EXPECT_EQ(Nuvex::DetachAllPacks(), 1);
    EXPECT_EQ(Nuvex::AttachedPackCount(), 0);
    // Nothing is held open any more.
    EXPECT_TRUE(DeleteFileA(folder.Join("p1.skin").c_str()));
    EXPECT_EQ(Nuvex::AttachPack("p2.skin", nullptr, 0), 1);
}
