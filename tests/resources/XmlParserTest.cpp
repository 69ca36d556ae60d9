#include "engine/resources/XmlParser.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct ParserDeleter {
    void operator()(IXmlParser* p) const { p->Release(); }
};
using Parser = std::unique_ptr<IXmlParser, ParserDeleter>;

Parser NewParser() {
    Parser p(CreateXmlParser());
    EXPECT_NE(p, nullptr);
    return p;
}

int Load(IXmlParser* p, const std::string& text, unsigned mode = 0) {
    return p->LoadFromMemory(text.data(), static_cast<int>(text.size()), mode);
}

// A resource list as a skin carries it: several top-level elements.
const char kList[] =
    "<resources name=\"Default\">\r\n"
    "  <texture resname=\"BodyStyle\" filename=\"img/body.tga\"/>\r\n"
    "  text between\r\n"
    "  <animation resname=\"download\" filename=\"ani\\download.xml\"/>\r\n"
    "  <!-- a comment -->\r\n"
    "  <resource resname=\"raw1\" filename=\"data.bin\"/>\r\n"
    "</resources>\r\n"
    "<resources>\r\n"
    "  <texture resname=\"btn\" filename=\"img/btn.tga\"/>\r\n"
    "</resources>\r\n";

}   // namespace

TEST(XmlParser, ReadsAttributesAsTextFloatAndInteger) {
    Parser p = NewParser();
    ASSERT_EQ(Load(p.get(), "<a x=\"1.5\" n=\"-42\" e=\"\" s=\"abc\"/>"), 1);
    XmlNode a = p->FirstChild("a", 1);
    ASSERT_NE(a, nullptr);
    EXPECT_FLOAT_EQ(p->AttributeFloat(a, "x", 9.0f, 1), 1.5f);
    EXPECT_EQ(p->AttributeInt(a, "x", 9, 1), 1);
    EXPECT_EQ(p->AttributeInt(a, "n", 9, 1), -42);
    EXPECT_STREQ(p->Attribute(a, "y", "d", 1), "d");
    EXPECT_FLOAT_EQ(p->AttributeFloat(a, "y", 9.0f, 1), 9.0f);
    EXPECT_EQ(p->AttributeInt(a, "y", 7, 1), 7);
    // Present but empty or not numeric: the text, and 0 as a number.
    EXPECT_STREQ(p->Attribute(a, "e", "d", 1), "");
    EXPECT_EQ(p->AttributeInt(a, "e", 7, 1), 0);
    EXPECT_FLOAT_EQ(p->AttributeFloat(a, "s", 9.0f, 1), 0.0f);
    // Attribute names compare by the case flag.
    EXPECT_STREQ(p->Attribute(a, "X", "d", 1), "d");
    EXPECT_STREQ(p->Attribute(a, "X", "d", 0), "1.5");
    EXPECT_STREQ(p->LastError(), "");
}

TEST(XmlParser, ElementNamesCompareByTheCaseFlag) {
    Parser p = NewParser();
    ASSERT_EQ(Load(p.get(), "<a x=\"1.5\"/>"), 1);
    EXPECT_EQ(p->FirstChild("A", 1), nullptr);
    XmlNode a = p->FirstChild("A", 0);
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(p->Name(a), "a");
    EXPECT_STREQ(p->Value(a), "");
}

TEST(XmlParser, WalksAListWithSeveralTopLevelElementsBomAndCrlf) {
    for (bool bom : {false, true}) {
        Parser p = NewParser();
        std::string text = std::string(bom ? "\xEF\xBB\xBF" : "") + kList;
        ASSERT_EQ(Load(p.get(), text), 1) << p->LastError();
        int tops = 0, children = 0;
        for (XmlNode r = p->FirstChild("resources", 1); r; r = p->NextSibling(r, "resources", 1)) {
            ++tops;
            // A null name walks elements only: no text or comment nodes.
            for (XmlNode c = p->ChildElement(r, nullptr, 1); c; c = p->NextSibling(c, nullptr, 1)) {
                ++children;
                EXPECT_NE(p->Attribute(c, "resname", nullptr, 1), nullptr) << p->Name(c);
            }
        }
        EXPECT_EQ(tops, 2);
        EXPECT_EQ(children, 4);
        XmlNode first = p->FirstChild(nullptr, 1);
        EXPECT_STREQ(p->Attribute(first, "name", "", 1), "Default");
        XmlNode anim = p->ChildElement(first, "animation", 1);
        EXPECT_STREQ(p->Attribute(anim, "filename", "", 1), "ani\\download.xml");
    }
}

TEST(XmlParser, KeepsGbkBytesAndTranslatesEntities) {
    Parser p = NewParser();
    ASSERT_EQ(Load(p.get(), "<a t=\"下载 &lt;&amp;&gt; &quot;x&quot;\">按钮&amp;</a>"), 1);
    XmlNode a = p->FirstChild("a", 1);
    EXPECT_STREQ(p->Attribute(a, "t", "", 1), "下载 <&> \"x\"");
    EXPECT_STREQ(p->Value(a), "按钮&");
}

