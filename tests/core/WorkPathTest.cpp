// Work folder and path building: the join's edge cases, the refusal of
// over-long results, the root clamp, double-byte folder names and per-thread
// results.
#include "engine/core/EngineGlobals.h"
#include "engine/core/WorkPath.h"
#include "support/TestSupport.h"
#include "support/CurrentBuildOnly.h"

#include <gtest/gtest.h>
#include <process.h>

#include <cstring>
#include <string>

using testsupport::TempFolder;

namespace {

std::string Join(const char* relative, const char* base) {
    char out[kPathBufferSize] = {};
    const char* result = Nuvex::JoinPath(relative, base, out, kMaxPathChars);
    return result ? std::string(result) : std::string("<null>");
}

// The work folder set to a real folder of this test.
class WorkFolder {
public:
    WorkFolder() {
        Globals().Setup(nullptr);
        EXPECT_EQ(1, Nuvex::SetWorkPath(temp_.Path().c_str()));
    }
    const std::string& Path() const { return temp_.Path(); }

private:
    TempFolder temp_;
};

}   // namespace

TEST(JoinPath, ResolvesLeadingComponentsAgainstTheBase) {
    struct Case {
        const char* relative;
        const char* expected;
    } cases[] = {
        {"Skins\\Fetchpane.skin", "C:\\Games\\Host\\Skins\\Fetchpane.skin"},
        {"./a/b.txt", "C:\\Games\\Host\\a\\b.txt"},
        {"..\\x.png", "C:\\Games\\x.png"},
        {"\\data\\x", "C:\\data\\x"},
        {"a\\..\\b", "C:\\Games\\Host\\a\\..\\b"},
        {"", "C:\\Games\\Host\\"},
        {".\\.\\..\\Host\\y", "C:\\Games\\Host\\y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Join(c.relative, "C:\\Games\\Host")) << c.relative;
}

TEST(JoinPath, ClimbingPastTheDriveRootStaysAtTheRoot) {
    EXPECT_EQ("C:\\x", Join("..\\..\\..\\x", "C:\\Games\\Host"));
    EXPECT_EQ("C:\\x", Join("..\\..\\..\\..\\..\\x", "C:\\Games\\Host"));
    EXPECT_EQ("C:\\Games\\x", Join("..\\..\\..\\..\\Games\\x", "C:\\Games\\Host"));
}

TEST(JoinPath, DrivePathIsReturnedAsTheSamePointer) {
    const char* relative = "D:\\x";
    char out[kPathBufferSize] = {};
    EXPECT_EQ(relative, Nuvex::JoinPath(relative, "C:\\Games\\Host", out, kMaxPathChars));
    EXPECT_STREQ("D:\\x", relative);
}

TEST(JoinPath, NoBaseKeepsTheRelativeTextAndItsSlashes) {
    EXPECT_EQ("Skins/a.png", Join("Skins/a.png", ""));
    EXPECT_EQ("<null>", Join(nullptr, "C:\\x"));
    EXPECT_EQ("<null>", Join("a", nullptr));
}

TEST(JoinPath, ResultsOverTheLimitAreRefusedNotCut) {
    std::string base = "C:\\Games\\Host";   // 13 characters, 14 with the separator
    std::string fits(kMaxPathChars - 14, 'f');
    EXPECT_EQ(base + "\\" + fits, Join(fits.c_str(), base.c_str()));
    std::string tooLong = fits + ".zip";
    EXPECT_EQ("", Join(tooLong.c_str(), base.c_str()));
    std::string huge(5000, 'h');
    EXPECT_EQ("", Join(huge.c_str(), base.c_str()));

    // A caller's smaller limit is honoured the same way, and the output terminated.
    char out[16];
    std::memset(out, 'X', sizeof out);
    Nuvex::JoinPath("abcdefgh", "C:\\Games", out, 15);
    EXPECT_STREQ("", out);
    Nuvex::JoinPath("abcde", "C:\\Games", out, 15);
    EXPECT_STREQ("C:\\Games\\abcde", out);
}

TEST(JoinPath, DoubleByteTrailBytesAreNotSeparators) {
    // "淺" is 9C 5C in code page 936: its trail byte is the backslash byte.
    const char* folder = "C:\\淺";
    ASSERT_EQ(5u, std::strlen(folder));
    EXPECT_EQ(std::string("C:\\淺\\a"), Join("a", folder));
    EXPECT_EQ("C:\\x", Join("..\\x", folder));
    // Without a real backslash the separator stays '/'.
    EXPECT_EQ(std::string("淺/a/b"), Join("a/b", "淺"));
}

TEST(MakeWorkPath, JoinsUnderTheWorkFolderAndCopiesOut) {
    WorkFolder work;
    char dst[kPathBufferSize];
    const char* result = Nuvex::MakeWorkPath("Skins/a.png", dst, kMaxPathChars);
    EXPECT_EQ(work.Path() + "\\Skins\\a.png", result);
    EXPECT_STREQ(result, dst);
    EXPECT_EQ(work.Path() + "\\", Nuvex::MakeWorkPath("", nullptr, 0));
    const char* drive = "D:\\other";
    EXPECT_EQ(drive, Nuvex::MakeWorkPath(drive, dst, 0));
    EXPECT_STREQ(drive, dst);
}

TEST(MakeWorkPath, TooLongForTheCopyGivesAnEmptyCopy) {
    WorkFolder work;
    char dst[8];
    std::memset(dst, 'X', sizeof dst);
    const char* result = Nuvex::MakeWorkPath("abc", dst, 7);
    EXPECT_EQ(work.Path() + "\\abc", result);
    EXPECT_STREQ("", dst);
    std::string tooLong(kMaxPathChars, 'a');
    EXPECT_STREQ("", Nuvex::MakeWorkPath(tooLong.c_str(), nullptr, 0));
}

TEST(MakeWorkPath, ClearedWorkFolderLeavesTheTextAsItIs) {
    ASSERT_EQ(1, Nuvex::SetWorkPath(""));
    EXPECT_STREQ("Skins/a.png", Nuvex::MakeWorkPath("Skins/a.png", nullptr, 0));
    char out[4] = {'X', 'X', 'X', 'X'};
    EXPECT_STREQ("", Nuvex::GetWorkPath(out, sizeof out));
    EXPECT_STREQ("", out);
}

namespace {

struct WorkerCheck {
    const char* relative;
    std::string expected;
    int mismatches = 0;
};

void CheckMakeWorkPath(WorkerCheck* check) {
    for (int i = 0; i < 10000; ++i) {
        const char* result = Nuvex::MakeWorkPath(check->relative, nullptr, 0);
        // Give the other threads a chance to overwrite a shared buffer.
        if ((i & 63) == 0) Sleep(0);
        if (check->expected != result) ++check->mismatches;
    }
}

unsigned __stdcall WorkerMain(void* arg) {
    CheckMakeWorkPath(static_cast<WorkerCheck*>(arg));
    return 0;
}

}   // namespace

TEST(MakeWorkPath, EachThreadKeepsItsOwnResult) {
    WorkFolder work;
    WorkerCheck checks[3] = {
        {"ui\\thread.txt", work.Path() + "\\ui\\thread.txt"},
        {"worker/one.bin", work.Path() + "\\worker\\one.bin"},
        {"..\\second\\file.zip", ""},
    };
    std::string parent = work.Path().substr(0, work.Path().rfind('\\'));
    checks[2].expected = parent + "\\second\\file.zip";
    HANDLE threads[2];
    for (int i = 0; i < 2; ++i) {
        threads[i] = reinterpret_cast<HANDLE>(
            _beginthreadex(nullptr, 0, &WorkerMain, &checks[i + 1], 0, nullptr));
        ASSERT_NE(nullptr, threads[i]);
    }
    CheckMakeWorkPath(&checks[0]);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, threads, TRUE, 60000));
    for (HANDLE h : threads) CloseHandle(h);
    for (const WorkerCheck& c : checks) EXPECT_EQ(0, c.mismatches) << c.relative;
}

