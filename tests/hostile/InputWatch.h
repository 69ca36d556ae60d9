#pragma once
// Watches the hostile inputs a test feeds to a parser in this process, one
// at a time, and names the input that broke a bound: a crash, an abort (a
// library's assert among them), an uncaught C++ exception or an input that
// runs past the hang bound ends the process at once with the input named
// on stderr; an allocation over the bound is told by EndInput.
#include <cstddef>
#include <cstdint>
#include <string>

namespace hostile {

struct WatchLimits {
    unsigned hangMs = 10000;
    // The most one malloc, calloc or realloc may ask for.
    size_t largestRequest = 64u << 20;
    // The most the peak of memory in use may rise over its level at the start.
    uint64_t peakGrowth = 256u << 20;
};

// Puts the handlers and the allocation watch in place and starts the hang
// watch; once per process (later calls change nothing). False when the
// allocator's imports could not be found, so that no bound goes unwatched.
bool StartWatch(const WatchLimits& limits = WatchLimits());

// The input about to run: `label` says where it comes from (a hand-made
// input's name, or a mutant's index).
void BeginInput(const char* kind, uint32_t seed, const std::string& label,
                const std::string& bytes);

// "" when the input kept every bound, else what it broke and the input.
std::string EndInput();

}   // namespace hostile
