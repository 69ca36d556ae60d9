#include "update/support/ModuleReference.h"

#include <atomic>

namespace {

HMODULE FromSystem() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&TakeModuleReference), &module))
        return nullptr;
    return module;
}

std::atomic<ModuleReferenceSource> g_source{&FromSystem};

}   // namespace

HMODULE TakeModuleReference() { return g_source.load(std::memory_order_relaxed)(); }

void SetModuleReferenceSource(ModuleReferenceSource source) {
    g_source.store(source ? source : &FromSystem, std::memory_order_relaxed);
}
