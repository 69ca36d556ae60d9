#pragma once
// An object of class T whose memory, once deleted, is filled with 0xDD and
// never used again: whatever touches it afterwards reads poison and faults.
// For the tests of code that must not touch what a handler deleted.
#include <cstddef>
#include <cstring>
#include <new>

namespace testsupport {

template <typename T>
struct Poisoned : T {
    using T::T;
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* p, std::size_t size) { std::memset(p, 0xDD, size); }
};

}   // namespace testsupport
