// The zip extractor over archives the tests write with minizip: layout,
// flattening, times, lookups, and archives built to escape the target
// folder or to carry damaged data.
#include "update/support/ZipExtractor.h"
#include "support/TestSupport.h"
#include "support/ZipWriter.h"
#include "DbcsNames.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>   // DEF_MEM_LEVEL
#include <zlib.h>

#include <cstring>
#include <set>

namespace {

using testsupport::FileExists;
using testsupport::ReadWholeFile;
using testsupport::TempFolder;
using testsupport::WriteWholeFile;

using Entry = testsupport::ZipEntry;
using testsupport::WriteZip;

const uint32_t kDosTime = testsupport::kZipEntryTime;

// Raw deflate of `data` (no zlib header), as a zip entry holds it.
std::string Deflate(const std::string& data) {
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, DEF_MEM_LEVEL,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        return std::string();
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    int err = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return err == Z_STREAM_END ? out : std::string();
}

Entry File(const std::string& name, const std::string& data) {
    Entry e;
    e.name = name;
    e.data = data;
    return e;
}

Entry Folder(const std::string& name) {
    Entry e;
    e.name = name;
    e.folder = true;
    return e;
}

bool IsFolder(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Content(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, &bytes) ? bytes : std::string("<unreadable>");
}

// Every name below `folder`, recursively, relative to it.
std::set<std::string> Tree(const std::string& folder, const std::string& prefix = "") {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        names.insert(prefix + name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            for (const std::string& inner : Tree(folder + "\\" + name, prefix + name + "\\"))
                names.insert(inner);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

FILETIME ExpectedTime() {
    FILETIME local, utc;
    DosDateTimeToFileTime(WORD(kDosTime >> 16), WORD(kDosTime & 0xFFFF), &local);
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

void ExpectStoredTime(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    FILETIME created, accessed, written;
    ASSERT_TRUE(GetFileTime(file, &created, &accessed, &written));
    CloseHandle(file);
    FILETIME expected = ExpectedTime();
    EXPECT_EQ(0, CompareFileTime(&expected, &written)) << path;
    EXPECT_EQ(0, CompareFileTime(&expected, &created)) << path;
}

}   // namespace

TEST(ZipExtractor, UnpacksFoldersAndFilesWithTheirParents) {
    TempFolder temp;
    std::string zip = temp.Join("pack.zip");
    ASSERT_TRUE(WriteZip(zip, {File("a/b.txt", "bee"), Folder("a/c/")}));
    std::string target = temp.Join("F");
    ASSERT_TRUE(UnzipToFolder(zip.c_str(), target.c_str(), false));
    EXPECT_EQ("bee", Content(target + "\\a\\b.txt"));
    EXPECT_TRUE(IsFolder(target + "\\a\\c"));
    EXPECT_EQ((std::set<std::string>{"a", "a\\b.txt", "a\\c"}), Tree(target));
}

TEST(ZipExtractor, FlattenKeepsFolderEntriesWhole) {
    TempFolder temp;
    std::string zip = temp.Join("pack.zip");
    ASSERT_TRUE(WriteZip(zip, {File("a/b.txt", "bee"), Folder("a/c/")}));
    std::string target = temp.Join("F");
    ASSERT_TRUE(UnzipToFolder(zip.c_str(), target.c_str(), true));
    EXPECT_EQ("bee", Content(target + "\\b.txt"));
    EXPECT_TRUE(IsFolder(target + "\\a\\c"));
    EXPECT_FALSE(FileExists(target + "\\a\\b.txt"));
}

TEST(ZipExtractor, EmptyOrMissingArchiveFails) {
    TempFolder temp;
    std::string zip = temp.Join("empty.zip");
    ASSERT_TRUE(WriteZip(zip, {}));
    EXPECT_FALSE(UnzipToFolder(zip.c_str(), temp.Join("F").c_str(), false));
    EXPECT_FALSE(UnzipToFolder(temp.Join("missing.zip").c_str(), temp.Join("G").c_str(), false));
    EXPECT_FALSE(FileExists(temp.Join("G")));
    ASSERT_TRUE(WriteWholeFile(temp.Join("junk.zip"), "this is not a zip archive at all"));
    EXPECT_FALSE(UnzipToFolder(temp.Join("junk.zip").c_str(), temp.Join("H").c_str(), false));
    ZipExtractor none;
    EXPECT_FALSE(none.Open(nullptr));
    EXPECT_FALSE(none.Open(""));
    EXPECT_EQ(0u, none.EntryCount());
    EXPECT_FALSE(none.ExtractAll(temp.Path().c_str(), false));
}

TEST(ZipExtractor, SecondUnpackReplacesFilesAndSetsTheStoredTime) {
    TempFolder temp;
    std::string target = temp.Join("F");
    std::string zip = temp.Join("pack.zip");
    ASSERT_TRUE(WriteZip(zip, {File("a/b.txt", "first")}));
    ASSERT_TRUE(UnzipToFolder(zip.c_str(), target.c_str(), false));
    ASSERT_TRUE(WriteZip(zip, {File("a/b.txt", "second, longer")}));
    ASSERT_TRUE(UnzipToFolder(zip.c_str(), target.c_str(), false));
    EXPECT_EQ("second, longer", Content(target + "\\a\\b.txt"));
    ExpectStoredTime(target + "\\a\\b.txt");
    // Nothing of the temporary files is left beside it.
    EXPECT_EQ((std::set<std::string>{"a", "a\\b.txt"}), Tree(target));
}

TEST(ZipExtractor, DefaultFolderIsTheArchiveWithoutItsExtension) {
    TempFolder temp;
    std::string zip = temp.Join("data.zip");
    ASSERT_TRUE(WriteZip(zip, {File("x.txt", "x")}));
    ZipExtractor extractor;
    ASSERT_TRUE(extractor.Open(zip.c_str()));
    EXPECT_EQ(temp.Join("data"), extractor.DefaultFolder());
    EXPECT_EQ(1u, extractor.EntryCount());
    ASSERT_TRUE(extractor.ExtractEntry(nullptr, nullptr, false, false, nullptr));
    EXPECT_EQ("x", Content(temp.Join("data\\x.txt")));
}

TEST(ZipExtractor, FindEntryMatchesExtensionsIgnoringCase) {
    TempFolder temp;
    std::string zip = temp.Join("pack.zip");
    ASSERT_TRUE(WriteZip(zip, {File("x.txt", "1"), File("y.dat", "2"), File("z.Txt", "3"),
                               File("README", "4"), File("dir.d/w", "5")}));
    ZipExtractor extractor;
    ASSERT_TRUE(extractor.Open(zip.c_str()));
    ZipEntryInfo info;
    ASSERT_TRUE(extractor.EntryInfo(&info));
    EXPECT_STREQ("x.txt", info.name);
    ASSERT_TRUE(extractor.FindEntry("TXT"));   // the current entry is never tested
    ASSERT_TRUE(extractor.EntryInfo(&info));
    EXPECT_STREQ("z.Txt", info.name);
    EXPECT_FALSE(extractor.FindEntry("TXT"));   // README and dir.d\w have no extension

    ASSERT_TRUE(extractor.Open(zip.c_str()));
    EXPECT_FALSE(extractor.FindEntry("d"));   // the dot of a folder name doesn't count
    ASSERT_TRUE(extractor.Open(zip.c_str()));
    EXPECT_TRUE(extractor.FindEntry(nullptr));   // no text: the next entry
    ASSERT_TRUE(extractor.EntryInfo(&info));
    EXPECT_STREQ("y.dat", info.name);
    EXPECT_EQ(kDosTime, info.dosDateTime);
    EXPECT_EQ(1u, info.uncompressedSize);
    EXPECT_FALSE(info.isFolder);
}

TEST(ZipExtractor, SuffixIsAddedToTheFileButNotToTheReportedPath) {
    TempFolder temp;
    std::string zip = temp.Join("pack.zip");
    ASSERT_TRUE(WriteZip(zip, {File("name.ext", "content")}));
    ZipExtractor extractor;
    ASSERT_TRUE(extractor.Open(zip.c_str()));
    std::string target = temp.Join("F");
    char output[260] = {};
    ASSERT_TRUE(extractor.ExtractEntry(target.c_str(), output, false, true, nullptr));
    EXPECT_EQ(target + "\\name.ext", std::string(output));
    EXPECT_EQ("content", Content(target + "\\name.ext.tmp"));
    EXPECT_FALSE(FileExists(target + "\\name.ext"));
    ASSERT_TRUE(extractor.ExtractEntry(target.c_str(), output, false, true, ".part"));
    EXPECT_EQ("content", Content(target + "\\name.ext.part"));
}

TEST(ZipExtractor, NamesThatLeaveTheFolderWriteNothing) {
    const char* unsafe[] = {
        "../../x.txt", "a/../../x.txt",   "..\\x.txt", "C:/x.txt",    "C:x.txt",
        "a:b",         "file.txt:stream", "/abs.txt",  "\\abs.txt",   "//server/share/x.txt",
        "a//b.txt",    "./a.txt",         "a/./b.txt", "..",          "CON",
        "sub/aux.txt", "nul.zip",         "x?.txt",    "dots./x.txt", "COM0",
        "lpt0.txt",    "a\x7F.txt",
    };
    for (const char* name : unsafe) {
        TempFolder temp;
        std::string zip = temp.Join("evil.zip");
        ASSERT_TRUE(WriteZip(zip, {File(name, "payload")})) << name;
        std::string target = temp.Join("in\\F");
        EXPECT_FALSE(UnzipToFolder(zip.c_str(), target.c_str(), false)) << name;
        EXPECT_FALSE(UnzipToFolder(zip.c_str(), target.c_str(), true)) << name << " (flattened)";
        // The only things under the temporary folder: the archive and the
        // empty target folder.
        EXPECT_EQ((std::set<std::string>{"evil.zip", "in", "in\\F"}), Tree(temp.Path())) << name;
    }
    // Folder entries, in flatten mode too.
    TempFolder temp;
    std::string zip = temp.Join("evil.zip");
    ASSERT_TRUE(WriteZip(zip, {Folder("../escaped/")}));
    EXPECT_FALSE(UnzipToFolder(zip.c_str(), temp.Join("in\\F").c_str(), true));
    EXPECT_FALSE(FileExists(temp.Join("in\\escaped")));
    EXPECT_FALSE(FileExists(temp.Join("escaped")));
}

TEST(ZipExtractor, LaterUnsafeEntryStopsTheExtraction) {
    TempFolder temp;
    std::string zip = temp.Join("mixed.zip");
    ASSERT_TRUE(
        WriteZip(zip, {File("good.txt", "g"), File("../bad.txt", "b"), File("after.txt", "a")}));
    std::string target = temp.Join("F");
    EXPECT_FALSE(UnzipToFolder(zip.c_str(), target.c_str(), false));
    EXPECT_EQ("g", Content(target + "\\good.txt"));
    EXPECT_FALSE(FileExists(temp.Join("bad.txt")));
    EXPECT_FALSE(FileExists(target + "\\after.txt"));
}

TEST(ZipExtractor, BadCrcFailsAndLeavesTheOldFileIntact) {
    TempFolder temp;
    std::string target = temp.Join("F");
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(target + "\\game.dat", "the good old file"));

    Entry corrupt = File("game.dat", "new content that the CRC doesn't match");
    corrupt.badCrc = true;
    std::string zip = temp.Join("crc.zip");
    ASSERT_TRUE(WriteZip(zip, {corrupt}));
    EXPECT_FALSE(UnzipToFolder(zip.c_str(), target.c_str(), false));
    EXPECT_EQ("the good old file", Content(target + "\\game.dat"));
    EXPECT_EQ((std::set<std::string>{"game.dat"}), Tree(target));   // no temporary file left

    Entry broken = File("game.dat", "\xff\xfe\xfd not deflate data at all");
    broken.badDeflate = true;
    ASSERT_TRUE(WriteZip(zip, {broken}));
    EXPECT_FALSE(UnzipToFolder(zip.c_str(), target.c_str(), false));
    EXPECT_EQ("the good old file", Content(target + "\\game.dat"));
    EXPECT_EQ((std::set<std::string>{"game.dat"}), Tree(target));
}

TEST(ZipExtractor, TruncatedArchiveFails) {
    TempFolder temp;
    std::string zip = temp.Join("big.zip");
    std::string data;
    for (int i = 0; i < 200000; ++i) data += char('A' + (i * 7919) % 26);
    Entry entry = File("big.txt", data);
    entry.stored = true;
    ASSERT_TRUE(WriteZip(zip, {entry}));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(zip, &bytes));
    // Damage the middle of the stored data.
    bytes[bytes.size() / 2] ^= 0x55;
    ASSERT_TRUE(WriteWholeFile(zip, bytes));
    EXPECT_FALSE(UnzipToFolder(zip.c_str(), temp.Join("F").c_str(), false));
    EXPECT_FALSE(FileExists(temp.Join("F\\big.txt")));
}

TEST(ZipExtractor, EntryDataEndingBeforeItsStoredSizeFails) {
    // The data of each entry is a whole stream for only the first part of the
    // content, while its directory gives the size and CRC of all of it: the
    // library reads to the early end without complaint and checks no CRC.
    std::string whole;
    for (int i = 0; i < 5000; ++i) whole += char('a' + (i * 31) % 26);
    std::string part = whole.substr(0, 1200);

    Entry deflated = File("game.dat", Deflate(part));
    ASSERT_FALSE(deflated.data.empty());
    deflated.declared = whole;
    Entry stored = File("game.dat", part);
    stored.stored = true;
    stored.declared = whole;

    for (const Entry& entry : {deflated, stored}) {
        TempFolder temp;
        std::string target = temp.Join("F");
        ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
        ASSERT_TRUE(WriteWholeFile(target + "\\game.dat", "the good old file"));
        std::string zip = temp.Join("short.zip");
        ASSERT_TRUE(WriteZip(zip, {entry})) << entry.stored;
        EXPECT_FALSE(UnzipToFolder(zip.c_str(), target.c_str(), false)) << entry.stored;
        EXPECT_EQ("the good old file", Content(target + "\\game.dat")) << entry.stored;
        EXPECT_EQ((std::set<std::string>{"game.dat"}), Tree(target)) << entry.stored;
    }
}

TEST(ZipExtractor, EncryptedEntryIsRefused) {
    TempFolder temp;
    std::string zip = temp.Join("locked.zip");
    Entry secret = File("secret.txt", "only with the password");
    secret.password = "pw";
    ASSERT_TRUE(WriteZip(zip, {secret}));
    EXPECT_FALSE(UnzipToFolder(zip.c_str(), temp.Join("F").c_str(), false));
    EXPECT_FALSE(FileExists(temp.Join("F\\secret.txt")));
}

TEST(ZipExtractor, OverlongNamesAndPathsAreRefused) {
    TempFolder temp;
    std::string longName(300, 'n');
    std::string zip = temp.Join("long.zip");
    ASSERT_TRUE(WriteZip(zip, {File(longName, "x")}));
    ZipExtractor extractor;
    ASSERT_TRUE(extractor.Open(zip.c_str()));
    ZipEntryInfo info;
    ASSERT_TRUE(extractor.EntryInfo(&info));
    EXPECT_EQ(260u, std::strlen(info.name));   // described cut...
    EXPECT_TRUE(info.nameCut);
    EXPECT_FALSE(extractor.ExtractEntry(temp.Join("F").c_str(), nullptr, false, false, nullptr));
    EXPECT_EQ((std::set<std::string>{"long.zip", "F"}),
              Tree(temp.Path()));   // ...never written cut

    // A short name that only overflows joined to a deep folder.
    std::string deep = temp.Path();
    while (deep.size() < 230) deep += "\\dddddddddd";
    std::string zip2 = temp.Join("deep.zip");
    ASSERT_TRUE(WriteZip(zip2, {File(std::string(40, 'f') + ".txt", "x")}));
    EXPECT_FALSE(UnzipToFolder(zip2.c_str(), deep.c_str(), false));
}

TEST(ZipExtractor, DoubleByteFolderWithTrailByte5C) {
    TempFolder temp;
    ASSERT_DOUBLE_BYTE_NAMES_WORK(temp.Path());
    std::string shallow = "\x9C\x5C";   // 淺
    std::string zip = temp.Join("gbk.zip");
    ASSERT_TRUE(
        WriteZip(zip, {Folder(shallow + "/"), File(shallow + "/" + shallow + ".txt", "gbk")}));
    std::string target = temp.Join("F");
    ASSERT_TRUE(UnzipToFolder(zip.c_str(), target.c_str(), false));
    EXPECT_TRUE(IsFolder(target + "\\" + shallow));
    EXPECT_EQ("gbk", Content(target + "\\" + shallow + "\\" + shallow + ".txt"));
    EXPECT_EQ((std::set<std::string>{shallow, shallow + "\\" + shallow + ".txt"}), Tree(target));

    // EnsureFolder under a 0x5C-ending name, straight.
    std::string nested = temp.Join(shallow + "\\x\\" + shallow);
    EXPECT_TRUE(EnsureFolder(nested.c_str()));
    EXPECT_TRUE(IsFolder(nested));
    EXPECT_EQ((std::set<std::string>{"gbk.zip", "F", "F\\" + shallow,
                                     "F\\" + shallow + "\\" + shallow + ".txt", shallow,
                                     shallow + "\\x", shallow + "\\x\\" + shallow}),
              Tree(temp.Path()));
}

TEST(ZipExtractor, EnsureFolderAndParentFolder) {
    TempFolder temp;
    EXPECT_FALSE(EnsureFolder(nullptr));
    EXPECT_FALSE(EnsureFolder(""));
    EXPECT_TRUE(EnsureFolder(temp.Join("a\\b\\c\\").c_str()));
    EXPECT_TRUE(IsFolder(temp.Join("a\\b\\c")));
    EXPECT_TRUE(EnsureParentFolder(temp.Join("p\\q\\file.txt").c_str()));
    EXPECT_TRUE(IsFolder(temp.Join("p\\q")));
    EXPECT_FALSE(FileExists(temp.Join("p\\q\\file.txt")));
    EXPECT_FALSE(EnsureParentFolder("file.txt"));
}

TEST(ZipExtractor, ReadOnlyTargetIsNotReplaced) {
    TempFolder temp;
    std::string target = temp.Join("F");
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    std::string file = target + "\\game.dat";
    ASSERT_TRUE(WriteWholeFile(file, "old"));
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    std::string zip = temp.Join("new.zip");
    ASSERT_TRUE(WriteZip(zip, {File("game.dat", "new")}));
    EXPECT_FALSE(UnzipToFolder(zip.c_str(), target.c_str(), false));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ("old", Content(file));
    EXPECT_EQ((std::set<std::string>{"game.dat"}), Tree(target));
}

TEST(ZipExtractor, LinkEntryIsRefused) {
    // A Unix symbolic link to a file outside; unpacked as a file it would
    // hold the link's target text.
    TempFolder temp;
    Entry link = File("link", "../../outside.txt");
    link.unixMode = 0120777;
    std::string zip = temp.Join("link.zip");
    ASSERT_TRUE(WriteZip(zip, {File("a.txt", "a"), link}));
    std::string target = temp.Join("F");
    EXPECT_FALSE(UnzipToFolder(zip.c_str(), target.c_str(), false));
    EXPECT_FALSE(FileExists(target + "\\link"));
    Entry plain = File("b.txt", "b");
    plain.unixMode = 0100644;   // a regular file from the same tools unpacks
    ASSERT_TRUE(WriteZip(zip, {plain}));
    EXPECT_TRUE(UnzipToFolder(zip.c_str(), target.c_str(), false));
    EXPECT_EQ("b", Content(target + "\\b.txt"));
}
