// The 32-bit module's exception unwinder registers the module's frame tables
// when it loads, under a lock whose semaphore the runtime makes then and
// never closes. The module's link sends that registration, and the runtime's
// semaphore creation, through the two hooks below (ld --wrap, see
// panel/CMakeLists.txt), so that the semaphore made while the tables are
// registered is known, and closed when the module unloads.
#if defined(__i386__)
#include <windows.h>

namespace {

bool g_registering = false;
HANDLE g_unwinderSemaphore = nullptr;

using CreateSemaphoreWFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR);

}   // namespace

extern "C" {

// The runtime's own entry of the import, and the one its callers now read.
extern CreateSemaphoreWFn g_realCreateSemaphoreW asm("___real__imp__CreateSemaphoreW@16");
HANDLE WINAPI CreateSemaphoreWHook(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum,
                                   LPCWSTR name) {
    HANDLE made = g_realCreateSemaphoreW(attributes, initial, maximum, name);
    if (g_registering && made && !g_unwinderSemaphore) g_unwinderSemaphore = made;
    return made;
}
CreateSemaphoreWFn g_hookedCreateSemaphoreW asm("___wrap__imp__CreateSemaphoreW@16") =
    &CreateSemaphoreWHook;

void __real___register_frame_info(const void* frames, void* object);
// Called once, while the module loads, before any other code of it runs.
void __wrap___register_frame_info(const void* frames, void* object) {
    g_registering = true;
    __real___register_frame_info(frames, object);
    g_registering = false;
}

}   // extern "C"

namespace {

// At unload the semaphore goes. The unwinder still takes its lock once more,
// to drop the module's tables, after this; that uncontended take and give
// back never touch the semaphore, and nothing else runs in the module then.
void NTAPI CloseUnwinderSemaphore(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_PROCESS_DETACH || !g_unwinderSemaphore) return;
    CloseHandle(g_unwinderSemaphore);
    g_unwinderSemaphore = nullptr;
}

__attribute__((section(".CRT$XLB"), used))
const PIMAGE_TLS_CALLBACK g_closeUnwinderSemaphoreAtUnload = &CloseUnwinderSemaphore;

}   // namespace
#endif
