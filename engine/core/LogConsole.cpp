#include "engine/core/LogConsole.h"

#include "engine/core/Log.h"
#include "engine/core/MbcsText.h"
#include "engine/core/ThreadUtils.h"

#include <atomic>
#include <cstring>
#include <ctime>

using BuildVariant::kConsoleBoxType;
using BuildVariant::kConsoleWriteBoxType;
using BuildVariant::kLogDateForm;
using BuildVariant::kLogDateTimeForm;
using BuildVariant::kLogLineEnd;
using BuildVariant::kLogStampForm;

namespace {

std::atomic<LogConsole::FileOpener> g_fileOpener{nullptr};

// snprintf that reports whether the whole text fitted.
template <typename... Args>
bool FormatFits(char* out, size_t size, const char* format, Args... args) {
    int n = std::snprintf(out, size, format, args...);
    return n >= 0 && size_t(n) < size;
}

}   // namespace

void LogConsole::SetFileOpener(FileOpener opener) { g_fileOpener = opener; }

LogConsole::LogConsole() { InitializeCriticalSection(&lock_); }

LogConsole::~LogConsole() {
    Close();
    DeleteCriticalSection(&lock_);
}

int LogConsole::Init(HMODULE module, const char* baseName, int namingMode, int flushEveryLine,
                     int console) {
    if (!module) module = GetModuleHandleA(nullptr);
    char path[260] = {};
    DWORD n = GetModuleFileNameA(module, path, sizeof path);
    if (n == 0 || n >= sizeof path) return 0;

    const char* slash = Nuvex::mbcs::FindLastOf(path, n, '\\', '\\');
    if (baseName && baseName[0]) {
        Nuvex::mbcs::CopyFitting(baseName_, sizeof baseName_, baseName);
    } else {
        const char* file = slash ? slash + 1 : path;
        const char* dot = Nuvex::mbcs::FindLastOf(file, std::strlen(file), '.', '.');
        size_t len = dot ? size_t(dot - file) : std::strlen(file);
        std::memcpy(baseName_, file, len);
        baseName_[len] = 0;
    }
    size_t folderLen = slash ? size_t(slash - path) + 1 : 0;
    std::memcpy(folder_, path, folderLen);
    folder_[folderLen] = 0;

    std::strcpy(stamp_, "Initializing");
    namingMode_ = namingMode;
    flushEveryLine_ = flushEveryLine;
    console_ = console;
    front_ = cursor_ = buffers_[0];
    back_ = buffers_[1];
    return OpenNextFile();
}

bool LogConsole::MakeFileName(int number, char* name, size_t size) const {
    if (namingMode_ == 0) return FormatFits(name, size, "%s~%d.log", baseName_, number);
    char date[32] = {};
    time_t now = std::time(nullptr);
    const struct tm* local = std::localtime(&now);
    if (!local || !std::strftime(date, sizeof date,
                                 namingMode_ == 3 ? kLogDateTimeForm : kLogDateForm, local))
        return false;
    return FormatFits(name, size, "[%s]%s~%d.log", date, baseName_, number);
}

FILE* LogConsole::OpenFile(const char* path) const {
    FileOpener opener = g_fileOpener;
    // Binary: the lines carry their own "\r\n".
    return opener ? opener(path, "wb") : std::fopen(path, "wb");
}

bool LogConsole::StartConsole() {
    if (consoleOut_ != INVALID_HANDLE_VALUE) return true;   // only ever one console
    if (!AllocConsole()) {
        Nuvex::ShowMessageBox(owner_, "无法创建控制台窗口!", "控制台", kConsoleBoxType);
        return false;
    }
    consoleOut_ = GetStdHandle(STD_OUTPUT_HANDLE);
    if (consoleOut_ == INVALID_HANDLE_VALUE) {
        Nuvex::ShowMessageBox(owner_, "无法获取控制台句柄!", "控制台", kConsoleBoxType);
        return false;
    }
    return true;
}

int LogConsole::OpenNextFile() {
    // Each attempt takes the next name; an unwritable folder must not hang
    // start-up, so the attempts are bounded and the log then stays closed.
    for (int attempt = 0; attempt < kMaxOpenAttempts; ++attempt) {
        flushesInFile_ = 0;
        int seconds = int(GetTickCount() / 1000);
        int number = sequence_++;
        char name[260];
        char path[260];
        bool named = MakeFileName(namingMode_ == 0 ? number : seconds, name, sizeof name) &&
                     FormatFits(path, sizeof path, "%s%s", folder_, name);
        if (file_) {   // rollover: the old file says where the log goes on
            if (named) std::fprintf(file_, "日志文件已满, 创建新文件 %s!%s", name, kLogLineEnd);
            std::fclose(file_);
            file_ = nullptr;
            if (!named) continue;
            file_ = OpenFile(path);
            if (file_) {
                std::fprintf(file_, "创建新文件 %s, 上一日志文件已满!%s", name, kLogLineEnd);
                std::fflush(file_);
            }
        } else {
            if (!named) continue;
            file_ = OpenFile(path);
            if (file_ && console_ && !StartConsole()) return 0;
        }
        if (file_) return 1;
    }
    return 0;
}

void LogConsole::WriteLine(const char* text) {
    if (!text || !front_) return;
    LockGuard hold(&lock_);
    size_t len = std::strlen(text);
    if (len + size_t(cursor_ - front_) + kLineOverhead >= kBufferSize) Flush();
    // A text too long for an empty buffer is cut at a character boundary.
    size_t room = kBufferSize - kLineOverhead - 1;
    if (len > room) len = Nuvex::mbcs::FitLength(text, len, room);

    Nuvex::FormatTimeStamp(kLogStampForm, stamp_, sizeof stamp_);
    size_t space = kBufferSize - size_t(cursor_ - front_);
    int n = std::snprintf(cursor_, space, "[%s] %.*s%s", stamp_, int(len), text, kLogLineEnd);
    if (n > 0) cursor_ += (size_t(n) < space ? size_t(n) : space - 1);
    if (flushEveryLine_) Flush();
}

void LogConsole::Flush() {
    if (!front_) return;
    LockGuard hold(&lock_);
    int done = flushesInFile_++;
    if (done >= flushesPerFile_) OpenNextFile();

    char* filled = front_;
    uint32_t len = uint32_t(cursor_ - front_);
    front_ = cursor_ = back_;
    back_ = filled;

    if (file_ && len > 0) {
        std::fwrite(filled, 1, len, file_);
        std::fflush(file_);
    }
    if (console_) WriteToConsole(filled, len);
}

void LogConsole::WriteToConsole(const char* text, uint32_t len) {
    DWORD written = 0;
    if (consoleOut_ != INVALID_HANDLE_VALUE &&
        WriteConsoleA(consoleOut_, text, len, &written, nullptr))
        return;
    int answer = Nuvex::ShowMessageBox(owner_, "无法输出控制台信息, 是否关闭程序!", "控制台",
                                       kConsoleWriteBoxType);
    if (answer == IDYES) ExitProcess(UINT(-1));
}

void LogConsole::Close() {
    LockGuard hold(&lock_);
    // Lines still collected in memory are written before the file goes.
    if (front_ && cursor_ != front_ && file_) Flush();
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (console_ && consoleOut_ != INVALID_HANDLE_VALUE) FreeConsole();
    consoleOut_ = INVALID_HANDLE_VALUE;
}
