// Engine start-up and shutdown: the version check, the start-up record, the
// log's first and last lines, a second start refused while the engine runs
// and starting the engine again after an exit, the random generator and the
// application object's default slots.
#include "CoreTestFiles.h"

#include "engine/app/BaseApp.h"
#include "engine/app/Engine.h"
#include "engine/core/EngineGlobals.h"
#include "engine/core/HandleTable.h"
#include "engine/core/ImeLoader.h"
#include "engine/core/Log.h"
#include "engine/core/Random.h"
#include "engine/core/WorkPath.h"
#include "engine/resources/ResourceManager.h"
#include "support/CurrentBuildOnly.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

using coretest::LogFiles;
using coretest::SplitLines;
using testsupport::LogCapture;

namespace {

EngineConfig LoggingConfig(const LogFiles& files) {
    EngineConfig config;
    config.logName = files.Base().c_str();
    return config;
}

}   // namespace

TEST(InitEngine, AnotherInterfaceVersionIsRefusedSilently) {
    CURRENT_BUILD_ONLY("0x020B045E is the older build's own interface version");
    LogCapture capture;
    LogFiles files("version");
    EngineConfig config = LoggingConfig(files);
    EXPECT_EQ(0, Nuvex::InitEngine(0x20013, nullptr, &config, "banner"));
    EXPECT_EQ(0, Nuvex::InitEngine(0x020B045E, nullptr, &config, "banner"));
    EXPECT_TRUE(capture.Lines().empty());
    EXPECT_TRUE(files.AllFiles().empty());
    EXPECT_FALSE(Nuvex::IsLogOpen());
    EXPECT_EQ(0u, Nuvex::Pools().texture.Capacity());
}

TEST(BaseApp, LogsBannerVersionAndFarewellAsText) {
    CURRENT_BUILD_ONLY("the older build's version line reads \"Version: 2.11.1118\"");
    LogFiles files("lines");
    EngineConfig config = LoggingConfig(files);
    config.flags = EngineConfig::kConsole;   // the console is never started from here
    BaseApp app;
    ASSERT_EQ(1, app.Init(nullptr, &config, "100%d %s %n banner"));
    EXPECT_EQ(0, config.flags & EngineConfig::kConsole);
    EXPECT_TRUE(Nuvex::IsLogOpen());
    EXPECT_EQ(testsupport::ExeFolder(), Nuvex::GetWorkPath(nullptr, 0));
    EXPECT_EQ(GetModuleHandleA(nullptr), Nuvex::GetModuleInstance());
    app.Exit("bye 50%s");
    EXPECT_FALSE(Nuvex::IsLogOpen());

    auto lines = SplitLines(files.Read(0));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ("100%d %s %n banner", coretest::LineText(lines[0]));
    EXPECT_EQ("Nuvex Version: 2.20.0(Build20110331)", coretest::LineText(lines[1]));
    EXPECT_EQ("bye 50%s", coretest::LineText(lines.back()));
}

TEST(BaseApp, DefaultBannerAndFarewellAndNoVersionLine) {
    CURRENT_BUILD_ONLY("the older build always writes its version line");
    LogFiles files("defaults");
    EngineConfig config = LoggingConfig(files);
    config.flags = EngineConfig::kNoVersionLine;
    BaseApp app;
    ASSERT_EQ(1, app.Init(nullptr, &config, ""));
    app.Exit(nullptr);
    auto lines = SplitLines(files.Read(0));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ("VORN'S GAME ENGINE.", coretest::LineText(lines[0]));
    for (const auto& line : lines) EXPECT_EQ(std::string::npos, line.find("Nuvex Version"));
    EXPECT_EQ("Successful release.", coretest::LineText(lines.back()));
}

TEST(BaseApp, NoLogRecordWritesNoFileButStillFormats) {
    CURRENT_BUILD_ONLY("the older build's version line reads \"Version: 2.11.1118\"");
    LogCapture capture;
    LogFiles files("nolog");
    EngineConfig config = LoggingConfig(files);
    config.flags = EngineConfig::kNoLog;
    BaseApp app;
    EXPECT_EQ(1, app.Init(nullptr, &config, nullptr));
    EXPECT_FALSE(Nuvex::IsLogOpen());
    EXPECT_EQ(1u, capture.Count("VORN'S GAME ENGINE."));
    EXPECT_EQ(1u, capture.Count("Nuvex Version: 2.20.0(Build20110331)"));
    EXPECT_TRUE(files.AllFiles().empty());
    app.Exit(nullptr);
    EXPECT_EQ(1u, capture.Count("Successful release."));
    EXPECT_TRUE(files.AllFiles().empty());
}

