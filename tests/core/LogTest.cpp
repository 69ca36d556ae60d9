// The engine log: the line format, modes, rolling files, thread safety and
// the bounds on long texts, long names and unwritable folders.
#include "CoreTestFiles.h"

#include "engine/core/EngineGlobals.h"
#include "engine/core/Log.h"
#include "engine/core/LogConsole.h"
#include "support/CurrentBuildOnly.h"

#include <gtest/gtest.h>
#include <process.h>
#include <psapi.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>
#include <set>
#include <string>

using coretest::LogFiles;
using coretest::SplitLines;
using testsupport::LogCapture;

// Checked by hand: a regex over a megabyte line would exhaust the stack.
std::string coretest::LineText(const std::string& line) {
    static const char form[] = "[dddd/dd/dd dd:dd:dd] ";
    const size_t prefix = sizeof form - 1;
    if (line.size() < prefix) return "<bad>";
    for (size_t i = 0; i < prefix; ++i) {
        bool ok = form[i] == 'd' ? (line[i] >= '0' && line[i] <= '9') : line[i] == form[i];
        if (!ok) return "<bad>";
    }
    return line.substr(prefix);
}

namespace {

std::unique_ptr<LogConsole> NewConsole() { return std::unique_ptr<LogConsole>(new LogConsole); }

}   // namespace

TEST(WriteLog, WritesStampedBinaryLinesAndReturnsTheText) {
    CURRENT_BUILD_ONLY("the older build's lines carry the time alone and end in \"\\n\\r\"");
    LogFiles files("format");
    ASSERT_EQ(1, Nuvex::OpenLog(files.Base().c_str(), 0, 0));
    EXPECT_TRUE(Nuvex::IsLogOpen());
    EXPECT_STREQ("value 42 and text", WriteLog(0, "value %d and %s", 42, "text"));
    EXPECT_STREQ("debug line", WriteLog(1, "debug %s", "line"));
    EXPECT_STREQ("only formatted 7", WriteLog(2, "only formatted %d", 7));
    Nuvex::CloseLog();
    EXPECT_FALSE(Nuvex::IsLogOpen());

    std::string bytes = files.Read(0);
    EXPECT_EQ(std::string::npos, bytes.find("\r\r\n"));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ("\r\n", bytes.substr(bytes.size() - 2));
    auto lines = SplitLines(bytes);
    ASSERT_EQ(2u, lines.size()) << bytes;
    EXPECT_EQ("value 42 and text", coretest::LineText(lines[0]));
    EXPECT_EQ("debug line", coretest::LineText(lines[1]));
}

TEST(WriteLog, WithoutALogTheTextIsStillFormattedAndSeenByTheHook) {
    CURRENT_BUILD_ONLY("without a log the older build's WriteLog returns an empty text");
    LogCapture capture;
    ASSERT_FALSE(Nuvex::IsLogOpen());
    EXPECT_STREQ("a 1", WriteLog(0, "a %d", 1));
    EXPECT_STREQ("b 2", WriteLog(2, "b %d", 2));
    EXPECT_EQ(1u, capture.Count("a 1"));
    EXPECT_EQ(0u, capture.Count("b 2"));
    EXPECT_STREQ("", WriteLog(0, nullptr));
}

TEST(WriteLog, LongTextsGrowTheFormatBuffer) {
    CURRENT_BUILD_ONLY("without a log the older build's WriteLog returns an empty text");
    std::string big(100000, 'z');
    const char* text = WriteLog(2, "<%s>", big.c_str());
    EXPECT_EQ("<" + big + ">", text);
    EXPECT_STREQ("short", WriteLog(2, "short"));
}

namespace {

struct LoggingThread {
    int index = 0;
    int wrongReturns = 0;
};

unsigned __stdcall LogMany(void* arg) {
    auto* t = static_cast<LoggingThread*>(arg);
    char expected[64];
    for (int i = 0; i < 2000; ++i) {
        std::snprintf(expected, sizeof expected, "thread %d line %04d %s", t->index, i,
                      "payload-payload-payload");
        const char* text = WriteLog(0, "thread %d line %04d %s", t->index, i,
                                    "payload-payload-payload");
        if (std::strcmp(text, expected) != 0) ++t->wrongReturns;
    }
    return 0;
}

}   // namespace

