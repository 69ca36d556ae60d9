// The task log: its line format, where relative names land, long texts, and
// several tasks appending to one file at once.
#include "update/LogFile.h"
#include "update/support/WorkerThread.h"
#include "engine/core/WorkPath.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <direct.h>
#include <memory>
#include <sstream>
#include <vector>

namespace {

using testsupport::ReadWholeFile;
using testsupport::TempFolder;

void WINAPI FifthOfMarch(SYSTEMTIME* now) {
    *now = SYSTEMTIME{};
    now->wYear = 2024;
    now->wMonth = 3;
    now->wDay = 5;
    now->wHour = 9;
    now->wMinute = 7;
    now->wSecond = 3;
}

void WINAPI ChristmasEvening(SYSTEMTIME* now) {
    *now = SYSTEMTIME{};
    now->wYear = 2024;
    now->wMonth = 12;
    now->wDay = 24;
    now->wHour = 23;
    now->wMinute = 59;
    now->wSecond = 58;
}

std::string Content(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, &bytes) ? bytes : std::string("<unreadable>");
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(text.size(), start) << "a line without its CR LF";
    return lines;
}

}   // namespace

TEST(LogFile, LineFormatAndNumbering) {
    TempFolder folder;
    std::string path = folder.Join("upgrade.log");
    {
        LogFile log;
        log.SetClock(&FifthOfMarch);
        log.Open(path.c_str(), true, 4096);
        ASSERT_TRUE(log.IsOpen());
        log.Write("Server:%s", "http://127.0.0.1/");
        log.SetClock(&ChristmasEvening);
        log.Write("\xB7\xFE\xCE\xF1\xC6\xF7\xB2\xBB\xB4\xE6\xD4\xDA%s\xCE\xC4\xBC\xFE", "a.zip");
    }
    {
        LogFile second;   // a later task numbers its own lines from 0, appending
        second.SetClock(&FifthOfMarch);
        second.Open(path.c_str(), true, 4096);
        second.Write("again");
    }
    EXPECT_EQ(
        "[Line.0  3\xD4\xC2 5\xC8\xD5 09:07:03 ] Server:http://127.0.0.1/\r\n"
        "[Line.1 12\xD4\xC2"
        "24\xC8\xD5 23:59:58 ] \xB7\xFE\xCE\xF1\xC6\xF7\xB2\xBB\xB4\xE6\xD4\xDA"
        "a.zip\xCE\xC4\xBC\xFE\r\n"
        "[Line.0  3\xD4\xC2 5\xC8\xD5 09:07:03 ] again\r\n",
        Content(path));
    // The format's own characters: 月 and 日 in GBK.
    EXPECT_EQ(std::string("\xD4\xC2\xC8\xD5"), std::string("月日"));

    LogFile overwrite;
    overwrite.SetClock(&FifthOfMarch);
    overwrite.Open(path.c_str(), false, 4096);
    overwrite.Write("fresh");
    overwrite.Close();
    EXPECT_EQ("[Line.0  3\xD4\xC2 5\xC8\xD5 09:07:03 ] fresh\r\n", Content(path));
}

TEST(LogFile, WhereNamesLand) {
    TempFolder folder;
    // A relative name of 4 or more characters: the program's folder.
    std::ostringstream unique;
    unique << "fp_logtest_" << GetCurrentProcessId() << ".log";
    std::string inProgramFolder = testsupport::ExeFolder() + "\\" + unique.str();
    {
        LogFile log;
        log.Open(unique.str().c_str(), true, 4096);
        log.Write("x");
    }
    EXPECT_TRUE(testsupport::FileExists(inProgramFolder));
    DeleteFileA(inProgramFolder.c_str());

    // A full name, and a name of 3 characters, are used as given.
    std::string full = folder.Join("full.log");
    {
        LogFile log;
        log.Open(full.c_str(), true, 4096);
        log.Write("x");
    }
    EXPECT_TRUE(testsupport::FileExists(full));

    char previous[MAX_PATH];
    ASSERT_TRUE(GetCurrentDirectoryA(MAX_PATH, previous));
    ASSERT_TRUE(SetCurrentDirectoryA(folder.Path().c_str()));
    {
        LogFile log;
        log.Open("abc", true, 4096);
        log.Write("x");
    }
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(testsupport::FileExists(folder.Join("abc")));

    // A network name counts as full (none is reachable here: no file, no crash).
    LogFile unc;
    unc.Open("\\\\nohost-fetchpane\\share\\a.log", true, 4096);
    EXPECT_FALSE(unc.IsOpen());
    unc.Write("nothing");
}

