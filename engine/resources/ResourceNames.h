#pragma once
// Resource names: which bytes a name may hold, how a bare name gets the
// default namespace, and the display names of the five resource types.
// A registered name is "namespace.name"; both halves use allowed bytes only.
#include <cstddef>

namespace Nuvex {

const size_t kResourceNameSize = 260;   // 259 characters and a terminator
extern const char kGlobalNamespace[];   // "_GLOBAL"

// 256 entries: non-zero for the bytes a namespace or a name may hold
// (printable ASCII but " ' * . / : < > ? \ |).
const unsigned char* ResourceNameTable();

// -1 null or empty text, -2 a leading separator, -3 a byte (other than the
// separator) the table refuses; otherwise the number of separators (0 when
// separator is 0).
int CheckNameChars(const unsigned char* table, const char* text, char separator);

// 1 when the text is not empty and every byte is allowed (no dot).
int IsValidResourceName(const char* text);

// dst (kResourceNameSize bytes) = "_GLOBAL.name" for a bare name, the name
// itself when it already has one namespace; 0 for anything else, including a
// result that would not fit.
int QualifyResourceName(char* dst, const char* name);

// English and Chinese names of a resource type ("invalid" / "未知" for a type
// outside 0-4).
const char* ResourceTypeName(int type);
const char* ResourceTypeNameCn(int type);

}   // namespace Nuvex