TEST(WriteLog, ConcurrentCallersKeepTheirTextsAndLinesStayWhole) {
    CURRENT_BUILD_ONLY("the older build's lines carry the time alone and end in \"\\n\\r\"");
    LogFiles files("threads");
    ASSERT_EQ(1, Nuvex::OpenLog(files.Base().c_str(), 0, 0));
    LoggingThread threads[4];
    HANDLE handles[4];
    for (int i = 0; i < 4; ++i) {
        threads[i].index = i;
        handles[i] = reinterpret_cast<HANDLE>(
            _beginthreadex(nullptr, 0, &LogMany, &threads[i], 0, nullptr));
        ASSERT_NE(nullptr, handles[i]);
    }
    ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(4, handles, TRUE, 100000));
    for (HANDLE h : handles) CloseHandle(h);
    Nuvex::CloseLog();
    for (const auto& t : threads) EXPECT_EQ(0, t.wrongReturns) << t.index;

    // 8000 lines: the first file takes 3500, the second 3501, the third the rest.
    std::set<std::string> seen;
    size_t bad = 0;
    for (int n = 0; n < 3; ++n) {
        for (const std::string& line : SplitLines(files.Read(n))) {
            std::string text = coretest::LineText(line);
            if (text.compare(0, 7, "thread ") == 0 && text.size() == 42)
                seen.insert(text);
            else if (line.find("日志文件已满") == std::string::npos &&
                     line.find("创建新文件") == std::string::npos)
                ++bad;
        }
    }
    EXPECT_EQ(0u, bad);
    EXPECT_EQ(8000u, seen.size());
}

TEST(LogConsole, RollsOverAfter3500FlushesWithBothMessages) {
    CURRENT_BUILD_ONLY("the older build's lines carry the time alone and end in \"\\n\\r\"");
    LogFiles files("rollover");
    auto log = NewConsole();
    ASSERT_EQ(1, log->Init(nullptr, files.Base().c_str(), 0, 1, 0));
    for (int i = 1; i <= 3501; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "line %d", i);
        log->WriteLine(text);
    }
    log->Close();

    std::string first = files.Read(0);
    auto lines = SplitLines(first);
    ASSERT_EQ(3501u, lines.size());
    EXPECT_EQ("line 1", coretest::LineText(lines[0]));
    EXPECT_EQ("line 3500", coretest::LineText(lines[3499]));
    std::string next = files.Base() + "~1.log";
    EXPECT_EQ("日志文件已满, 创建新文件 " + next + "!", lines[3500]);

    auto second = SplitLines(files.Read(1));
    ASSERT_EQ(2u, second.size());
    EXPECT_EQ("创建新文件 " + next + ", 上一日志文件已满!", second[0]);
    EXPECT_EQ("line 3501", coretest::LineText(second[1]));
    EXPECT_FALSE(files.Exists(2));
}

TEST(LogConsole, CollectedLinesAreFlushedBeforeTheBufferOverflowsAndOnClose) {
    CURRENT_BUILD_ONLY("the older build's lines carry the time alone and end in \"\\n\\r\"");
    LogFiles files("collect");
    auto log = NewConsole();
    ASSERT_EQ(1, log->Init(nullptr, files.Base().c_str(), 0, 0, 0));
    std::string text(100000, 'c');
    for (int i = 0; i < 10; ++i) log->WriteLine(text.c_str());   // 1000240 bytes, kept
    EXPECT_EQ(0u, files.Read(0).size());
    log->WriteLine(text.c_str());   // would not fit: the ten go to the file first
    EXPECT_EQ(10u, SplitLines(files.Read(0)).size());
    log->Close();   // the eleventh is not lost
    auto lines = SplitLines(files.Read(0));
    ASSERT_EQ(11u, lines.size());
    for (const auto& line : lines) EXPECT_EQ(text, coretest::LineText(line));
}

