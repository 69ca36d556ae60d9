// The older build as a host, a file or a log sees it: its interface version
// and version line, its log's kinds, lines and names, its NVX header word,
// its bitmap's error, its shell's class name, its canvas's texts and
// screenshots, and its surface's refused scene.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <regex>

#include "core/CoreTestFiles.h"
#include "engine/app/BaseApp.h"
#include "engine/core/Log.h"
#include "engine/core/LogConsole.h"
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/CanvasDC.h"
#include "engine/graphics/ISurface.h"
#include "engine/gui/GuiShell.h"
#include "support/TestSupport.h"
#include "support/TestWindow.h"

using coretest::LogFiles;

namespace {

// The log's lines: "[hh:mm:ss] text" ended by "\n\r".
std::vector<std::string> OlderLines(const std::string& bytes) {
    std::vector<std::string> lines;
    const std::regex line("\\[\\d\\d:\\d\\d:\\d\\d\\] ([^\\n]*)\\n\\r");
    for (std::sregex_iterator it(bytes.begin(), bytes.end(), line), end; it != end; ++it)
        lines.push_back((*it)[1].str());
    return lines;
}

// The boxes shown since they were cleared, as "title|text|type".
std::vector<std::string> Boxes() {
    std::vector<std::string> shown;
    for (const testsupport::ShownBox& b : testsupport::ShownBoxes())
        shown.push_back(b.title + "|" + b.text + "|" + std::to_string(b.type));
    return shown;
}
const std::string kWarning = "|" + std::to_string(MB_ICONWARNING);

}   // namespace

TEST(OlderEngine, TakesItsOwnVersionAndAlwaysWritesItsVersionLine) {
    LogFiles files("older_start");
    EngineConfig config;
    config.logName = files.Base().c_str();
    config.flags = EngineConfig::kSound;   // bit 2 is sound here: no version line is kept out
    config.soundModule = "no_such_audio.dll";
    EXPECT_EQ(0, Nuvex::InitEngine(0x20014, nullptr, &config, "banner"));
    BaseApp app;
    ASSERT_EQ(1, app.Init(nullptr, &config, "banner"));
    app.Exit("bye");
    const std::vector<std::string> lines = OlderLines(files.Read(0));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ("banner", lines[0]);
    EXPECT_EQ("Version: 2.11.1118", lines[1]);
    EXPECT_EQ("bye", lines.back());
    // The sound module's own text, but not the start-up's.
    EXPECT_EQ(lines.end(), std::find(lines.begin(), lines.end(), "Can't init sound system."));
    EXPECT_NE(lines.end(),
              std::find(lines.begin(), lines.end(), "Can't load sound module no_such_audio.dll!"));
}

TEST(OlderLog, KindsSayWhereATextGoesAndNothingGoesWithoutALog) {
    testsupport::ClearShownBoxes();
    EXPECT_STREQ("", WriteLog(1, "no log %d", 1));
    EXPECT_TRUE(Boxes().empty());

    LogFiles files("older_kinds");
    ASSERT_EQ(1, Nuvex::OpenLog(files.Base().c_str(), 0, 0));
    for (int kind = 0; kind <= 4; ++kind)
        EXPECT_EQ("kind " + std::to_string(kind), WriteLog(kind, "kind %d", kind));
    Nuvex::CloseLog();
    EXPECT_EQ((std::vector<std::string>{"kind 0", "kind 1"}), OlderLines(files.Read(0)));
    EXPECT_EQ((std::vector<std::string>{"Warning|kind 1" + kWarning, "Warning|kind 2" + kWarning,
                                        "Error|kind 4|" + std::to_string(MB_ICONERROR)}),
              Boxes());
}

TEST(OlderLog, DatedNamesTakeTwoDigitYearsAndDottedTimes) {
    const std::string date = "\\[\\d\\d-\\d\\d-\\d\\d";
    const struct {
        int mode;
        std::string stamp;
    } cases[] = {{3, date + " \\d\\d\\.\\d\\d\\.\\d\\d\\]"}, {1, date + "\\]"}};
    for (const auto& c : cases) {
        LogFiles files("older_dated" + std::to_string(c.mode));
        std::unique_ptr<LogConsole> log(new LogConsole);
        ASSERT_EQ(1, log->Init(nullptr, files.Base().c_str(), c.mode, 1, 0));
        log->Close();
        const auto names = files.AllFiles();
        ASSERT_EQ(1u, names.size());
        EXPECT_TRUE(std::regex_match(names[0], std::regex(c.stamp + files.Base() + "~\\d+\\.log")))
            << names[0];
    }
}

