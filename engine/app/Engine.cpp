#include "engine/app/Engine.h"

#include "engine/core/EngineGlobals.h"
#include "engine/core/HandleTable.h"
#include "engine/core/Log.h"
#include "engine/core/Random.h"
#include "engine/resources/ResourcePacks.h"
#include "engine/resources/Sound.h"

namespace {

// The engine's own statics are built while the module loads, not at some
// first use on another thread, in this order, and destroyed in reverse at
// unload: the globals before the graphics pools, so the pools' tables go
// first. (The pack list, the animation frame pool, the window map and the
// decoders' scratch area belong to their own areas.)
const bool g_staticsBuilt = (Globals(), Nuvex::Pools(), true);

// From a start-up that passed the version check until the release: a second
// start in between would re-point the running engine's work folder and log.
bool g_engineStarted = false;

void WriteVersionLine(const EngineConfig& config) {
    if (!(config.flags & EngineConfig::kNoVersionLine))
        WriteLog(0, "%s", BuildVariant::kVersionLine);
}

// A failure the older build ends start-up on or passes over without a word.
void LogStartFailure(const char* text) {
    if (BuildVariant::kLogsStartFailures) WriteLog(0, "%s", text);
}

void StartLog(EngineConfig& config) {
    // The console echo is never started from here, whatever the record asks.
    config.flags &= uint8_t(~EngineConfig::kConsole);
    Nuvex::OpenLog(config.logName, 0, (config.flags & EngineConfig::kConsole) ? 1 : 0);
}

}   // namespace

namespace Nuvex {

int InitEngine(int interfaceVersion, HINSTANCE module, EngineConfig* config, const char* banner) {
    if (interfaceVersion != kEngineInterfaceVersion) return 0;
    // Refused before anything is touched; a failed start counts as started,
    // since what it set up stays until the release.
    if (g_engineStarted) return 0;
    g_engineStarted = true;
    EngineConfig defaults;
    if (!config) config = &defaults;

    Globals().Setup(module);
    if (!(config->flags & EngineConfig::kNoLog)) StartLog(*config);
    // Texts, not formats: a banner may hold any character.
    if (banner) WriteLog(0, "%s", banner);
    WriteVersionLine(*config);

    if (!InitGraphics()) {
        LogStartFailure("Can't init graph system.");
        return 0;
    }
    if (config->flags & EngineConfig::kSound) {
        if (!InitSound(config->soundModule, 44100)) LogStartFailure("Can't init sound system.");
    }
    // The flash system does not exist in this build: its start-up always
    // succeeds, whatever the record asks.
    SetRandomSeed(GetTickCount());
    return 1;
}

void ReleaseEngine(const char* farewell) {
    if (farewell) WriteLog(0, "%s", farewell);
    DetachAllPacks();
    ShutdownSound();
    CloseLog();
    g_engineStarted = false;
}

}   // namespace Nuvex
