// Reading update lists and the path rule for names from outside; no network.
#include "TaskFixture.h"
#include "update/InstallCheck.h"
#include "update/UpdateList.h"
#include "update/UpdatePaths.h"
#include "update/UpdateTaskCore.h"
#include "update/support/Md5Digest.h"

#include <gtest/gtest.h>

#include <process.h>

using taskfixture::PutFile;

namespace {

struct ListCase {
    testsupport::TempFolder folder;
    UpdateListReader::Result Read(const std::string& xml, bool lobby, UpdateListReader* reader) {
        std::string path = folder.Join("list.xml");
        PutFile(path, xml);
        return reader->Read(path);
    }
};

std::string Folders(const UpdateListReader& reader) {
    std::string out;
    for (const UpdateEntry& e : reader.Entries()) out += "[" + e.folder + "|" + e.name + "]";
    return out;
}

}   // namespace

TEST(UpdateList, NestedDirectoriesGiveFolderPaths) {
    ListCase c;
    UpdateListReader reader(false);
    // Pretty-printed on purpose: white space between elements is no node.
    ASSERT_EQ(UpdateListReader::kRead,
              c.Read("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n"
                     "<UpdateList Name=\"Demo Game\">\n"
                     "  <Directory Name=\"G\">\n"
                     "    <File Name=\"c.dat\" Size=\"3000\" ZipSize=\"100\" MD5=\"m1\"/>\n"
                     "    <Directory Name=\"data\">\n"
                     "      <File Name=\"a.txt\" Size=\"10\" ZipSize=\"20\" MD5=\"m2\"/>\n"
                     "      <Skipped Name=\"x\"/>\n"
                     "      <Directory Name=\"sub\"><File Name=\"b.bin\" Size=\"0\" ZipSize=\"30\" "
                     "MD5=\"m3\"/></Directory>\n"
                     "    </Directory>\n"
                     "  </Directory>\n"
                     "  <Directory Name=\"Ignored\"><File Name=\"z\" ZipSize=\"5\"/></Directory>\n"
                     "</UpdateList>\n",
                     false, &reader));
    EXPECT_EQ("[G|c.dat][G\\data|a.txt][G\\data\\sub|b.bin]", Folders(reader));
    EXPECT_EQ("Demo Game", reader.DisplayName());
    EXPECT_EQ(150, reader.ListSize());
    const UpdateEntry& first = reader.Entries()[0];
    EXPECT_EQ(3000, first.size);
    EXPECT_EQ(100, first.zipSize);
    EXPECT_EQ("m1", first.md5);
    EXPECT_EQ(1, first.selected);
}

TEST(UpdateList, LobbyTopDirectoryIsTheWorkFolder) {
    ListCase c;
    UpdateListReader lobby(true);
    ASSERT_EQ(UpdateListReader::kRead,
              c.Read("<L><Directory Name=\"Lobby\"><File Name=\"Patchwell.exe\"/>"
                     "<Directory Name=\"res\"><File Name=\"skin.dat\"/></Directory>"
                     "<Directory Name=\"lobby\"><File Name=\"x\"/></Directory></Directory></L>",
                     true, &lobby));
    EXPECT_EQ("[|Patchwell.exe][res|skin.dat][lobby|x]", Folders(lobby));

    UpdateListReader other(true);
    ASSERT_EQ(
        UpdateListReader::kRead,
        c.Read("<L><Directory Name=\"lobby\"><File Name=\"y\"/></Directory></L>", true, &other));
    EXPECT_EQ("[lobby|y]", Folders(other));
}

