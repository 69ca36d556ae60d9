// Resource lists: XML documents whose top-level "resources" elements each
// name a namespace, the packs to attach and the resources to register.
#include "engine/resources/ResourceManager.h"

#include "engine/core/Log.h"
#include "engine/core/MbcsText.h"
#include "engine/core/WorkPath.h"
#include "engine/resources/ResourcePacks.h"
#include "engine/resources/XmlParser.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct ParserRelease {
    void operator()(IXmlParser* parser) const { parser->Release(); }
};
using ParserHolder = std::unique_ptr<IXmlParser, ParserRelease>;

const char* const kKindElements[RESOURCE_TYPE_COUNT] = {"resource", "texture", "animation",
                                                        "effect", "stream"};
const char kInvalidEntry[] = "加载资源信息时遇到无效文件名或无效资源名!";
const char kNameRemark[] = "Remark: Each identifier is a nonempty sequence of letters.";

// "%s%s" into a 260-byte buffer; false when it would not fit (a cut path
// names another file).
bool JoinFits(char* out, const char* a, const char* b) {
    int n = std::snprintf(out, Nuvex::kResourceNameSize, "%s%s", a, b);
    return n >= 0 && size_t(n) < Nuvex::kResourceNameSize;
}

}   // namespace

const char* ResourceManager::SplitListPath(const char* path, char* folder) {
    folder[0] = '\0';
    size_t len = std::strlen(path);
    const char* sep = Nuvex::mbcs::FindLastOf(path, len, '\\', '/');
    size_t keep = sep ? size_t(sep - path) + 1 : (len >= 2 && path[1] == ':' ? 2 : 0);
    if (keep >= Nuvex::kResourceNameSize) return path + len;
    std::memcpy(folder, path, keep);
    folder[keep] = '\0';
    return path + keep;
}

int ResourceManager::LoadResourceList(const void* data, uint32_t size, const char* password,
                                      int immediate) {
    const bool fromMemory = size > 0;
    const char* listPath = (!fromMemory && data) ? static_cast<const char*>(data) : "";
    ParserHolder doc(CreateXmlParser());
    if (!doc) {
        // List bytes in memory are not a text: name them instead of printing them.
        WriteLog(0, "Can't create xml parser! '%s'", fromMemory ? "MEMORY" : listPath);
        return 0;
    }
    char folder[Nuvex::kResourceNameSize] = "";
    if (fromMemory) {
        if (!data || size > 0x7FFFFFFFu ||
            !doc->LoadFromMemory(static_cast<const char*>(data), int(size), 0)) {
            WriteLog(0, "Can't load resource list! #%s.", doc->LastError());
            WriteLog(0, "FILENAME: MEMORY");
            return 0;
        }
    } else {
        if (!doc->LoadFromFile(listPath, 0)) {
            WriteLog(0, "Can't load resource list! #%s.", doc->LastError());
            WriteLog(0, "FILENAME: %s", listPath);
            return 0;
        }
        SplitListPath(listPath, folder);
    }

    XmlNode resources = doc->FirstChild("resources", 1);
    if (!resources) {
        WriteLog(0, "XML Loading document parser failure![resources note error]");
        return 0;
    }
    for (; resources; resources = doc->NextSibling(resources, "resources", 1)) {
        const char* ns = doc->Attribute(resources, "name", "", 1);
        if (!ns || !*ns) {
            ns = Nuvex::kGlobalNamespace;
        } else if (Nuvex::CheckNameChars(nameChars_, ns, 0) != 0) {
            WriteLog(
                0,
                "Resources in the name contains illegal characters! Resource Name Space = \"%s\"",
                ns);
            WriteLog(0, "%s", kNameRemark);
            return 0;
        }

        for (XmlNode packet = doc->ChildElement(resources, "packet", 1); packet;
             packet = doc->NextSibling(packet, "packet", 1)) {
            const char* filename = doc->Attribute(packet, "filename", "", 1);
            if (!filename || !*filename) {
                WriteLog(0, "%s", kInvalidEntry);
                continue;
            }
            const char* full = Nuvex::MakeWorkPath(filename, nullptr, 0);
            if (!full || !*full || !Nuvex::AttachPack(full, password, 0))
                WriteLog(0, "Can't attach pack from '%s'!", filename);
        }

        for (int type = RESOURCE_RAW; type < RESOURCE_TYPE_COUNT; ++type) {
            const char* kind = kKindElements[type];
            for (XmlNode element = doc->ChildElement(resources, kind, 1); element;
                 element = doc->NextSibling(element, kind, 1)) {
                const char* filename = doc->Attribute(element, "filename", "", 1);
                const char* resname = doc->Attribute(element, "resname", "", 1);
                if (!filename || !*filename || !resname || !*resname) {
                    WriteLog(0, "%s", kInvalidEntry);
                    break;   // the rest of this kind in this namespace is skipped
                }
                if (Nuvex::CheckNameChars(nameChars_, resname, 0) != 0) {
                    WriteLog(0,
                             "Resources in the name contains illegal characters! Resname = \"%s\", "
                             "Filename = \"%s\"",
                             resname, filename);
                    WriteLog(0, "%s", kNameRemark);
                    return 0;
                }
                char name[Nuvex::kResourceNameSize];
                int written = std::snprintf(name, sizeof name, "%s%c%s", ns, '.', resname);
                char path[Nuvex::kResourceNameSize];
                if (written < 0 || size_t(written) >= sizeof name ||
                    !JoinFits(path, folder, filename)) {
                    WriteLog(0, "%s", kInvalidEntry);   // too long for a name or a path
                    continue;
                }
                if (Exists(type, name)) {
                    WriteLog(
                        0,
                        "资源管理器中存在相同名称的%s类型资源! Resname = \"%s\", Filename = \"%s\"",
                        Nuvex::ResourceTypeName(type), name, filename);
                    continue;
                }
                ResourceRecord* record = NewResourceRecord(path);
                if (!record) {
                    WriteLog(0, "资源管理器构建源信息失败! Resname = \"%s\", Filename = \"%s\"",
                             name, path);
                    return 0;
                }
                if (!Add(type, name, record, immediate)) DeleteResourceRecord(record);
            }
        }
    }
    return 1;
}
