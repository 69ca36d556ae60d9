#pragma once
// The install step of the module's skin, shared by the demo host and the
// tests: the loose skin folder (Index.xml and fp_skin\) is copied into the
// host's root folder, where the panel's first start builds its pack from it.
// The build puts the repository's skin (panel/skin) in <build>\skin.
#include <windows.h>

#include <cstring>
#include <string>

namespace skininstall {

enum class SkinRoot {
    Current,   // <root>\Skins\Fetchpane\ (beside it the pack Skins\Fetchpane.skin)
    Older,     // <root>\Res\Fetchpane\ for the older build
};

// The nearest "skin" folder holding an Index.xml, looked for from the
// running program's folder upwards (<build>\skin for the build's programs);
// "" when there is none.
inline std::string DefaultSource() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    std::string folder(path);
    for (size_t slash = folder.find_last_of('\\'); slash != std::string::npos;
         slash = folder.find_last_of('\\')) {
        folder.erase(slash);
        const std::string skin = folder + "\\skin";
        if (GetFileAttributesA((skin + "\\Index.xml").c_str()) != INVALID_FILE_ATTRIBUTES)
            return skin;
    }
    return std::string();
}

// Copies a folder and everything below it; false at the first failure.
inline bool CopyTree(const std::string& from, const std::string& to) {
    if (!CreateDirectoryA(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        if (!std::strcmp(fd.cFileName, ".") || !std::strcmp(fd.cFileName, "..")) continue;
        const std::string source = from + "\\" + fd.cFileName, target = to + "\\" + fd.cFileName;
        ok = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                 ? CopyTree(source, target)
                 : CopyFileA(source.c_str(), target.c_str(), FALSE) != 0;
    } while (ok && FindNextFileA(find, &fd));
    FindClose(find);
    return ok;
}

// Where the module of this build reads its skin.
constexpr SkinRoot kBuildSkinRoot = FP_OLDER_BUILD ? SkinRoot::Older : SkinRoot::Current;

// Installs the skin from `source` into `root`; false when a file could not
// be copied.
inline bool Install(const std::string& root, SkinRoot where = kBuildSkinRoot,
                    const std::string& source = DefaultSource()) {
    const std::string base = root + (where == SkinRoot::Current ? "\\Skins" : "\\Res");
    const std::string skin = base + "\\Fetchpane";
    if (source.empty()) return false;
    if (!CreateDirectoryA(base.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    if (!CreateDirectoryA(skin.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    return CopyFileA((source + "\\Index.xml").c_str(), (skin + "\\Index.xml").c_str(), FALSE) &&
           CopyTree(source + "\\fp_skin", skin + "\\fp_skin");
}

}   // namespace skininstall
