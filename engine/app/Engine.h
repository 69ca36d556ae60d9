#pragma once
// Engine start-up and shutdown below the application object: the start-up
// record and the core start-up and release. This is the engine's top floor:
// it starts every area below it, and nothing below includes it.
#include <windows.h>
#include <cstdint>

#include "engine/core/BuildVariant.h"

// The interface version the core start-up requires.
constexpr int kEngineInterfaceVersion = BuildVariant::kEngineInterfaceVersion;

// The older build's record has four flag bits: no log, console, sound and
// flash; its version line is always written.
struct EngineConfig {
    enum Flag : uint8_t {
        kNoLog = 0x01,                                       // no engine log at all
        kConsole = 0x02,                                     // echo the log to a console window
        kNoVersionLine = BuildVariant::kNoVersionLineFlag,   // no version line in the log
        kSound = BuildVariant::kSoundFlag,                   // start the sound module
        kFlash = BuildVariant::kFlashFlag,                   // start the flash system
    };

    uint8_t flags = 0;                   // unused bits are zero as well
    const char* logName = nullptr;       // null or empty: the module's name
    const char* soundModule = nullptr;   // null or empty: the default library
    int32_t flashParam = 0;
};

namespace Nuvex {

// 0 for another interface version, and while the engine is started (from a
// start-up, even a failed one, until ReleaseEngine): both refused silently,
// with the work folder and the log untouched.
int InitEngine(int interfaceVersion, HINSTANCE module, EngineConfig* config, const char* banner);
void ReleaseEngine(const char* farewell);

}   // namespace Nuvex
