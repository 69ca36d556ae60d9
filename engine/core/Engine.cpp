#include "engine/core/Engine.h"

#include "engine/core/EngineGlobals.h"
#include "engine/core/HandleTable.h"
#include "engine/core/Log.h"
#include "engine/resources/ResourcePacks.h"
#include "engine/resources/Sound.h"

namespace {

uint32_t g_randomSeed = 0;

constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 20;
constexpr int kVersionPatch = 0;
constexpr int kVersionBuild = 20110331;

void StartLog(EngineConfig& config) {
    // The console echo is never started from here, whatever the record asks.
    config.flags &= uint8_t(~EngineConfig::kConsole);
    Nuvex::OpenLog(config.logName, 0, (config.flags & EngineConfig::kConsole) ? 1 : 0);
}

}  // namespace

namespace Nuvex {

int ReturnTrue() { return 1; }

int InitEngine(int interfaceVersion, HINSTANCE module, EngineConfig* config, const char* banner) {
    if (interfaceVersion != kEngineInterfaceVersion) return 0;
    EngineConfig defaults;
    if (!config) config = &defaults;

    Globals().Setup(module);
    if (!(config->flags & EngineConfig::kNoLog)) StartLog(*config);
    // Texts, not formats: a banner may hold any character.
    if (banner) WriteLog(0, "%s", banner);
    if (!(config->flags & EngineConfig::kNoVersionLine))
        WriteLog(0, "Nuvex Version: %d.%d.%d(Build%d)", kVersionMajor, kVersionMinor,
                 kVersionPatch, kVersionBuild);

    if (!InitGraphics()) {
        WriteLog(0, "Can't init graph system.");
        return 0;
    }
    if (config->flags & EngineConfig::kSound) {
        if (!InitSound(config->soundModule, 44100)) WriteLog(0, "Can't init sound system.");
    }
    if ((config->flags & EngineConfig::kFlash) && !ReturnTrue()) {
        WriteLog(0, "Can't init flash system.");
        return 0;
    }
    g_randomSeed = GetTickCount();
    return 1;
}

void ReleaseEngine(const char* farewell) {
    if (farewell) WriteLog(0, "%s", farewell);
    DetachAllPacks();
    ShutdownSound();
    CloseLog();
}

HINSTANCE GetModuleInstance() { return Globals().instance; }

float RandomFloat(float a, float b) {
    g_randomSeed = g_randomSeed * 214013u + 2531011u;
    const float k = 1.0f / 65535.0f;
    long double r = (long double)a +
                    ((long double)b - (long double)a) * (long double)(g_randomSeed >> 16) *
                        (long double)k;
    return float(r);
}

void SetRandomSeed(uint32_t seed) { g_randomSeed = seed; }

}  // namespace Nuvex
