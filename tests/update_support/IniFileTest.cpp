// The INI file: lookups, the format it reads and writes, and round trips
// that must keep every line of a real "Config.ini".
#include "update/support/IniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <clocale>
#include <cstdlib>

namespace {

using testsupport::ReadWholeFile;
using testsupport::TempFolder;
using testsupport::WriteWholeFile;

std::string Content(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, &bytes) ? bytes : std::string("<unreadable>");
}

// Reads `text` as a file, applies `change`, writes it back; returns the file.
template <class Change>
std::string RoundTrip(const std::string& text, Change change, bool* readResult = nullptr) {
    TempFolder folder;
    std::string path = folder.Join("Config.ini");
    WriteWholeFile(path, text);
    IniFile ini(path);
    bool read = ini.Read();
    if (readResult) *readResult = read;
    change(ini);
    EXPECT_TRUE(ini.Write());
    return Content(path);
}

void Nothing(IniFile&) {}

}   // namespace

TEST(IniFile, EdgeCasesOfTheFormat) {
    struct Case {
        const char* name;
        std::string input;
        std::string written;
    } cases[] = {
        {"lookups ignore case and keep the stored case", "[Version]\r\nupdate=0\r\n",
         "[Version]\r\nupdate=1\r\n\r\n"},
        {"spaces around key, '=' and value go; a value keeps further '=' and ';'",
         "[s]\r\n  key  =  a=b ; c  \r\n", "[s]\r\nkey=a=b ; c\r\n\r\n"},
        {"'[ A ]' names ' A ', another section than 'A'", "[ A ]\r\nx=1\r\n[A]\r\ny=2\r\n",
         "[ A ]\r\nx=1\r\n\r\n[A]\r\ny=2\r\n\r\n"},
        {"a repeated header makes an empty second record; later keys go to the first",
         "[s]\nk=1\n[S]\nj=2\n", "[s]\r\nk=1\r\nj=2\r\n\r\n[S]\r\n\r\n"},
        {"a repeated key keeps the key once with the last value", "[s]\nk=1\nK=2\n",
         "[s]\r\nk=2\r\n\r\n"},
        {"an unclosed header and lines without ;#[= are dropped", "[s]\nk=1\n[broken\njust text\n",
         "[s]\r\nk=1\r\n\r\n"},
        {"'#' comments come back with ';', section comments before keys",
         "#top\n[s]\nk=1\n#inner\n", ";top\r\n\r\n[s]\r\n;inner\r\nk=1\r\n\r\n"},
        {"text before the first structural character is ignored", "[s]\nx;y=z\n",
         "[s]\r\n;y=z\r\n\r\n"},
        {"keys before any header land in the section named \"\"", "k=1\n[s]\n",
         "[]\r\nk=1\r\n\r\n[s]\r\n\r\n"},
        {"double-byte lines and a byte-order mark are printable",
         "\xEF\xBB\xBF;bom\n[\xD6\xD0\xCE\xC4]\n\xC3\xFB=\xD6\xB5\n",
         ";bom\r\n\r\n[\xD6\xD0\xCE\xC4]\r\n\xC3\xFB=\xD6\xB5\r\n\r\n"},
    };
    for (const Case& c : cases) {
        std::string written = RoundTrip(c.input, [&](IniFile& ini) {
            if (std::string(c.name).rfind("lookups", 0) == 0) {
                EXPECT_TRUE(ini.SetIntValue("VERSION", "Update", 1));
            }
        });
        EXPECT_EQ(c.written, written) << c.name;
    }
}

TEST(IniFile, ByteOrderMarkLineKeepsItsBytesInTheComment) {
    // The mark belongs to the text before ';' and is dropped with it: the
    // same rule as for any text before a structural character.
    std::string written = RoundTrip("\xEF\xBB\xBF[s]\nk=1\n", Nothing);
    EXPECT_EQ("[s]\r\nk=1\r\n\r\n", written);
}

TEST(IniFile, SetValueWithoutCreateChangesNothing) {
    TempFolder folder;
    std::string path = folder.Join("a.ini");
    IniFile ini(path);
    EXPECT_FALSE(ini.SetValue("s", "k", "v", false));
    EXPECT_EQ(-1, ini.FindSection("s"));
    EXPECT_TRUE(ini.SetValue("s", "k", "v", true));
    EXPECT_FALSE(ini.SetValue("s", "other", "v", false));
    EXPECT_EQ(-1, ini.FindValue(0, "other"));
    EXPECT_TRUE(ini.SetValue("S", "K", "w", false));
    EXPECT_EQ(0, ini.FindValue(0, "k"));
    EXPECT_EQ(-1, ini.FindValue(5, "k"));
    EXPECT_FALSE(ini.AddSectionComment(3, "x"));
    EXPECT_FALSE(ini.AddSectionCommentByName("none", "x"));
    ASSERT_TRUE(ini.Write());
    EXPECT_EQ("[s]\r\nk=w\r\n\r\n", Content(path));
}

