// Path parts, trims and folder walks over ANSI paths whose double-byte
// characters may end in 0x5C (淺 = 9C 5C, 乗 = 81 5C under code page 936).
#include "update/support/FileUtils.h"
#include "support/TestSupport.h"
#include "DbcsNames.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

const std::string kShallow = "\x9C\x5C";   // 淺
const std::string kRide = "\x81\x5C";      // 乗

using testsupport::FileExists;
using testsupport::TempFolder;
using testsupport::WriteWholeFile;

bool IsFolder(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The names directly in a folder.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

// An event handle that closes itself.
struct Event {
    HANDLE h = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Event() { CloseHandle(h); }
};

}   // namespace

TEST(FileUtils, FolderAndFileParts) {
    EXPECT_EQ("a/b\\", GetFolderPart("a/b\\c/d"));   // a '\' anywhere wins over a later '/'
    EXPECT_EQ("c/d", GetFileNamePart("a/b\\c/d"));
    EXPECT_EQ("a/", GetFolderPart("a/b"));
    EXPECT_EQ("b", GetFileNamePart("a/b"));
    EXPECT_EQ("", GetFolderPart("name.txt"));
    EXPECT_EQ("name.txt", GetFileNamePart("name.txt"));
    // The trail byte of 淺 is not a separator.
    EXPECT_EQ("x\\", GetFolderPart("x\\" + kShallow));
    EXPECT_EQ(kShallow, GetFileNamePart("x\\" + kShallow));
    EXPECT_EQ("", GetFolderPart(kRide + "a"));
    EXPECT_EQ("d\\" + kShallow + "\\", GetFolderPart("d\\" + kShallow + "\\f"));
}

TEST(FileUtils, SlashesAndTrailingBackslashes) {
    EXPECT_EQ("a/b/" + kShallow + "/c", ToForwardSlashes("a\\b\\" + kShallow + "\\c"));

    std::string path = "C:\\dir  ";
    AddTrailingBackslash(path);
    EXPECT_EQ("C:\\dir\\", path);
    AddTrailingBackslash(path);
    EXPECT_EQ("C:\\dir\\", path);
    path = "C:\\" + kShallow;   // ends in 0x5C, but not in a '\'
    AddTrailingBackslash(path);
    EXPECT_EQ("C:\\" + kShallow + "\\", path);
    path = "";
    AddTrailingBackslash(path);
    EXPECT_EQ("", path);

    path = "C:\\dir\\\\ ";
    StripTrailingBackslash(path);
    EXPECT_EQ("C:\\dir\\", path);   // only one of two goes
    path = "C:\\" + kShallow;
    StripTrailingBackslash(path);
    EXPECT_EQ("C:\\" + kShallow, path);   // the trail byte stays
    path = "";
    StripTrailingBackslash(path);
    EXPECT_EQ("", path);
}

TEST(FileUtils, FileSizeAndExistence) {
    TempFolder folder;
    std::string file = folder.Join("five.bin");
    ASSERT_TRUE(WriteWholeFile(file, "12345"));
    EXPECT_EQ(5.0, GetFileSizeAsDouble(file.c_str()));
    EXPECT_EQ(0.0, GetFileSizeAsDouble(folder.Join("none").c_str()));
    EXPECT_TRUE(PathExists(file));
    EXPECT_FALSE(PathExists(folder.Join("none")));

    EXPECT_FALSE(FolderExists(file));
    EXPECT_TRUE(FolderExists(folder.Path() + "\\"));
    EXPECT_TRUE(FolderExists(folder.Path()));
    EXPECT_FALSE(FolderExists(folder.Path() + "\\*"));   // exact: no wildcard match
    EXPECT_FALSE(FolderExists(""));
}

TEST(FileUtils, CreateFolderPathMakesEveryLevel) {
    TempFolder folder;
    EXPECT_FALSE(CreateFolderPath(""));
    EXPECT_TRUE(CreateFolderPath("C:\\"));
    std::string deep = folder.Join("t\\a\\b\\");
    EXPECT_TRUE(CreateFolderPath(deep.c_str()));
    EXPECT_TRUE(IsFolder(folder.Join("t\\a")));
    EXPECT_TRUE(IsFolder(folder.Join("t\\a\\b")));
    EXPECT_TRUE(CreateFolderPath(deep.c_str()));   // existing: fine

    // A file in the way stops it.
    ASSERT_TRUE(WriteWholeFile(folder.Join("file"), "x"));
    EXPECT_FALSE(CreateFolderPath(folder.Join("file\\sub").c_str()));
}

