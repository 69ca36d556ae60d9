#include "engine/resources/Sound.h"

#include "engine/app/Engine.h"
#include "engine/core/WorkPath.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <sstream>
#include <string>
#include <vector>

using testsupport::LogCapture;

namespace {

// Drives the audio stand-in built beside the test program
// (tests/fixtures/FakeAudio.cpp): its calls land in a log file, its answers
// come from environment variables.
class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        callLog = folder.Join("calls.txt");
        SetEnvironmentVariableA("FAKE_AUDIO_LOG", callLog.c_str());
        ASSERT_EQ(Nuvex::SetWorkPath(folder.Path().c_str()), 1);
    }
    void TearDown() override { Nuvex::ShutdownSound(); }

    static std::string Library(const char* name = "fake_audio.dll") {
        return testsupport::ExeFolder() + "\\" + name;
    }
    static bool LibraryLoaded(const char* name = "fake_audio.dll") {
        return GetModuleHandleA(Library(name).c_str()) != nullptr;
    }

    std::vector<std::string> TakeCalls() {
        std::string text;
        testsupport::ReadWholeFile(callLog, &text);
        DeleteFileA(callLog.c_str());
        std::vector<std::string> calls;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) calls.push_back(line);
        return calls;
    }

    void Start() {
        ASSERT_EQ(Nuvex::InitSound(Library().c_str(), 44100), 1);
        TakeCalls();
    }

    testsupport::TempFolder folder;
    std::string callLog;
};

using Calls = std::vector<std::string>;

std::string Hex(uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "0x%x", value);
    return text;
}

}   // namespace

