#pragma once
// The engine's process-wide state: module instance and folders. The result
// text of Nuvex::MakeWorkPath and the format text of WriteLog are kept per
// thread, since the frame thread and the update workers call them beside the
// UI thread.
#include <windows.h>
#include <cstdint>

constexpr int kPathBufferSize = 260;   // 259 characters and the terminator
constexpr int kMaxPathChars = kPathBufferSize - 1;

struct EngineGlobals {
    HINSTANCE instance = nullptr;
    // Without a trailing '\' but a root's; the older build keeps it always.
    char moduleFolder[kPathBufferSize] = {};
    // No trailing separator but a root's ("D:\") or, in the older build,
    // the module folder's; or empty.
    char workFolder[kPathBufferSize] = {};

    // Records the module (null = the process's program) and its folder and
    // makes the work folder the module folder. Returns 1.
    int Setup(HINSTANCE module);

    // This thread's MakeWorkPath result area (kPathBufferSize bytes); null
    // when none can be had.
    static char* ResultBuffer();
    // This thread's format area with room for n bytes, zeroed; null when it
    // cannot grow.
    static char* PrepareFormatBuffer(uint32_t n);
};

EngineGlobals& Globals();

namespace Nuvex {
// The module instance recorded by engine start-up (window classes use it).
HINSTANCE GetModuleInstance();
}   // namespace Nuvex