TEST(IniFile, ReadResults) {
    TempFolder folder;
    IniFile missing(folder.Join("missing.ini"));
    EXPECT_FALSE(missing.Read());

    bool read = true;
    std::string written = RoundTrip(";only a comment\n", Nothing, &read);
    EXPECT_FALSE(read);   // no section and no key
    EXPECT_EQ(";only a comment\r\n\r\n", written);

    RoundTrip("k=v\n", Nothing, &read);
    EXPECT_TRUE(read);
}

TEST(IniFile, FileThatCouldNotBeReadIsNeverReplaced) {
    // The task reads, sets its flag and writes without looking at Read's
    // result: a Config.ini that another program held while it was read must
    // not come back as the one line the object holds.
    TempFolder folder;
    std::string path = folder.Join("Config.ini");
    const std::string original = "[VERSION]\r\nUpdate=0\r\n[User]\r\nname=someone\r\n";
    ASSERT_TRUE(WriteWholeFile(path, original));
    IniFile ini(path);
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(ini.Read());
    CloseHandle(held);
    EXPECT_TRUE(ini.SetIntValue("VERSION", "Update", 1));
    EXPECT_FALSE(ini.Write());
    EXPECT_EQ(original, Content(path));

    // Once it is free, the next change is written back whole.
    IniFile again(path);
    ASSERT_TRUE(again.Read());
    EXPECT_TRUE(again.SetIntValue("VERSION", "Update", 1));
    ASSERT_TRUE(again.Write());
    EXPECT_EQ("[VERSION]\r\nUpdate=1\r\n\r\n[User]\r\nname=someone\r\n\r\n", Content(path));

    // A missing file is simply made.
    IniFile fresh(folder.Join("new.ini"));
    EXPECT_FALSE(fresh.Read());
    EXPECT_TRUE(fresh.SetIntValue("VERSION", "Update", 1));
    EXPECT_TRUE(fresh.Write());
    EXPECT_EQ("[VERSION]\r\nUpdate=1\r\n\r\n", Content(folder.Join("new.ini")));
}

TEST(IniFile, CaseFoldingLeavesDoubleByteCharactersAlone) {
    IniFile ini("unused.ini");
    // 0xC4 0x41 and 0xC4 0x61 are two different GBK characters whose trail
    // bytes are 'A' and 'a'.
    EXPECT_EQ(std::string("\xC4\x41x"), ini.FoldCase("\xC4\x41X"));
    EXPECT_NE(ini.FoldCase("\xC4\x41"), ini.FoldCase("\xC4\x61"));
    EXPECT_EQ("abc[]", ini.FoldCase("AbC[]"));
    ini.SetValue("\xC4\x41", "k", "1", true);
    EXPECT_EQ(-1, ini.FindSection("\xC4\x61"));
    EXPECT_EQ(0, ini.FindSection("\xC4\x41"));
}

TEST(IniFile, LeavesTheProcessLocaleAlone) {
    _putenv("LANG=zh_CN.UTF-8");
    _putenv("LC_ALL=zh_CN.UTF-8");
    std::string before = std::setlocale(LC_ALL, nullptr);
    TempFolder folder;
    std::string path = folder.Join("a.ini");
    WriteWholeFile(path, "[s]\nk=1\n");
    {
        IniFile ini(path);
        EXPECT_TRUE(ini.Read());
        EXPECT_TRUE(ini.Write());
    }
    EXPECT_EQ(before, std::setlocale(LC_ALL, nullptr));
}

TEST(IniFile, PartlyReadFileKeepsEveryUnreadLine) {
    // A tab starts a line: Read stops there. Every line from it on must
    // come back as it was.
    std::string original =
        "[VERSION]\r\nUpdate=0\r\n[Server]\r\n\tindented=1\r\nafter=2\r\n;note\r\n[Last]\r\nz="
        "9\r\n";
    bool read = true;
    std::string written = RoundTrip(
        original, [](IniFile& ini) { EXPECT_TRUE(ini.SetIntValue("VERSION", "Update", 1)); },
        &read);
    EXPECT_FALSE(read);
    EXPECT_EQ(
        "[VERSION]\r\nUpdate=1\r\n\r\n[Server]\r\n\r\n"
        "\tindented=1\r\nafter=2\r\n;note\r\n[Last]\r\nz=9\r\n",
        written);
}