TEST(UpdateList, StructureEdgeCases) {
    ListCase c;
    struct {
        const char* xml;
        UpdateListReader::Result result;
        const char* folders;
    } cases[] = {
        // A comment first: nothing below is read (the directory still counts).
        {"<L><Directory Name=\"G\"><!-- c --><File Name=\"a\"/></Directory></L>",
         UpdateListReader::kRead, ""},
        // An empty top directory fails; an empty nested one does not.
        {"<L><Directory Name=\"G\"/></L>", UpdateListReader::kEmptyTopDirectory, ""},
        {"<L><Directory Name=\"G\"><Directory Name=\"e\"/><File Name=\"a\"/></Directory></L>",
         UpdateListReader::kRead, "[G|a]"},
        {"<L Name=\"n\"/>", UpdateListReader::kNoTopDirectory, ""},
        {"<L><directory Name=\"G\"><File Name=\"a\"/></directory></L>",
         UpdateListReader::kNoTopDirectory, ""},
        {"not xml at all <", UpdateListReader::kCannotLoad, ""},
        {"", UpdateListReader::kCannotLoad, ""},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.xml);
        UpdateListReader reader(false);
        EXPECT_EQ(k.result, c.Read(k.xml, false, &reader));
        if (k.result == UpdateListReader::kRead) {
            EXPECT_EQ(k.folders, Folders(reader));
        }
    }
    UpdateListReader missing(false);
    EXPECT_EQ(UpdateListReader::kCannotLoad, missing.Read(c.folder.Join("absent.xml")));
}

TEST(UpdateList, MissingAttributesReadAsEmptyOrZero) {
    ListCase c;
    UpdateListReader reader(false);
    ASSERT_EQ(UpdateListReader::kRead,
              c.Read("<L><Directory Name=\"G\"><File Name=\"a\"/>"
                     "<File Name=\"b\" Size=\"x\" ZipSize=\"-7\" MD5=\"\"/>"
                     "<File Name=\"c\" Size=\"99999999999\" ZipSize=\"2147483647\"/>"
                     "<File Name=\"d\" ZipSize=\"2147483647\"/></Directory></L>",
                     false, &reader));
    ASSERT_EQ(4u, reader.Entries().size());
    EXPECT_EQ(0, reader.Entries()[0].size);
    EXPECT_EQ(0, reader.Entries()[0].zipSize);
    EXPECT_EQ("", reader.Entries()[0].md5);
    EXPECT_EQ(0, reader.Entries()[1].size);
    EXPECT_EQ(-7, reader.Entries()[1].zipSize);
    EXPECT_EQ(INT32_MAX, reader.Entries()[2].size);
    // Summed in 64 bits; a negative size adds nothing.
    EXPECT_EQ(2 * int64_t(INT32_MAX), reader.ListSize());
    EXPECT_EQ("", reader.DisplayName());
}

TEST(UpdateList, HostileNamesAreRefused) {
    ListCase c;
    // clang-format off
    const char* files[] = {
        "..\\..\\evil.txt", "../evil.txt", "a\\..\\..\\evil", "C:\\evil.txt", "C:evil",
        "\\evil.txt", "/evil.txt", "a\\\\b", "", ".", "x:stream", "nul", "COM1.txt", "a.",
        "a ", "a*b", "a\\.\\b", "a&#13;&#10;b", "a&#x7F;", "a\x01",
    };
    // clang-format on
    for (const char* name : files) {
        SCOPED_TRACE(name);
        UpdateListReader reader(false);
        EXPECT_EQ(UpdateListReader::kUnsafeName,
                  c.Read(std::string("<L><Directory Name=\"G\"><File Name=\"ok\"/>"
                                     "<Directory Name=\"d\"><File Name=\"") +
                             name + "\"/></Directory></Directory></L>",
                         false, &reader));
    }
    const char* directories[] = {"..", "..\\..", "C:\\x", "", "\\x", "a/../.."};
    for (const char* name : directories) {
        SCOPED_TRACE(name);
        UpdateListReader reader(false);
        EXPECT_EQ(UpdateListReader::kUnsafeName,
                  c.Read(std::string("<L><Directory Name=\"G\"><Directory Name=\"") + name +
                             "\"><File Name=\"f\"/></Directory></Directory></L>",
                         false, &reader));
    }
    // A game's top directory must name a folder.
    UpdateListReader empty(false);
    EXPECT_EQ(UpdateListReader::kUnsafeName,
              c.Read("<L><Directory Name=\"\"><File Name=\"f\"/></Directory></L>", false, &empty));
}

TEST(UpdateList, DeepNestingIsBounded) {
    ListCase c;
    std::string xml = "<L>";
    for (int i = 0; i < 200; ++i) xml += "<Directory Name=\"d\">";
    xml += "<File Name=\"f\"/>";
    for (int i = 0; i < 200; ++i) xml += "</Directory>";
    xml += "</L>";
    UpdateListReader reader(false);
    EXPECT_EQ(UpdateListReader::kTooDeep, c.Read(xml, false, &reader));
}

