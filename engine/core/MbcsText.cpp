#include "engine/core/MbcsText.h"

#include <windows.h>
#include <cstring>

namespace Nuvex {
namespace mbcs {

bool IsLeadByte(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != 0; }

size_t CharLength(const char* text) { return (IsLeadByte(text[0]) && text[1] != 0) ? 2 : 1; }

const char* FindFirstOf(const char* text, char a, char b) {
    for (const char* p = text; *p; p += CharLength(p))
        if (*p == a || *p == b) return p;
    return nullptr;
}

const char* FindLastOf(const char* text, size_t len, char a, char b) {
    const char* found = nullptr;
    const char* end = text + len;
    for (const char* p = text; p < end && *p; p += CharLength(p))
        if (*p == a || *p == b) found = p;
    return found;
}

const char* LastChar(const char* text, size_t len) {
    const char* last = nullptr;
    const char* end = text + len;
    for (const char* p = text; p < end && *p; p += CharLength(p)) last = p;
    return last;
}

bool EndsWithOneOf(const char* text, size_t len, char a, char b) {
    const char* last = LastChar(text, len);
    return last && (*last == a || *last == b);
}

void ReplaceChar(char* text, char from, char to) {
    for (char* p = text; *p; p += CharLength(p))
        if (*p == from) *p = to;
}

size_t FitLength(const char* text, size_t len, size_t max) {
    size_t used = 0;
    while (used < len && text[used]) {
        size_t step = CharLength(text + used);
        if (used + step > max || used + step > len) break;
        used += step;
    }
    return used;
}

size_t CopyFitting(char* out, size_t size, const char* text) {
    const size_t n = FitLength(text, SIZE_MAX, size - 1);
    std::memcpy(out, text, n);
    std::memset(out + n, 0, size - n);
    return n;
}

}   // namespace mbcs

const char* NextChar(const char* text) {
    if (!text || *text == 0) return text;
    return text + mbcs::CharLength(text);
}

uint32_t CharCodeAt(const char* text, int* bytes) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    if (p[0] != 0 && mbcs::CharLength(text) == 2) {
        if (bytes) *bytes = 2;
        return (uint32_t(p[0]) << 8) | p[1];
    }
    if (bytes) *bytes = p[0] ? 1 : 0;
    return p[0];
}

int CharCount(const char* text) {
    if (!text) return 0;
    int count = 0;
    for (const char* p = text; *p; p = NextChar(p)) ++count;
    return count;
}

uint32_t CharBytes(const char* text, int count) {
    if (!text) return 0;
    const char* p = text;
    for (int i = 0; *p && (count <= 0 || i < count); ++i) p = NextChar(p);
    return uint32_t(p - text);
}

}   // namespace Nuvex
