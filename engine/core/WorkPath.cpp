#include "engine/core/WorkPath.h"

#include "engine/core/EngineGlobals.h"
#include "engine/core/MbcsText.h"

#include <windows.h>
#include <cstdlib>
#include <cstring>

namespace {

using namespace Nuvex::mbcs;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A bounded text under construction: an append that does not fit marks it
// overflowed instead of cutting anything.
class PathBuilder {
public:
    void Append(const char* text, size_t len) {
        if (overflow_ || len > kCapacity - len_) {
            overflow_ = true;
            return;
        }
        std::memcpy(text_ + len_, text, len);
        len_ += len;
        text_[len_] = 0;
    }
    void Append(const char* text) { Append(text, std::strlen(text)); }
    void AppendChar(char c) { Append(&c, 1); }
    void Truncate(size_t len) {
        if (len < len_) {
            len_ = len;
            text_[len_] = 0;
        }
    }
    char* Text() { return text_; }
    size_t Length() const { return len_; }
    bool Overflowed() const { return overflow_; }

private:
    static constexpr size_t kCapacity = 1024;
    char text_[kCapacity + 1] = {};
    size_t len_ = 0;
    bool overflow_ = false;
};

// Copies text into out, which holds maxChars characters and a terminator.
// A text that does not fit is refused: out becomes empty.
bool CopyBounded(char* out, size_t maxChars, const char* text, size_t len) {
    if (len > maxChars) {
        out[0] = 0;
        return false;
    }
    std::memmove(out, text, len);
    out[len] = 0;
    return true;
}

bool HasWildcard(const char* text) { return std::strchr(text, '*') || std::strchr(text, '?'); }

// Steps back over the last component of base (which ends in a separator).
// A root ("\" alone) stays the root: climbing past it has no meaning.
void ClimbOneLevel(PathBuilder& base, char sep) {
    const char* text = base.Text();
    size_t len = base.Length();
    if (len <= 1) return;   // the root, or a lone separator
    // The component lies between the previous separator and the trailing one.
    const char* previous = FindLastOf(text, len - 1, '\\', '/');
    size_t start = previous ? size_t(previous - text) + 1 : 0;
    size_t componentLen = len - 1 - start;
    if (componentLen == 2 && text[start] == '.' && text[start + 1] == '.') {
        base.Append("..", 2);
        base.AppendChar(sep);
    } else {
        base.Truncate(start);
    }
}

// Resolves the leading ".", ".." and root components of *relative against
// base (which is non-empty and ends in sep), advancing *relative past them.
void ConsumeLeadingComponents(PathBuilder& base, const char*& relative, char sep) {
    while (base.Length() > 0) {
        const char* end = FindFirstOf(relative, '\\', '/');
        if (!end) return;
        size_t len = size_t(end - relative);
        const char* component = relative;
        relative = end + 1;
        if (len == 0) {   // a leading separator: the root of the drive
            base.Truncate(0);
            base.AppendChar(sep);
            return;
        }
        if (len == 1 && component[0] == '.') continue;
        if (len == 2 && component[0] == '.' && component[1] == '.') {
            ClimbOneLevel(base, sep);
            continue;
        }
        base.Append(component, len);
        base.AppendChar(sep);
        return;
    }
}

// One exact existing folder. A drive root has no entry of its own for
// FindFirstFile to find, so its attributes are asked for instead.
bool IsExistingFolder(const char* path) {
    size_t len = std::strlen(path);
    if (len == 3 && path[1] == ':') {
        DWORD attributes = GetFileAttributesA(path);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(path, &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HANDLE g_search = nullptr;
WIN32_FIND_DATAA g_found;

void CloseSearch() {
    if (g_search) FindClose(g_search);
    g_search = nullptr;
}

const char* NextFileOfSearch() {
    while (g_search && FindNextFileA(g_search, &g_found)) {
        if (!(g_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return g_found.cFileName;
    }
    CloseSearch();
    return nullptr;
}

}   // namespace

namespace Nuvex {

int SetWorkPath(const char* folder) {
    EngineGlobals& g = Globals();
    if (!folder) {
        std::memset(g.workFolder, 0, sizeof g.workFolder);
        CopyBounded(g.workFolder, kMaxPathChars, g.moduleFolder, std::strlen(g.moduleFolder));
        return 1;
    }
    if (folder[0] == 0) {
        std::memset(g.workFolder, 0, sizeof g.workFolder);
        return 1;
    }
    if (folder[1] != ':') return 0;   // only drive-letter paths
    // A pattern could match some folder; the work folder must be one exact folder.
    if (HasWildcard(folder)) return 0;
    char candidate[kPathBufferSize];
    if (!CopyBounded(candidate, kMaxPathChars, folder, std::strlen(folder))) return 0;

    size_t len = std::strlen(candidate);
    while (len > 0 && EndsWithOneOf(candidate, len, '\\', '/')) candidate[--len] = 0;
    if (len == 2) {
        // A drive root keeps its backslash: "D:" alone names the drive's
        // current folder, not its root, so "D:" as given is refused.
        if (folder[2] == 0) return 0;
        candidate[len++] = '\\';
    }
    if (!IsExistingFolder(candidate)) return 0;

    ReplaceChar(candidate, '/', '\\');
    std::memset(g.workFolder, 0, sizeof g.workFolder);
    std::memcpy(g.workFolder, candidate, len);
    return 1;
}

const char* GetWorkPath(char* out, int len) {
    const char* folder = Globals().workFolder;
    if (out && len > 0) CopyBounded(out, size_t(len) - 1, folder, std::strlen(folder));
    return folder;
}

char* JoinPath(const char* relative, const char* base, char* out, int outLen) {
    if (!relative || !base) return nullptr;
    if (relative[0] && relative[1] == ':') return const_cast<char*>(relative);

    bool backslash = FindFirstOf(relative, '\\', '\\') || FindFirstOf(base, '\\', '\\');
    char sep = backslash ? '\\' : '/';

    PathBuilder drive;
    if (base[0] && base[1] == ':') {
        drive.Append(base, 2);
        base += 2;
    }
    PathBuilder folder;
    folder.Append(base);
    if (folder.Length() > 0 && !EndsWithOneOf(folder.Text(), folder.Length(), '\\', '/'))
        folder.AppendChar(sep);
    if (folder.Length() > 0) ConsumeLeadingComponents(folder, relative, sep);

    PathBuilder result;
    result.Append(drive.Text(), drive.Length());
    result.Append(folder.Text(), folder.Length());
    result.Append(relative);
    if (sep == '/')
        ReplaceChar(result.Text(), '\\', '/');
    else
        ReplaceChar(result.Text(), '/', '\\');

    if (out && outLen > 0) {
        if (result.Overflowed() || folder.Overflowed())
            out[0] = 0;
        else
            CopyBounded(out, size_t(outLen), result.Text(), result.Length());
    }
    return out;
}

char* MakeWorkPath(const char* relative, char* dst, int len) {
    char* result = JoinPath(relative, Globals().workFolder, EngineGlobals::ResultBuffer(),
                            kMaxPathChars);
    if (!result) return nullptr;
    if (dst) {
        size_t maxChars = len > 0 ? size_t(len) : size_t(kMaxPathChars);
        CopyBounded(dst, maxChars, result, std::strlen(result));
    }
    return result;
}

char* MakeAbsolutePath(const char* name, char* out, int n) {
    if (!name || !out) return nullptr;
    size_t maxChars = n > 0 ? size_t(n) : 0;
    if (IsSeparator(name[0]) || (name[0] && name[1] == ':')) {
        CopyBounded(out, maxChars, name, std::strlen(name));
    } else {
        PathBuilder path;
        const char* folder = Globals().workFolder;
        size_t folderLen = std::strlen(folder);
        path.Append(folder, folderLen);
        if (name[0]) {
            if (folderLen > 0 && !EndsWithOneOf(folder, folderLen, '\\', '/'))
                path.AppendChar('\\');
            path.Append(name);
        }
        if (path.Overflowed())
            out[0] = 0;
        else
            CopyBounded(out, maxChars, path.Text(), path.Length());
    }
    ReplaceChar(out, '/', '\\');
    return out;
}

char* ToBackslashes(char* text) {
    if (text) ReplaceChar(text, '/', '\\');
    return text;
}

const char* FindFile(const char* pattern) {
    if (!pattern) return NextFileOfSearch();
    CloseSearch();
    char full[kPathBufferSize];
    MakeAbsolutePath(pattern, full, kMaxPathChars);
    if (!full[0]) return nullptr;
    HANDLE search = FindFirstFileA(full, &g_found);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    g_search = search;
    if (g_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return NextFileOfSearch();
    return g_found.cFileName;
}

void FreeBuffer(void* buffer) { std::free(buffer); }

const char* GetModuleFolder() { return Globals().moduleFolder; }

}   // namespace Nuvex
