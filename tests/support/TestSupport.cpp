#include "support/TestSupport.h"

#include "engine/core/HandleTable.h"
#include "engine/core/Log.h"

#include <cstdio>
#include <cstring>

namespace testsupport {
namespace {

struct Guarded {
    CRITICAL_SECTION cs;
    Guarded() { InitializeCriticalSection(&cs); }
    ~Guarded() { DeleteCriticalSection(&cs); }
};
Guarded& Lock() {
    static Guarded g;
    return g;
}
struct Hold {
    Hold() { EnterCriticalSection(&Lock().cs); }
    ~Hold() { LeaveCriticalSection(&Lock().cs); }
};

std::vector<std::string>& CapturedLines() {
    static std::vector<std::string> v;
    return v;
}
std::vector<ShownBox>& Boxes() {
    static std::vector<ShownBox> v;
    return v;
}
int g_boxAnswer = IDOK;

void OnLogLine(const char* text) {
    Hold h;
    CapturedLines().push_back(text ? text : "");
}

}   // namespace

int WINAPI SuppressedMessageBox(HWND, LPCSTR text, LPCSTR title, UINT type) {
    Hold h;
    Boxes().push_back({title ? title : "", text ? text : "", type});
    return g_boxAnswer;
}

LogCapture::LogCapture() {
    Clear();
    Nuvex::SetLogLineHook(&OnLogLine);
}
LogCapture::~LogCapture() { Nuvex::SetLogLineHook(nullptr); }

std::vector<std::string> LogCapture::Lines() const {
    Hold h;
    return CapturedLines();
}
bool LogCapture::Contains(const std::string& text) const {
    for (const auto& line : Lines())
        if (line.find(text) != std::string::npos) return true;
    return false;
}
size_t LogCapture::Count(const std::string& text) const {
    size_t n = 0;
    for (const auto& line : Lines())
        if (line == text) ++n;
    return n;
}
void LogCapture::Clear() {
    Hold h;
    CapturedLines().clear();
}

std::vector<ShownBox> ShownBoxes() {
    Hold h;
    return Boxes();
}
void ClearShownBoxes() {
    Hold h;
    Boxes().clear();
}
void SetMessageBoxAnswer(int answer) { g_boxAnswer = answer; }

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done && done()) return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, (std::min)(DWORD(10), timeoutMs - elapsed),
                                  QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) { PumpUntil(nullptr, ms); }

TempFolder::TempFolder() {
    char base[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, base);
    if (n == 0 || n >= MAX_PATH) std::strcpy(base, "C:\\");
    static LONG counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "%sfpt%lu_%ld", base, GetCurrentProcessId(),
                      InterlockedIncrement(&counter));
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
    }
}

TempFolder::~TempFolder() {
    if (!path_.empty()) RemoveTree(path_);
}

std::string TempFolder::Join(const std::string& relative) const { return path_ + "\\" + relative; }

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes->clear();
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes->append(chunk, got);
    std::fclose(f);
    return true;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveTree(const std::string& path) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileA(path.c_str()) != 0;
    }
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!std::strcmp(fd.cFileName, ".") || !std::strcmp(fd.cFileName, "..")) continue;
            RemoveTree(path + "\\" + fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return RemoveDirectoryA(path.c_str()) != 0;
}

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (slash) *slash = 0;
    return path;
}

std::string EnvVar(const char* name) {
    char value[1024];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return (n > 0 && n < sizeof value) ? std::string(value, n) : std::string();
}

bool EnsurePools() {
    static const bool ready = Nuvex::InitGraphics() != 0 || Nuvex::Pools().texture.Capacity() != 0;
    return ready;
}

}   // namespace testsupport
