#pragma once
// Growable zero-filled storage shared by the log's format text, the image
// decoders' scratch area, the canvas's command arrays and the glyph outlines.
// Counted in records of T; grows in steps of Step records; never shrinks until
// Release. Reserve returns null when the allocation fails (old contents kept).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace Nuvex {
// Consistency failure of a buffer: 2 = index past the capacity, 4 = no storage.
// Thrown by value; nothing catches it by name, and the engine never provokes
// it with records it wrote itself.
struct BufferException {
    int code;
    explicit BufferException(int c) : code(c) {}
};
}   // namespace Nuvex

template <typename T, uint32_t Step>
class GrowBuffer {
    static_assert(std::is_trivially_copyable<T>::value, "records are moved with realloc");
    static_assert(Step > 0, "a step of zero never grows");

public:
    GrowBuffer() = default;
    GrowBuffer(const GrowBuffer&) = delete;
    GrowBuffer& operator=(const GrowBuffer&) = delete;
    ~GrowBuffer() { Release(); }

    // Room for at least n more records after the committed ones (0 means one
    // step). Returns the first free record, or null when memory runs out.
    T* Reserve(uint32_t n) {
        if (n == 0) n = Step;
        if (uint64_t(n) >= uint64_t(capacity_) - committed_) {
            uint64_t need = uint64_t(committed_) + n - capacity_;
            uint64_t grown = uint64_t(capacity_) + need / Step * Step + Step;
            if (grown * sizeof(T) > UINT32_MAX) return nullptr;
            T* bigger = static_cast<T*>(std::realloc(data_, size_t(grown) * sizeof(T)));
            if (!bigger) return nullptr;
            data_ = bigger;
            std::memset(static_cast<void*>(data_ + committed_), 0,
                        size_t(grown - committed_) * sizeof(T));
            capacity_ = uint32_t(grown);
        }
        if (!data_) throw Nuvex::BufferException(4);
        requested_ = n;
        return data_ + committed_;
    }

    // The records asked for by the last Reserve become part of the content.
    void Commit() {
        committed_ += requested_;
        requested_ = 0;
    }

    T& At(uint32_t index) {
        if (!data_) throw Nuvex::BufferException(4);
        if (index >= capacity_) throw Nuvex::BufferException(2);
        return data_[index];
    }

    // Forget the content but keep the storage (zeroed) for the next use.
    void Clear() {
        if (data_) std::memset(static_cast<void*>(data_), 0, size_t(capacity_) * sizeof(T));
        committed_ = 0;
        requested_ = 0;
    }

    void Release() {
        std::free(data_);
        data_ = nullptr;
        capacity_ = committed_ = requested_ = 0;
    }

    T* Data() const { return data_; }
    uint32_t Capacity() const { return capacity_; }
    uint32_t Committed() const { return committed_; }

private:
    T* data_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t committed_ = 0;
    uint32_t requested_ = 0;
};

using ByteBuffer1K = GrowBuffer<char, 1024>;
using ByteBuffer8K = GrowBuffer<uint8_t, 8192>;
