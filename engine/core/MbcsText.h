#pragma once
// The engine's one double-byte rule for ANSI (code page 936) text: a lead
// byte followed by a non-zero byte starts a two-byte character; a lead byte
// before the terminator is a character of its own. Scans built on it never
// mistake the trail byte of a double-byte character for a separator (118 GBK
// characters end in 0x5C), and counts and cuts never split a character.
#include <cstddef>
#include <cstdint>

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
// Copies the longest start of text that fits in size - 1 bytes without
// splitting a double-byte character into out (size > 0), and zero-fills the
// rest of out. Returns the bytes copied.
size_t CopyFitting(char* out, size_t size, const char* text);

}   // namespace mbcs

// Counting and cutting by character, as text layout and drawing do.

// Number of characters before the terminating zero (0 for null).
int CharCount(const char* text);

// Byte length of the first `count` characters, stopping at the terminating
// zero; count 0 (or less) means the whole text.
uint32_t CharBytes(const char* text, int count);

// Start of the character after the one at `text` (the same pointer at the
// terminating zero).
const char* NextChar(const char* text);

// The 16-bit character code at `text` and its length in bytes (1 or 2; 0 at
// the terminating zero).
uint32_t CharCodeAt(const char* text, int* bytes);

}   // namespace Nuvex
