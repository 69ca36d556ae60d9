#include "support/ThreadStarts.h"

#include <tlhelp32.h>

#include <atomic>

namespace testsupport {
namespace {

// The threads seen starting; a full table only makes the wait run out.
constexpr int kSlots = 1024;
std::atomic<DWORD> g_started[kSlots];
std::atomic<int> g_count{0};

void NTAPI RecordThreadStart(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_THREAD_ATTACH) return;
    const int slot = g_count.fetch_add(1);
    if (slot < kSlots) g_started[slot].store(GetCurrentThreadId());
}

__attribute__((section(".CRT$XLB"), used))
const PIMAGE_TLS_CALLBACK g_recordThreadStart = &RecordThreadStart;

bool Started(DWORD id) {
    const int count = g_count.load() < kSlots ? g_count.load() : kSlots;
    for (int i = 0; i < count; ++i)
        if (g_started[i].load() == id) return true;
    return false;
}

// True when every other thread of this process has passed its start.
bool AllStarted() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return true;
    const DWORD process = GetCurrentProcessId(), self = GetCurrentThreadId();
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool all = true;
    for (BOOL more = Thread32First(snapshot, &entry); more && all;
         more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == process && entry.th32ThreadID != self)
            all = Started(entry.th32ThreadID);
    }
    CloseHandle(snapshot);
    return all;
}

}   // namespace

bool WaitForThreadStarts(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!AllStarted()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(1);
    }
    return true;
}

}   // namespace testsupport