TEST(LogConsole, ATextLongerThanABufferIsCutNotOverrun) {
    CURRENT_BUILD_ONLY("the older build's lines carry the time alone and end in \"\\n\\r\"");
    LogFiles files("huge");
    ASSERT_EQ(1, Nuvex::OpenLog(files.Base().c_str(), 0, 0));
    std::string huge(3 * 1024 * 1024, 'h');
    huge[0] = 'S';
    const char* text = WriteLog(0, "%s", huge.c_str());
    EXPECT_EQ(huge.size(), std::strlen(text));
    WriteLog(0, "after");
    Nuvex::CloseLog();
    auto lines = SplitLines(files.Read(0));
    ASSERT_EQ(2u, lines.size());
    std::string cut = coretest::LineText(lines[0]);
    EXPECT_EQ(LogConsole::kBufferSize - LogConsole::kLineOverhead - 1, cut.size());
    EXPECT_EQ(huge.substr(0, cut.size()), cut);
    EXPECT_EQ("after", coretest::LineText(lines[1]));
}

TEST(LogConsole, ACutNeverSplitsADoubleByteCharacter) {
    CURRENT_BUILD_ONLY("the older build's lines carry the time alone and end in \"\\n\\r\"");
    LogFiles files("cutdbcs");
    auto log = NewConsole();
    ASSERT_EQ(1, log->Init(nullptr, files.Base().c_str(), 0, 1, 0));
    // One ASCII byte then double-byte characters: the limit falls inside one.
    std::string text = "ab";
    while (text.size() < LogConsole::kBufferSize + 10) text += "汉";
    log->WriteLine(text.c_str());
    log->Close();
    std::string cut = coretest::LineText(SplitLines(files.Read(0))[0]);
    EXPECT_EQ(LogConsole::kBufferSize - LogConsole::kLineOverhead - 2, cut.size());
    EXPECT_EQ(text.substr(0, cut.size()), cut);
}

namespace {

int g_openAttempts = 0;
FILE* FailingOpen(const char*, const char*) {
    ++g_openAttempts;
    return nullptr;
}

}   // namespace

TEST(OpenLog, AnUnwritableFolderGivesUpAfterBoundedAttempts) {
    CURRENT_BUILD_ONLY("without a log the older build's WriteLog returns an empty text");
    LogFiles files("unwritable");
    LogConsole::SetFileOpener(&FailingOpen);
    EXPECT_EQ(0, Nuvex::OpenLog(files.Base().c_str(), 0, 0));
    EXPECT_FALSE(Nuvex::IsLogOpen());
    EXPECT_EQ(LogConsole::kMaxOpenAttempts, g_openAttempts);

    // The dated modes repeat one name within a second: still bounded.
    g_openAttempts = 0;
    auto dated = NewConsole();
    DWORD start = GetTickCount();
    EXPECT_EQ(0, dated->Init(nullptr, files.Base().c_str(), 3, 1, 0));
    EXPECT_EQ(LogConsole::kMaxOpenAttempts, g_openAttempts);
    EXPECT_LT(GetTickCount() - start, 5000u);
    LogConsole::SetFileOpener(nullptr);

    EXPECT_STREQ("still formatted", WriteLog(0, "still formatted"));
    EXPECT_TRUE(files.AllFiles().empty());
}

TEST(OpenLog, NamesTooLongForTheNameAreaAreAFailedOpen) {
    std::string base259(259, 'L');
    std::string base400(400, 'L');
    EXPECT_EQ(0, Nuvex::OpenLog(base259.c_str(), 0, 0));
    EXPECT_EQ(0, Nuvex::OpenLog(base400.c_str(), 0, 0));
    EXPECT_FALSE(Nuvex::IsLogOpen());
    // A name that fits but whose path does not is refused the same way.
    std::string pathTooLong(260 - testsupport::ExeFolder().size(), 'P');
    auto log = NewConsole();
    EXPECT_EQ(0, log->Init(nullptr, pathTooLong.c_str(), 0, 1, 0));
}

TEST(OpenLog, SecondOpenKeepsTheFirstLog) {
    LogFiles first("first");
    LogFiles second("second");
    ASSERT_EQ(1, Nuvex::OpenLog(first.Base().c_str(), 0, 0));
    EXPECT_EQ(1, Nuvex::OpenLog(second.Base().c_str(), 0, 0));
    WriteLog(0, "one line");
    Nuvex::CloseLog();
    EXPECT_EQ(1u, SplitLines(first.Read(0)).size());
    EXPECT_FALSE(second.Exists(0));
}