TEST(LogFile, UnopenableFileMakesWritesDoNothing) {
    TempFolder folder;
    LogFile log;
    log.Open(folder.Join("no\\such\\folder\\a.log").c_str(), true, 4096);
    EXPECT_FALSE(log.IsOpen());
    log.Write("dropped %d", 1);
    LogFile never;
    never.Write("dropped");
}

TEST(LogFile, LongTextIsCutOnACharacterBoundary) {
    TempFolder folder;
    std::string path = folder.Join("long.log");
    LogFile log;
    log.SetClock(&FifthOfMarch);
    log.Open(path.c_str(), true, 4096);
    std::string ascii(10 * 1024, 'a');
    log.Write("%s", ascii.c_str());
    std::string chinese;
    for (int i = 0; i < 5000; ++i) chinese += "\xD6\xD0";   // 中
    log.Write("%s", chinese.c_str());
    log.Write("x%s", chinese.c_str());   // odd offset
    log.Close();
    std::vector<std::string> lines = Lines(Content(path));
    ASSERT_EQ(3u, lines.size());
    const std::string head = "[Line.0  3\xD4\xC2 5\xC8\xD5 09:07:03 ] ";
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size() + 2, LogFile::kLineCapacity) << i;
        EXPECT_GT(lines[i].size() + 2, LogFile::kLineCapacity - 4) << i;   // cut, not dropped
    }
    // Every double-byte character of the cut lines is whole.
    for (size_t i = 1; i < 3; ++i) {
        std::string text = lines[i].substr(head.size() + (i == 2 ? 1 : 0));
        ASSERT_EQ(0u, text.size() % 2) << i;
        for (size_t j = 0; j < text.size(); j += 2) ASSERT_EQ("\xD6\xD0", text.substr(j, 2)) << i;
    }
}

TEST(LogFile, ConcurrentTasksNeverOverwriteEachOthersLines) {
    TempFolder folder;
    std::string path = folder.Join("upgrade.log");
    const int kLines = 1000;
    struct Writer : WorkerThread {
        LogFile log;
        int id = 0;
        int lines = 0;
        ~Writer() override { Stop(); }
        int Run() override {
            std::string padding(40 + 37 * id, char('a' + id));
            for (int i = 0; i < lines; ++i) log.Write("task%d line%d %s", id, i, padding.c_str());
            return 0;
        }
    };
    std::vector<std::unique_ptr<Writer>> writers;
    for (int id = 0; id < 3; ++id) {
        writers.emplace_back(new Writer);
        writers.back()->id = id;
        writers.back()->lines = kLines;
        writers.back()->log.Open(path.c_str(), true, 4096);
    }
    for (auto& w : writers) ASSERT_TRUE(w->Start());
    for (auto& w : writers)
        ASSERT_TRUE(testsupport::PumpUntil([&] { return !w->IsAlive(); }, 60000));
    writers.clear();

    std::vector<std::string> lines = Lines(Content(path));
    ASSERT_EQ(size_t(3 * kLines), lines.size());
    int next[3] = {0, 0, 0};
    for (const std::string& line : lines) {
        size_t at = line.find("] task");
        ASSERT_NE(std::string::npos, at) << line;
        int id = line[at + 6] - '0';
        ASSERT_TRUE(id >= 0 && id < 3) << line;
        std::string expected = "task" + std::to_string(id) + " line" + std::to_string(next[id]) +
                               " " + std::string(40 + 37 * id, char('a' + id));
        ASSERT_EQ(expected, line.substr(at + 2)) << line;
        ASSERT_EQ("[Line." + std::to_string(next[id]) + " ",
                  line.substr(0, 7 + std::to_string(next[id]).size()));
        ++next[id];
    }
}

TEST(LogFile, TaskLogLiesInTheWorkFolder) {
    TempFolder folder;
    ASSERT_EQ(1, Nuvex::SetWorkPath(folder.Path().c_str()));
    {
        LogFile log;
        log.OpenTaskLog();
        ASSERT_TRUE(log.IsOpen());
        log.Write("in the work folder");
    }
    EXPECT_NE(std::string::npos, Content(folder.Join("upgrade.log")).find("in the work folder"));
}
