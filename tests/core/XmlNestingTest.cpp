// The nesting guard: markup that tries to hide levels from it, markup it
// must refuse to guess at, and the two ways parsers skip "<?" and "<!".
#include "engine/core/XmlNestingGuard.h"

#include <gtest/gtest.h>

#include <string>

using Nuvex::XmlNesting;
using Nuvex::XmlSkipRules;

namespace {

std::string Times(const std::string& part, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += part;
    return out;
}

const XmlSkipRules kDeclaration = XmlSkipRules::kDeclarationAttributes;
const XmlSkipRules kDoctype = XmlSkipRules::kDoctypeSubset;

}   // namespace

TEST(XmlNesting, CountsWhatParsersNestAndRefusesWhatItCannotRead) {
    const std::string deep = Times("<a>", 300);
    struct Case {
        const char* what;
        std::string text;
        XmlSkipRules rules;
        XmlNesting expected;
    } cases[] = {
        {"plain levels", Times("<a>", 256) + Times("</a>", 256), kDeclaration, XmlNesting::kWithin},
        {"one level too many", Times("<a>", 257), kDoctype, XmlNesting::kTooDeep},
        {"self-closed, quoted '<', '>' and '/>', comments, CDATA",
         "<r>" + Times("<f n=\"<a>\" m='/>'/><!-- <b> --><![CDATA[<c>]]>", 500) + "</r>",
         kDeclaration, XmlNesting::kWithin},
        {"0x0B in the declaration", "<?xml version\x0B=\"1.0\"?>" + deep, kDeclaration,
         XmlNesting::kTooDeep},
        {"a quoted version holding the end and closes", Times("<a><?xml version=\"?></a>\"?>", 300),
         kDeclaration, XmlNesting::kTooDeep},
        {"...which a parser ending at '?>' reads as closes",
         Times("<a><?xml version=\"?></a>\"?>", 300), kDoctype, XmlNesting::kWithin},
        {"a DOCTYPE subset holding a '>' and closes", Times("<a><!DOCTYPE d [ > </a> ]>", 300),
         kDoctype, XmlNesting::kTooDeep},
        {"...which a parser ending at '>' reads as closes",
         Times("<a><!DOCTYPE d [ > </a> ]>", 300), kDeclaration, XmlNesting::kWithin},
        {"a lead byte before a closing quote", "<L a=\"\xE4\"x b=\">" + deep, kDeclaration,
         XmlNesting::kUndecided},
        {"a quote that is no value", "<a \"x=\"v>" + deep, kDoctype, XmlNesting::kUndecided},
        {"no name after '<'", "< a>" + deep, kDeclaration, XmlNesting::kUndecided},
        {"a double-byte character in a declaration's words",
         "<?xml foo\xA1\xA1version=\"?>\"?>" + deep, kDeclaration, XmlNesting::kUndecided},
        {"the text ends at a zero byte", "<a>" + std::string(1, '\0') + deep, kDoctype,
         XmlNesting::kWithin},
        {"the text ends inside a value", "<a><b x=\"" + deep, kDeclaration, XmlNesting::kWithin},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Nuvex::CheckXmlNesting(c.text.data(), c.text.size(), 256, c.rules))
            << c.what;
    }
}
