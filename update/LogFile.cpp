#include "update/LogFile.h"

#include "engine/core/WorkPath.h"
#include "update/support/DbcsText.h"

#include <cstdarg>
#include <cstring>
#include <string>

const char* const LogFile::kTaskLogName = "upgrade.log";

namespace {

// Every LogFile of the process appends through this lock: the runtime's
// append is "seek to the end, then write", which two streams on one file
// could interleave into each other's lines.
CriticalSectionLock& AppendLock() {
    static CriticalSectionLock lock;
    return lock;
}

bool IsRelativeName(const char* name) {
    size_t len = std::strlen(name);
    if (len < 4 || name[1] == ':') return false;
    return !(name[0] == '\\' && name[1] == '\\');   // a network path is full
}

// The program's folder with its trailing '\', or "" when it has none.
std::string ProgramFolder() {
    char module[MAX_PATH] = {};
    DWORD len = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return std::string();
    std::string path(module, len);
    size_t cut = dbcs::FindLast(path, '\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}   // namespace

LogFile::~LogFile() { Close(); }

void LogFile::Open(const char* name, bool append, int size) {
    Close();
    ScopedLock hold(&lock_);
    size_ = size;
    lineCounter_ = 0;
    if (!name) return;
    std::string path = IsRelativeName(name) ? ProgramFolder() + name : std::string(name);
    if (path.empty() || path.size() >= MAX_PATH) return;
    stream_ = std::fopen(path.c_str(), append ? "a" : "w");
}

void LogFile::OpenTaskLog() {
    char path[MAX_PATH] = {};
    Nuvex::MakeWorkPath(kTaskLogName, path, MAX_PATH - 1);
    if (path[0])
        Open(path, true, static_cast<int>(kLineCapacity));
    else
        Close();
}

void LogFile::Close() {
    ScopedLock hold(&lock_);
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
}

void LogFile::Write(const char* format, ...) {
    ScopedLock hold(&lock_);
    if (!stream_ || !format) return;

    char text[kLineCapacity];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) return;

    SYSTEMTIME now = {};
    clock_(&now);
    char head[64];
    int headLength = std::snprintf(head, sizeof head, "[Line.%d %2d月%2d日 %02d:%02d:%02d ] ",
                                   lineCounter_++, now.wMonth, now.wDay, now.wHour, now.wMinute,
                                   now.wSecond);
    if (headLength < 0 || headLength >= static_cast<int>(sizeof head)) return;

    // The line with its "\n" must fit in kLineCapacity bytes: cut the text
    // on a character boundary rather than in a double-byte character.
    size_t textLength = std::strlen(text);
    size_t room = kLineCapacity - 1 - static_cast<size_t>(headLength) - 1;
    textLength = dbcs::FitLength(text, textLength, room);

    char line[kLineCapacity];
    std::memcpy(line, head, headLength);
    std::memcpy(line + headLength, text, textLength);
    line[headLength + textLength] = '\n';
    line[headLength + textLength + 1] = 0;

    ScopedLock append(&AppendLock());
    std::fputs(line, stream_);
    std::fflush(stream_);
}
