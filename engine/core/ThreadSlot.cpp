#include "engine/core/ThreadSlot.h"

DWORD TlsIndex::Index() {
    const DWORD index = DWORD(InterlockedCompareExchange(&index_, 0, 0));
    if (index != kNone) return index == kClosed ? TLS_OUT_OF_INDEXES : index;
    const DWORD made = TlsAlloc();
    if (made == TLS_OUT_OF_INDEXES) return made;
    // Two threads' first uses at once: one index stays, the other goes.
    const DWORD kept = DWORD(InterlockedCompareExchange(&index_, LONG(made), LONG(kNone)));
    if (kept == kNone) return made;
    TlsFree(made);
    return kept == kClosed ? TLS_OUT_OF_INDEXES : kept;
}

void* TlsIndex::Get() {
    const DWORD index = DWORD(InterlockedCompareExchange(&index_, 0, 0));
    return index == kNone || index == kClosed ? nullptr : TlsGetValue(index);
}

bool TlsIndex::Set(void* value) {
    const DWORD index = Index();
    return index != TLS_OUT_OF_INDEXES && TlsSetValue(index, value);
}

void* TlsIndex::Take(bool unloading) {
    // A destructor that runs after the unload's callback finds the slot
    // closed rather than making a new one.
    const DWORD index = unloading ? DWORD(InterlockedExchange(&index_, LONG(kClosed)))
                                  : DWORD(InterlockedCompareExchange(&index_, 0, 0));
    if (index == kNone || index == kClosed) return nullptr;
    void* value = TlsGetValue(index);
    TlsSetValue(index, nullptr);
    if (unloading) TlsFree(index);
    return value;
}
