#pragma once
// Engine log: WriteLog formats a line (per-thread buffer) and hands it to the
// process-wide LogConsole when one is open; AlertBox also shows it in a box.
#include <windows.h>
#include <cstdint>

// mode 0 = log line, 1 = log line and debugger output, 2 = format only.
// The older build takes the mode as a kind: 0 line, 1 line and a "Warning"
// box, 2 the box alone, 3 nothing, 4 and above an "Error" box alone; without
// an open log it does nothing and returns an empty text. It has no AlertBox
// (its boxes come from the kinds).
// The text returned stays valid until the calling thread's next WriteLog or
// AlertBox.
const char* WriteLog(int mode, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
const char* AlertBox(HWND owner, const char* title, const char* format, ...)
    __attribute__((format(gnu_printf, 3, 4)));

namespace Nuvex {
int OpenLog(const char* logName, int namingMode, int console);
void CloseLog();   // closes and destroys the open log, if any
bool IsLogOpen();
void FormatTimeStamp(uint32_t flags, char* out, int size);

// The last words of a process about to end: the text as it stands (no
// format buffer) to the debugger output, with "LOG: " before it as mode 1
// writes, then to the open log, in either build. Nothing is allocated and
// nothing thrown, so it serves where the C++ runtime no longer can; the
// log's time stamp goes without the C runtime's time buffer when that can't
// be had. The log is waited for a bounded time only: a thread that holds it
// may be waiting for the caller. The line hook, a test seam, is not called.
void WriteLastWords(const char* text) noexcept;

// Test and host seams. A line hook sees every line the log would write
// (modes 0 and 1), whether or not a log file is open. The message-box
// function replaces MessageBoxA for every box the engine shows.
using LogLineHook = void (*)(const char* text);
void SetLogLineHook(LogLineHook hook);
using MessageBoxFunction = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
void SetMessageBoxFunction(MessageBoxFunction fn);   // null restores MessageBoxA
int ShowMessageBox(HWND owner, const char* text, const char* title, UINT type);
}   // namespace Nuvex
