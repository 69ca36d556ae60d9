// Update task figures, each against a Linux tool on the same data in the
// same run (started through wine, which runs Unix programs by their Z:\ path)
// and against what the platform itself gives under the same load:
//  - a 64 MB archive fetched from the local HTTP test server by the HTTP
//    downloader (1024-byte blocks, a block report each), against curl and
//    against a bare WinInet loop reading 64 KB at a time;
//  - the check of an unchanged 2,000-file, 200 MB install against its list
//    entries (presence, size, MD5) with one to four readers (the task's count
//    is the "install check"), against md5sum over the same files and against
//    the floor of opening, reading and closing those files, no hashing, with
//    as many threads as the check has readers.
// Every round measures each figure once, so a busy machine slows them alike.
// The download figure needs tools/test-servers running with its variables
// exported (FETCHPANE_HTTP_PORT, FETCHPANE_SERVER_ROOT).
//
// Like the other figures it runs when main returns, through a registration
// made during static initialisation. The benchmark program links only the
// engine libraries (and through them the platform layer), so the update
// sources it measures are compiled in here; the digest's own source is
// compiled in by the MD5 figure.
#include "update/Downloader.h"
#include "update/HttpDownloader.h"
#include "update/InstallCheck.h"

#include "update/support/Md5Digest.h"

#include "tools/bench/Bench.h"
#include "tools/bench/BenchSupport.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using bench::NowSeconds;
using bench::RunUnixTimed;
using bench::UnixPath;

namespace {

constexpr int kRounds = 5;
constexpr unsigned kArchiveMegabytes = 64;
constexpr int kCheckFolders = 20;
constexpr int kCheckFilesPerFolder = 100;
constexpr size_t kCheckFileBytes = 100 * 1024;
constexpr DWORD kFloorBlock = 64 * 1024;

double Best(double a, double b) { return a < 0 ? b : (b < 0 ? a : (b < a ? b : a)); }

void FillPattern(std::vector<unsigned char>& block, uint32_t& x) {
    for (unsigned char& b : block) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(x >> 24);
    }
}

// Counts blocks and reads the clock per block, as the update task does.
class BenchSink : public DownloadSink {
public:
    bool KeepRunning() override { return true; }
    bool ReportBlocks() override { return true; }
    void OnBlock(const char*, unsigned bytes) override {
        lastTick = GetTickCount();
        total += bytes;
    }
    unsigned long long total = 0;
    DWORD lastTick = 0;
};

