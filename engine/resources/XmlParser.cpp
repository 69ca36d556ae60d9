#include "engine/resources/XmlParser.h"

#include "engine/core/XmlShapeGuard.h"

#include <rapidxml/rapidxml.hpp>
#include <rapidxml/rapidxml_utils.hpp>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <stdexcept>
#include <string>

namespace {

using Node = rapidxml::xml_node<char>;

// rapidxml parses nested elements recursively; a hostile document could
// exhaust the stack. Real lists and scripts nest two or three levels.
constexpr int kMaxNesting = 256;

bool NamesEqual(const char* a, size_t aSize, const char* b, bool caseSensitive) {
    size_t bSize = strlen(b);
    if (aSize != bSize) return false;
    if (caseSensitive) return memcmp(a, b, aSize) == 0;
    for (size_t i = 0; i < aSize; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// Only elements count as children or siblings: never text or other nodes.
bool IsWanted(const Node* node, const char* name, int caseSensitive) {
    return node->type() == rapidxml::node_element &&
           (!name || NamesEqual(node->name(), node->name_size(), name, caseSensitive != 0));
}

class XmlParser : public IXmlParser {
public:
    ~XmlParser() override { Clear(); }

    void Release() override { delete this; }

    void Clear() override {
        handedOut_.clear();
        document_.clear();
        std::string().swap(text_);
        lastError_.clear();
    }

    int LoadFromMemory(const char* text, int length, unsigned mode) override {
        if (mode > 1) return 0;
        Clear();
        if (length < 0 || (!text && length > 0)) return Fail("invalid text length");
        try {
            text_.assign(text ? text : "", static_cast<size_t>(length));
            text_.push_back('\0');
            // rapidxml keeps no duplicate search: any number of attributes
            // costs it time in proportion.
            if (Nuvex::CheckXmlShape(text_.data(), text_.size(), {kMaxNesting},
                                     Nuvex::XmlSkipRules::kDoctypeSubset) !=
                Nuvex::XmlShape::kWithin)
                return Fail("elements nested too deeply");
            document_.parse<0>(&text_[0]);
            return 1;
        } catch (const rapidxml::parse_error& e) {
            return Fail(e.what());
        } catch (const std::bad_alloc&) {
            return Fail("out of memory");
        } catch (const std::exception& e) {
            return Fail(e.what());
        }
    }

    int LoadFromFile(const char* path, unsigned mode) override {
        if (mode > 1) return 0;
        if (!path) path = "";
        try {
            rapidxml::file<char> file(path);
            if (file.size() > static_cast<size_t>(INT_MAX))
                throw std::runtime_error("file too large");
            return LoadFromMemory(file.data(), static_cast<int>(file.size()), mode);
        } catch (const std::bad_alloc&) {
            Clear();
            return Fail("out of memory");
        } catch (const std::exception& e) {
            Clear();
            return Fail(e.what());
        }
    }

    XmlNode FirstChild(const char* name, int caseSensitive) override {
        return FirstElementOf(&document_, name, caseSensitive);
    }

    XmlNode ChildElement(XmlNode parent, const char* name, int caseSensitive) override {
        Node* node = Lookup(parent);
        return FirstElementOf(node ? node : &document_, name, caseSensitive);
    }

    XmlNode NextSibling(XmlNode handle, const char* name, int caseSensitive) override {
        Node* node = Lookup(handle);
        // The document node has no siblings; rapidxml leaves its sibling
        // pointer unset, so it must not be followed.
        if (!node || !node->parent()) return nullptr;
        for (Node* n = node->next_sibling(); n; n = n->next_sibling())
            if (IsWanted(n, name, caseSensitive)) return Register(n);
        return nullptr;
    }

    XmlNode Parent(XmlNode handle) override {
        Node* node = Lookup(handle);
        return node ? Register(node->parent()) : nullptr;
    }

    const char* Name(XmlNode handle) override {
        Node* node = Lookup(handle);
        return node ? node->name() : nullptr;
    }

    const char* Value(XmlNode handle) override {
        Node* node = Lookup(handle);
        return node ? node->value() : nullptr;
    }

    const char* Attribute(XmlNode handle, const char* name, const char* defaultValue,
                          int caseSensitive) override {
        Node* node = Lookup(handle);
        if (!node || !name) return defaultValue;
        rapidxml::xml_attribute<char>* attribute = node->first_attribute(name, 0,
                                                                         caseSensitive != 0);
        return attribute ? attribute->value() : defaultValue;
    }

    float AttributeFloat(XmlNode node, const char* name, float defaultValue,
                         int caseSensitive) override {
        const char* text = Attribute(node, name, nullptr, caseSensitive);
        return text ? static_cast<float>(atof(text)) : defaultValue;
    }

    long AttributeInt(XmlNode node, const char* name, int defaultValue,
                      int caseSensitive) override {
        const char* text = Attribute(node, name, nullptr, caseSensitive);
        return text ? atol(text) : defaultValue;
    }

    int FindAll(XmlNode node, const char* name, int caseSensitive) override {
        XmlNode start = Lookup(node) ? node : FirstChild(name, caseSensitive);
        if (!start) return 0;
        int count = 0;
        for (XmlNode n = ChildElement(start, name, caseSensitive); n;
             n = NextSibling(n, name, caseSensitive))
            ++count;
        return count;
    }

    const char* LastError() override { return lastError_.c_str(); }

private:
    int Fail(const char* why) {
        // Whatever the parser built before the error must not be reachable.
        handedOut_.clear();
        document_.clear();
        lastError_ = why ? why : "";
        return 0;
    }

    XmlNode Register(Node* node) {
        if (!node) return nullptr;
        handedOut_.insert(node);
        return node;
    }

    Node* Lookup(XmlNode handle) const {
        if (!handle) return nullptr;
        auto it = handedOut_.find(static_cast<Node*>(handle));
        return it == handedOut_.end() ? nullptr : *it;
    }

    XmlNode FirstElementOf(Node* parent, const char* name, int caseSensitive) {
        for (Node* n = parent->first_node(); n; n = n->next_sibling())
            if (IsWanted(n, name, caseSensitive)) return Register(n);
        return nullptr;
    }

    std::string lastError_;
    std::string text_;
    rapidxml::xml_document<char> document_;
    std::set<Node*> handedOut_;
};

}   // namespace

IXmlParser* CreateXmlParser() { return new (std::nothrow) XmlParser(); }