namespace {

struct DeepRead {
    std::string path;
    UpdateListReader::Result result = UpdateListReader::kRead;
    bool returned = false;
};

unsigned __stdcall ReadOnSmallStack(void* argument) {
    DeepRead* read = static_cast<DeepRead*>(argument);
    UpdateListReader reader(false);
    read->result = reader.Read(read->path);
    read->returned = true;
    return 0;
}

// Reads `xml` on a thread with a host's usual 1 MB stack.
DeepRead ReadOnHostStack(const std::string& path, const std::string& xml) {
    DeepRead read;
    read.path = path;
    if (!PutFile(path, xml)) return read;
    HANDLE thread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 1024 * 1024, &ReadOnSmallStack, &read,
                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) return read;
    WaitForSingleObject(thread, 20000);
    CloseHandle(thread);
    return read;
}

}   // namespace

// A hostile list nested far deeper than any real one is refused before the
// XML parser (which recurses per level) can run out of stack, whatever
// markup tries to hide the levels from the check.
TEST(UpdateList, DeepDocumentIsRefusedBeforeParsing) {
    testsupport::TempFolder folder;
    std::string levels;
    for (int i = 0; i < 200000; ++i) levels += "<d a=\"/>\">";
    const char* const prefixes[] = {
        "<L><Directory Name=\"G\">",
        "<?xml version=\"> <!-- \" ?><L>",   // a quoted '>' in the declaration
        "<L>< \"><!-- \" -->",               // not an element: ends at its first '>'
        "<L><!-- <a x=\" -->",               // a quote inside a comment
        "<L><![CDATA[ <a x=\" ]]>",
    };
    for (const char* prefix : prefixes) {
        SCOPED_TRACE(prefix);
        DeepRead read = ReadOnHostStack(folder.Join("deep.xml"), prefix + levels);
        EXPECT_TRUE(read.returned);   // a thread that ran out of stack never returns
        EXPECT_EQ(UpdateListReader::kTooDeep, read.result);
    }
    DeepRead read;
    read.path = folder.Join("deep.xml");

    // Self-closed elements, comments and quoted '>' don't count as levels.
    std::string flat = "<L><Directory Name=\"G\">";
    for (int i = 0; i < 500; ++i)
        flat += "<File Name=\"f" + std::to_string(i) + "\" MD5=\"x/>y\"/><!-- <a><b> -->";
    flat += "<![CDATA[<c><d>]]></Directory></L>";
    ASSERT_TRUE(PutFile(read.path, flat));
    UpdateListReader reader(false);
    EXPECT_EQ(UpdateListReader::kRead, reader.Read(read.path));
    EXPECT_EQ(500u, reader.Entries().size());
}

// Shapes whose reading once grew faster than the list: an element's
// attributes (the XML library compares each with all before it) and a long
// folder path (every file below copies it). Each hostile list here is large
// enough that such a read would not end within the test's time.
TEST(UpdateList, ShapesThatWouldCostMoreThanTheirSizeAreRefused) {
    ListCase c;
    const auto attributes = [](int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += " a" + std::to_string(i) + "=\"\"";
        return out;
    };
    const auto files = [](int n, const std::string& name) {
        std::string out;
        for (int i = 0; i < n; ++i) out += "<File Name=\"" + name + "\"/>";
        return out;
    };
    // Below the top directory "G": its path is "G\" and these.
    const std::string long255 = std::string(126, 'd') + "\\" + std::string(128, 'e');
    const std::string long258 = long255 + "eee";
    struct {
        const char* what;
        std::string xml;
        UpdateListReader::Result result;
    } cases[] = {
        {"as many attributes as allowed",
         "<L" + attributes(32) + "><Directory Name=\"G\"><File Name=\"f\"" + attributes(31) +
             "/></Directory></L>",
         UpdateListReader::kRead},
        {"one more",
         "<L><Directory Name=\"G\"><File Name=\"f\"" + attributes(32) + "/></Directory></L>",
         UpdateListReader::kTooManyAttributes},
        {"200,000 of them on the root, 2.2 MB",
         "<L" + attributes(200000) + "><Directory Name=\"G\"><File Name=\"f\"/></Directory></L>",
         UpdateListReader::kTooManyAttributes},
        {"a file path of 259 characters",
         "<L><Directory Name=\"G\"><Directory Name=\"" + long255 + "\">" + files(2, "f") +
             "</Directory></Directory></L>",
         UpdateListReader::kRead},
        {"a file path of 260",
         "<L><Directory Name=\"G\"><Directory Name=\"" + long255 + "\">" + files(1, "ff") +
             "</Directory></Directory></L>",
         UpdateListReader::kUnsafeName},
        {"a folder path of 260",
         "<L><Directory Name=\"G\"><Directory Name=\"" + long258 + "\"/>" + files(1, "f") +
             "</Directory></L>",
         UpdateListReader::kUnsafeName},
        {"a 1 MB folder name over 60,000 files",
         "<L><Directory Name=\"G\"><Directory Name=\"" + std::string(1 << 20, 'n') + "\">" +
             files(60000, "a") + "</Directory></Directory></L>",
         UpdateListReader::kUnsafeName},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        UpdateListReader reader(false);
        EXPECT_EQ(k.result, c.Read(k.xml, false, &reader));
        if (k.result == UpdateListReader::kRead) {
            EXPECT_FALSE(reader.Entries().empty());
        }
    }
}

