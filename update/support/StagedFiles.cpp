#include "update/support/StagedFiles.h"

#include "update/support/FileUtils.h"
#include "update/support/ZipExtractor.h"

#include <windows.h>

namespace {

// A read-only file is not replaced (Windows refuses, wine's rename wouldn't),
// nor is a folder.
bool Replaceable(DWORD attributes) {
    return attributes == INVALID_FILE_ATTRIBUTES ||
           !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
}

bool Rename(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

// A new name beside `target` for its old file while the new one moves in.
bool MakeAsideName(const std::string& target, std::string* aside) {
    std::string folder = GetFolderPart(target);
    char path[MAX_PATH] = {};
    if (folder.empty() || !GetTempFileNameA(folder.c_str(), "fpo", 0, path)) return false;
    *aside = path;
    return true;
}

}   // namespace

void StagedFiles::Add(const StagedFile& file) {
    // Found by its key, not by a pass over every file staged: an archive of
    // many entries stages in time proportional to their count.
    const auto found = index_.emplace(PathKey(file.target), files_.size());
    if (!found.second) {
        StagedFile& earlier = files_[found.first->second];
        DeleteFileA(earlier.temp.c_str());
        earlier = file;
        return;
    }
    files_.push_back(file);
}

void StagedFiles::Discard() {
    for (const StagedFile& file : files_) DeleteFileA(file.temp.c_str());
    files_.clear();
    index_.clear();
}

bool StagedFiles::Commit() {
    // Each target is asked once, under wine a round trip per file: whether
    // it may be replaced, and whether there is an old file to step aside.
    std::vector<DWORD> attributes(files_.size());
    for (size_t i = 0; i < files_.size(); ++i) {
        attributes[i] = GetFileAttributesA(files_[i].target.c_str());
        if (!Replaceable(attributes[i])) {
            Discard();
            return false;
        }
    }
    // Old files step aside first, so that a rename failing half-way can be
    // undone; then the new ones move in.
    std::vector<std::string> aside(files_.size());
    bool ok = true;
    for (size_t i = 0; ok && i < files_.size(); ++i) {
        const std::string& target = files_[i].target;
        if (attributes[i] == INVALID_FILE_ATTRIBUTES) continue;
        ok = MakeAsideName(target, &aside[i]);
        if (ok && !Rename(target, aside[i])) {
            DeleteFileA(aside[i].c_str());
            aside[i].clear();
            ok = false;
        }
    }
    size_t placed = 0;
    while (ok && placed < files_.size()) {
        ok = Rename(files_[placed].temp, files_[placed].target);
        if (ok) ++placed;
    }
    if (!ok) {
        for (size_t i = 0; i < placed; ++i) DeleteFileA(files_[i].target.c_str());
        for (size_t i = 0; i < files_.size(); ++i)
            if (!aside[i].empty()) Rename(aside[i], files_[i].target);
        Discard();
        return false;
    }
    for (size_t i = 0; i < files_.size(); ++i) {
        if (!aside[i].empty()) DeleteFileA(aside[i].c_str());
        SetFileTimeFromDos(files_[i].target.c_str(), files_[i].dosDateTime);
    }
    files_.clear();
    index_.clear();
    return true;
}
