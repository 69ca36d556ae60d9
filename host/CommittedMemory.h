#pragma once
// The memory this process has committed, as a host weighs what the module
// costs it: every private page committed, summed region by region, whether
// or not anything has touched it yet.
#include <windows.h>
#include <psapi.h>

#include <cstdint>

namespace panelhost {

inline uint64_t CommittedBytes() {
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (uintptr_t at = 0; VirtualQuery(reinterpret_cast<const void*>(at), &region,
                                        sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const uintptr_t next = uintptr_t(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;   // the top of the address space
        at = next;
    }
    return total;
}

// The system's PeakPagefileUsage of this process: on Windows the most private
// memory it has had committed at once, under wine the most it has had in
// pages touched; 0 where it can't say.
inline uint64_t PeakPagefileBytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    using Query = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    if (!query || !query(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PeakPagefileUsage;
}

}   // namespace panelhost
