#pragma once
// The static class record that slot 0 of every engine class returns: the
// engine identifies its classes by these records, not by run-time type
// information.
#include <cstdint>

struct RuntimeClass {
    const char* name;
    uint32_t objectSize;
    const RuntimeClass* base;
};
