#include "engine/core/HandleTable.h"

#include "engine/core/Log.h"
#include "engine/core/ThreadUtils.h"

#include <cstdlib>

namespace {

constexpr uint32_t kMinCapacity = 256;
constexpr uint32_t kMaxCapacity = 65536;

}   // namespace

HandleTable::HandleTable() { InitializeCriticalSection(&lock_); }

HandleTable::~HandleTable() { Destroy(); }

int HandleTable::Allocate(uint32_t capacity) {
    if (capacity < kMinCapacity || capacity > kMaxCapacity) return 0;
    if (!lockAlive_) {   // a table destroyed earlier may be set up again
        InitializeCriticalSection(&lock_);
        lockAlive_ = true;
    }
    LockGuard hold(&lock_);
    if (items_) return 0;
    void** items = static_cast<void**>(std::calloc(capacity, sizeof(void*)));
    uint8_t* flags = static_cast<uint8_t*>(std::calloc(capacity, 1));
    if (!items || !flags) {
        std::free(items);
        std::free(flags);
        return 0;
    }
    items_ = items;
    flags_ = flags;
    capacity_ = capacity;
    count_ = 0;
    cursor_ = 1;
    return 1;
}

int32_t HandleTable::Add(void* object) {
    if (!object || !lockAlive_) return -1;
    LockGuard hold(&lock_);
    // A table that was never allocated has no ids to give.
    if (!items_ || count_ >= capacity_ - 1) return -1;
    for (;;) {
        uint32_t id = cursor_;
        cursor_ = (id + 1 >= capacity_) ? 1 : id + 1;
        if (id == 0 || id >= capacity_) continue;   // a cursor out of range restarts at 1
        if (!items_[id]) {
            items_[id] = object;
            flags_[id] = 0;
            ++count_;
            return int32_t(id);
        }
    }
}

int HandleTable::Remove(uint32_t id) {
    if (!lockAlive_) return 0;
    LockGuard hold(&lock_);
    if (!items_ || id == 0 || id >= capacity_ || !items_[id]) return 0;
    items_[id] = nullptr;
    flags_[id] = 0;
    cursor_ = id;
    if (count_ > 0) --count_;
    return 1;
}

void HandleTable::Destroy() {
    if (!lockAlive_) return;
    lockAlive_ = false;
    DeleteCriticalSection(&lock_);
    std::free(items_);
    std::free(flags_);
    items_ = nullptr;
    flags_ = nullptr;
    capacity_ = count_ = cursor_ = 0;
}

void* HandleTable::Get(uint32_t id) const {
    if (!items_ || id == 0 || id >= capacity_) return nullptr;
    return items_[id];
}

uint8_t* HandleTable::FlagsOf(uint32_t id) const {
    if (!Get(id)) return nullptr;
    return &flags_[id];
}

int GraphicsPools::Create() {
    struct Step {
        HandleTable& table;
        uint32_t capacity;
        const char* failure;
    };
    const Step steps[] = {
        {texture, 0x10000, "ERROR: POOL_TEXTURE."},
        {scene, 256, "ERROR: POOL_SCENE."},
        {xfont, 256, "ERROR: POOL_XFONT."},
        {surface, 256, "ERROR: POOL_SURFACE."},
    };
    for (const Step& step : steps) {
        // A start after an earlier one in this load takes its table as it
        // stands, never emptied: an object that start still holds keeps its
        // id (its owner's late release finds it), and no id in use is dealt
        // out again.
        if (step.table.Capacity() == step.capacity) continue;
        if (!step.table.Allocate(step.capacity)) {
            WriteLog(0, "%s", step.failure);
            return 0;
        }
    }
    return 1;
}

int Nuvex::InitGraphics() { return Pools().Create(); }

// Built at first use, which the engine's start-up floor makes while the
// module loads, right after the engine's globals.
GraphicsPools& Nuvex::Pools() {
    static GraphicsPools pools;
    return pools;
}
