#include "engine/core/ModuleThread.h"

#include <process.h>

#include <atomic>
#include <new>

namespace {

HMODULE FromSystem() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&FromSystem), &module))
        return nullptr;
    return module;
}

std::atomic<ModuleThread::ReferenceSource> g_source{&FromSystem};

// What a new thread is given; it frees the record itself.
struct StartRecord {
    ModuleThread::Body body;
    void* argument;
    HMODULE module;
};

unsigned __stdcall Entry(void* start) {
    const StartRecord record = *static_cast<StartRecord*>(start);
    delete static_cast<StartRecord*>(start);
    try {
        record.body(record.argument);
    } catch (...) {
        // An exception must not end the host's process.
    }
    FreeLibraryAndExitThread(record.module, 0);
}

}   // namespace

HANDLE ModuleThread::Start(Body body, void* argument, unsigned* id) {
    const HMODULE module = g_source.load(std::memory_order_relaxed)();
    if (!module) return nullptr;
    StartRecord* record = new (std::nothrow) StartRecord{body, argument, module};
    unsigned threadId = 0;
    const uintptr_t thread = record ? _beginthreadex(nullptr, 0, &Entry, record, 0, &threadId) : 0;
    if (!thread) {
        delete record;
        FreeLibrary(module);
        return nullptr;
    }
    if (id) *id = threadId;
    return reinterpret_cast<HANDLE>(thread);
}

void ModuleThread::SetReferenceSource(ReferenceSource source) {
    g_source.store(source ? source : &FromSystem, std::memory_order_relaxed);
}
