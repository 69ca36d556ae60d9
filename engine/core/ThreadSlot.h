#pragma once
// Each thread's own record, made at the thread's first use and kept in a TLS
// slot that the module owns. The module gives the slot back when it unloads,
// so a host that loads and unloads it keeps no TLS index and no handle of
// it. (thread_local can't serve: the runtime's emulation of it takes a
// semaphore and a TLS index that it never gives back.)
//
// A ThreadSlot is constant-initialised (usable from any static
// constructor). Its owner frees the records from a TLS callback, each as its
// thread ends; a thread that outlives the module (another thread unloads
// it) keeps its record's few bytes.
//
//   void NTAPI Release(PVOID, DWORD reason, PVOID) { slot.Release(reason); }
//   __attribute__((section(".CRT$XLB"), used))
//   const PIMAGE_TLS_CALLBACK kRelease = &Release;
#include <windows.h>

#include <cstdlib>
#include <new>
#include <type_traits>

class TlsIndex {
public:
    constexpr TlsIndex() = default;

    // This thread's value; null when there is none or no slot.
    void* Get();
    // False when no slot can be had (none left, or the module unloads).
    bool Set(void* value);
    // Takes this thread's value out of the slot. From the thread that
    // unloads the module (`unloading`), the slot then goes for good.
    void* Take(bool unloading);

private:
    static constexpr DWORD kNone = TLS_OUT_OF_INDEXES;
    static constexpr DWORD kClosed = TLS_OUT_OF_INDEXES - 1;

    DWORD Index();

    LONG index_ = LONG(kNone);   // kNone, kClosed or the slot
};

template <class T>
class ThreadSlot {
    static_assert(std::is_nothrow_default_constructible<T>::value, "made where nothing may throw");

public:
    constexpr ThreadSlot() = default;

    // This thread's record, made on first use; null when it can't be had
    // (no memory, or no TLS index left).
    T* Get() {
        T* record = static_cast<T*>(index_.Get());
        if (record) return record;
        void* memory = std::malloc(sizeof(T));
        if (!memory) return nullptr;
        record = new (memory) T();
        if (!index_.Set(record)) {
            Free(record);
            return nullptr;
        }
        return record;
    }

    // From the TLS callback: an ending thread's record goes; on unload, the
    // unloading thread's and the slot.
    void Release(DWORD reason) {
        if (reason == DLL_THREAD_DETACH || reason == DLL_PROCESS_DETACH)
            Free(static_cast<T*>(index_.Take(reason == DLL_PROCESS_DETACH)));
    }

private:
    static void Free(T* record) {
        if (!record) return;
        record->~T();
        std::free(record);
    }

    TlsIndex index_;
};
