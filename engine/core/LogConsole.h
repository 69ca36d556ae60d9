#pragma once
// The process-wide log object: stamps each line with the local time, collects
// lines in memory and writes them to rolling files in the module's folder,
// optionally echoing them to a console window.
#include <windows.h>
#include <cstdint>
#include <cstdio>

#include "engine/core/BuildVariant.h"

class LogConsole {
public:
    static constexpr int kFlushesPerFile = 3500;
    static constexpr uint32_t kBufferSize = 0x100000;
    static constexpr int kMaxOpenAttempts = 100;
    // "[", a 19-character stamp, "] " and "\r\n"; the older build, whose
    // lines carry the time alone, counts 20.
    static constexpr uint32_t kLineOverhead = BuildVariant::kLogLineOverhead;

    LogConsole();
    ~LogConsole();
    LogConsole(const LogConsole&) = delete;
    LogConsole& operator=(const LogConsole&) = delete;

    int Init(HMODULE module, const char* baseName, int namingMode, int flushEveryLine, int console);
    void WriteLine(const char* text);
    void Flush();
    int OpenNextFile();
    void Close();

    // Test seam: replaces fopen for the log files (null restores fopen).
    using FileOpener = FILE* (*)(const char* path, const char* mode);
    static void SetFileOpener(FileOpener opener);

private:
    bool MakeFileName(int number, char* name, size_t size) const;
    FILE* OpenFile(const char* path) const;
    bool StartConsole();
    void WriteToConsole(const char* text, uint32_t len);

    CRITICAL_SECTION lock_;
    HANDLE consoleOut_ = INVALID_HANDLE_VALUE;
    HWND owner_ = nullptr;
    FILE* file_ = nullptr;
    int namingMode_ = 0;
    int sequence_ = 0;
    int flushesInFile_ = 0;
    int flushesPerFile_ = kFlushesPerFile;
    char folder_[260] = {};
    char baseName_[260] = {};
    char stamp_[32] = {};
    char buffers_[2][kBufferSize] = {};
    char* back_ = nullptr;
    char* front_ = nullptr;
    char* cursor_ = nullptr;
    int flushEveryLine_ = 0;
    int console_ = 0;
};
