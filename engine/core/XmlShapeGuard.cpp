#include "engine/core/XmlShapeGuard.h"

#include <cstring>

namespace Nuvex {
namespace {

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// White space as a parser that asks isspace() sees it (vertical tab and form
// feed too).
bool IsAnySpace(char c) { return IsXmlSpace(c) || c == '\v' || c == '\f'; }

bool IsHigh(char c) { return static_cast<unsigned char>(c) >= 0x80; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Names as every parser reads them alike: ASCII letters, '_' and bytes of
// double-byte characters first; digits, '-', '.' and ':' after.
bool IsNameStart(char c) { return IsLetter(c) || c == '_' || IsHigh(c); }

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

class Scanner {
public:
    Scanner(const char* text, size_t size, const XmlShapeLimits& limits, XmlSkipRules rules)
        : p_(text), limits_(limits), rules_(rules) {
        const void* zero = std::memchr(text, '\0', size);
        end_ = zero ? static_cast<const char*>(zero) : text + size;
    }

    XmlShape Run() {
        int depth = 0;
        for (;;) {
            const void* open = std::memchr(p_, '<', size_t(end_ - p_));
            if (!open) return XmlShape::kWithin;
            p_ = static_cast<const char*>(open) + 1;
            if (p_ == end_) return XmlShape::kWithin;
            bool read = true;
            bool opened = false;
            switch (*p_) {
            case '/':
                read = EndTag();
                if (read && depth > 0) --depth;
                break;
            case '?': read = Question(); break;
            case '!': read = Bang(); break;
            default: read = StartTag(&opened); break;
            }
            if (tooManyAttributes_) return XmlShape::kTooManyAttributes;
            if (!read) return XmlShape::kUndecided;
            if (opened && ++depth > limits_.maxDepth) return XmlShape::kTooDeep;
        }
    }

private:
    bool StartsWith(const char* text, bool ignoreCase) const {
        const char* p = p_;
        for (; *text; ++p, ++text)
            if (p == end_ || (ignoreCase ? Lower(*p) : *p) != *text) return false;
        return true;
    }

    // The text ends inside the markup being read: so does every parser's
    // reading of it, with nothing nested further.
    bool Ended() {
        p_ = end_;
        return true;
    }

    // Past the first `terminator`, or to the end when there is none.
    bool SkipPast(const char* terminator) {
        const size_t n = std::strlen(terminator);
        for (const char* p = p_; p + n <= end_; ++p)
            if (std::memcmp(p, terminator, n) == 0) {
                p_ = p + n;
                return true;
            }
        return Ended();
    }

    void SkipNameChars() {
        while (p_ < end_ && IsNameChar(*p_)) ++p_;
    }

    void SkipXmlSpace() {
        while (p_ < end_ && IsXmlSpace(*p_)) ++p_;
    }

    // Past a quoted value; p_ is at its opening quote.
    bool SkipQuoted() {
        const char quote = *p_++;
        const void* close = std::memchr(p_, quote, size_t(end_ - p_));
        if (!close) return Ended();
        p_ = static_cast<const char*>(close) + 1;
        return true;
    }

    // <name (attribute="value")* /?>, p_ at the name. An element with more
    // attributes than the limit stops the measure at once.
    bool StartTag(bool* opened) {
        if (!IsNameStart(*p_)) return false;
        SkipNameChars();
        for (int attributes = 0;; ++attributes) {
            if (attributes > limits_.maxAttributes) {
                tooManyAttributes_ = true;
                return false;
            }
            SkipXmlSpace();
            if (p_ == end_ || (*p_ == '/' && p_ + 1 == end_)) return Ended();
            if (*p_ == '>' || (*p_ == '/' && p_[1] == '>')) {
                *opened = *p_ == '>';
                p_ += *opened ? 1 : 2;
                return true;
            }
            if (!IsNameStart(*p_)) return false;
            SkipNameChars();
            SkipXmlSpace();
            if (p_ == end_) return Ended();
            if (*p_ != '=') return false;
            ++p_;
            SkipXmlSpace();
            if (p_ == end_) return Ended();
            if ((*p_ != '"' && *p_ != '\'') || !SkipQuoted()) return false;
        }
    }

    // </name>, p_ at the '/'.
    bool EndTag() {
        ++p_;
        SkipNameChars();
        SkipXmlSpace();
        if (p_ == end_) return Ended();
        if (*p_ != '>') return false;
        ++p_;
        return true;
    }

    // "<!" nodes, p_ at the '!'.
    bool Bang() {
        if (StartsWith("!--", false)) {
            p_ += 3;
            return SkipPast("-->");
        }
        if (StartsWith("![CDATA[", false)) {
            p_ += 8;
            return SkipPast("]]>");
        }
        if (rules_ == XmlSkipRules::kDoctypeSubset && StartsWith("!DOCTYPE", false) &&
            p_ + 8 < end_ && IsXmlSpace(p_[8]))
            return Doctype();
        return SkipPast(">");
    }

    bool Doctype() {
        for (p_ += 9; p_ < end_ && *p_ != '>'; ++p_) {
            if (*p_ != '[') continue;
            // The internal subset, brackets counted, whatever it holds.
            for (int brackets = 1; brackets > 0;) {
                if (++p_ == end_) return Ended();
                if (*p_ == '[') ++brackets;
                if (*p_ == ']') --brackets;
            }
        }
        if (p_ == end_) return Ended();
        ++p_;
        return true;
    }

    // "<?" nodes, p_ at the '?'.
    bool Question() {
        if (rules_ == XmlSkipRules::kDoctypeSubset) {
            ++p_;
            return SkipPast("?>");
        }
        if (StartsWith("?xml", true)) {
            p_ += 4;
            return Declaration();
        }
        return SkipPast(">");
    }

    // A declaration read attribute by attribute: only the quoted values of
    // version, encoding and standalone are taken whole; anything else is
    // passed over word by word. A byte of a double-byte character outside a
    // value is not read with certainty (whether it counts as white space
    // depends on the locale).
    bool Declaration() {
        while (p_ < end_) {
            if (*p_ == '>') {
                ++p_;
                return true;
            }
            while (p_ < end_ && IsAnySpace(*p_)) ++p_;
            if (p_ == end_) return Ended();
            if (StartsWith("version", true) || StartsWith("encoding", true) ||
                StartsWith("standalone", true)) {
                if (!DeclarationAttribute()) return false;
                continue;
            }
            for (; p_ < end_ && *p_ != '>' && !IsAnySpace(*p_); ++p_)
                if (IsHigh(*p_)) return false;
        }
        return Ended();
    }

    bool DeclarationAttribute() {
        SkipNameChars();
        while (p_ < end_ && IsAnySpace(*p_)) ++p_;
        if (p_ == end_) return Ended();
        if (*p_ != '=') return false;
        ++p_;
        while (p_ < end_ && IsAnySpace(*p_)) ++p_;
        if (p_ == end_) return Ended();
        if (*p_ == '"' || *p_ == '\'') return SkipQuoted();
        for (; p_ < end_ && !IsAnySpace(*p_) && *p_ != '/' && *p_ != '>'; ++p_)
            if (*p_ == '"' || *p_ == '\'' || IsHigh(*p_)) return false;
        return true;
    }

    const char* p_;
    const char* end_;
    const XmlShapeLimits limits_;
    const XmlSkipRules rules_;
    bool tooManyAttributes_ = false;
};

}   // namespace

XmlShape CheckXmlShape(const char* text, size_t size, const XmlShapeLimits& limits,
                       XmlSkipRules rules) {
    if (!text) return XmlShape::kWithin;
    return Scanner(text, size, limits, rules).Run();
}

}   // namespace Nuvex