TEST(UpdateList, StopsEarlyWhenNoLongerRunning) {
    ListCase c;
    int asked = 0;
    UpdateListReader reader(false, [&] { return ++asked < 3; });
    EXPECT_EQ(UpdateListReader::kRead,
              c.Read("<L><Directory Name=\"G\"><File Name=\"a\"/><File Name=\"b\"/>"
                     "<File Name=\"c\"/><File Name=\"d\"/></Directory></L>",
                     false, &reader));
    EXPECT_LT(reader.Entries().size(), 4u);
}

TEST(UpdatePaths, SafeNamesFollowOneRule) {
    using updatepaths::IsSafeNameComponent;
    using updatepaths::IsSafeRelativePath;
    EXPECT_TRUE(IsSafeRelativePath("Demo"));
    EXPECT_TRUE(IsSafeRelativePath("Demo\\data\\a.txt"));
    EXPECT_TRUE(IsSafeRelativePath("Demo/data/a.txt"));
    EXPECT_TRUE(IsSafeRelativePath(".hidden"));
    EXPECT_TRUE(IsSafeRelativePath("a..b"));
    EXPECT_TRUE(IsSafeRelativePath("\xC3\xFB\xB3\xC6"));   // GBK text
    // 0x5C as a trail byte (淺 9C 5C) is part of a character, not a separator.
    EXPECT_TRUE(IsSafeNameComponent("x\x9C\x5C"));
    EXPECT_TRUE(
        IsSafeNameComponent("\x9C\x5C.."
                            "b"));
    EXPECT_FALSE(IsSafeNameComponent("a\\b"));
    EXPECT_FALSE(IsSafeNameComponent("..\\.."));
    EXPECT_FALSE(IsSafeNameComponent(""));
    EXPECT_FALSE(IsSafeNameComponent(".."));
    EXPECT_FALSE(IsSafeRelativePath("a\\..\\b"));
    EXPECT_FALSE(IsSafeRelativePath("a\\"));
    EXPECT_FALSE(IsSafeRelativePath("\\\\server\\share"));
    EXPECT_FALSE(IsSafeRelativePath("aux.dat"));
    EXPECT_FALSE(IsSafeRelativePath("a\x01"));
}

TEST(UpdatePaths, JoinRefusesWhatWouldNotFit) {
    using updatepaths::JoinUnderRoot;
    std::string full;
    ASSERT_TRUE(JoinUnderRoot("C:\\w", "a\\b", &full));
    EXPECT_EQ("C:\\w\\a\\b", full);
    ASSERT_TRUE(JoinUnderRoot("C:\\w\\", ".\\b", &full));
    EXPECT_EQ("C:\\w\\b", full);
    ASSERT_TRUE(JoinUnderRoot("C:\\w\\", "", &full));
    EXPECT_EQ("C:\\w", full);
    ASSERT_TRUE(JoinUnderRoot("C:\\", "a", &full));
    EXPECT_EQ("C:\\a", full);
    ASSERT_TRUE(JoinUnderRoot("C:\\", "", &full));
    EXPECT_EQ("C:\\", full);
    // A root ending in the trail byte 0x5C still gets its separator.
    ASSERT_TRUE(JoinUnderRoot("C:\\\x9C\x5C", "a", &full));
    EXPECT_EQ("C:\\\x9C\x5C\\a", full);
    std::string root = "C:\\" + std::string(250, 'r');
    EXPECT_TRUE(JoinUnderRoot(root, "12345", &full));   // 259 characters
    EXPECT_EQ(259u, full.size());
    full = "unchanged";
    EXPECT_FALSE(JoinUnderRoot(root, "123456", &full));   // 260: refused, not cut
    EXPECT_EQ("unchanged", full);
    EXPECT_FALSE(JoinUnderRoot("", "a", &full));
}