TEST(SetWorkPath, StripsTrailingSeparatorsAndTurnsSlashes) {
    TempFolder temp;
    Globals().Setup(nullptr);
    std::string slashed = temp.Path();
    for (char& c : slashed)
        if (c == '\\') c = '/';
    ASSERT_EQ(1, Nuvex::SetWorkPath((slashed + "\\/\\").c_str()));
    EXPECT_EQ(temp.Path(), Nuvex::GetWorkPath(nullptr, 0));
}

TEST(SetWorkPath, RefusesWhatIsNotOneExistingFolderAndKeepsTheOld) {
    TempFolder temp;
    Globals().Setup(nullptr);
    ASSERT_EQ(1, Nuvex::SetWorkPath(temp.Path().c_str()));
    ASSERT_TRUE(testsupport::WriteWholeFile(temp.Join("file.txt"), "x"));
    ASSERT_TRUE(CreateDirectoryA(temp.Join("Host").c_str(), nullptr));

    const std::string refused[] = {
        "relative\\folder",
        temp.Join("missing"),
        temp.Join("file.txt"),
        temp.Join("H*"),   // a pattern would match the folder Host
        temp.Join("Hos?"),
        "C:",   // the drive's current folder, not its root
        temp.Path() + "\\" + std::string(300, 'a'),
    };
    for (const std::string& folder : refused) {
        EXPECT_EQ(0, Nuvex::SetWorkPath(folder.c_str())) << folder;
        EXPECT_EQ(temp.Path(), Nuvex::GetWorkPath(nullptr, 0));
    }
    EXPECT_EQ(1, Nuvex::SetWorkPath(temp.Join("Host").c_str()));
}