TEST(XmlParser, StaleAndForeignHandlesGetDefaults) {
    Parser p = NewParser();
    Parser other = NewParser();
    ASSERT_EQ(Load(p.get(), "<old><inner/></old>"), 1);
    XmlNode stale = p->FirstChild("old", 1);
    ASSERT_NE(stale, nullptr);
    ASSERT_EQ(Load(p.get(), "<new/><second/>"), 1);

    ASSERT_EQ(Load(other.get(), "<x y=\"1\"><z/></x>"), 1);
    XmlNode foreign = other->FirstChild("x", 1);

    for (XmlNode bad : {stale, foreign, static_cast<XmlNode>(nullptr)}) {
        EXPECT_EQ(p->Name(bad), nullptr);
        EXPECT_EQ(p->Value(bad), nullptr);
        EXPECT_EQ(p->NextSibling(bad, nullptr, 1), nullptr);
        EXPECT_EQ(p->Parent(bad), nullptr);
        EXPECT_STREQ(p->Attribute(bad, "y", "d", 1), "d");
        EXPECT_FLOAT_EQ(p->AttributeFloat(bad, "y", 2.5f, 1), 2.5f);
        EXPECT_EQ(p->AttributeInt(bad, "y", 3, 1), 3);
        // An unregistered parent means the document: the new top level.
        XmlNode found = p->ChildElement(bad, "second", 1);
        ASSERT_NE(found, nullptr);
        EXPECT_STREQ(p->Name(found), "second");
        EXPECT_EQ(p->ChildElement(bad, "inner", 1), nullptr);
    }
}

TEST(XmlParser, TheDocumentNodeHasNoSiblingsAndNoParent) {
    Parser p = NewParser();
    ASSERT_EQ(Load(p.get(), "<a/><b/>"), 1);
    XmlNode a = p->FirstChild("a", 1);
    XmlNode document = p->Parent(a);
    ASSERT_NE(document, nullptr);
    EXPECT_STREQ(p->Name(document), "");
    EXPECT_EQ(p->NextSibling(document, nullptr, 1), nullptr);
    EXPECT_EQ(p->NextSibling(document, "b", 1), nullptr);
    EXPECT_EQ(p->Parent(document), nullptr);
    EXPECT_EQ(p->ChildElement(document, "b", 1), p->NextSibling(a, nullptr, 1));
}

TEST(XmlParser, ModeAboveOneKeepsTheDocumentAndItsHandles) {
    Parser p = NewParser();
    ASSERT_EQ(Load(p.get(), "<keep k=\"v\"/>"), 1);
    XmlNode keep = p->FirstChild("keep", 1);
    EXPECT_EQ(Load(p.get(), "<other/>", 2), 0);
    EXPECT_EQ(p->LoadFromFile("whatever.xml", 2), 0);
    EXPECT_STREQ(p->Name(keep), "keep");
    EXPECT_STREQ(p->Attribute(keep, "k", "", 1), "v");
    EXPECT_EQ(Load(p.get(), "<other/>", 1), 1);
    EXPECT_NE(p->FirstChild("other", 1), nullptr);
}

TEST(XmlParser, MalformedTextFailsWithRapidxmlsMessage) {
    Parser p = NewParser();
    EXPECT_EQ(Load(p.get(), "<a><b></a>"), 0);
    EXPECT_STREQ(p->LastError(), "unexpected end of data");
    EXPECT_EQ(Load(p.get(), "<a x=1/>"), 0);
    EXPECT_STRNE(p->LastError(), "");
    EXPECT_EQ(Load(p.get(), "<a>&#xZZ;</a>"), 0);
    EXPECT_STRNE(p->LastError(), "");
    EXPECT_EQ(Load(p.get(), "just text"), 0);
    EXPECT_STREQ(p->LastError(), "expected <");
}

TEST(XmlParser, NodesOfAFailedParseAreUnreachable) {
    Parser p = NewParser();
    ASSERT_EQ(Load(p.get(), "<before/>"), 1);
    XmlNode before = p->FirstChild(nullptr, 1);
    // The first element is complete before the error.
    EXPECT_EQ(Load(p.get(), "<done a=\"1\"/><broken>"), 0);
    EXPECT_EQ(p->FirstChild(nullptr, 1), nullptr);
    EXPECT_EQ(p->FirstChild("done", 1), nullptr);
    EXPECT_EQ(p->ChildElement(nullptr, nullptr, 1), nullptr);
    EXPECT_EQ(p->Name(before), nullptr);
}

