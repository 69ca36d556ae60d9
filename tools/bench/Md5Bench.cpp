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

constexpr DWORD kFileMegabytes = 256;
constexpr int kRounds = 3;

bool WriteTestFile(const std::string& path) {
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

}   // namespace

void RunMd5Bench() {
    char temp[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp)) return;
    std::string path = std::string(temp) + "fetchpane_md5_bench.bin";
    std::string digestPath = std::string(temp) + "fetchpane_md5_bench.txt";
    if (!WriteTestFile(path)) {
        std::printf("md5: can't write the %lu MB test file\n", (unsigned long)kFileMegabytes);
        return;
    }
    const double megabytes = kFileMegabytes;
    std::string unixFile = UnixPath(path), unixDigest = UnixPath(digestPath);
    const std::string md5sum = "md5sum '" + unixFile + "' > '" + unixDigest + "'";

    double reference = -1;
    if (!unixFile.empty() && !unixDigest.empty()) {
        RunUnixTimed(md5sum, temp);   // warms the page cache for both
        for (int round = 0; round < kRounds; ++round) {
            double seconds = RunUnixTimed(md5sum, temp);
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
    if (expected.size() != 32) reference = -1;   // md5sum didn't run
    DeleteFileA(path.c_str());
    DeleteFileA(digestPath.c_str());

    std::printf("md5 of a %lu MB file\n", (unsigned long)kFileMegabytes);
    if (reference > 0)
        std::printf("%-22s %9.1f MB/s  (reference)\n", "md5sum", megabytes / reference);
    else
        std::printf("%-22s  not available (needs wine's Unix process start)\n", "md5sum");
    std::printf("%-22s %9.1f MB/s", "FileMd5Hex", megabytes / ours);
    if (reference > 0) std::printf("  ratio to md5sum %.3f (target 0.8)", reference / ours);
    if (!expected.empty())
        std::printf("  %s", expected == digest ? "digests agree" : "DIGESTS DIFFER");
    std::printf("\n");
}