TEST(SetWorkPath, ADriveRootIsAWorkFolderAndKeepsItsBackslash) {
    CURRENT_BUILD_ONLY("the older build's module folder keeps its trailing backslash");
    Globals().Setup(nullptr);
    for (const char* root : {"C:\\", "C:/", "C:\\/\\"}) {
        ASSERT_EQ(1, Nuvex::SetWorkPath(root)) << root;
        EXPECT_STREQ("C:\\", Nuvex::GetWorkPath(nullptr, 0)) << root;
    }
    EXPECT_STREQ("C:\\Skins\\a.png", Nuvex::MakeWorkPath("Skins/a.png", nullptr, 0));
    EXPECT_STREQ("C:\\x.png", Nuvex::MakeWorkPath("..\\x.png", nullptr, 0));
    EXPECT_STREQ("C:\\", Nuvex::MakeWorkPath("", nullptr, 0));
    char out[kPathBufferSize];
    EXPECT_STREQ("C:\\Index.xml", Nuvex::MakeAbsolutePath("Index.xml", out, kMaxPathChars));

    // The root of a drive that is not there is refused like a missing folder.
    const DWORD drives = GetLogicalDrives();
    char missing[] = "?:\\";
    for (char letter = 'Z'; letter > 'C' && missing[0] == '?'; --letter)
        if (!(drives & (1u << (letter - 'A')))) missing[0] = letter;
    ASSERT_NE('?', missing[0]);
    EXPECT_EQ(0, Nuvex::SetWorkPath(missing));
    EXPECT_STREQ("C:\\", Nuvex::GetWorkPath(nullptr, 0));

    // A module in a drive root: its folder, and so the default work folder,
    // is the root as well.
    const std::string module = "C:\\fpcore_root_" + std::to_string(GetCurrentProcessId()) + ".dll";
    ASSERT_TRUE(
        CopyFileA((testsupport::ExeFolder() + "\\fake_audio.dll").c_str(), module.c_str(), FALSE));
    HMODULE loaded = LoadLibraryA(module.c_str());
    EXPECT_NE(nullptr, loaded);
    if (loaded) {
        Globals().Setup(loaded);
        EXPECT_STREQ("C:\\", Nuvex::GetModuleFolder());
        EXPECT_STREQ("C:\\", Nuvex::GetWorkPath(nullptr, 0));
        Globals().Setup(nullptr);
        FreeLibrary(loaded);
    }
    DeleteFileA(module.c_str());
}

TEST(SetWorkPath, NullRestoresTheModuleFolderAndEmptyClears) {
    CURRENT_BUILD_ONLY("the older build's module folder keeps its trailing backslash");
    TempFolder temp;
    Globals().Setup(nullptr);
    std::string exeFolder = testsupport::ExeFolder();
    EXPECT_EQ(exeFolder, Nuvex::GetModuleFolder());
    EXPECT_EQ(exeFolder, Nuvex::GetWorkPath(nullptr, 0));
    ASSERT_EQ(1, Nuvex::SetWorkPath(temp.Path().c_str()));
    EXPECT_EQ(1, Nuvex::SetWorkPath(nullptr));
    EXPECT_EQ(exeFolder, Nuvex::GetWorkPath(nullptr, 0));
    EXPECT_EQ(1, Nuvex::SetWorkPath(""));
    EXPECT_STREQ("", Nuvex::GetWorkPath(nullptr, 0));
}

