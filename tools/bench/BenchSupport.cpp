#include "tools/bench/BenchSupport.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "engine/graphics/Bitmap.h"

namespace bench {

double NowSeconds() {
    LARGE_INTEGER frequency, t;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
}

std::string EnvVar(const char* name) {
    char value[1024];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char chunk[16 * 1024];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
        std::fclose(file);
    }
    return bytes;
}

std::string UnixPath(const std::string& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    if (!toUnix) return std::string();
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return std::string();
    char* unix = toUnix(wide);
    if (!unix) return std::string();
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Runs a shell command through wine's Unix process start and returns its
// own run time in seconds, measured by the shell around it; negative when it
// didn't run or failed. Wine can't wait for a Unix process, so the time file
// is polled for.
double RunUnixTimed(const std::string& command, const std::string& tempFolder) {
    const std::string timesPath = tempFolder + "fetchpane_bench.time";
    const std::string unixTimes = UnixPath(timesPath);
    if (unixTimes.empty()) return -1;
    DeleteFileA(timesPath.c_str());
    std::string script = "s=$(date +%s%N); " + command +
                         " && { e=$(date +%s%N); echo $((e - s)); } > '" + unixTimes +
                         ".part'; mv '" + unixTimes + ".part' '" + unixTimes + "'";
    std::string line = "Z:\\bin\\sh -c \"" + script + "\"";
    std::vector<char> text(line.begin(), line.end());
    text.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const double deadline = NowSeconds() + 180;
    while (NowSeconds() < deadline) {
        if (FILE* f = std::fopen(timesPath.c_str(), "rb")) {
            long long nanoseconds = -1;
            int got = std::fscanf(f, "%lld", &nanoseconds);
            std::fclose(f);
            DeleteFileA(timesPath.c_str());
            return got == 1 && nanoseconds > 0 ? nanoseconds / 1e9 : -1;
        }
        Sleep(5);
    }
    return -1;
}

void PaintSentinel(Bitmap& store) {
    for (int y = 0; y < store.Height(); ++y)
        for (int x = 0; x < store.Pitch(); ++x)
            store.Row(y)[x] = 0x5A000000u | uint32_t(y << 12 | x);
}

long CountChanged(const Bitmap& store, const std::vector<uint32_t>& before) {
    long changed = 0;
    for (size_t i = 0; i < before.size(); ++i) changed += store.GetPixels()[i] != before[i];
    return changed;
}

}   // namespace bench