TEST(IniFile, ControlByteZ26IsNoEndOfFile) {
    // Text-mode reading would stop at 0x1A and lose the rest.
    std::string original =
        "[a]\nk=1\n\x1A"
        "bad line\n[b]\nj=2\n";
    bool read = true;
    std::string written = RoundTrip(
        original, [](IniFile& ini) { ini.SetIntValue("a", "k", 5); }, &read);
    EXPECT_FALSE(read);
    EXPECT_EQ(
        "[a]\r\nk=5\r\n\r\n\x1A"
        "bad line\n[b]\nj=2\n",
        written);

    // A 0x1A inside a line is just a byte of it.
    written = RoundTrip("[a]\nk=x\x1Ay\n[b]\nj=2\n", Nothing, &read);
    EXPECT_TRUE(read);
    EXPECT_EQ("[a]\r\nk=x\x1Ay\r\n\r\n[b]\r\nj=2\r\n\r\n", written);
}

TEST(IniFile, WriteReplacesTheFileOnlyWhenComplete) {
    TempFolder folder;
    std::string path = folder.Join("Config.ini");
    ASSERT_TRUE(WriteWholeFile(path, "[s]\nk=1\n"));
    // A folder where the file should go: nothing can be written, nothing is
    // lost, and no stray temporary file stays.
    std::string blocked = folder.Join("blocked.ini");
    ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), nullptr));
    IniFile ini(blocked);
    ini.SetValue("s", "k", "2", true);
    EXPECT_FALSE(ini.Write());
    EXPECT_FALSE(testsupport::FileExists(blocked + ".new"));

    // A read-only file stays as it was.
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    IniFile readOnly(path);
    ASSERT_TRUE(readOnly.Read());
    readOnly.SetIntValue("s", "k", 2);
    EXPECT_FALSE(readOnly.Write());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ("[s]\nk=1\n", Content(path));
    EXPECT_FALSE(testsupport::FileExists(path + ".new"));
}

// Every rule of lookups at a size where a scan of every section and key per
// line (as reading once did) would not end within the test's time: first
// spellings kept, repeated keys replaced, a repeated header an empty record
// whose keys and comments go to the first, in any case. Written twice, the
// file comes back the same.
TEST(IniFile, ManySectionsAndKeysKeepEveryRule) {
    const int kSections = 50000;
    const int kKeys = 100000;
    std::string input, expected, firsts, repeats;
    for (int i = 0; i < kSections; ++i) {
        const std::string n = std::to_string(i);
        input += "[Section" + n + "]\nKey" + n + "=a\nKEY" + n + "=b\n;note" + n + "\n";
        firsts += "[Section" + n + "]\r\n;note" + n + "\r\n;again" + n + "\r\nKey" + n +
                  "=c\r\nExtra=" + n + "\r\n\r\n";
    }
    for (int i = 0; i < kSections; ++i) {
        const std::string n = std::to_string(i);
        input += "[SECTION" + n + "]\nkey" + n + "=c\n#again" + n + "\nExtra=" + n + "\n";
        repeats += "[SECTION" + n + "]\r\n\r\n";
    }
    input += "[Keys]\n";
    std::string keys = "[Keys]\r\n";
    for (int j = 0; j < kKeys; ++j) input += "name" + std::to_string(j) + "=1\n";
    for (int j = 0; j < kKeys; ++j) {
        input += "NAME" + std::to_string(j) + " = 2\n";
        keys += "name" + std::to_string(j) + "=2\r\n";
    }
    expected = firsts + repeats + keys + "\r\n";

    TempFolder folder;
    const std::string path = folder.Join("Config.ini");
    ASSERT_TRUE(WriteWholeFile(path, input));
    {
        IniFile ini(path);
        ASSERT_TRUE(ini.Read());
        EXPECT_EQ(kSections - 1, ini.FindSection("section" + std::to_string(kSections - 1)));
        EXPECT_EQ(2 * kSections, ini.FindSection("KEYS"));
        EXPECT_EQ(1, ini.FindValue(7, "EXTRA"));
        EXPECT_EQ(-1, ini.FindValue(kSections + 7, "extra"));
        EXPECT_EQ(kKeys - 1, ini.FindValue(2 * kSections, "Name" + std::to_string(kKeys - 1)));
        ASSERT_TRUE(ini.Write());
    }
    EXPECT_EQ(expected, Content(path));
    IniFile again(path);
    ASSERT_TRUE(again.Read());
    ASSERT_TRUE(again.Write());
    EXPECT_EQ(expected, Content(path));
}

TEST(IniFile, TrimCharsTrimsOnlyTheGivenBytes) {
    EXPECT_EQ("a b", TrimChars("  a b  ", " "));
    EXPECT_EQ("\ta\t", TrimChars(" \ta\t ", " "));
    EXPECT_EQ("", TrimChars("    ", " "));
    EXPECT_EQ("x", TrimChars("-+x+-", "+-"));
}
