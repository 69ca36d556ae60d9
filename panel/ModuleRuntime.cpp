// The C++ runtime's process-wide state, kept by the module itself.
//
// The runtime that is linked into the module keeps two things per process
// that it never gives back: the lock behind the first use of function-local
// statics (a semaphore) and each thread's exception records (in its emulated
// thread-local storage: a semaphore and a TLS index). A host that loads and
// unloads the module would keep them all, once per load. The module's own
// versions below take no kernel object and no TLS index: nothing of them
// outlives the module.
#include <windows.h>

#include <cxxabi.h>

#include "engine/core/Log.h"

#include <cstdint>
#include <cstdlib>

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

// Each thread's exception record lives in a fixed table keyed by thread id.
// A TLS slot can't serve: a host may have taken every index before the
// module's first throw, and threads that then shared one record would lose
// exceptions. So a record can't fail to be had while the table has room, and
// it is never another live thread's:
// - a thread takes an entry at its first use and gives it back as it ends
//   (thread end reaches the module's callback for every thread, also one
//   started before the module loaded);
// - a thread killed without ending leaves its entry, which is dropped when a
//   new thread starts under its id.
// 2048 threads at once fill a 32-bit process's address space with their 1 MB
// stacks; a thread that finds the table full ends the process at once, as
// the stock runtime does when it can have no record, after saying why where
// the host's developer looks: the debugger output and the engine's log.
struct ExceptionEntry {
    __cxa_eh_globals record;
    LONG owner;   // the thread's id; 0 (no thread's) when free
};
constexpr DWORD kExceptionEntries = 2048;
ExceptionEntry g_exceptionEntries[kExceptionEntries];

// The entries a thread looks at, in turn, from the one its id picks.
template <class Visit>
ExceptionEntry* FirstEntryWhere(LONG thread, Visit visit) {
    const DWORD first = DWORD(thread) / 4;   // ids are multiples of 4
    for (DWORD n = 0; n < kExceptionEntries; ++n) {
        ExceptionEntry& entry = g_exceptionEntries[(first + n) % kExceptionEntries];
        if (visit(entry)) return &entry;
    }
    return nullptr;
}

ExceptionEntry* EntryOf(LONG thread) {
    return FirstEntryWhere(thread, [thread](ExceptionEntry& entry) {
        return __atomic_load_n(&entry.owner, __ATOMIC_RELAXED) == thread;
    });
}

static_assert(kExceptionEntries == 2048, "the text below names the table's size");
constexpr char kTableFull[] =
    "Can't keep a C++ exception record for one more thread: all 2048 entries of the module's "
    "table are held by threads that have not ended. The process ends now (exit code 3).";

// Nothing here may throw, and the runtime can't serve this thread: the
// words go out as they stand, once. Another thread that finds the table
// full meanwhile waits for the process to end; the thread saying them, come
// back here, ends it at once.
[[noreturn]] void EndProcessForAFullTable() {
    static LONG sayer = 0;
    const LONG self = LONG(GetCurrentThreadId());
    const LONG first = InterlockedCompareExchange(&sayer, self, 0);
    if (first == 0) {
        Nuvex::WriteLastWords(kTableFull);
    } else if (first != self) {
        for (;;) Sleep(INFINITE);
    }
    TerminateProcess(GetCurrentProcess(), 3);   // abort's code, without its box
    __builtin_unreachable();
}

__cxa_eh_globals* TakeEntry(LONG thread) {
    ExceptionEntry* entry = FirstEntryWhere(thread, [thread](ExceptionEntry& candidate) {
        return InterlockedCompareExchange(&candidate.owner, thread, 0) == 0;
    });
    if (!entry) EndProcessForAFullTable();
    entry->record = __cxa_eh_globals{};
    return &entry->record;
}

// A thread that starts finds no entry of its own unless one was left under
// its id; one that ends gives its entry back.
void NTAPI ForgetExceptionRecord(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_THREAD_ATTACH && reason != DLL_THREAD_DETACH) return;
    if (ExceptionEntry* entry = EntryOf(LONG(GetCurrentThreadId())))
        InterlockedExchange(&entry->owner, 0);
}

__attribute__((section(".CRT$XLB"), used))
const PIMAGE_TLS_CALLBACK g_forgetExceptionRecordAtThreadStartAndEnd = &ForgetExceptionRecord;

// A static's guard: the compiler reads its first byte (non-zero once the
// static is built); the word at 4 holds the thread that builds it.
volatile char* BuiltFlag(__cxxabiv1::__guard* g) { return reinterpret_cast<volatile char*>(g); }
volatile LONG* Builder(__cxxabiv1::__guard* g) { return reinterpret_cast<volatile LONG*>(g) + 1; }
static_assert(sizeof(__cxxabiv1::__guard) == 8, "the flag byte and the builder word fit");

}   // namespace

namespace __cxxabiv1 {

extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept {
    const LONG self = LONG(GetCurrentThreadId());
    ExceptionEntry* entry = EntryOf(self);
    return entry ? &entry->record : TakeEntry(self);
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