TEST(LogConsole, DatedNamesUseTheDateAndTickSeconds) {
    CURRENT_BUILD_ONLY("the older build's file names carry two-digit years");
    LogFiles files("dated");
    auto log = NewConsole();
    ASSERT_EQ(1, log->Init(nullptr, files.Base().c_str(), 1, 1, 0));
    log->WriteLine("dated");
    log->Close();
    auto names = files.AllFiles();
    ASSERT_EQ(1u, names.size());
    std::regex form("^\\[\\d{4}-\\d\\d-\\d\\d\\]" + files.Base() + "~(\\d+)\\.log$");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(names[0], m, form)) << names[0];
    long seconds = std::stol(m[1].str());
    EXPECT_LE(std::abs(seconds - long(GetTickCount() / 1000)), 5);
}

TEST(LogConsole, DefaultBaseNameIsTheModuleName) {
    auto log = NewConsole();
    std::string expected = testsupport::ExeFolder() + "\\test_core~0.log";
    DeleteFileA(expected.c_str());
    ASSERT_EQ(1, log->Init(nullptr, "", 0, 1, 0));
    log->Close();
    EXPECT_TRUE(testsupport::FileExists(expected));
    DeleteFileA(expected.c_str());
}

TEST(AlertBox, LogsTheTextAndShowsAWarningBox) {
    LogCapture capture;
    testsupport::ClearShownBoxes();
    EXPECT_STREQ("CanvasDC::Resize(3, 4)",
                 AlertBox(nullptr, nullptr, "CanvasDC::Resize(%d, %d)", 3, 4));
    EXPECT_STREQ("second", AlertBox(nullptr, "Title", "second"));
    auto boxes = testsupport::ShownBoxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Warning", boxes[0].title);
    EXPECT_EQ("CanvasDC::Resize(3, 4)", boxes[0].text);
    EXPECT_EQ(UINT(MB_SYSTEMMODAL | MB_ICONWARNING), boxes[0].type);
    EXPECT_EQ("Title", boxes[1].title);
    EXPECT_EQ(1u, capture.Count("CanvasDC::Resize(3, 4)"));
}

TEST(FormatTimeStamp, UsesTheFormOfTheFlags) {
    struct Case {
        uint32_t flags;
        const char* pattern;
    } cases[] = {
        {3, R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)"},
        {0x103, R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d)"},
        {1, R"(\d{4}/\d\d/\d\d)"},
        {0x101, R"(\d{4}-\d\d-\d\d)"},
        {2, R"(\d\d:\d\d:\d\d)"},
        {0x102, R"(\d\d-\d\d-\d\d)"},
        {0, R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d \d{3})"},
        {0x100, R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d_\d{3})"},
    };
    for (const Case& c : cases) {
        char out[32];
        Nuvex::FormatTimeStamp(c.flags, out, sizeof out);
        EXPECT_TRUE(std::regex_match(std::string(out), std::regex(c.pattern)))
            << c.flags << " " << out;
    }
    char tiny[4] = "xyz";
    Nuvex::FormatTimeStamp(3, tiny, sizeof tiny);
    EXPECT_STREQ("", tiny);
}

namespace {

SIZE_T CommittedBytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    using Query = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    if (!query || !query(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PagefileUsage;
}

unsigned __stdcall FormatOneLargeText(void* arg) {
    const std::string* text = static_cast<const std::string*>(arg);
    return std::strlen(WriteLog(2, "%s", text->c_str())) == text->size() ? 0 : 1;
}

}   // namespace

TEST(WriteLog, AThreadsFormatAreaGoesWhenTheThreadEnds) {
    CURRENT_BUILD_ONLY("without a log the older build's WriteLog returns an empty text");
    const std::string text(16 * 1024 * 1024, 't');
    SIZE_T before = CommittedBytes();
    ASSERT_NE(0u, before);
    for (int i = 0; i < 20; ++i) {   // 320 MB if the areas stayed
        HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(
            nullptr, 0, &FormatOneLargeText, const_cast<std::string*>(&text), 0, nullptr));
        ASSERT_NE(nullptr, thread);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 30000));
        DWORD code = 99;
        GetExitCodeThread(thread, &code);
        CloseHandle(thread);
        EXPECT_EQ(0u, code);
    }
    EXPECT_LT(CommittedBytes(), before + 64 * 1024 * 1024);
}