TEST(OlderFiles, NvxFilesCarryTheirOwnHeaderWord) {
    testsupport::TempFolder folder;
    const std::string path = folder.Join("older.nvx");
    ASSERT_TRUE(Bitmap(3, 2, 0xFF445566).SaveNvx(path.c_str(), 1));
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadWholeFile(path, &bytes));
    uint32_t word;
    std::memcpy(&word, bytes.data() + 8, 4);
    EXPECT_EQ(1u, word);
    std::unique_ptr<Bitmap> read(Nuvex::LoadNvx(bytes.data(), uint32_t(bytes.size())));
    ASSERT_TRUE(read);
    EXPECT_EQ(0xFF445566u, read->GetPixels()[0]);
    // A current build's file (16 there) is refused.
    word = 16;
    std::memcpy(&bytes[8], &word, 4);
    EXPECT_EQ(nullptr, Nuvex::LoadNvx(bytes.data(), uint32_t(bytes.size())));
}

TEST(OlderFiles, ABitmapOfNoSizeThrowsABareZero) {
    for (int w : {0, 5}) {
        try {
            Bitmap bitmap(w, 5 - w, 0);
            ADD_FAILURE() << "no throw for " << w;
        } catch (int code) {
            EXPECT_EQ(0, code);
        }
    }
}

TEST(OlderShell, ItsClassRecordIsGuiKernel) {
    GuiShell shell(nullptr, 0);
    EXPECT_STREQ("GuiKernel", shell.GetRuntimeClass()->name);
}

TEST(OlderCanvas, TheResizeFailureIsABoxAloneAndAShotSavesTheWholeStore) {
    LogFiles files("older_canvas");
    ASSERT_EQ(1, Nuvex::OpenLog(files.Base().c_str(), 0, 0));
    testsupport::ClearShownBoxes();
    CanvasDC canvas;
    ASSERT_EQ(1, canvas.Resize(40, 30));
    ASSERT_EQ(1, canvas.Resize(20, 10));   // the store stays 40 x 30
    testsupport::TempFolder folder;
    const std::string path = folder.Join("shot.bmp");
    ASSERT_EQ(1, canvas.Save(path.c_str(), 19));
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadWholeFile(path, &bytes));
    ASSERT_GT(bytes.size(), 26u);
    int32_t w;
    std::memcpy(&w, bytes.data() + 18, 4);
    EXPECT_EQ(40, w);

    EXPECT_EQ(0, canvas.Resize(100000, 100000));
    Nuvex::CloseLog();
    EXPECT_EQ(std::vector<std::string>{"Warning|BitmapDC::Resize(100000, 100000)" + kWarning},
              Boxes());
    EXPECT_TRUE(OlderLines(files.Read(0)).empty());
}

// A second scene is refused through the older log call: with a log, a line
// and a "Warning" box, and the open scene stays open; without one, nothing.
TEST(OlderSurface, ASecondSceneIsALineAndAWarningBoxOnlyWithALog) {
    ASSERT_TRUE(testsupport::EnsurePools());
    testsupport::TestWindow window(120, 80);
    ASSERT_NE(nullptr, window.hwnd()) << "no window (is DISPLAY set?)";
    ISurface surface;
    ASSERT_EQ(1, surface.Startup(window.hwnd(), 120, 80));
    for (bool withLog : {true, false}) {
        SCOPED_TRACE(withLog ? "with a log" : "without a log");
        LogFiles files("older_scene");
        if (withLog) {
            ASSERT_EQ(1, Nuvex::OpenLog(files.Base().c_str(), 0, 0));
        }
        testsupport::ClearShownBoxes();
        ASSERT_EQ(1, surface.BeginScene(0));
        EXPECT_EQ(0, surface.BeginScene(0));
        EXPECT_TRUE(surface.SceneOpen());
        EXPECT_EQ(1, surface.EndScene());
        Nuvex::CloseLog();
        if (withLog) {
            EXPECT_EQ(std::vector<std::string>{"Warning|Can't begin scene!" + kWarning}, Boxes());
            EXPECT_EQ(std::vector<std::string>{"Can't begin scene!"}, OlderLines(files.Read(0)));
        } else {
            EXPECT_TRUE(Boxes().empty());
        }
    }
    surface.Shutdown();
}
