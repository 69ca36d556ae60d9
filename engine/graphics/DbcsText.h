#pragma once
// Counting and cutting text of the ANSI double-byte code page by character.
// A lead byte followed by a non-zero byte starts a two-byte character; a
// lead byte at the end of the text is a character of its own.
#include <cstdint>

namespace Nuvex {

// Number of characters before the terminating zero (0 for null).
int CharCount(const char* text);

// Byte length of the first `count` characters, stopping at the terminating
// zero; count 0 (or less) means the whole text.
uint32_t CharBytes(const char* text, int count);

// Start of the character after the one at `text` (the same pointer at the
// terminating zero).
const char* NextChar(const char* text);

// The 16-bit character code at `text` and its length in bytes (1 or 2).
uint32_t CharCodeAt(const char* text, int* bytes);

}  // namespace Nuvex
