#include "engine/core/Log.h"

#include "engine/core/EngineGlobals.h"
#include "engine/core/LogConsole.h"
#include "engine/core/LogModes.h"
#include "engine/core/ThreadUtils.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <new>

namespace {

std::atomic<Nuvex::LogLineHook> g_lineHook{nullptr};
std::atomic<Nuvex::MessageBoxFunction> g_messageBox{nullptr};
// Set once the console slot below is built: last words never build it (its
// first use registers its destruction, which allocates).
std::atomic<bool> g_slotBuilt{false};

// Guards the console pointer: a line being written on the frame thread must
// not meet the log being closed on the UI thread.
struct ConsoleSlot {
    CRITICAL_SECTION cs;
    LogConsole* console = nullptr;
    ConsoleSlot() {
        InitializeCriticalSection(&cs);
        g_slotBuilt = true;
    }
    // At unload an open log is closed (its last lines flushed); the lock is
    // left in place, since a late WriteLog from another static may still come.
    ~ConsoleSlot() {
        LockGuard hold(&cs);
        delete console;
        console = nullptr;
    }
};

ConsoleSlot& Slot() {
    static ConsoleSlot slot;
    return slot;
}

// Formats into this thread's buffer. Null when the text cannot be formatted
// (the error has been reported to the debugger output).
const char* FormatText(const char* errorText, const char* format, va_list args) {
    if (!format) format = "";
    va_list count;
    va_copy(count, args);
    int n = std::vsnprintf(nullptr, 0, format, count);
    va_end(count);
    if (n < 0) {
        OutputDebugStringA(errorText);
        return nullptr;
    }
    char* buffer = EngineGlobals::PrepareFormatBuffer(uint32_t(n) + 1);
    if (!buffer) {   // out of memory: never format into a buffer too small
        OutputDebugStringA(errorText);
        return nullptr;
    }
    if (std::vsnprintf(buffer, size_t(n) + 1, format, args) < 0) OutputDebugStringA(errorText);
    return buffer;
}

}   // namespace

void LogModes::DeliverLine(const char* text) {
    if (Nuvex::LogLineHook hook = g_lineHook) hook(text);
    LockGuard hold(&Slot().cs);
    if (LogConsole* console = Slot().console) console->WriteLine(text);
}

const char* WriteLog(int mode, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const char* text = FormatText("LOG: WriteLog() IO error.\r\n", format, args);
    va_end(args);
    if (!text) return "";
    return LogModes::Deliver(mode, text);
}

const char* AlertBox(HWND owner, const char* title, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const char* text = FormatText("LOG: AlertBox() IO error.\r\n", format, args);
    va_end(args);
    if (!text) return "";
    LogModes::DeliverLine(text);
    if (!title || !title[0]) title = "Warning";
    Nuvex::ShowMessageBox(owner, text, title, MB_SYSTEMMODAL | MB_ICONWARNING);
    return text;
}

namespace Nuvex {

int OpenLog(const char* logName, int namingMode, int console) {
    LockGuard hold(&Slot().cs);
    if (Slot().console) return 1;
    LogConsole* log = new (std::nothrow) LogConsole;
    if (!log) return 0;
    if (!log->Init(Globals().instance, logName, namingMode, 1, console)) {
        delete log;
        return 0;
    }
    Slot().console = log;
    return 1;
}

void CloseLog() {
    LockGuard hold(&Slot().cs);
    LogConsole* log = Slot().console;
    Slot().console = nullptr;
    delete log;   // the destructor closes the file after a last flush
}

bool IsLogOpen() {
    LockGuard hold(&Slot().cs);
    return Slot().console != nullptr;
}

void FormatTimeStamp(uint32_t flags, char* out, int size) {
    if (!out || size <= 0) return;
    static const char* const kForms[4][2] = {
        {"%Y/%m/%d %H:%M:%S %j", "%Y-%m-%d_%H-%M-%S_%j"},
        {"%Y/%m/%d", "%Y-%m-%d"},
        {"%H:%M:%S", "%H-%M-%S"},
        {"%Y/%m/%d %H:%M:%S", "%Y-%m-%d_%H-%M-%S"},
    };
    const char* form = kForms[flags & 3][(flags & 0x100) ? 1 : 0];
    time_t now = std::time(nullptr);
    const struct tm* local = std::localtime(&now);
    if (!local || std::strftime(out, size_t(size), form, local) == 0) out[0] = 0;
}

void WriteLastWords(const char* text) noexcept {
    OutputDebugStringA("LOG: ");
    OutputDebugStringA(text);
    OutputDebugStringA("\r\n");
    if (!g_slotBuilt) return;   // no log was ever opened
    // About a second for a line being written elsewhere; a log held longer
    // (its console's box waiting for an answer) goes without these words.
    CRITICAL_SECTION* lock = &Slot().cs;
    for (int round = 0; !TryEnterCriticalSection(lock); ++round) {
        if (round == 1000) return;
        Sleep(1);
    }
    if (LogConsole* console = Slot().console) console->WriteLine(text);
    LeaveCriticalSection(lock);
}

void SetLogLineHook(LogLineHook hook) { g_lineHook = hook; }

void SetMessageBoxFunction(MessageBoxFunction fn) { g_messageBox = fn; }

int ShowMessageBox(HWND owner, const char* text, const char* title, UINT type) {
    MessageBoxFunction fn = g_messageBox;
    return fn ? fn(owner, text, title, type) : MessageBoxA(owner, text, title, type);
}

}   // namespace Nuvex