TEST_F(Sound, StartsTheLibraryAndShutsItDown) {
    LogCapture log;
    ASSERT_EQ(Nuvex::InitSound(Library().c_str(), 44100), 1);
    EXPECT_EQ(TakeCalls(),
              (Calls{"GetVersion", "Init -1 44100 0", "SetConfig 4 100", "SetConfig 5 100"}));
    EXPECT_TRUE(log.Lines().empty());
    // Already loaded: nothing more happens.
    EXPECT_EQ(Nuvex::InitSound("other.dll", 22050), 1);
    EXPECT_TRUE(TakeCalls().empty());

    EXPECT_EQ(Nuvex::ShutdownSound(), 1);
    EXPECT_EQ(TakeCalls(), (Calls{"Stop", "Free"}));
    EXPECT_FALSE(LibraryLoaded());
    EXPECT_EQ(Nuvex::ShutdownSound(), 1);
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(Sound, AMissingLibraryLeavesTheEngineSilent) {
    LogCapture log;
    EXPECT_EQ(Nuvex::InitSound("no_such_audio.dll", 44100), 0);
    EXPECT_EQ(log.Lines(), Calls{"Can't load sound module no_such_audio.dll!"});
    log.Clear();
    EXPECT_EQ(Nuvex::InitSound(nullptr, 44100), 0);
    EXPECT_EQ(log.Lines(), Calls{"Can't load sound module BASS.DLL!"});

    // Not loaded: every operation answers 0 and calls nothing.
    EXPECT_EQ(Nuvex::LoadEffect("abcd", 4), 0u);
    EXPECT_EQ(Nuvex::PlayEffect(1), 0u);
    Nuvex::FreeEffect(1);
    EXPECT_EQ(Nuvex::LoadStream("abcd", 4), 0u);
    EXPECT_EQ(Nuvex::FreeStream(1), 0);
    EXPECT_EQ(Nuvex::ShutdownSound(), 1);
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(Sound, AnotherVersionIsRefusedAndFreed) {
    LogCapture log;
    SetEnvironmentVariableA("FAKE_AUDIO_VERSION", "0x02040000");
    EXPECT_EQ(Nuvex::InitSound(Library().c_str(), 44100), 0);
    EXPECT_EQ(log.Lines(), Calls{"Incorrect sound module " + Library() + " version!"});
    EXPECT_EQ(TakeCalls(), Calls{"GetVersion"});
    EXPECT_FALSE(LibraryLoaded());

    SetEnvironmentVariableA("FAKE_AUDIO_VERSION", "0x0203000A");
    EXPECT_EQ(Nuvex::InitSound(Library().c_str(), 44100), 1);
    EXPECT_TRUE(LibraryLoaded());
    SetEnvironmentVariableA("FAKE_AUDIO_VERSION", nullptr);
}

TEST_F(Sound, ALibraryMissingAnEntryPointIsTheWrongLibrary) {
    LogCapture log;
    std::string partial = Library("fake_audio_partial.dll");
    EXPECT_EQ(Nuvex::InitSound(partial.c_str(), 44100), 0);
    EXPECT_EQ(log.Lines(), Calls{"Incorrect sound module " + partial + " version!"});
    EXPECT_EQ(TakeCalls(), Calls{"GetVersion"});
    EXPECT_FALSE(LibraryLoaded("fake_audio_partial.dll"));
    EXPECT_EQ(Nuvex::PlayEffect(1), 0u);
}

TEST_F(Sound, WithoutAnOutputDeviceEffectsAndStreamsAreRefused) {
    LogCapture log;
    SetEnvironmentVariableA("FAKE_AUDIO_NO_DEVICE", "1");
    EXPECT_EQ(Nuvex::InitSound(Library().c_str(), 48000), 1);
    SetEnvironmentVariableA("FAKE_AUDIO_NO_DEVICE", nullptr);
    EXPECT_EQ(log.Lines(), Calls{"Sound system init failed, using no sound!"});
    EXPECT_EQ(TakeCalls(), (Calls{"GetVersion", "Init -1 48000 0", "Init 0 48000 0",
                                  "SetConfig 4 100", "SetConfig 5 100"}));
    EXPECT_EQ(Nuvex::LoadEffect("RIFFdata", 8), 0u);
    EXPECT_EQ(Nuvex::LoadStream("RIFFdata", 8), 0u);
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(Sound, EffectsLoadPlayAndFree) {
    Start();
    uint32_t sample = Nuvex::LoadEffect("RIFFdata", 8);
    EXPECT_EQ(sample, 0x10001u);
    uint32_t channel = Nuvex::PlayEffect(sample);
    EXPECT_EQ(channel, 0x30002u);
    Nuvex::FreeEffect(sample);
    EXPECT_EQ(TakeCalls(), (Calls{"SampleLoad 1 0 8 4 0x10000 [RIFF]", "SampleGetChannel 0x10001 0",
                                  "ChannelPlay 0x30002 1", "SampleFree 0x10001"}));
}

TEST_F(Sound, EffectsFromFilesAreReadThroughTheLoader) {
    ASSERT_TRUE(testsupport::WriteWholeFile(folder.Join("click.wav"), "WAVEbytes"));
    Start();
    LogCapture log;
    EXPECT_EQ(Nuvex::LoadEffect("click.wav", 0), 0x10001u);
    EXPECT_EQ(TakeCalls(), Calls{"SampleLoad 1 0 9 4 0x10000 [WAVE]"});
    EXPECT_EQ(Nuvex::LoadEffect("missing.wav", 0), 0u);
    EXPECT_TRUE(TakeCalls().empty());
    EXPECT_EQ(log.Lines(), Calls{"Can't find 'MISSING.WAV' from all packs."});
}

TEST_F(Sound, TheDecodeFallbackSizesTheSampleFromTheStream) {
    Start();
    SetEnvironmentVariableA("FAKE_AUDIO_SAMPLELOAD_FAILS", "1");
    for (const char* chans : {"1", "2"}) {
        SetEnvironmentVariableA("FAKE_AUDIO_CHANS", chans);
        uint32_t sample = Nuvex::LoadEffect("OggSdata", 8);
        EXPECT_NE(sample, 0u);
        Calls calls = TakeCalls();
        ASSERT_EQ(calls.size(), 8u);
        EXPECT_EQ(calls[1], "StreamCreateFile 1 0 8 0x200000 [OggS]");
        EXPECT_EQ(calls[4], std::string("SampleCreate 4000 22050 ") + chans + " 4 0x10000");
        // Every decoded byte fits the sample's buffer.
        EXPECT_EQ(calls[5].find("ChannelGetData"), 0u);
        EXPECT_EQ(calls[5].find("OVERFLOW"), std::string::npos) << calls[5];
        EXPECT_EQ(calls[6], "SampleCreateDone");
        EXPECT_EQ(calls[7].find("StreamFree"), 0u);
    }
    SetEnvironmentVariableA("FAKE_AUDIO_CHANS", nullptr);
    SetEnvironmentVariableA("FAKE_AUDIO_SAMPLELOAD_FAILS", nullptr);
}

TEST_F(Sound, DecodeFallbackFailures) {
    ASSERT_TRUE(testsupport::WriteWholeFile(folder.Join("bad.ogg"), "OggSbad"));
    Start();
    LogCapture log;
    SetEnvironmentVariableA("FAKE_AUDIO_SAMPLELOAD_FAILS", "1");
    SetEnvironmentVariableA("FAKE_AUDIO_SAMPLECREATE_FAILS", "1");
    EXPECT_EQ(Nuvex::LoadEffect("OggSdata", 8), 0u);
    EXPECT_EQ(log.Lines(), Calls{"Can't create sound effect: Not enough memory!"});
    SetEnvironmentVariableA("FAKE_AUDIO_SAMPLECREATE_FAILS", nullptr);

    // A stream that claims no data gives no sample.
    log.Clear();
    SetEnvironmentVariableA("FAKE_AUDIO_DECODED_BYTES", "0");
    EXPECT_EQ(Nuvex::LoadEffect("OggSdata", 8), 0u);
    EXPECT_EQ(Nuvex::LoadEffect("bad.ogg", 0), 0u);
    EXPECT_EQ(log.Lines(), (Calls{"Can't load effect! memory size = 8",
                                  "Can't load effect! filename = bad.ogg"}));
    SetEnvironmentVariableA("FAKE_AUDIO_DECODED_BYTES", nullptr);

    // Data the library cannot even open as a stream: 0, no message.
    log.Clear();
    SetEnvironmentVariableA("FAKE_AUDIO_STREAM_FAILS", "1");
    EXPECT_EQ(Nuvex::LoadEffect("junkjunk", 8), 0u);
    EXPECT_TRUE(log.Lines().empty());
    SetEnvironmentVariableA("FAKE_AUDIO_STREAM_FAILS", nullptr);
    SetEnvironmentVariableA("FAKE_AUDIO_SAMPLELOAD_FAILS", nullptr);
}

TEST_F(Sound, StreamsKeepTheirFileImageUntilFreed) {
    ASSERT_TRUE(testsupport::WriteWholeFile(folder.Join("music.ogg"), "OggSmusic"));
    Start();
    uint32_t fromFile = Nuvex::LoadStream("music.ogg", 0);
    uint32_t fromMemory = Nuvex::LoadStream("OggSmem", 7);
    EXPECT_NE(fromFile, 0u);
    EXPECT_NE(fromMemory, 0u);
    EXPECT_EQ(TakeCalls(),
              (Calls{"StreamCreateFile 1 0 9 0x0 [OggS]", "StreamCreateFile 1 0 7 0x0 [OggS]"}));
    EXPECT_EQ(Nuvex::FreeStream(fromFile), 1);
    EXPECT_EQ(Nuvex::FreeStream(fromMemory), 1);
    EXPECT_EQ(Nuvex::FreeStream(0x12345), 1);   // unknown: still handed to the library
    EXPECT_EQ(TakeCalls(), (Calls{"StreamFree " + Hex(fromFile), "StreamFree " + Hex(fromMemory),
                                  "StreamFree 0x12345"}));
    // One left open at shutdown is released with the module.
    EXPECT_NE(Nuvex::LoadStream("music.ogg", 0), 0u);
    EXPECT_EQ(Nuvex::ShutdownSound(), 1);
    Calls calls = TakeCalls();
    EXPECT_EQ(Calls(calls.end() - 2, calls.end()), (Calls{"Stop", "Free"}));
}

TEST_F(Sound, StreamsTheLibraryRefusesAreReported) {
    ASSERT_TRUE(testsupport::WriteWholeFile(folder.Join("bad.ogg"), "OggSbad"));
    Start();
    LogCapture log;
    SetEnvironmentVariableA("FAKE_AUDIO_STREAM_FAILS", "1");
    EXPECT_EQ(Nuvex::LoadStream("OggSmem", 7), 0u);
    EXPECT_EQ(Nuvex::LoadStream("bad.ogg", 0), 0u);
    SetEnvironmentVariableA("FAKE_AUDIO_STREAM_FAILS", nullptr);
    EXPECT_EQ(log.Lines(), (Calls{"Can't load stream! memory size = 7",
                                  "Can't load stream! filename = bad.ogg"}));
}

TEST_F(Sound, EngineStartUpGoesOnWithoutTheAudioLibrary) {
    LogCapture log;
    EngineConfig config;
    config.flags = EngineConfig::kNoLog | EngineConfig::kNoVersionLine | EngineConfig::kSound;
    config.soundModule = "no_such_audio.dll";
    EXPECT_EQ(Nuvex::InitEngine(kEngineInterfaceVersion, nullptr, &config, nullptr), 1);
    EXPECT_TRUE(log.Contains("Can't load sound module no_such_audio.dll!"));
    EXPECT_TRUE(log.Contains("Can't init sound system."));
    Nuvex::ReleaseEngine(nullptr);
}

TEST_F(Sound, EngineStartUpAndReleaseDriveTheLibrary) {
    std::string library = Library();
    EngineConfig config;
    config.flags = EngineConfig::kNoLog | EngineConfig::kNoVersionLine | EngineConfig::kSound;
    config.soundModule = library.c_str();
    ASSERT_EQ(Nuvex::InitEngine(kEngineInterfaceVersion, nullptr, &config, nullptr), 1);
    EXPECT_EQ(TakeCalls(),
              (Calls{"GetVersion", "Init -1 44100 0", "SetConfig 4 100", "SetConfig 5 100"}));
    Nuvex::ReleaseEngine(nullptr);
    EXPECT_EQ(TakeCalls(), (Calls{"Stop", "Free"}));
    EXPECT_FALSE(LibraryLoaded());
}
