#pragma once
// Id tables: objects are referred to by ids 1..capacity-1, 0 = none.
#include <windows.h>
#include <cstdint>

class HandleTable {
public:
    HandleTable();
    ~HandleTable();
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    int Allocate(uint32_t capacity);   // 1 or 0
    int32_t Add(void* object);         // id, or -1 when full / unallocated / null
    int Remove(uint32_t id);           // 1 or 0
    void Destroy();                    // frees the arrays (and the lock, once)

    // Lookups without the lock (owner thread only): null for 0, out of
    // range or a free slot.
    void* Get(uint32_t id) const;
    uint8_t* FlagsOf(uint32_t id) const;
    uint32_t Capacity() const { return capacity_; }
    uint32_t Count() const { return count_; }

private:
    CRITICAL_SECTION lock_;
    bool lockAlive_ = true;
    void** items_ = nullptr;
    uint8_t* flags_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t count_ = 0;
    uint32_t cursor_ = 0;
};

struct GraphicsPools {
    HandleTable surface;
    HandleTable texture;
    HandleTable xfont;
    HandleTable scene;
    // Allocates the four tables; 0 at the first that can't be (logged).
    // They live until the module is unloaded: a later engine start in the
    // same load takes them as they are.
    int Create();
};

namespace Nuvex {
int InitGraphics();
GraphicsPools& Pools();
}   // namespace Nuvex