TEST(TaskProgress, SpeedAndFractionRules) {
    EXPECT_EQ(0, UpdateTaskCore::SpeedOf(500, 1000));
    EXPECT_EQ(1000, UpdateTaskCore::SpeedOf(1500, 1000));
    EXPECT_EQ(0, UpdateTaskCore::SpeedOf(1500, 0));
    EXPECT_EQ(INT32_MAX, UpdateTaskCore::SpeedOf(uint64_t(1) << 40, 1));
    EXPECT_FLOAT_EQ(1.0f, UpdateTaskCore::FractionOf(0, 0));
    EXPECT_FLOAT_EQ(1.0f, UpdateTaskCore::FractionOf(100, 0));
    EXPECT_FLOAT_EQ(0.5f, UpdateTaskCore::FractionOf(50, 100));
    EXPECT_FLOAT_EQ(1.0f, UpdateTaskCore::FractionOf(150, 100));
    EXPECT_FLOAT_EQ(0.0f, UpdateTaskCore::FractionOf(-5, 100));
}

TEST(TaskSetUp, ServiceTypePicksTheDownloader) {
    EXPECT_EQ(1u, UpdateTask::ServiceType("ftp://h/"));
    EXPECT_EQ(3u, UpdateTask::ServiceType("http://h/"));
    EXPECT_NE(1u, UpdateTask::ServiceType("https://h/"));
    EXPECT_EQ(1u, UpdateTask::ServiceType("not a url"));
    EXPECT_EQ(1u, UpdateTask::ServiceType(""));
    EXPECT_EQ(1u, UpdateTask::ServiceType(nullptr));
}

namespace {

struct Records {
    std::vector<ServerRecord> records;
    std::vector<std::string> urls;
    PanelServerList vector{};
    Records(std::initializer_list<std::pair<int, const char*>> list) {
        urls.reserve(list.size());
        for (const auto& r : list) urls.push_back(r.second);
        for (size_t i = 0; i < urls.size(); ++i)
            records.push_back(ServerRecord{7, list.begin()[i].first, "unused", urls[i].c_str()});
        vector.first = records.data();
        vector.last = records.data() + records.size();
    }
};

}   // namespace

TEST(TaskSetUp, ChooseServersPutsTheGroupFirst) {
    taskfixture::WorkFolder work;
    Records r{{1, "A"}, {2, "C"}, {1, "B"}, {2, "D"}, {2, "E"}};
    for (int round = 0; round < 5; ++round) {
        UpdateTask task;
        task.InitWithServers(&r.vector, 2, "Demo", TASK_KIND_GAME, nullptr);
        EXPECT_EQ((std::vector<std::string>{"C", "D", "E", "A", "B"}), task.ServerList());
        std::string current = task.CurrentServer();
        EXPECT_TRUE(current == "C" || current == "D" || current == "E") << current;
    }
    UpdateTask none;
    none.InitWithServers(&r.vector, 9, "Demo", TASK_KIND_GAME, nullptr);
    EXPECT_EQ((std::vector<std::string>{"A", "C", "B", "D", "E"}), none.ServerList());
    EXPECT_FALSE(none.CurrentServer().empty());
    std::string log = taskfixture::ReadFile(work.Join("upgrade.log"));
    EXPECT_NE(std::string::npos, log.find("] Server:")) << log;
}

