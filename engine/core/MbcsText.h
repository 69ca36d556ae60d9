#pragma once
// Byte scans over ANSI (code page 936) text that never mistake the trail byte
// of a double-byte character for a separator: 118 GBK characters end in 0x5C.
#include <cstddef>

namespace Nuvex {
namespace mbcs {

bool IsLeadByte(char c);
// Bytes of the character starting at text (1 or 2; 1 for a lead byte before
// the terminator).
size_t CharLength(const char* text);
// First character of text equal to a or b, or null.
const char* FindFirstOf(const char* text, char a, char b);
// Last character of text[0, len) equal to a or b, or null.
const char* FindLastOf(const char* text, size_t len, char a, char b);
// Start of the last character of text[0, len), or null when len is 0.
const char* LastChar(const char* text, size_t len);
bool EndsWithOneOf(const char* text, size_t len, char a, char b);
// Replaces every character `from` by `to`, in place (single-byte characters).
void ReplaceChar(char* text, char from, char to);
// Longest prefix of text[0, len) that does not split a double-byte character
// and is at most max bytes long.
size_t FitLength(const char* text, size_t len, size_t max);

}  // namespace mbcs
}  // namespace Nuvex