// Without an unload in between: the second start's work folder is the
// module's again, and its resource manager a new one.
TEST(BaseApp, ASecondStartAfterExitStartsTheEngineAgain) {
    LogCapture capture;
    testsupport::TempFolder host;
    EngineConfig config;
    config.flags = EngineConfig::kNoLog;
    BaseApp app;
    std::string moduleFolder;
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        ASSERT_EQ(1, app.Init(nullptr, &config, nullptr));
        if (start == 0) moduleFolder = Nuvex::GetWorkPath(nullptr, 0);
        EXPECT_EQ(moduleFolder, Nuvex::GetWorkPath(nullptr, 0));
        ResourceManager* manager = ResourceManager::Current();
        ASSERT_NE(nullptr, manager);
        EXPECT_EQ(0, manager->Exists(RESOURCE_RAW, "_GLOBAL.first"));
        ResourceRecord* record = NewResourceRecord("first.bin");
        ASSERT_EQ(1, manager->Add(RESOURCE_RAW, "_GLOBAL.first", record, 1));
        ASSERT_EQ(1, Nuvex::SetWorkPath(host.Path().c_str()));
        app.Exit(nullptr);
    }
    EXPECT_EQ(0u, capture.Count("Can't init graph system."));
}

TEST(BaseApp, ASecondStartWhileRunningIsRefusedBeforeItTouchesAnything) {
    LogFiles files("running");
    EngineConfig config = LoggingConfig(files);
    BaseApp app;
    ASSERT_EQ(1, app.Init(nullptr, &config, "first start"));
    testsupport::TempFolder host;
    ASSERT_EQ(1, Nuvex::SetWorkPath(host.Path().c_str()));

    LogCapture capture;
    LogFiles otherFiles("second");
    EngineConfig other = LoggingConfig(otherFiles);
    EXPECT_EQ(0, app.Init(nullptr, &other, "second start"));
    EXPECT_EQ(host.Path(), Nuvex::GetWorkPath(nullptr, 0));   // not the module folder again
    EXPECT_TRUE(capture.Lines().empty());
    EXPECT_TRUE(otherFiles.AllFiles().empty());
    EXPECT_TRUE(Nuvex::IsLogOpen());

    app.Exit(nullptr);
    const std::string log = files.Read(0);
    EXPECT_NE(std::string::npos, log.find("first start"));
    EXPECT_EQ(std::string::npos, log.find("second start"));
}

TEST(BaseApp, ExitWithoutInitLeavesTheEngineStartable) {
    LogCapture capture;
    BaseApp app;
    app.Exit(nullptr);
    EXPECT_EQ(1u, capture.Count("Successful release."));
    EngineConfig config;
    config.flags = EngineConfig::kNoLog;
    EXPECT_EQ(1, app.Init(nullptr, &config, nullptr));
    app.Exit(nullptr);
}

namespace {

class RefusingApp : public BaseApp {
public:
    int OnInitGlobalResources() override { return 0; }
    void OnExit() override { ++exits; }
    int exits = 0;
};

}   // namespace

TEST(BaseApp, FailingGlobalResourcesFailTheStartAndExitStillRuns) {
    LogCapture capture;
    EngineConfig config;
    config.flags = EngineConfig::kNoLog;
    RefusingApp app;
    EXPECT_EQ(0, app.Init(nullptr, &config, nullptr));
    EXPECT_EQ("Can't initialize global resources!", capture.Lines().back());
    app.Exit(nullptr);
    EXPECT_EQ(1, app.exits);
    EXPECT_EQ(nullptr, Nuvex::ImeModule().getContext);   // the input-method library went too
}

TEST(BaseApp, AFailingSoundStartIsOnlyLogged) {
    CURRENT_BUILD_ONLY("the older build does not log a failed sound start");
    LogCapture capture;
    EngineConfig config;
    config.flags = EngineConfig::kNoLog | EngineConfig::kSound;
    config.soundModule = "NO_SUCH_SOUND_MODULE.DLL";
    BaseApp app;
    EXPECT_EQ(1, app.Init(nullptr, &config, nullptr));
    auto lines = capture.Lines();
    auto failed = std::find(lines.begin(), lines.end(),
                            "Can't load sound module NO_SUCH_SOUND_MODULE.DLL!");
    ASSERT_NE(lines.end(), failed);
    ASSERT_NE(lines.end(), failed + 1);
    EXPECT_EQ("Can't init sound system.", *(failed + 1));
    app.Exit(nullptr);
}

