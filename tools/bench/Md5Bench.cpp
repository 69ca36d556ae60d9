// MD5 of a 256 MB file through Md5Digest::FileMd5Hex (file reads included),
// against Linux md5sum on the same file in the same run (started through
// wine, which runs Unix programs given by their Z:\ path).
//
// The program's main belongs to the blend benchmark; this one runs when main
// returns, through a registration made during static initialisation.
//
// The digest's source is compiled in here because the benchmark program
// links only the engine libraries.
#include "update/support/Md5Digest.h"

#include "tools/bench/Bench.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kFileMegabytes = 256;
constexpr int kRounds = 3;

double NowSeconds()
{
    LARGE_INTEGER frequency, t;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
}

// The Unix path wine maps a Windows path to; "" outside wine.
std::string UnixPath(const std::string& path)
{
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

bool WriteTestFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<unsigned char> block(1 << 20);
    uint32_t x = 12345;
    bool ok = true;
    for (DWORD mb = 0; mb < kFileMegabytes && ok; ++mb) {
        for (unsigned char& b : block) {
            x = x * 1664525u + 1013904223u;
            b = static_cast<unsigned char>(x >> 24);
        }
        DWORD written = 0;
        ok = WriteFile(file, block.data(), DWORD(block.size()), &written, nullptr) &&
             written == block.size();
    }
    CloseHandle(file);
    return ok;
}

// Runs md5sum on `unixFile` through wine's Unix process start, writing its
// digest to `unixDigest`; returns md5sum's own time in seconds (measured by
// the shell around it), or a negative value when it didn't run. Wine can't
// wait for a Unix process, so the result file is polled for.
double RunMd5sum(const std::string& unixFile, const std::string& unixDigest,
                 const std::string& timesPath, const std::string& unixTimes)
{
    DeleteFileA(timesPath.c_str());
    std::string command = "s=$(date +%s%N); md5sum '" + unixFile + "' > '" + unixDigest +
                          "'; e=$(date +%s%N); echo $((e - s)) > '" + unixTimes + ".part'; mv '" +
                          unixTimes + ".part' '" + unixTimes + "'";
    std::string line = "Z:\\bin\\sh -c \"" + command + "\"";
    std::vector<char> text(line.begin(), line.end());
    text.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    double deadline = NowSeconds() + 120;
    while (NowSeconds() < deadline) {
        if (FILE* f = std::fopen(timesPath.c_str(), "rb")) {
            long long nanoseconds = -1;
            int got = std::fscanf(f, "%lld", &nanoseconds);
            std::fclose(f);
            return got == 1 && nanoseconds > 0 ? nanoseconds / 1e9 : -1;
        }
        Sleep(5);
    }
    return -1;
}

}  // namespace

void RunMd5Bench()
{
    char temp[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp)) return;
    std::string path = std::string(temp) + "fetchpane_md5_bench.bin";
    std::string digestPath = std::string(temp) + "fetchpane_md5_bench.txt";
    if (!WriteTestFile(path)) {
        std::printf("md5: can't write the %lu MB test file\n", (unsigned long)kFileMegabytes);
        return;
    }
    const double megabytes = kFileMegabytes;
    std::string timesPath = std::string(temp) + "fetchpane_md5_bench.time";
    std::string unixFile = UnixPath(path), unixDigest = UnixPath(digestPath);
    std::string unixTimes = UnixPath(timesPath);

    double reference = -1;
    if (!unixFile.empty() && !unixTimes.empty()) {
        RunMd5sum(unixFile, unixDigest, timesPath, unixTimes);  // warms the page cache for both
        for (int round = 0; round < kRounds; ++round) {
            double seconds = RunMd5sum(unixFile, unixDigest, timesPath, unixTimes);
            if (seconds > 0 && (reference < 0 || seconds < reference)) reference = seconds;
        }
    }

    Md5Digest md5;
    std::string digest;
    double ours = -1;
    for (int round = 0; round < kRounds; ++round) {
        double start = NowSeconds();
        digest = md5.FileMd5Hex(path);
        double seconds = NowSeconds() - start;
        if (ours < 0 || seconds < ours) ours = seconds;
    }

    std::string expected;
    if (FILE* f = std::fopen(digestPath.c_str(), "rb")) {
        char line[64] = {};
        if (std::fgets(line, sizeof line, f)) expected.assign(line, strnlen(line, 32));
        std::fclose(f);
    }
    if (expected.size() != 32) reference = -1;  // md5sum didn't run
    DeleteFileA(path.c_str());
    DeleteFileA(digestPath.c_str());
    DeleteFileA(timesPath.c_str());

    std::printf("md5 of a %lu MB file\n", (unsigned long)kFileMegabytes);
    if (reference > 0)
        std::printf("%-22s %9.1f MB/s  (reference)\n", "md5sum", megabytes / reference);
    else
        std::printf("%-22s  not available (needs wine's Unix process start)\n", "md5sum");
    std::printf("%-22s %9.1f MB/s", "FileMd5Hex", megabytes / ours);
    if (reference > 0) std::printf("  ratio to md5sum %.3f (target 0.8)", reference / ours);
    if (!expected.empty()) std::printf("  %s", expected == digest ? "digests agree" : "DIGESTS DIFFER");
    std::printf("\n");
}