// The least a WinInet client can do for the same transfer: one session, one
// HTTP/1.0 GET with the downloader's flags, 64 KB reads until the end, the
// bytes dropped. Returns the bytes read, 0 on a failure.
unsigned long long BareWinInetFetch(const std::string& port, const std::string& object) {
    static char buffer[64 * 1024];
    unsigned long long total = 0;
    HINTERNET session = InternetOpenA("fp_bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                                      0);
    HINTERNET connection = session ? InternetConnectA(session, "127.0.0.1",
                                                      INTERNET_PORT(std::atoi(port.c_str())),
                                                      nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 1)
                                   : nullptr;
    const DWORD flags = INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_AUTO_REDIRECT |
                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    HINTERNET request = connection ? HttpOpenRequestA(connection, "GET", object.c_str(), "HTTP/1.0",
                                                      nullptr, nullptr, flags, 1)
                                   : nullptr;
    if (request && HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
        DWORD got = 0;
        while (InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0) total += got;
    }
    if (request) InternetCloseHandle(request);
    if (connection) InternetCloseHandle(connection);
    if (session) InternetCloseHandle(session);
    return total;
}

void PrintReference(const char* name, double megabytes, double seconds, const char* missing) {
    if (seconds > 0)
        std::printf("%-22s %9.1f MB/s  (reference)\n", name, megabytes / seconds);
    else
        std::printf("%-22s  not available (%s)\n", name, missing);
}

// A served file of the archive's size, in the folder the test server serves.
bool WriteServedArchive(const std::string& path) {
    FILE* out = std::fopen(path.c_str(), "wb");
    bool written = out != nullptr;
    std::vector<unsigned char> block(1 << 20);
    uint32_t x = 777;
    for (unsigned mb = 0; written && mb < kArchiveMegabytes; ++mb) {
        FillPattern(block, x);
        written = std::fwrite(block.data(), 1, block.size(), out) == block.size();
    }
    if (out) std::fclose(out);
    return written;
}

// Best seconds of each way to fetch the archive; negative where one failed.
struct DownloadFigures {
    double curl = -1, bare = -1, ours = -1;
    bool complete = true;
};

DownloadFigures MeasureDownload(const std::string& port, const std::string& object,
                                const std::string& temp) {
    const std::string base = "http://127.0.0.1:" + port;
    const std::string url = base + object;
    const std::string local = temp + "fetchpane_bench_download.zip";
    const std::string curlLocal = temp + "fetchpane_bench_curl.zip";
    const unsigned long long bytes = kArchiveMegabytes * (1ull << 20);
    const std::string curl = "curl -s -f -o '" + UnixPath(curlLocal) + "' '" + url + "'";
    DownloadFigures figures;
    RunUnixTimed(curl, temp);   // warms the server's page cache for all
    for (int round = 0; round < kRounds; ++round) {
        // Each writes a new file: replacing the last round's would add its removal.
        DeleteFileA(curlLocal.c_str());
        DeleteFileA(local.c_str());
        figures.curl = Best(figures.curl, RunUnixTimed(curl, temp));

        double start = NowSeconds();
        if (BareWinInetFetch(port, object) == bytes)
            figures.bare = Best(figures.bare, NowSeconds() - start);

        BenchSink sink;
        HttpDownloader downloader(&sink);
        start = NowSeconds();
        const bool ok = downloader.Open(base.c_str()) &&
                        downloader.Download(url.c_str(), local.c_str());
        const double seconds = NowSeconds() - start;
        figures.complete = figures.complete && ok && sink.total == bytes;
        if (ok) figures.ours = Best(figures.ours, seconds);
    }
    DeleteFileA(local.c_str());
    DeleteFileA(curlLocal.c_str());
    return figures;
}

void PrintDownload(const DownloadFigures& figures) {
    const double megabytes = kArchiveMegabytes;
    PrintReference("curl", megabytes, figures.curl, "needs wine's Unix process start and curl");
    if (figures.bare > 0)
        std::printf("%-22s %9.1f MB/s  (reference: WinInet, 64 KB reads, nothing written)\n",
                    "WinInet 64 KB loop", megabytes / figures.bare);
    else
        std::printf("%-22s  FAILED\n", "WinInet 64 KB loop");
    if (figures.ours <= 0) {
        std::printf("%-22s  FAILED\n", "HttpDownloader");
        return;
    }
    std::printf("%-22s %9.1f MB/s", "HttpDownloader", megabytes / figures.ours);
    if (figures.curl > 0) std::printf("  ratio to curl %.3f", figures.curl / figures.ours);
    if (figures.bare > 0)
        std::printf("  ratio to WinInet %.3f (target 0.7)", figures.bare / figures.ours);
    std::printf("%s\n", figures.complete ? "" : "  INCOMPLETE");
}

void RunDownloadBench(const std::string& temp) {
    const std::string port = bench::EnvVar("FETCHPANE_HTTP_PORT");
    const std::string root = bench::EnvVar("FETCHPANE_SERVER_ROOT");
    std::printf("download of a %u MB archive over loopback HTTP\n", kArchiveMegabytes);
    if (port.empty() || root.empty()) {
        std::printf("%-22s  not available (start tools/test-servers and export its variables)\n",
                    "HttpDownloader");
        return;
    }
    const std::string name = "bench_" + std::to_string(GetCurrentProcessId());
    const std::string folder = root + "\\" + name;
    const std::string served = folder + "\\big.zip";
    CreateDirectoryA(folder.c_str(), nullptr);
    const bool written = WriteServedArchive(served);
    DownloadFigures figures;
    if (written) figures = MeasureDownload(port, "/" + name + "/big.zip", temp);
    DeleteFileA(served.c_str());
    RemoveDirectoryA(folder.c_str());
    if (written)
        PrintDownload(figures);
    else
        std::printf("%-22s  FAILED (can't write the served archive)\n", "HttpDownloader");
}

// Opens, reads in 64 KB blocks and closes every file, split between
// `threads` threads that each take the next file; no hashing. The same open
// as the check's. Returns the seconds it took, negative when a file was short.
class ReadFloor {
public:
    ReadFloor(const std::vector<CheckedFile>& files, unsigned threads)
        : files_(files), threads_(threads) {}

    double Measure() {
        next_ = 0;
        complete_ = true;
        const double start = NowSeconds();
        std::vector<HANDLE> others;
        for (unsigned i = 1; i < threads_; ++i)
            if (HANDLE h = CreateThread(nullptr, 0, &Entry, this, 0, nullptr)) others.push_back(h);
        ReadAll();
        if (!others.empty())
            WaitForMultipleObjects(DWORD(others.size()), others.data(), TRUE, INFINITE);
        const double seconds = NowSeconds() - start;
        for (HANDLE h : others) CloseHandle(h);
        return complete_ ? seconds : -1;
    }

private:
    static DWORD WINAPI Entry(void* self) {
        static_cast<ReadFloor*>(self)->ReadAll();
        return 0;
    }
    void ReadAll() {
        std::vector<unsigned char> block(kFloorBlock);
        for (size_t i = next_++; i < files_.size(); i = next_++) {
            HANDLE file = CreateFileA(files_[i].path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
            unsigned long long total = 0;
            DWORD got = 0;
            while (file != INVALID_HANDLE_VALUE &&
                   ReadFile(file, block.data(), kFloorBlock, &got, nullptr) && got > 0)
                total += got;
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
            if (total != uint64_t(files_[i].size)) complete_ = false;
        }
    }

    const std::vector<CheckedFile>& files_;
    const unsigned threads_;
    std::atomic<size_t> next_{0};
    std::atomic<bool> complete_{true};
};

// The unchanged install the check reads: folders of files of a pattern,
// listed with their size and digest.
bool WriteInstall(const std::string& root, std::vector<CheckedFile>* listed) {
    CreateDirectoryA(root.c_str(), nullptr);
    std::vector<unsigned char> block(kCheckFileBytes);
    uint32_t x = 4242;
    for (int f = 0; f < kCheckFolders; ++f) {
        const std::string folder = root + "\\dir" + std::to_string(f);
        CreateDirectoryA(folder.c_str(), nullptr);
        for (int i = 0; i < kCheckFilesPerFolder; ++i) {
            FillPattern(block, x);
            CheckedFile entry{folder + "\\file" + std::to_string(i) + ".dat", int32_t(block.size()),
                              ""};
            Md5Context context;
            Md5Digest::Init(&context);
            Md5Digest::Update(&context, block.data(), uint32_t(block.size()));
            unsigned char digest[16];
            Md5Digest::Final(digest, &context);
            entry.md5 = Md5Digest::ToHex(digest);
            FILE* out = std::fopen(entry.path.c_str(), "wb");
            const bool written = out &&
                                 std::fwrite(block.data(), 1, block.size(), out) == block.size();
            if (out) std::fclose(out);
            listed->push_back(entry);
            if (!written) return false;
        }
    }
    return true;
}

void RemoveInstall(const std::string& root, const std::vector<CheckedFile>& listed) {
    for (const CheckedFile& entry : listed) DeleteFileA(entry.path.c_str());
    for (int f = 0; f < kCheckFolders; ++f)
        RemoveDirectoryA((root + "\\dir" + std::to_string(f)).c_str());
    RemoveDirectoryA(root.c_str());
}

// Best seconds of the check and of its read floor, index r - 1 for r
// readers or threads; negative where one failed.
struct CheckFigures {
    double md5sum = -1;
    std::vector<double> floors, checks;
    bool allCurrent = true;
};

CheckFigures MeasureCheck(const std::string& root, const std::vector<CheckedFile>& listed,
                          const std::string& temp) {
    CheckFigures figures;
    const unsigned most = InstallCheck::kMaxReaders;
    figures.floors.assign(most, -1);
    figures.checks.assign(most, -1);
    const std::string md5sum = "find '" + UnixPath(root) +
                               "' -type f -print0 | xargs -0 md5sum > /dev/null";
    RunUnixTimed(md5sum, temp);   // warms the page cache for all
    for (int round = 0; round < kRounds; ++round) {
        figures.md5sum = Best(figures.md5sum, RunUnixTimed(md5sum, temp));
        for (unsigned r = 1; r <= most; ++r) {
            figures.floors[r - 1] = Best(figures.floors[r - 1], ReadFloor(listed, r).Measure());
            const double start = NowSeconds();
            InstallCheck(r, nullptr).Run(listed, [&](size_t, bool current) {
                figures.allCurrent = figures.allCurrent && current;
            });
            figures.checks[r - 1] = Best(figures.checks[r - 1], NowSeconds() - start);
        }
    }
    return figures;
}

void PrintCheck(const CheckFigures& figures, double megabytes) {
    PrintReference("md5sum", megabytes, figures.md5sum, "needs wine's Unix process start");
    const std::vector<double>& floors = figures.floors;
    for (unsigned r = 1; r <= floors.size(); ++r) {
        const std::string name = "read floor, " + std::to_string(r) + " thread" +
                                 (r > 1 ? "s" : "");
        if (floors[r - 1] > 0)
            std::printf("%-22s %9.1f MB/s  (open, 64 KB reads, close; no hashing)\n", name.c_str(),
                        megabytes / floors[r - 1]);
        else
            std::printf("%-22s  FAILED (a file read short)\n", name.c_str());
    }
    for (unsigned r = 1; r <= figures.checks.size(); ++r) {
        const double seconds = figures.checks[r - 1];
        const bool task = r == InstallCheck::kReaders;
        const std::string name = task ? std::string("install check")
                                      : "check, " + std::to_string(r) + " reader" +
                                            (r > 1 ? "s" : "");
        std::printf("%-22s %9.1f MB/s", name.c_str(), megabytes / seconds);
        if (task) std::printf("  (%u readers, as a task checks)", r);
        if (figures.md5sum > 0)
            std::printf("  ratio to md5sum %.3f%s", figures.md5sum / seconds,
                        task ? " (target 0.6)" : "");
        if (floors[r - 1] > 0)
            std::printf("  ratio to the %u-thread floor %.3f", r, floors[r - 1] / seconds);
        std::printf("%s\n", figures.allCurrent ? "" : "  FILES FOUND CHANGED");
    }
}

void RunCheckBench(const std::string& temp) {
    const int files = kCheckFolders * kCheckFilesPerFolder;
    const double megabytes = double(files) * kCheckFileBytes / (1 << 20);
    std::printf("check of an unchanged install: %d files, %.0f MB\n", files, megabytes);
    const std::string root = temp + "fetchpane_bench_install";
    std::vector<CheckedFile> listed;
    const bool written = WriteInstall(root, &listed);
    CheckFigures figures;
    if (written) figures = MeasureCheck(root, listed, temp);
    RemoveInstall(root, listed);
    if (written)
        PrintCheck(figures, megabytes);
    else
        std::printf("%-22s  FAILED (can't write the files)\n", "install check");
}

}   // namespace

void RunUpdateBench() {
    char temp[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp)) return;
    RunDownloadBench(temp);
    RunCheckBench(temp);
}
