// The C++ runtime's process-wide state, kept by the module itself.
//
// The runtime that is linked into the module keeps two things per process
// that it never gives back: the lock behind the first use of function-local
// statics (a semaphore) and each thread's exception records (in its emulated
// thread-local storage: a semaphore and a TLS index). A host that loads and
// unloads the module would keep them all, once per load. The module's own
// versions below take no kernel object, and give back their TLS slot when the
// module unloads.
#include <windows.h>

#include <cxxabi.h>

#include <cstdint>
#include <cstdlib>

#include "engine/core/ThreadSlot.h"

namespace __cxxabiv1 {

// The runtime's record of a thread's exceptions, as its throw and catch
// routines use it.
struct __cxa_eh_globals {
    void* caughtExceptions;
    unsigned int uncaughtExceptions;
};

}   // namespace __cxxabiv1

namespace {

using __cxxabiv1::__cxa_eh_globals;

ThreadSlot<__cxa_eh_globals> g_exceptions;
// For a thread whose record can't be had (no memory, or a destructor that
// runs after the unload gave the slot back): exceptions still work, though
// two such threads would share it.
__cxa_eh_globals g_sharedExceptions;

void NTAPI ReleaseExceptionRecords(PVOID, DWORD reason, PVOID) { g_exceptions.Release(reason); }

__attribute__((section(".CRT$XLB"), used))
const PIMAGE_TLS_CALLBACK g_releaseExceptionRecordsAtThreadEnd = &ReleaseExceptionRecords;

// A static's guard: the compiler reads its first byte (non-zero once the
// static is built); the word at 4 holds the thread that builds it.
volatile char* BuiltFlag(__cxxabiv1::__guard* g) { return reinterpret_cast<volatile char*>(g); }
volatile LONG* Builder(__cxxabiv1::__guard* g) { return reinterpret_cast<volatile LONG*>(g) + 1; }
static_assert(sizeof(__cxxabiv1::__guard) == 8, "the flag byte and the builder word fit");

}   // namespace

namespace __cxxabiv1 {

extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept {
    __cxa_eh_globals* record = g_exceptions.Get();
    return record ? record : &g_sharedExceptions;
}

extern "C" __cxa_eh_globals* __cxa_get_globals_fast() noexcept { return __cxa_get_globals(); }

// 1: the caller builds the static; 0: it is built. A thread that finds
// another building it waits; one that comes back to it while building it
// (a static whose initialiser needs itself) is a fault of the program.
extern "C" int __cxa_guard_acquire(__guard* g) {
    const LONG self = LONG(GetCurrentThreadId());
    for (int round = 0;; ++round) {
        if (__atomic_load_n(BuiltFlag(g), __ATOMIC_ACQUIRE)) return 0;
        const LONG builder = InterlockedCompareExchange(Builder(g), self, 0);
        if (builder == 0) {
            if (!__atomic_load_n(BuiltFlag(g), __ATOMIC_ACQUIRE)) return 1;
            InterlockedExchange(Builder(g), 0);   // built between the two looks
            return 0;
        }
        if (builder == self) std::abort();
        Sleep(round < 64 ? 0 : 1);
    }
}

extern "C" void __cxa_guard_release(__guard* g) noexcept {
    __atomic_store_n(BuiltFlag(g), 1, __ATOMIC_RELEASE);
    InterlockedExchange(Builder(g), 0);
}

extern "C" void __cxa_guard_abort(__guard* g) noexcept { InterlockedExchange(Builder(g), 0); }

}   // namespace __cxxabiv1
