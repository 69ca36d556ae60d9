#pragma once
// Measures how deep the elements of an XML text nest before a parser that
// recurses once per level (and so can run out of stack) reads it.
//
// The measure is exact only for a strict form of markup: element tags of
// names and quoted attribute values, end tags, comments, CDATA sections,
// declarations and "<!" nodes as the reading parser skips them. Every '<'
// starts one of those (well-formed XML has no raw '<' outside them but in
// attribute values, comments and CDATA), so nothing a parser nests can hide
// from it. Anything it can't read with certainty is reported as such, and
// the caller refuses the text.
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

enum class XmlNesting {
    kWithin,   // no element nests deeper than the limit
    kTooDeep,
    kUndecided,   // markup the measure can't read with certainty
};

// `text` ends at `size` bytes or at its first zero byte, where parsers stop.
XmlNesting CheckXmlNesting(const char* text, size_t size, int maxDepth, XmlSkipRules rules);

}   // namespace Nuvex