TEST(XmlParser, BadLengthsAreRefused) {
    Parser p = NewParser();
    ASSERT_EQ(Load(p.get(), "<a/>"), 1);
    EXPECT_EQ(p->LoadFromMemory("<a/>", -1, 0), 0);
    EXPECT_STRNE(p->LastError(), "");
    EXPECT_EQ(p->FirstChild(nullptr, 1), nullptr);
    EXPECT_EQ(p->LoadFromMemory(nullptr, 10, 0), 0);
    EXPECT_STRNE(p->LastError(), "");
    // The length counts, not a terminator: only "<a/>" of this text is read.
    EXPECT_EQ(p->LoadFromMemory("<a/><b", 4, 0), 1);
    EXPECT_NE(p->FirstChild("a", 1), nullptr);
    EXPECT_EQ(p->LoadFromMemory(nullptr, 0, 0), 1);
    EXPECT_EQ(p->FirstChild(nullptr, 1), nullptr);
}

TEST(XmlParser, HostileNestingFailsInsteadOfExhaustingTheStack) {
    Parser p = NewParser();
    std::string deep;
    for (int i = 0; i < 200000; ++i) deep += "<a>";
    EXPECT_EQ(Load(p.get(), deep), 0);
    EXPECT_STRNE(p->LastError(), "");

    // Ordinary nesting, and markup that only looks like nesting, still load.
    std::string fine;
    for (int i = 0; i < 100; ++i) fine += "<a>";
    for (int i = 0; i < 100; ++i) fine += "</a>";
    EXPECT_EQ(Load(p.get(), fine), 1) << p->LastError();
    std::string flat = "<r>";
    for (int i = 0; i < 5000; ++i) flat += "<t v=\"<a>\"/><!-- <b> --><![CDATA[<c>]]>";
    flat += "</r>";
    EXPECT_EQ(Load(p.get(), flat), 1) << p->LastError();
}

TEST(XmlParser, NestingHiddenBehindOtherDeclarationsIsStillCounted) {
    // rapidxml skips an unknown "<!" node to its first '>', brackets or not,
    // so elements after one are parsed (and nest) for real.
    Parser p = NewParser();
    for (const char* opener : {"<r><!x [>", "<r><!-x [>", "<r><![x [>", "<r><!DOCTYPEx [>"}) {
        std::string deep = opener;
        for (int i = 0; i < 200000; ++i) deep += "<a>";
        EXPECT_EQ(Load(p.get(), deep), 0) << opener;
        EXPECT_STRNE(p->LastError(), "") << opener;
    }
    // A real DOCTYPE's internal subset is skipped as a whole, as rapidxml does.
    std::string doctype = "<!DOCTYPE r [ <!ENTITY e \"<a><a>\"> ]><r>";
    for (int i = 0; i < 100; ++i) doctype += "<a>";
    for (int i = 0; i < 100; ++i) doctype += "</a>";
    doctype += "</r>";
    EXPECT_EQ(Load(p.get(), doctype), 1) << p->LastError();
}

TEST(XmlParser, LoadsFilesAndReportsMissingOnes) {
    testsupport::TempFolder folder;
    std::string path = folder.Join("list.xml");
    ASSERT_TRUE(testsupport::WriteWholeFile(path, std::string("\xEF\xBB\xBF") + kList));
    Parser p = NewParser();
    ASSERT_EQ(p->LoadFromFile(path.c_str(), 0), 1) << p->LastError();
    EXPECT_NE(p->FirstChild("resources", 1), nullptr);

    std::string missing = folder.Join("missing.xml");
    EXPECT_EQ(p->LoadFromFile(missing.c_str(), 1), 0);
    EXPECT_EQ(std::string(p->LastError()), "cannot open file " + missing);
    EXPECT_EQ(p->FirstChild(nullptr, 1), nullptr);

    ASSERT_TRUE(testsupport::WriteWholeFile(path, ""));
    EXPECT_EQ(p->LoadFromFile(path.c_str(), 0), 1);
    EXPECT_STREQ(p->LastError(), "");
}

TEST(XmlParser, ClearEmptiesDocumentAndError) {
    Parser p = NewParser();
    EXPECT_EQ(Load(p.get(), "<a>"), 0);
    EXPECT_STRNE(p->LastError(), "");
    p->Clear();
    EXPECT_STREQ(p->LastError(), "");
    ASSERT_EQ(Load(p.get(), "<a/>"), 1);
    XmlNode a = p->FirstChild("a", 1);
    p->Clear();
    EXPECT_EQ(p->Name(a), nullptr);
    EXPECT_EQ(p->FirstChild(nullptr, 1), nullptr);
}

TEST(XmlParser, FindAllEndsAndCountsMatches) {
    Parser p = NewParser();
    ASSERT_EQ(Load(p.get(), "<r><f/><g/><f/><f/></r><f/>"), 1);
    XmlNode r = p->FirstChild("r", 1);
    EXPECT_EQ(p->FindAll(r, "f", 1), 3);
    EXPECT_EQ(p->FindAll(r, "F", 0), 3);
    EXPECT_EQ(p->FindAll(r, "none", 1), 0);
    // No registered start: from the first top-level element of the name.
    EXPECT_EQ(p->FindAll(nullptr, "r", 1), 0);
    EXPECT_EQ(p->FindAll(nullptr, "none", 1), 0);
}
