#include "host/FolderSnapshot.h"

#include <cstring>

namespace panelhost {

namespace {

void Walk(const std::string& folder, const std::string& prefix, FolderSnapshot* files) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!std::strcmp(fd.cFileName, ".") || !std::strcmp(fd.cFileName, "..")) continue;
        const std::string relative = prefix + fd.cFileName;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Walk(folder + "\\" + fd.cFileName, relative + "\\", files);
        } else {
            FileState& state = (*files)[relative];
            state.size = (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
            state.written = fd.ftLastWriteTime;
        }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

}   // namespace

FolderSnapshot TakeSnapshot(const std::string& folder) {
    FolderSnapshot files;
    Walk(folder, std::string(), &files);
    return files;
}

uint64_t TotalSize(const FolderSnapshot& files) {
    uint64_t total = 0;
    for (const auto& file : files) total += file.second.size;
    return total;
}

const char* Change(const FolderSnapshot& before, const std::string& path, const FileState& now) {
    auto old = before.find(path);
    if (old == before.end()) return "new";
    const bool same = old->second.size == now.size &&
                      CompareFileTime(&old->second.written, &now.written) == 0;
    return same ? "kept" : "replaced";
}

}   // namespace panelhost
