#include "InputWatch.h"

#include "host/CommittedMemory.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>

namespace hostile {

namespace {

WatchLimits g_limits;
uint64_t g_peakAtStart = 0;

// What runs now, written before the input starts, so that a handler on a
// broken stack only has to write it out.
char g_current[400] = "no input yet";
std::atomic<DWORD> g_startedAt{0};   // 0: no input runs
std::atomic<size_t> g_largestRequest{0};

void WriteStderr(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, DWORD(strlen(text)), &written, nullptr);
}

[[noreturn]] void EndProcess(const char* what) {
    WriteStderr("\nhostile input ");
    WriteStderr(what);
    WriteStderr(": ");
    WriteStderr(g_current);
    WriteStderr("\n");
    TerminateProcess(GetCurrentProcess(), 3);
    for (;;) Sleep(INFINITE);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
    char what[96];
    wsprintfA(what, "crashed the process (exception 0x%08lX at %p)",
              pointers->ExceptionRecord->ExceptionCode,
              pointers->ExceptionRecord->ExceptionAddress);
    EndProcess(what);
}

void OnAbort(int) { EndProcess("aborted the process"); }
void OnTerminate() { EndProcess("ended the process with an uncaught C++ exception"); }

DWORD WINAPI WatchForHangs(void*) {
    for (;;) {
        Sleep(50);
        const DWORD started = g_startedAt.load();
        if (started && DWORD(GetTickCount() - started) > g_limits.hangMs)
            EndProcess("ran past the hang bound");
    }
}

// The allocator as the program imports it, and the watched stand-ins that
// note the largest request before they pass it on.
using MallocFn = void*(__cdecl*)(size_t);
using CallocFn = void*(__cdecl*)(size_t, size_t);
using ReallocFn = void*(__cdecl*)(void*, size_t);
MallocFn g_malloc = nullptr;
CallocFn g_calloc = nullptr;
ReallocFn g_realloc = nullptr;

void NoteRequest(size_t bytes) {
    size_t seen = g_largestRequest.load(std::memory_order_relaxed);
    while (bytes > seen && !g_largestRequest.compare_exchange_weak(seen, bytes)) {
    }
}

void* __cdecl WatchedMalloc(size_t bytes) {
    NoteRequest(bytes);
    return g_malloc(bytes);
}

void* __cdecl WatchedCalloc(size_t count, size_t bytes) {
    NoteRequest(bytes && count > SIZE_MAX / bytes ? SIZE_MAX : count * bytes);
    return g_calloc(count, bytes);
}

void* __cdecl WatchedRealloc(void* block, size_t bytes) {
    NoteRequest(bytes);
    return g_realloc(block, bytes);
}

void Redirect(void** slot, void* to, void** original) {
    DWORD was = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &was)) return;
    if (!*original) *original = *slot;
    *slot = to;
    VirtualProtect(slot, sizeof *slot, was, &was);
}

// Every module of the program is linked statically into it, so its import
// table's slots for the allocator carry every allocation made in it: the
// engine's, the libraries' and the C++ runtime's.
void WatchAllocator() {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress && module->Name; ++module) {
        if (!module->OriginalFirstThunk) continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base +
                                                                      module->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name = reinterpret_cast<const char*>(
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)
                    ->Name);
            void** slot = reinterpret_cast<void**>(&slots->u1.Function);
            if (!strcmp(name, "malloc"))
                Redirect(slot, reinterpret_cast<void*>(&WatchedMalloc),
                         reinterpret_cast<void**>(&g_malloc));
            else if (!strcmp(name, "calloc"))
                Redirect(slot, reinterpret_cast<void*>(&WatchedCalloc),
                         reinterpret_cast<void**>(&g_calloc));
            else if (!strcmp(name, "realloc"))
                Redirect(slot, reinterpret_cast<void*>(&WatchedRealloc),
                         reinterpret_cast<void**>(&g_realloc));
        }
    }
}

}   // namespace

bool StartWatch(const WatchLimits& limits) {
    static const bool started = [&limits] {
        g_limits = limits;
        g_peakAtStart = panelhost::PeakPagefileBytes();
        SetUnhandledExceptionFilter(&OnUnhandledException);
        std::signal(SIGABRT, &OnAbort);
        std::set_terminate(&OnTerminate);
        WatchAllocator();
        CloseHandle(CreateThread(nullptr, 0, &WatchForHangs, nullptr, 0, nullptr));
        return g_malloc && g_calloc && g_realloc;
    }();
    return started;
}

void BeginInput(const char* kind, uint32_t seed, const std::string& label,
                const std::string& bytes) {
    char head[3 * 24 + 1] = "";
    for (size_t i = 0; i < bytes.size() && i < 24; ++i)
        snprintf(head + 3 * i, 4, " %02X", unsigned(uint8_t(bytes[i])));
    snprintf(g_current, sizeof g_current, "%s, seed %u, %s, %u bytes, first:%s", kind,
             unsigned(seed), label.c_str(), unsigned(bytes.size()), head);
    g_largestRequest = 0;
    const DWORD now = GetTickCount();
    g_startedAt = now ? now : 1;   // 0 would say that nothing runs
}

std::string EndInput() {
    g_startedAt = 0;
    char broke[160] = "";
    const uint64_t peak = panelhost::PeakPagefileBytes();
    if (g_largestRequest > g_limits.largestRequest)
        snprintf(broke, sizeof broke, "asked for %llu bytes at once",
                 static_cast<unsigned long long>(g_largestRequest.load()));
    else if (peak > g_peakAtStart + g_limits.peakGrowth) {
        snprintf(broke, sizeof broke, "raised the memory peak by %llu MB",
                 static_cast<unsigned long long>((peak - g_peakAtStart) >> 20));
        g_peakAtStart = peak;   // the peak stays: only the input that raised it is told
    }
    return broke[0] ? std::string(broke) + ": " + g_current : std::string();
}

}   // namespace hostile
