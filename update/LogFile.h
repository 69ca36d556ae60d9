#pragma once
// The task log "upgrade.log": numbered, time-stamped lines appended with
// one flushed write each. Several tasks append to the same file at once,
// each through its own LogFile; one process-wide lock keeps their lines
// whole and in place.
#include <windows.h>
#include <cstdio>

#include "update/support/CriticalSectionLock.h"

class LogFile {
public:
    // The time stamp source; tests give a fixed clock.
    using Clock = void(WINAPI*)(SYSTEMTIME* now);

    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // A name of 4 or more characters whose second character isn't ':' (and
    // that doesn't start with "\\") counts as relative to the program's
    // folder; anything else is used as given. A file that can't be opened
    // (or a path that wouldn't fit) turns every Write into nothing.
    void Open(const char* name, bool append, int size);
    // Opens "upgrade.log" in the work folder for appending.
    void OpenTaskLog();
    void Close();
    bool IsOpen() const { return stream_ != nullptr; }

    // One line "[Line.N MM月DD日 hh:mm:ss ] text". The text is cut (on a
    // character boundary) to fit the 4096-byte line.
    void Write(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));

    void SetClock(Clock clock) { clock_ = clock; }

    static const char* const kTaskLogName;   // "upgrade.log"
    static constexpr size_t kLineCapacity = 4096;

private:
    FILE* stream_ = nullptr;
    int size_ = 0;   // kept as given; nothing uses it
    int lineCounter_ = 0;
    Clock clock_ = &GetLocalTime;
    CriticalSectionLock lock_;
};