TEST(SetWorkPath, AcceptsAFolderEndingInATrailByteBackslash) {
    TempFolder temp;
    Globals().Setup(nullptr);
    std::string folder = temp.Join("淺");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr))
        << "error " << GetLastError()
        << ": the file system takes no double-byte names (is the zh_CN.UTF-8 locale generated?)";
    ASSERT_EQ(1, Nuvex::SetWorkPath((folder + "\\").c_str()));
    EXPECT_EQ(folder, Nuvex::GetWorkPath(nullptr, 0));
    EXPECT_EQ(temp.Join("x.png"), Nuvex::MakeWorkPath("..\\x.png", nullptr, 0));
    EXPECT_EQ(folder + "\\a\\b", Nuvex::MakeWorkPath("a/b", nullptr, 0));
}

TEST(GetWorkPath, CopyIsTerminatedAndNeverCut) {
    WorkFolder work;
    std::string path = work.Path();
    char big[kPathBufferSize];
    EXPECT_EQ(path, Nuvex::GetWorkPath(big, sizeof big));
    EXPECT_EQ(path, big);
    char small[6];
    std::memset(small, 'X', sizeof small);
    Nuvex::GetWorkPath(small, sizeof small);
    EXPECT_STREQ("", small);
}

TEST(MakeAbsolutePath, PrefixesTheWorkFolderUnlessAbsolute) {
    WorkFolder work;
    char out[kPathBufferSize];
    EXPECT_EQ(work.Path() + "\\Index.xml",
              Nuvex::MakeAbsolutePath("Index.xml", out, kMaxPathChars));
    EXPECT_STREQ("\\tmp\\x", Nuvex::MakeAbsolutePath("/tmp/x", out, kMaxPathChars));
    EXPECT_STREQ("D:\\a\\b", Nuvex::MakeAbsolutePath("D:/a/b", out, kMaxPathChars));
    EXPECT_EQ(work.Path(), Nuvex::MakeAbsolutePath("", out, kMaxPathChars));
    EXPECT_EQ(nullptr, Nuvex::MakeAbsolutePath(nullptr, out, kMaxPathChars));

    std::string tooLong(kMaxPathChars - work.Path().size(), 'n');
    EXPECT_STREQ("", Nuvex::MakeAbsolutePath(tooLong.c_str(), out, kMaxPathChars));
    tooLong.pop_back();
    EXPECT_EQ(work.Path() + "\\" + tooLong,
              Nuvex::MakeAbsolutePath(tooLong.c_str(), out, kMaxPathChars));
}

TEST(FindFile, EnumeratesFilesAndSkipsFolders) {
    WorkFolder work;
    ASSERT_TRUE(CreateDirectoryA((work.Path() + "\\dir1").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((work.Path() + "\\dir2").c_str(), nullptr));
    EXPECT_EQ(nullptr, Nuvex::FindFile("dir*"));
    EXPECT_EQ(nullptr, Nuvex::FindFile(nullptr));   // no search was left open

    ASSERT_TRUE(testsupport::WriteWholeFile(work.Path() + "\\a.txt", "a"));
    ASSERT_TRUE(testsupport::WriteWholeFile(work.Path() + "\\b.txt", "b"));
    ASSERT_TRUE(CreateDirectoryA((work.Path() + "\\c.txt").c_str(), nullptr));
    std::string found;
    for (const char* name = Nuvex::FindFile("*.txt"); name; name = Nuvex::FindFile(nullptr))
        found += std::string(name) + ";";
    EXPECT_TRUE(found == "a.txt;b.txt;" || found == "b.txt;a.txt;") << found;
    EXPECT_EQ(nullptr, Nuvex::FindFile(nullptr));
}

TEST(ToBackslashes, ConvertsInPlace) {
    char text[] = "a/b/c\\d";
    EXPECT_EQ(text, Nuvex::ToBackslashes(text));
    EXPECT_STREQ("a\\b\\c\\d", text);
    EXPECT_EQ(nullptr, Nuvex::ToBackslashes(nullptr));
    Nuvex::FreeBuffer(nullptr);
}
