#include "update/UpdateList.h"

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

long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    if (data.nFileSizeHigh != 0 || data.nFileSizeLow > 0x7FFFFFFFu) return LONG_MAX;
    return static_cast<long>(data.nFileSizeLow);
}

// Skips from `from` past the first `end` in [from, stop); `stop` when absent.
const char* SkipPast(const char* from, const char* stop, const char* end) {
    const size_t n = std::strlen(end);
    for (const char* p = from; p + n <= stop; ++p)
        if (std::memcmp(p, end, n) == 0) return p + n;
    return stop;
}

bool StartsWith(const char* p, const char* stop, const char* text, bool ignoreCase) {
    for (; *text; ++p, ++text) {
        if (p == stop) return false;
        char a = *p, b = *text;
        if (ignoreCase && a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool StartsElement(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == '_' || b >= 127;
}

// Past an "<?xml" declaration as the parser reads it: only the values of
// version, encoding and standalone are quoted text. Null when the parser
// would give up there (nothing after it is parsed).
const char* SkipDeclaration(const char* p, const char* stop) {
    p += 5;
    while (p < stop) {
        if (*p == '>') return p + 1;
        while (p < stop && IsSpace(*p)) ++p;
        if (StartsWith(p, stop, "version", true) || StartsWith(p, stop, "encoding", true) ||
            StartsWith(p, stop, "standalone", true)) {
            while (p < stop && (StartsElement(*p) || (*p >= '0' && *p <= '9') || *p == '-' ||
                                *p == '.' || *p == ':'))
                ++p;
            while (p < stop && IsSpace(*p)) ++p;
            if (p == stop || *p != '=') return nullptr;
            ++p;
            while (p < stop && IsSpace(*p)) ++p;
            if (p < stop && (*p == '"' || *p == '\'')) {
                const char quote = *p;
                while (++p < stop && *p != quote) {}
                if (p < stop) ++p;
            } else {
                for (; p < stop && !IsSpace(*p) && *p != '/' && *p != '>'; ++p)
                    if (*p == '"' || *p == '\'') return nullptr;
            }
        } else {
            while (p < stop && *p != '>' && !IsSpace(*p)) ++p;
        }
    }
    return stop;
}

// The deepest element nesting of an XML text, found without parsing it: the
// parser recurses once per level, so a hostile list thousands of levels deep
// would exhaust the worker thread's stack (and take the host process with
// it) before any depth check on the parsed tree could run. It reads markup
// the way the parser does (comments, CDATA, declarations, other "<..."
// constructs, quoted attribute values; a self-closed element adds no level),
// so nothing the parser nests is hidden from it.
int NestingDepth(const char* text, size_t size) {
    const char* p = text;
    const char* const stop = text + size;
    int depth = 0;
    int deepest = 0;
    while (p < stop) {
        if (*p == '\0') break;      // the parser's text ends there
        if (*p != '<') {
            ++p;
            continue;
        }
        if (StartsWith(p, stop, "</", false)) {
            if (depth > 0) --depth;
            p = SkipPast(p + 2, stop, ">");
        } else if (StartsWith(p, stop, "<?xml", true)) {
            p = SkipDeclaration(p, stop);
            if (!p) break;
        } else if (StartsWith(p, stop, "<!--", false)) {
            p = SkipPast(p + 4, stop, "-->");
        } else if (StartsWith(p, stop, "<![CDATA[", false)) {
            p = SkipPast(p + 9, stop, "]]>");
        } else if (p + 1 < stop && StartsElement(p[1])) {
            // A start tag: to its '>', quoted values taken whole.
            char last = 0;
            for (++p; p < stop && *p != '>'; ++p) {
                if (*p == '"' || *p == '\'') {
                    const char quote = *p;
                    while (++p < stop && *p != quote) {}
                    if (p == stop) break;
                }
                last = *p;
            }
            if (p < stop) ++p;
            if (last != '/' && ++depth > deepest) deepest = depth;
        } else {
            p = SkipPast(p + 1, stop, ">");   // "<!...>", "<?...>" and the like
        }
    }
    return deepest;
}

bool ReadWhole(const std::string& path, long size, std::string* bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes->resize(size_t(size));
    const bool ok = size == 0 || std::fread(&(*bytes)[0], 1, size_t(size), file) == size_t(size);
    std::fclose(file);
    return ok;
}

}  // namespace

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
    if (NestingDepth(bytes.data(), bytes.size()) > kMaxDocumentDepth) return kTooDeep;
    TiXmlDocument document;
    if (!document.LoadFile(path.c_str())) return kCannotLoad;
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
        if (!folder.empty() && !updatepaths::IsSafeRelativePath(folder)) {
            failure_ = kUnsafeName;
            return 0;
        }
        if (folder.empty() && !lobby_) {
            failure_ = kUnsafeName;     // a game's files must lie in a folder of their own
            return 0;
        }
        const TiXmlNode* first = element->FirstChild();
        if (!first) return 0;
        if (!first->ToElement()) return 1;     // a comment or text first: nothing below is read
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
        if (!updatepaths::IsSafeRelativePath(entry.name) ||
            !updatepaths::IsSafeRelativePath(relative)) {
            failure_ = kUnsafeName;
            return 0;
        }
        if (entry.zipSize > 0) listSize_ += entry.zipSize;
        entries_.push_back(std::move(entry));
        return 1;
    }
    return 1;
}
