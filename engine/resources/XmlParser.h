#pragma once
// The XML document object behind resource lists and animation scripts.
// Nodes are opaque handles; every handle the object gives out is remembered,
// and every handle it is given is checked first, so a stale, foreign or null
// handle gets a default answer instead of a crash.

using XmlNode = void*;   // 0 means none

class IXmlParser {
public:
    virtual ~IXmlParser() {}
    virtual void Release() = 0;
    virtual void Clear() = 0;
    // mode above 1 is refused with 0 and nothing changed.
    virtual int LoadFromMemory(const char* text, int length, unsigned mode) = 0;
    virtual int LoadFromFile(const char* path, unsigned mode) = 0;
    // name null = any element; caseSensitive 0 compares names ignoring case.
    virtual XmlNode FirstChild(const char* name, int caseSensitive) = 0;
    // An unregistered parent is taken as the document itself.
    virtual XmlNode ChildElement(XmlNode parent, const char* name, int caseSensitive) = 0;
    virtual XmlNode NextSibling(XmlNode node, const char* name, int caseSensitive) = 0;
    virtual XmlNode Parent(XmlNode node) = 0;
    // Null for an unregistered node, "" when the node has none.
    virtual const char* Name(XmlNode node) = 0;
    virtual const char* Value(XmlNode node) = 0;
    virtual const char* Attribute(XmlNode node, const char* name, const char* defaultValue,
                                  int caseSensitive) = 0;
    virtual float AttributeFloat(XmlNode node, const char* name, float defaultValue,
                                 int caseSensitive) = 0;
    virtual long AttributeInt(XmlNode node, const char* name, int defaultValue,
                              int caseSensitive) = 0;
    // The number of elements named `name` among the children of `node` (or of
    // the first top-level element of that name when node is unregistered).
    virtual int FindAll(XmlNode node, const char* name, int caseSensitive) = 0;
    // "" after a successful load or Clear.
    virtual const char* LastError() = 0;
};

// A new, empty document object (null when memory is short). The caller ends
// it with Release().
IXmlParser* CreateXmlParser();
