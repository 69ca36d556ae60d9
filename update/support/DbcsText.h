#pragma once
// The engine's double-byte rule (engine/core/MbcsText.h) over std::string,
// as the update tasks hold their paths and names: the trail byte of a
// double-byte character (0x5C in 118 GBK characters) is never taken for a
// separator or a space.
#include <cstddef>
#include <string>

namespace dbcs {

bool IsLeadByte(char c);
// Bytes of the character at text[pos] (1 or 2; 1 for a lead byte at the end).
size_t CharLength(const std::string& text, size_t pos);
// Position of the first / last character `c`, or npos.
size_t FindFirst(const std::string& text, char c, size_t from = 0);
size_t FindLast(const std::string& text, char c);
// Position of the first occurrence of `sub` starting on a character
// boundary, or npos.
size_t FindText(const std::string& text, const std::string& sub);
// Start of the last character, or npos for an empty text.
size_t LastCharStart(const std::string& text);
bool EndsWith(const std::string& text, char c);
// Every character `from` replaced by `to` (single-byte characters only).
std::string Replace(std::string text, char from, char to);
// Removes trailing white-space characters.
void TrimTrailingSpace(std::string& text);
// Longest prefix of text[0, len) that is at most `max` bytes and holds only
// whole characters (a lead byte without its trail byte is left out).
size_t FitLength(const char* text, size_t len, size_t max);

}   // namespace dbcs
