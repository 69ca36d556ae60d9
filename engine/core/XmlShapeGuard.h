#pragma once
// Measures the shape of an XML text before a parser reads it: how deep its
// elements nest (a parser that recurses once per level can run out of
// stack) and how many attributes an element holds (a parser that looks for
// a duplicate among the attributes read so far spends time in the square of
// their count).
//
// The measure is exact only for a strict form of markup: element tags of
// names and quoted attribute values, end tags, comments, CDATA sections,
// declarations and "<!" nodes as the reading parser skips them. Every '<'
// starts one of those (well-formed XML has no raw '<' outside them but in
// attribute values, comments and CDATA), so nothing a parser nests can hide
// from it. Anything it can't read with certainty is reported as such, and
// the caller refuses the text.
#include <climits>
#include <cstddef>

namespace Nuvex {

// How the parser that will read the text skips the markup parsers differ on.
enum class XmlSkipRules {
    // "<?xml" is read attribute by attribute (quoted version, encoding and
    // standalone values may hold '>'); every other "<?" and "<!" node but
    // comments and CDATA ends at its first '>'.
    kDeclarationAttributes,
    // Every "<?" node ends at its first "?>"; "<!DOCTYPE" and white space
    // skips a bracketed internal subset whole; other "<!" nodes end at their
    // first '>'.
    kDoctypeSubset,
};

struct XmlShapeLimits {
    int maxDepth;
    int maxAttributes = INT_MAX;   // of one element
};

enum class XmlShape {
    kWithin,   // within every limit
    kTooDeep,
    kTooManyAttributes,
    kUndecided,   // markup the measure can't read with certainty
};

// `text` ends at `size` bytes or at its first zero byte, where parsers stop.
// A text is measured once, in time in proportion to its size.
XmlShape CheckXmlShape(const char* text, size_t size, const XmlShapeLimits& limits,
                       XmlSkipRules rules);

}   // namespace Nuvex
