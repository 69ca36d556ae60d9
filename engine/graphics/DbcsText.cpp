#include "engine/graphics/DbcsText.h"

#include "engine/core/MbcsText.h"

namespace Nuvex {

static inline bool StartsDoubleByte(const char* p) {
    return p[0] != 0 && mbcs::CharLength(p) == 2;
}

const char* NextChar(const char* text) {
    if (!text || *text == 0) return text;
    return text + (StartsDoubleByte(text) ? 2 : 1);
}

uint32_t CharCodeAt(const char* text, int* bytes) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    if (StartsDoubleByte(text)) {
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

}  // namespace Nuvex
