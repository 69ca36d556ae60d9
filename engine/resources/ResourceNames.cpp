#include "engine/resources/ResourceNames.h"

#include <cstdio>
#include <cstring>

namespace Nuvex {

const char kGlobalNamespace[] = "_GLOBAL";

namespace {

struct NameTable {
    unsigned char allowed[256];
    NameTable() {
        std::memset(allowed, 0, sizeof allowed);
        for (int c = 0x20; c <= 0x7E; ++c) allowed[c] = 1;
        for (const char* p = "\"'*./:<>?\\|"; *p; ++p) allowed[static_cast<unsigned char>(*p)] = 0;
    }
};

const NameTable& Table() {
    static const NameTable table;
    return table;
}

}   // namespace

const unsigned char* ResourceNameTable() { return Table().allowed; }

int CheckNameChars(const unsigned char* table, const char* text, char separator) {
    if (!text || !*text) return -1;
    if (separator && *text == separator) return -2;
    int separators = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (separator && *p == static_cast<unsigned char>(separator)) {
            ++separators;
        } else if (!table[*p]) {
            return -3;
        }
    }
    return separators;
}

int IsValidResourceName(const char* text) {
    return CheckNameChars(ResourceNameTable(), text, 0) == 0 ? 1 : 0;
}

int QualifyResourceName(char* dst, const char* name) {
    if (!dst || !name || !*name) return 0;
    int written;
    switch (CheckNameChars(ResourceNameTable(), name, '.')) {
    case 0:
        written = std::snprintf(dst, kResourceNameSize, "%s%c%s", kGlobalNamespace, '.', name);
        break;
    case 1: written = std::snprintf(dst, kResourceNameSize, "%s", name); break;
    default: return 0;
    }
    if (written < 0 || size_t(written) >= kResourceNameSize) {
        dst[0] = '\0';   // a cut name would name another resource
        return 0;
    }
    return 1;
}

const char* ResourceTypeName(int type) {
    static const char* const names[] = {"unknown", "texture", "animation", "effect", "stream"};
    return type >= 0 && type < 5 ? names[type] : "invalid";
}

const char* ResourceTypeNameCn(int type) {
    static const char* const names[] = {"用户", "纹理", "动画", "音效", "音频"};
    return type >= 0 && type < 5 ? names[type] : "未知";
}

}   // namespace Nuvex
