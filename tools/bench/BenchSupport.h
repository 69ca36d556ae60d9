#pragma once
// Timing and the Linux reference tools (run through wine's Unix process
// start) that the benchmarks share.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

class Bitmap;

namespace bench {

double NowSeconds();
std::string EnvVar(const char* name);
// The Unix path wine maps a Windows path to; "" outside wine.
std::string UnixPath(const std::string& path);
// Runs a shell command on the Linux side and returns its own run time in
// seconds as the shell measured it; negative when it didn't run or failed.
double RunUnixTimed(const std::string& command, const std::string& tempFolder);

// operator new calls of the whole program so far (every allocation counts).
long AllocationCount();

// Fills every pixel of a surface's pixel store with a pattern no frame
// draws; CountChanged then tells how many pixels the frames since touched.
void PaintSentinel(Bitmap& store);
long CountChanged(const Bitmap& store, const std::vector<uint32_t>& before);

// Whole files, for the benchmarks that read what they wrote.
bool WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);   // "" when it can't be read

// The best of `rounds` timed runs of work, in seconds.
template <typename Work>
double BestSeconds(int rounds, Work&& work) {
    double best = -1;
    for (int i = 0; i < rounds; ++i) {
        const double start = NowSeconds();
        work();
        const double seconds = NowSeconds() - start;
        if (best < 0 || seconds < best) best = seconds;
    }
    return best;
}

// The median of `runs` timed runs of work, in ms, after one warm-up run.
template <typename Work>
double MedianMs(int runs, Work&& work) {
    work();
    std::vector<double> times;
    times.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i) {
        const double start = NowSeconds() * 1000.0;
        work();
        times.push_back(NowSeconds() * 1000.0 - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}   // namespace bench
