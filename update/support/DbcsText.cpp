#include "update/support/DbcsText.h"

#include "engine/core/MbcsText.h"

namespace dbcs {

bool IsLeadByte(char c)
{
    return Nuvex::mbcs::IsLeadByte(c);
}

size_t CharLength(const std::string& text, size_t pos)
{
    return (IsLeadByte(text[pos]) && pos + 1 < text.size()) ? 2 : 1;
}

size_t FindFirst(const std::string& text, char c, size_t from)
{
    for (size_t i = 0; i < text.size(); i += CharLength(text, i))
        if (i >= from && text[i] == c) return i;
    return std::string::npos;
}

size_t FindLast(const std::string& text, char c)
{
    size_t found = std::string::npos;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i))
        if (text[i] == c) found = i;
    return found;
}

size_t FindText(const std::string& text, const std::string& sub)
{
    if (sub.empty()) return 0;
    for (size_t i = 0; i + sub.size() <= text.size(); i += CharLength(text, i))
        if (text.compare(i, sub.size(), sub) == 0) return i;
    return std::string::npos;
}

size_t LastCharStart(const std::string& text)
{
    size_t last = std::string::npos;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i)) last = i;
    return last;
}

bool EndsWith(const std::string& text, char c)
{
    size_t last = LastCharStart(text);
    return last != std::string::npos && text[last] == c && last + 1 == text.size();
}

std::string Replace(std::string text, char from, char to)
{
    for (size_t i = 0; i < text.size(); i += CharLength(text, i))
        if (text[i] == from) text[i] = to;
    return text;
}

void TrimTrailingSpace(std::string& text)
{
    size_t keep = 0;
    for (size_t i = 0; i < text.size();) {
        size_t n = CharLength(text, i);
        bool space = n == 1 && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'));
        i += n;
        if (!space) keep = i;
    }
    text.resize(keep);
}

size_t FitLength(const char* text, size_t len, size_t max)
{
    return Nuvex::mbcs::FitLength(text, len, max);
}

}  // namespace dbcs
