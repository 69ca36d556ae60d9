#pragma once
// The text of a label: ANSI double-byte text, zero-terminated, counted in
// characters (a lead byte and its trail byte are one). It starts with 256
// bytes and grows in steps of 256; a growth that fails changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>

class TextBuffer {
public:
    TextBuffer();
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Inserts the first count characters of text (0 = all) before character
    // position (negative = at the end), within the character limit. The
    // characters inserted; 0 for a position past the end, a full buffer or
    // no room to grow.
    int Insert(int position, const char* text, int count);
    // The text becomes the first count characters of text (0 = all). The
    // characters stored; 0, with the old text kept, when it cannot grow.
    int Assign(const char* text, int count);
    void Clear();

    const char* Data() const { return data_ ? data_ : ""; }
    uint32_t Bytes() const { return used_; }
    int Chars() const { return chars_; }
    uint32_t Capacity() const { return length_; }
    void SetLimit(int chars) { limit_ = chars > 0 ? chars : 0; }   // 0 = none
    int Limit() const { return limit_; }

    // The allocator growth goes through (null restores realloc), so a test
    // can make growth fail.
    using Reallocate = void* (*)(void* block, size_t bytes);
    static void SetReallocate(Reallocate fn);

private:
    const char* Detached(const char* text, std::string& own) const;
    int LimitCount(const char* text, int count) const;
    bool Reserve(uint32_t used, uint32_t n);

    char* data_ = nullptr;
    uint32_t length_ = 0;   // bytes allocated
    uint32_t used_ = 0;     // bytes of text, the terminator not counted
    int chars_ = 0;
    int limit_ = 0;
};
