#include "update/support/DbcsText.h"

#include "engine/core/MbcsText.h"

namespace dbcs {
namespace {

size_t PositionIn(const std::string& text, const char* found) {
    return found ? size_t(found - text.c_str()) : std::string::npos;
}

}   // namespace

bool IsLeadByte(char c) { return Nuvex::mbcs::IsLeadByte(c); }

size_t CharLength(const std::string& text, size_t pos) {
    // c_str() keeps a terminator after the last byte, as the rule expects.
    return Nuvex::mbcs::CharLength(text.c_str() + pos);
}

size_t FindFirst(const std::string& text, char c, size_t from) {
    for (size_t i = 0; i < text.size(); i += CharLength(text, i))
        if (i >= from && text[i] == c) return i;
    return std::string::npos;
}

size_t FindLast(const std::string& text, char c) {
    return PositionIn(text, Nuvex::mbcs::FindLastOf(text.c_str(), text.size(), c, c));
}

size_t FindText(const std::string& text, const std::string& sub) {
    if (sub.empty()) return 0;
    for (size_t i = 0; i + sub.size() <= text.size(); i += CharLength(text, i))
        if (text.compare(i, sub.size(), sub) == 0) return i;
    return std::string::npos;
}

size_t LastCharStart(const std::string& text) {
    return PositionIn(text, Nuvex::mbcs::LastChar(text.c_str(), text.size()));
}

bool EndsWith(const std::string& text, char c) {
    return Nuvex::mbcs::EndsWithOneOf(text.c_str(), text.size(), c, c);
}

std::string Replace(std::string text, char from, char to) {
    Nuvex::mbcs::ReplaceChar(&text[0], from, to);
    return text;
}

void TrimTrailingSpace(std::string& text) {
    size_t keep = 0;
    for (size_t i = 0; i < text.size();) {
        size_t n = CharLength(text, i);
        bool space = n == 1 && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'));
        i += n;
        if (!space) keep = i;
    }
    text.resize(keep);
}

size_t FitLength(const char* text, size_t len, size_t max) {
    return Nuvex::mbcs::FitLength(text, len, max);
}

}   // namespace dbcs
