#include "update/UpdateList.h"

#include "engine/core/XmlShapeGuard.h"
#include "update/UpdatePaths.h"

#include <windows.h>

#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <climits>
#include <cstring>

namespace {

std::string Text(const TiXmlElement* element, const char* attribute) {
    const char* value = element->Attribute(attribute);
    return value ? value : "";
}

// atoi semantics ("" and garbage read as 0), without its undefined overflow.
int32_t Number(const TiXmlElement* element, const char* attribute) {
    const char* value = element->Attribute(attribute);
    if (!value) return 0;
    long long n = std::strtoll(value, nullptr, 10);
    if (n > INT32_MAX) return INT32_MAX;
    if (n < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(n);
}

// A safe relative path that some full path could hold. Every file below a
// folder copies the folder's path: bounding it keeps a list's entries in
// proportion to the list.
bool IsUsablePath(const std::string& relative) {
    return relative.size() <= updatepaths::kMaxPath && updatepaths::IsSafeRelativePath(relative);
}

long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    if (data.nFileSizeHigh != 0 || data.nFileSizeLow > 0x7FFFFFFFu) return LONG_MAX;
    return static_cast<long>(data.nFileSizeLow);
}

bool ReadWhole(const std::string& path, long size, std::string* bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes->resize(size_t(size));
    const bool ok = size == 0 || std::fread(&(*bytes)[0], 1, size_t(size), file) == size_t(size);
    std::fclose(file);
    return ok;
}

}   // namespace

UpdateListReader::UpdateListReader(bool lobby, std::function<bool()> keepRunning)
    : lobby_(lobby), keepRunning_(std::move(keepRunning)) {}

UpdateListReader::Result UpdateListReader::Read(const std::string& path) {
    entries_.clear();
    displayName_.clear();
    listSize_ = 0;
    failure_ = kRead;

    long size = FileSize(path);
    if (size < 0 || size > kMaxFileSize) return kCannotLoad;
    std::string bytes;
    if (!ReadWhole(path, size, &bytes)) return kCannotLoad;
    // The parser reads exactly the bytes measured, one byte a character: as
    // UTF-8 (which a declaration could ask for) a double-byte character's
    // lead byte could swallow the quote or '<' after it, and the parser
    // would no longer see the markup that was measured.
    const size_t bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    switch (Nuvex::CheckXmlShape(bytes.data() + bom, bytes.size() - bom,
                                 {kMaxDocumentDepth, kMaxAttributes},
                                 Nuvex::XmlSkipRules::kDeclarationAttributes)) {
    case Nuvex::XmlShape::kWithin: break;
    case Nuvex::XmlShape::kTooManyAttributes: return kTooManyAttributes;
    default: return kTooDeep;
    }
    TiXmlDocument document;
    document.Parse(bytes.c_str() + bom, nullptr, TIXML_ENCODING_LEGACY);
    if (document.Error()) return kCannotLoad;
    const TiXmlElement* root = document.RootElement();
    if (!root) return kNoTopDirectory;
    displayName_ = Text(root, "Name");
    const TiXmlElement* top = root->FirstChildElement("Directory");
    if (!top) return kNoTopDirectory;
    if (!ReadListDirectory(top, "", 0)) return failure_ != kRead ? failure_ : kEmptyTopDirectory;
    if (failure_ != kRead) return failure_;
    return kRead;
}

int UpdateListReader::ReadListDirectory(const TiXmlElement* element, const std::string& path,
                                        int depth) {
    if (!Running() || failure_ != kRead) return 1;
    const char* kind = element->Value();
    if (!kind) return 1;

    if (std::strcmp(kind, "Directory") == 0) {
        if (depth >= kMaxDepth) {
            failure_ = kTooDeep;
            return 0;
        }
        const std::string name = Text(element, "Name");
        std::string folder = path.empty() ? name : path + "\\" + name;
        if (lobby_ && folder == "Lobby") folder.clear();
        if (!folder.empty() && !IsUsablePath(folder)) {
            failure_ = kUnsafeName;
            return 0;
        }
        if (folder.empty() && !lobby_) {
            failure_ = kUnsafeName;   // a game's files must lie in a folder of their own
            return 0;
        }
        const TiXmlNode* first = element->FirstChild();
        if (!first) return 0;
        if (!first->ToElement()) return 1;   // a comment or text first: nothing below is read
        for (const TiXmlElement* child = first->ToElement(); child;
             child = child->NextSiblingElement()) {
            ReadListDirectory(child, folder, depth + 1);
            if (failure_ != kRead) return 0;
        }
        return 1;
    }

    if (std::strcmp(kind, "File") == 0) {
        UpdateEntry entry;
        entry.folder = path;
        entry.name = Text(element, "Name");
        entry.size = Number(element, "Size");
        entry.zipSize = Number(element, "ZipSize");
        entry.md5 = Text(element, "MD5");
        entry.selected = 1;
        const std::string relative = path.empty() ? entry.name : path + "\\" + entry.name;
        if (!updatepaths::IsSafeRelativePath(entry.name) || !IsUsablePath(relative)) {
            failure_ = kUnsafeName;
            return 0;
        }
        if (entry.zipSize > 0) listSize_ += entry.zipSize;
        entries_.push_back(std::move(entry));
        return 1;
    }
    return 1;
}
