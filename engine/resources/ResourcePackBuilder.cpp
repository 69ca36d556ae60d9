// Building a resource pack from a resource list: the list itself and every
// file it names, written into a temporary file that replaces the pack only
// once it is complete, so a broken pack is never left where skins are read.
#include "engine/resources/ResourceManager.h"

#include "engine/core/Log.h"
#include "engine/resources/Pack.h"
#include "engine/resources/XmlParser.h"

#include <cstdio>
#include <memory>

namespace {

struct ParserRelease {
    void operator()(IXmlParser* parser) const { parser->Release(); }
};
struct PackRelease {
    void operator()(IPack* pack) const { pack->Release(); }
};

const char* const kKindElements[RESOURCE_TYPE_COUNT] = {"resource", "texture", "animation",
                                                        "effect", "stream"};

bool JoinFits(char* out, const char* a, const char* b) {
    int n = std::snprintf(out, Nuvex::kResourceNameSize, "%s%s", a, b);
    return n >= 0 && size_t(n) < Nuvex::kResourceNameSize;
}

// The pack being written: closed and removed unless Commit moved it into place.
class PendingPack {
public:
    PendingPack(IPack* pack, const char* tempPath) : pack_(pack), tempPath_(tempPath) {}
    ~PendingPack() {
        if (pack_) pack_->Close();
        if (!committed_) DeleteFileA(tempPath_);
    }
    PendingPack(const PendingPack&) = delete;
    PendingPack& operator=(const PendingPack&) = delete;

    bool Commit(const char* packPath) {
        bool closed = pack_->Close();
        pack_ = nullptr;
        if (!closed) return false;
        committed_ = MoveFileExA(tempPath_, packPath, MOVEFILE_REPLACE_EXISTING) != 0;
        return committed_;
    }

private:
    IPack* pack_;
    const char* tempPath_;
    bool committed_ = false;
};

}   // namespace

int ResourceManager::BuildPack(const char* packPath, const char* password, const char* listPath) {
    if (!listPath) listPath = "";
    if (!packPath) packPath = "";
    std::unique_ptr<IXmlParser, ParserRelease> doc(CreateXmlParser());
    if (!doc) {
        WriteLog(0, "Can't create xml parser! '%s'", listPath);
        return 0;
    }
    if (!doc->LoadFromFile(listPath, 0)) {
        WriteLog(0, "Can't load resource list! #%s.", doc->LastError());
        WriteLog(0, "FILENAME: %s.", listPath);
        return 0;
    }

    char tempPath[Nuvex::kResourceNameSize];
    std::unique_ptr<IPack, PackRelease> pack(CreateZipPack());
    if (!*packPath || !JoinFits(tempPath, packPath, ".tmp") || !pack ||
        !pack->Open(tempPath, password, IPack::ModeCreate)) {
        WriteLog(0, "Can't create pack parser! '%s'", packPath);
        return 0;
    }
    PendingPack pending(pack.get(), tempPath);

    char folder[Nuvex::kResourceNameSize];
    const char* listName = SplitListPath(listPath, folder);
    if (!pack->AddFile(listName, listPath)) {
        // A pack without its list could never be loaded.
        WriteLog(0, "Can't add '%s' to pack '%s'!", listName, packPath);
        return 0;
    }

    XmlNode resources = doc->FirstChild("resources", 1);
    if (!resources) {
        WriteLog(0, "XML Loading document parser failure![resources note error]");
        return 0;
    }
    for (; resources; resources = doc->NextSibling(resources, "resources", 1)) {
        for (const char* kind : kKindElements) {
            for (XmlNode element = doc->ChildElement(resources, kind, 1); element;
                 element = doc->NextSibling(element, kind, 1)) {
                const char* filename = doc->Attribute(element, "filename", "", 1);
                char source[Nuvex::kResourceNameSize];
                if (!filename || !*filename || !JoinFits(source, folder, filename)) {
                    WriteLog(0, "XML Loading resinfo error![FileName == NULL]");
                    continue;
                }
                // An entry already written (two names sharing one file) is
                // refused by the pack; a missing file is left out, as the
                // loose folder would miss it too.
                pack->AddFile(filename, source);
            }
        }
    }
    if (!pending.Commit(packPath)) {
        WriteLog(0, "Can't write pack '%s'!", packPath);
        return 0;
    }
    return 1;
}