// Tasks started together make the same folders at the same time.
TEST(FileUtils, CreateFolderPathRacingItselfSucceedsEverywhere) {
    TempFolder folder;
    struct Race {
        std::string path;
        LONG made = 0;
        static DWORD WINAPI Run(void* race) {
            Race* r = static_cast<Race*>(race);
            if (CreateFolderPath(r->path.c_str())) InterlockedIncrement(&r->made);
            return 0;
        }
    };
    for (int round = 0; round < 20; ++round) {
        Race race;
        race.path = folder.Join("r" + std::to_string(round) + "\\Update\\Games\\G");
        HANDLE threads[4];
        for (HANDLE& t : threads) t = CreateThread(nullptr, 0, &Race::Run, &race, 0, nullptr);
        WaitForMultipleObjects(4, threads, TRUE, INFINITE);
        for (HANDLE t : threads) CloseHandle(t);
        EXPECT_EQ(4, race.made) << round;
    }
}

TEST(FileUtils, DoubleByteFolderIsCreatedAndRemovedWhole) {
    TempFolder folder;
    ASSERT_DOUBLE_BYTE_NAMES_WORK(folder.Path());
    // 淺\乗\x: a byte-wise cut at the 0x5C trail bytes would create folders
    // named by lone lead bytes.
    std::string top = folder.Join(kShallow);
    std::string deep = top + "\\" + kRide + "\\x";
    ASSERT_TRUE(CreateFolderPath(deep.c_str()));
    EXPECT_TRUE(IsFolder(top));
    EXPECT_TRUE(IsFolder(top + "\\" + kRide));
    EXPECT_TRUE(IsFolder(deep));
    // No junk folder named by a lone lead byte beside it.
    EXPECT_EQ(std::vector<std::string>{kShallow}, Names(folder.Path()));
    EXPECT_EQ(std::vector<std::string>{kRide}, Names(top));
    ASSERT_TRUE(WriteWholeFile(deep + "\\" + kShallow + ".txt", "data"));

    EXPECT_TRUE(RemoveFolder(top.c_str(), nullptr, false));
    EXPECT_FALSE(FileExists(top));
    EXPECT_TRUE(IsFolder(folder.Path()));   // its parent stays
}

TEST(FileUtils, PathsOverTheLimitAreRefusedNotCut) {
    TempFolder folder;
    std::string shortName = folder.Join("keep");
    ASSERT_TRUE(CreateFolderPath(shortName.c_str()));
    ASSERT_TRUE(WriteWholeFile(shortName + "\\f.txt", "x"));
    // A 259-character cut of this path would be `keep` (padded by the name).
    std::string longPath = shortName + std::string(1, '\\') + std::string(300, 'n');
    EXPECT_FALSE(CreateFolderPath(longPath.c_str()));
    EXPECT_FALSE(RemoveFolder(longPath.c_str(), nullptr, false));
    EXPECT_FALSE(DeleteFolderContents(longPath.c_str(), true, nullptr, nullptr, false));
    EXPECT_TRUE(FileExists(shortName + "\\f.txt"));
}

TEST(FileUtils, RemoveFolderCases) {
    TempFolder folder;
    EXPECT_TRUE(RemoveFolder(folder.Join("missing").c_str(), nullptr, false));

    // A read-only file can't be deleted: false, and the folder stays.
    std::string locked = folder.Join("locked");
    ASSERT_TRUE(CreateFolderPath(locked.c_str()));
    std::string readOnly = locked + "\\ro.txt";
    ASSERT_TRUE(WriteWholeFile(readOnly, "x"));
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(RemoveFolder(locked.c_str(), nullptr, false));
    EXPECT_TRUE(IsFolder(locked));
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Entries beginning with "." stay, so their folder stays too.
    std::string dotted = folder.Join("dotted");
    ASSERT_TRUE(CreateFolderPath((dotted + "\\sub").c_str()));
    ASSERT_TRUE(WriteWholeFile(dotted + "\\.hidden", "x"));
    ASSERT_TRUE(WriteWholeFile(dotted + "\\plain.txt", "x"));
    ASSERT_TRUE(WriteWholeFile(dotted + "\\sub\\inner.txt", "x"));
    EXPECT_FALSE(RemoveFolder(dotted.c_str(), nullptr, true));
    EXPECT_TRUE(FileExists(dotted + "\\.hidden"));
    EXPECT_FALSE(FileExists(dotted + "\\plain.txt"));
    EXPECT_FALSE(FileExists(dotted + "\\sub"));
}