TEST(TaskSetUp, MalformedRecordsChooseNothing) {
    taskfixture::WorkFolder work;
    Records r{{2, "A"}, {2, "B"}};
    r.records[0].url = nullptr;   // skipped
    UpdateTask skip;
    skip.InitWithServers(&r.vector, 2, "Demo", TASK_KIND_GAME, nullptr);
    EXPECT_EQ((std::vector<std::string>{"B"}), skip.ServerList());
    EXPECT_EQ("B", skip.CurrentServer());

    PanelServerList odd = r.vector;
    odd.last = reinterpret_cast<const ServerRecord*>(reinterpret_cast<const char*>(r.vector.first) +
                                                     sizeof(ServerRecord) + 3);
    UpdateTask partial;   // only the one whole record counts (its URL is null)
    partial.InitWithServers(&odd, 2, "Demo", TASK_KIND_GAME, nullptr);
    EXPECT_TRUE(partial.ServerList().empty());

    PanelServerList backwards = r.vector;
    std::swap(backwards.first, backwards.last);
    PanelServerList empty{};
    const PanelServerList* vectors[] = {&backwards, &empty, nullptr};
    for (const PanelServerList* v : vectors) {
        UpdateTask task;
        task.InitWithServers(v, 2, nullptr, TASK_KIND_GAME, nullptr);
        EXPECT_EQ("", task.CurrentServer());
        EXPECT_TRUE(task.ServerList().empty());
    }
}

TEST(LocalCheck, PresenceSizeThenDigest) {
    testsupport::TempFolder folder;
    const std::string path = folder.Join("f.bin");
    const std::string content = "0123456789";
    const std::string md5 = taskfixture::Md5Hex(content);
    std::string upper = md5;
    for (char& c : upper)
        if (c >= 'a' && c <= 'f') c = char(c - 'a' + 'A');

    EXPECT_FALSE(LocalFileMatches(path, 10, md5, false));   // missing
    ASSERT_TRUE(PutFile(path, content));
    EXPECT_TRUE(LocalFileMatches(path, 10, md5, false));      // exact match
    EXPECT_FALSE(LocalFileMatches(path, 11, md5, false));     // same digest, other size
    EXPECT_FALSE(LocalFileMatches(path, 10, upper, false));   // upper case counts as changed
    EXPECT_TRUE(LocalFileMatches(path, 10, upper, true));     // ...but verifies an install
    EXPECT_FALSE(LocalFileMatches(path, 10, "", true));
    ASSERT_TRUE(PutFile(path, "9876543210"));
    EXPECT_FALSE(LocalFileMatches(path, 10, md5, false));           // same size, other bytes
    EXPECT_FALSE(LocalFileMatches(folder.Path(), 0, md5, false));   // a folder
    ASSERT_TRUE(PutFile(folder.Join("empty"), ""));
    EXPECT_TRUE(
        LocalFileMatches(folder.Join("empty"), 0, "d41d8cd98f00b204e9800998ecf8427e", false));
}

// A listed file that another program holds open for writing (sharing read
// and write) is still read and compared, as any reader of it would.
TEST(LocalCheck, FileOpenForWritingElsewhereIsStillCompared) {
    testsupport::TempFolder folder;
    const std::string path = folder.Join("in-use.dat");
    const std::string content = "held open by the running program";
    ASSERT_TRUE(PutFile(path, content));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_TRUE(
        LocalFileMatches(path, int32_t(content.size()), taskfixture::Md5Hex(content), false));
    CloseHandle(held);
}

// The length is found by reading: a file longer or shorter than listed must
// not pass on the digest of its first bytes, around the read chunk's edges too.
TEST(LocalCheck, LengthIsExactAroundTheReadChunk) {
    testsupport::TempFolder folder;
    const std::string path = folder.Join("f.bin");
    for (size_t size : {size_t(1), size_t(65535), size_t(65536), size_t(65537), size_t(131072)}) {
        std::string content(size + 1, '\0');
        for (size_t i = 0; i < content.size(); ++i) content[i] = char(i * 7 + 3);
        const std::string listed = content.substr(0, size);
        const std::string md5 = taskfixture::Md5Hex(listed);
        ASSERT_TRUE(PutFile(path, listed));
        EXPECT_TRUE(LocalFileMatches(path, int32_t(size), md5, false)) << size;
        ASSERT_TRUE(PutFile(path, content));   // one byte more than listed
        EXPECT_FALSE(LocalFileMatches(path, int32_t(size), md5, false)) << size;
        ASSERT_TRUE(PutFile(path, listed.substr(0, size - 1)));   // one byte less
        EXPECT_FALSE(LocalFileMatches(path, int32_t(size), md5, false)) << size;
    }
}
