#include "engine/gui/TextBuffer.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/core/MbcsText.h"

namespace {

constexpr uint32_t kStep = 256;

TextBuffer::Reallocate g_reallocate = &std::realloc;

}   // namespace

void TextBuffer::SetReallocate(Reallocate fn) { g_reallocate = fn ? fn : &std::realloc; }

TextBuffer::TextBuffer() { Reserve(0, 0); }

TextBuffer::~TextBuffer() { std::free(data_); }

// Room for n more bytes after `used` ones and a terminator: a request that
// does not fit grows the buffer by whole steps past what it needs.
bool TextBuffer::Reserve(uint32_t used, uint32_t n) {
    if (data_ && uint64_t(n) < uint64_t(length_) - used) return true;
    const uint64_t need = uint64_t(used) + n - (data_ ? length_ : 0);
    const uint64_t grown = (data_ ? length_ : 0) + need / kStep * kStep + kStep;
    if (grown > UINT32_MAX / 2) return false;
    char* bigger = static_cast<char*>(g_reallocate(data_, size_t(grown)));
    if (!bigger) return false;
    const uint32_t oldLength = data_ ? length_ : 0;
    std::memset(bigger + oldLength, 0, size_t(grown - oldLength));
    data_ = bigger;
    length_ = uint32_t(grown);
    return true;
}

// Text that lies in this buffer is copied first: growing or clearing the
// buffer would change it under the copy.
const char* TextBuffer::Detached(const char* text, std::string& own) const {
    if (!data_ || text < data_ || text >= data_ + length_) return text;
    own.assign(text);
    return own.c_str();
}

// The characters of text that count and the limit let in.
int TextBuffer::LimitCount(const char* text, int count) const {
    int n = Nuvex::CharCount(text);
    if (count > 0 && count < n) n = count;
    if (limit_ > 0) {
        const int room = limit_ - chars_;
        if (room <= 0) return 0;
        if (n > room) n = room;
    }
    return n;
}

int TextBuffer::Insert(int position, const char* text, int count) {
    if (!text || !*text) return 0;
    if (position < 0) position = chars_;
    if (position > chars_) return 0;
    std::string own;
    text = Detached(text, own);
    const int n = LimitCount(text, count);
    if (n <= 0) return 0;
    const uint32_t bytes = Nuvex::CharBytes(text, n);
    if (!Reserve(used_, bytes)) return 0;
    const uint32_t at = position > 0 ? Nuvex::CharBytes(data_, position) : 0;
    std::memmove(data_ + at + bytes, data_ + at, used_ - at);
    std::memcpy(data_ + at, text, bytes);
    used_ += bytes;
    data_[used_] = 0;
    chars_ = Nuvex::CharCount(data_);
    return n;
}

int TextBuffer::Assign(const char* text, int count) {
    if (!text || !*text) {
        Clear();
        return 0;
    }
    std::string own;
    text = Detached(text, own);
    const int saved = chars_;
    chars_ = 0;   // the limit applies to the new text alone
    const int n = LimitCount(text, count);
    chars_ = saved;
    if (n <= 0 || !Reserve(0, Nuvex::CharBytes(text, n))) return 0;
    Clear();
    return Insert(0, text, n);
}

void TextBuffer::Clear() {
    if (data_) std::memset(data_, 0, used_);
    used_ = 0;
    chars_ = 0;
}
