// The shape guard: markup that tries to hide levels or attributes from it,
// markup it must refuse to guess at, and the two ways parsers skip "<?" and
// "<!".
#include "engine/core/XmlShapeGuard.h"

#include <gtest/gtest.h>

#include <string>

using Nuvex::XmlShape;
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
        XmlShape expected;
    } cases[] = {
        {"plain levels", Times("<a>", 256) + Times("</a>", 256), kDeclaration, XmlShape::kWithin},
        {"one level too many", Times("<a>", 257), kDoctype, XmlShape::kTooDeep},
        {"self-closed, quoted '<', '>' and '/>', comments, CDATA",
         "<r>" + Times("<f n=\"<a>\" m='/>'/><!-- <b> --><![CDATA[<c>]]>", 500) + "</r>",
         kDeclaration, XmlShape::kWithin},
        {"0x0B in the declaration", "<?xml version\x0B=\"1.0\"?>" + deep, kDeclaration,
         XmlShape::kTooDeep},
        {"a quoted version holding the end and closes", Times("<a><?xml version=\"?></a>\"?>", 300),
         kDeclaration, XmlShape::kTooDeep},
        {"...which a parser ending at '?>' reads as closes",
         Times("<a><?xml version=\"?></a>\"?>", 300), kDoctype, XmlShape::kWithin},
        {"a DOCTYPE subset holding a '>' and closes", Times("<a><!DOCTYPE d [ > </a> ]>", 300),
         kDoctype, XmlShape::kTooDeep},
        {"...which a parser ending at '>' reads as closes",
         Times("<a><!DOCTYPE d [ > </a> ]>", 300), kDeclaration, XmlShape::kWithin},
        {"a lead byte before a closing quote", "<L a=\"\xE4\"x b=\">" + deep, kDeclaration,
         XmlShape::kUndecided},
        {"a quote that is no value", "<a \"x=\"v>" + deep, kDoctype, XmlShape::kUndecided},
        {"no name after '<'", "< a>" + deep, kDeclaration, XmlShape::kUndecided},
        {"a double-byte character in a declaration's words",
         "<?xml foo\xA1\xA1version=\"?>\"?>" + deep, kDeclaration, XmlShape::kUndecided},
        {"the text ends at a zero byte", "<a>" + std::string(1, '\0') + deep, kDoctype,
         XmlShape::kWithin},
        {"the text ends inside a value", "<a><b x=\"" + deep, kDeclaration, XmlShape::kWithin},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Nuvex::CheckXmlShape(c.text.data(), c.text.size(), {256}, c.rules))
            << c.what;
    }
}

TEST(XmlShape, CountsTheAttributesOfEachElementAlone) {
    const auto attributes = [](int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += " a" + std::to_string(i) + "=\"v\"";
        return out;
    };
    const std::string atLimit = "<e" + attributes(32) + "/>";
    struct Case {
        const char* what;
        std::string text;
        XmlShape expected;
    } cases[] = {
        {"as many as the limit, element after element", "<r>" + Times(atLimit, 1000) + "</r>",
         XmlShape::kWithin},
        {"one more", "<r>" + atLimit + "<e" + attributes(33) + "></e></r>",
         XmlShape::kTooManyAttributes},
        {"spread over white space and both quotes",
         "<e" + Times("\r\n\ta = 'x' b\t=\"y\"", 17) + ">", XmlShape::kTooManyAttributes},
        {"many in a cut text", "<e" + attributes(200000), XmlShape::kTooManyAttributes},
        {"none in values, comments, CDATA, ends and other nodes",
         "<r q='" + attributes(100) + "'><!--<e" + attributes(100) + ">--><![CDATA[<e" +
             attributes(100) + ">]]><?pi" + attributes(100) + "?></r>",
         XmlShape::kWithin},
        {"none in the declaration", "<?xml version=\"1.0\"" + attributes(100) + "?><r/>",
         XmlShape::kWithin},
        {"...nor when too deep", Times("<a>", 300) + "<e" + attributes(40) + ">",
         XmlShape::kTooDeep},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Nuvex::CheckXmlShape(c.text.data(), c.text.size(), {256, 32},
                                                   XmlSkipRules::kDeclarationAttributes))
            << c.what;
    }
    // No limit given: any number is within it.
    const std::string many = "<e" + attributes(200000) + "/>";
    EXPECT_EQ(XmlShape::kWithin,
              Nuvex::CheckXmlShape(many.data(), many.size(), {256}, XmlSkipRules::kDoctypeSubset));
}
