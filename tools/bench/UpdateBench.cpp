// Update task figures, each against a Linux tool on the same data in the
// same run (started through wine, which runs Unix programs by their Z:\ path):
//  - a 64 MB archive fetched from the local HTTP test server by the HTTP
//    downloader (1024-byte blocks, a block report each), against curl;
//  - the check of an unchanged 2,000-file, 200 MB install against its list
//    entries (presence, size, MD5), against md5sum over the same files.
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

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using bench::NowSeconds;
using bench::RunUnixTimed;
using bench::UnixPath;

namespace {

constexpr int kRounds = 3;
constexpr unsigned kArchiveMegabytes = 64;
constexpr int kCheckFolders = 20;
constexpr int kCheckFilesPerFolder = 100;
constexpr size_t kCheckFileBytes = 100 * 1024;

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

void RunDownloadBench(const std::string& temp) {
    const std::string port = bench::EnvVar("FETCHPANE_HTTP_PORT");
    const std::string root = bench::EnvVar("FETCHPANE_SERVER_ROOT");
    std::printf("download of a %u MB archive over loopback HTTP\n", kArchiveMegabytes);
    if (port.empty() || root.empty()) {
        std::printf("%-22s  not available (start tools/test-servers and export its variables)\n",
                    "HttpDownloader");
        return;
    }
    const std::string folder = root + "\\bench_" + std::to_string(GetCurrentProcessId());
    const std::string served = folder + "\\big.zip";
    CreateDirectoryA(folder.c_str(), nullptr);
    FILE* out = std::fopen(served.c_str(), "wb");
    bool written = out != nullptr;
    std::vector<unsigned char> block(1 << 20);
    uint32_t x = 777;
    for (unsigned mb = 0; written && mb < kArchiveMegabytes; ++mb) {
        FillPattern(block, x);
        written = std::fwrite(block.data(), 1, block.size(), out) == block.size();
    }
    if (out) std::fclose(out);
    const std::string base = "http://127.0.0.1:" + port;
    const std::string url = base + "/bench_" + std::to_string(GetCurrentProcessId()) + "/big.zip";
    const std::string local = temp + "fetchpane_bench_download.zip";
    const std::string curlLocal = temp + "fetchpane_bench_curl.zip";

    double reference = -1, ours = -1;
    bool complete = written;
    if (written) {
        const std::string curl = "curl -s -f -o '" + UnixPath(curlLocal) + "' '" + url + "'";
        RunUnixTimed(curl, temp);   // warms the server's page cache for both
        for (int round = 0; round < kRounds; ++round)
            reference = Best(reference, RunUnixTimed(curl, temp));
        for (int round = 0; round < kRounds; ++round) {
            BenchSink sink;
            HttpDownloader downloader(&sink);
            double start = NowSeconds();
            int ok = downloader.Open(base.c_str()) &&
                     downloader.Download(url.c_str(), local.c_str());
            double seconds = NowSeconds() - start;
            complete = complete && ok && sink.total == kArchiveMegabytes * (1ull << 20);
            if (ok) ours = Best(ours, seconds);
        }
    }
    DeleteFileA(served.c_str());
    RemoveDirectoryA(folder.c_str());
    DeleteFileA(local.c_str());
    DeleteFileA(curlLocal.c_str());

    if (reference > 0)
        std::printf("%-22s %9.1f MB/s  (reference)\n", "curl", kArchiveMegabytes / reference);
    else
        std::printf("%-22s  not available (needs wine's Unix process start and curl)\n", "curl");
    if (ours > 0) {
        std::printf("%-22s %9.1f MB/s", "HttpDownloader", kArchiveMegabytes / ours);
        if (reference > 0) std::printf("  ratio to curl %.3f (target 0.5)", reference / ours);
        std::printf("%s\n", complete ? "" : "  INCOMPLETE");
    } else {
        std::printf("%-22s  FAILED\n", "HttpDownloader");
    }
}

struct ListedFile {
    std::string path;
    int32_t size;
    std::string md5;
};

void RunCheckBench(const std::string& temp) {
    const int files = kCheckFolders * kCheckFilesPerFolder;
    const double megabytes = double(files) * kCheckFileBytes / (1 << 20);
    std::printf("check of an unchanged install: %d files, %.0f MB\n", files, megabytes);
    const std::string root = temp + "fetchpane_bench_install";
    CreateDirectoryA(root.c_str(), nullptr);
    std::vector<ListedFile> listed;
    std::vector<unsigned char> block(kCheckFileBytes);
    uint32_t x = 4242;
    bool written = true;
    for (int f = 0; f < kCheckFolders && written; ++f) {
        const std::string folder = root + "\\dir" + std::to_string(f);
        CreateDirectoryA(folder.c_str(), nullptr);
        for (int i = 0; i < kCheckFilesPerFolder && written; ++i) {
            FillPattern(block, x);
            ListedFile entry{folder + "\\file" + std::to_string(i) + ".dat", int32_t(block.size()),
                             ""};
            Md5Context context;
            Md5Digest::Init(&context);
            Md5Digest::Update(&context, block.data(), uint32_t(block.size()));
            unsigned char digest[16];
            Md5Digest::Final(digest, &context);
            entry.md5 = Md5Digest::ToHex(digest);
            FILE* out = std::fopen(entry.path.c_str(), "wb");
            written = out && std::fwrite(block.data(), 1, block.size(), out) == block.size();
            if (out) std::fclose(out);
            listed.push_back(entry);
        }
    }

    double reference = -1, ours = -1;
    bool allCurrent = written;
    if (written) {
        const std::string md5sum = "find '" + UnixPath(root) +
                                   "' -type f -print0 | xargs -0 md5sum > /dev/null";
        RunUnixTimed(md5sum, temp);   // warms the page cache for both
        for (int round = 0; round < kRounds; ++round)
            reference = Best(reference, RunUnixTimed(md5sum, temp));
        for (int round = 0; round < kRounds; ++round) {
            double start = NowSeconds();
            for (const ListedFile& entry : listed)
                allCurrent = LocalFileMatches(entry.path, entry.size, entry.md5, false) &&
                             allCurrent;
            ours = Best(ours, NowSeconds() - start);
        }
    }
    for (const ListedFile& entry : listed) DeleteFileA(entry.path.c_str());
    for (int f = 0; f < kCheckFolders; ++f)
        RemoveDirectoryA((root + "\\dir" + std::to_string(f)).c_str());
    RemoveDirectoryA(root.c_str());

    if (reference > 0)
        std::printf("%-22s %9.1f MB/s  (reference)\n", "md5sum", megabytes / reference);
    else
        std::printf("%-22s  not available (needs wine's Unix process start)\n", "md5sum");
    if (ours > 0) {
        std::printf("%-22s %9.1f MB/s", "install check", megabytes / ours);
        if (reference > 0) std::printf("  ratio to md5sum %.3f (target 0.8)", reference / ours);
        std::printf("%s\n", allCurrent ? "" : "  FILES FOUND CHANGED");
    } else {
        std::printf("%-22s  FAILED (can't write the files)\n", "install check");
    }
}

}   // namespace

void RunUpdateBench() {
    char temp[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp)) return;
    RunDownloadBench(temp);
    RunCheckBench(temp);
}