TEST(BaseApp, FlashStartIsANoOpThatSucceeds) {
    EngineConfig config;
    config.flags = EngineConfig::kNoLog | EngineConfig::kFlash;
    config.flashParam = 12345;
    BaseApp app;
    EXPECT_EQ(1, app.Init(nullptr, &config, nullptr));
    app.Exit(nullptr);
}

TEST(EngineConfig, ConstructorZeroesEveryFieldAndUnusedBit) {
    alignas(EngineConfig) unsigned char storage[sizeof(EngineConfig)];
    std::memset(storage, 0xFF, sizeof storage);
    EngineConfig* config = new (storage) EngineConfig;
    EXPECT_EQ(0, config->flags);
    EXPECT_EQ(nullptr, config->logName);
    EXPECT_EQ(nullptr, config->soundModule);
    EXPECT_EQ(0, config->flashParam);
    config->~EngineConfig();
}

namespace {

// The seed that makes the next value's upper half equal to `high`.
uint32_t SeedGiving(uint32_t high) {
    // 214013 is odd, so it has an inverse modulo 2^32 (Newton's iteration).
    uint32_t inverse = 214013u;
    for (int i = 0; i < 5; ++i) inverse *= 2u - 214013u * inverse;
    return ((high << 16) - 2531011u) * inverse;
}

bool WithinOneUlp(float expected, float actual) {
    return actual == expected || actual == std::nextafter(expected, 2.0f * expected + 1.0f) ||
           actual == std::nextafter(expected, -2.0f * std::fabs(expected) - 1.0f);
}

}   // namespace

TEST(RandomFloat, FollowsTheGeneratorFromAGivenSeed) {
    Nuvex::SetRandomSeed(0);
    float first = Nuvex::RandomFloat(0.0f, 1.0f);
    EXPECT_TRUE(WithinOneUlp(38.0f / 65535.0f, first)) << first;

    uint32_t seed = 12345;
    Nuvex::SetRandomSeed(seed);
    for (int i = 0; i < 10; ++i) {
        seed = seed * 214013u + 2531011u;
        float expected = float(-3.0 + 8.0 * double(seed >> 16) / 65535.0);
        float actual = Nuvex::RandomFloat(-3.0f, 5.0f);
        EXPECT_TRUE(WithinOneUlp(expected, actual)) << i << ": " << expected << " vs " << actual;
    }
}

TEST(RandomFloat, ReachesBothEndsOfTheRange) {
    Nuvex::SetRandomSeed(SeedGiving(0));
    EXPECT_EQ(2.0f, Nuvex::RandomFloat(2.0f, 5.0f));
    Nuvex::SetRandomSeed(SeedGiving(0xFFFF));
    EXPECT_EQ(5.0f, Nuvex::RandomFloat(2.0f, 5.0f));
}

TEST(BaseApp, DefaultSlots) {
    BaseApp app;
    const RuntimeClass* rc = app.GetRuntimeClass();
    ASSERT_NE(nullptr, rc);
    EXPECT_STREQ("BaseApp", rc->name);
    EXPECT_EQ(nullptr, rc->base);
    EXPECT_EQ(1, app.OnInitGlobalResources());
    EXPECT_EQ(0, app.OnQuery(7));

    MSG msg = {};
    for (UINT filtered : {0x000Fu, 0x00A0u, 0x0118u, 0x0200u}) {
        msg.message = filtered;
        EXPECT_EQ(0, app.FilterMessage(&msg)) << filtered;
    }
    for (UINT passed : {0x0010u, 0x0201u, 0x0100u}) {
        msg.message = passed;
        EXPECT_EQ(1, app.FilterMessage(&msg)) << passed;
    }
}

TEST(BaseApp, EngineEventDestroysOnlyForItsRequest) {
    HWND window = CreateWindowExA(0, "STATIC", "event", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);   // needs no display
    ASSERT_NE(nullptr, window);
    BaseApp app;
    EngineEventRequest other = {0, 1, 0, window};
    EXPECT_EQ(0, app.OnEngineEvent(&other));
    EngineEventRequest other2 = {1, 2, 0, window};
    EXPECT_EQ(0, app.OnEngineEvent(&other2));
    EXPECT_TRUE(IsWindow(window));
    EngineEventRequest destroy = {0, 2, 0, window};
    EXPECT_NE(0, app.OnEngineEvent(&destroy));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, app.OnEngineEvent(&destroy));   // gone: nothing to destroy
    EXPECT_EQ(0, app.OnEngineEvent(nullptr));
}
