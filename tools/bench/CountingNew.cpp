// Every allocation of the benchmark program goes through this operator new,
// so a benchmark can tell whether its frames allocate. Kept apart from other
// code so no caller's allocation is inlined beside these definitions.
#include "tools/bench/BenchSupport.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_newCalls{0};
}

long bench::AllocationCount() { return g_newCalls.load(); }

// Counts every allocation of the program through operator new.
void* operator new(std::size_t size) {
    ++g_newCalls;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    ++g_newCalls;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