TEST(FileUtils, DeleteFolderContentsWithPatterns) {
    TempFolder folder;
    std::string root = folder.Join("r");
    ASSERT_TRUE(CreateFolderPath((root + "\\sub\\deeper").c_str()));
    for (const char* name :
         {"\\a.zip", "\\b.txt", "\\sub\\c.zip", "\\sub\\d.txt", "\\sub\\deeper\\e.zip"})
        ASSERT_TRUE(WriteWholeFile(root + name, "x"));

    // A pattern without recursion: only the folder's own matching files.
    EXPECT_TRUE(DeleteFolderContents(root.c_str(), false, "*.zip", nullptr, false));
    EXPECT_FALSE(FileExists(root + "\\a.zip"));
    EXPECT_TRUE(FileExists(root + "\\b.txt"));
    EXPECT_TRUE(FileExists(root + "\\sub\\c.zip"));

    // A pattern with recursion: matching files of the whole tree, no folder removed.
    EXPECT_TRUE(DeleteFolderContents(root.c_str(), true, "*.zip", nullptr, false));
    EXPECT_FALSE(FileExists(root + "\\sub\\c.zip"));
    EXPECT_FALSE(FileExists(root + "\\sub\\deeper\\e.zip"));
    EXPECT_TRUE(FileExists(root + "\\sub\\d.txt"));
    EXPECT_TRUE(IsFolder(root + "\\sub\\deeper"));

    // No pattern, recursive: everything below, folders too; the root stays.
    EXPECT_TRUE(DeleteFolderContents((root + "  ").c_str(), true, nullptr, nullptr, false));
    EXPECT_FALSE(FileExists(root + "\\sub"));
    EXPECT_FALSE(FileExists(root + "\\b.txt"));
    EXPECT_TRUE(IsFolder(root));

    EXPECT_FALSE(
        DeleteFolderContents(folder.Join("missing").c_str(), true, nullptr, nullptr, false));
}

TEST(FileUtils, CancelledDeletionDeletesNothing) {
    TempFolder folder;
    std::string root = folder.Join("r");
    ASSERT_TRUE(CreateFolderPath(root.c_str()));
    ASSERT_TRUE(WriteWholeFile(root + "\\a.txt", "x"));
    ASSERT_TRUE(WriteWholeFile(root + "\\b.txt", "x"));
    Event cancel;
    SetEvent(cancel.h);
    EXPECT_FALSE(DeleteFolderContents(root.c_str(), true, nullptr, cancel.h, false));
    EXPECT_FALSE(RemoveFolder(root.c_str(), cancel.h, false));
    EXPECT_TRUE(FileExists(root + "\\a.txt"));
    EXPECT_TRUE(FileExists(root + "\\b.txt"));
}

TEST(FileUtils, PumpMessagesDispatchesAndKeepsQuit) {
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
    ASSERT_NE(nullptr, window);
    PostMessageA(window, WM_NULL, 0, 0);
    PostQuitMessage(3);
    PumpMessages();
    MSG msg;
    // The quit is still there for the thread's own loop.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(3u, msg.wParam);
    DestroyWindow(window);
}

namespace {

// The Unix path wine maps a Windows path to; "" outside wine.
std::string UnixPath(const std::string& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    wchar_t wide[MAX_PATH];
    if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return "";
    char* unix = toUnix(wide);
    if (!unix) return "";
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

bool IsFolderLinkAt(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) &&
           (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A link to a folder: under wine a Unix symbolic link (which wine shows as a
// reparse point; its CreateSymbolicLink makes nothing), else the Windows call
// (newer than the Windows version the module targets, so looked up).
bool MakeFolderLink(const std::string& link, const std::string& target) {
    std::string unixLink = UnixPath(link), unixTarget = UnixPath(target);
    if (!unixLink.empty() && !unixTarget.empty()) {
        std::string line = "Z:\\bin\\sh -c \"ln -s '" + unixTarget + "' '" + unixLink + "'\"";
        std::vector<char> text(line.begin(), line.end());
        text.push_back(0);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
            // Wine can't wait for a Unix process: look for its result.
            for (int i = 0; i < 500 && !IsFolderLinkAt(link); ++i) Sleep(10);
        }
        return IsFolderLinkAt(link);
    }
    using Create = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    auto create = reinterpret_cast<Create>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA"));
    return create && create(link.c_str(), target.c_str(), 1 /* a folder */) && IsFolderLinkAt(link);
}

}   // namespace

TEST(FileUtils, FolderLinksAreUnlinkedNeverEmptied) {
    TempFolder folder;
    std::string outside = folder.Join("outside");
    ASSERT_TRUE(CreateFolderPath(outside.c_str()));
    ASSERT_TRUE(WriteWholeFile(outside + "\\precious.txt", "keep me"));
    std::string removed = folder.Join("removed");
    ASSERT_TRUE(CreateFolderPath(removed.c_str()));
    ASSERT_TRUE(WriteWholeFile(removed + "\\own.txt", "x"));
    std::string link = removed + "\\link";
    if (!MakeFolderLink(link, outside)) GTEST_SKIP() << "no folder links can be made here";

    // Windows unlinks the link; wine can't remove a Unix link at all, and
    // then the removal fails. Either way the link's target stays whole.
    RemoveFolder(removed.c_str(), nullptr, false);
    EXPECT_EQ("keep me", [&] {
        std::string bytes;
        testsupport::ReadWholeFile(outside + "\\precious.txt", &bytes);
        return bytes;
    }());

    // The same when the folder given is itself a link.
    std::string topLink = folder.Join("toplink");
    ASSERT_TRUE(MakeFolderLink(topLink, outside));
    RemoveFolder(topLink.c_str(), nullptr, false);
    EXPECT_TRUE(FileExists(outside + "\\precious.txt"));
}
