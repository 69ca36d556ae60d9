#pragma once
// The files below a folder at one moment: what the demo compares before
// and after an update, and how it watches archives arrive.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

namespace panelhost {

struct FileState {
    uint64_t size = 0;
    FILETIME written = {};
};

// Every file below `folder`, by its path relative to it ("data\maps.pak");
// empty when the folder does not exist.
using FolderSnapshot = std::map<std::string, FileState>;
FolderSnapshot TakeSnapshot(const std::string& folder);

// The sizes of every file below `folder`, added up.
uint64_t TotalSize(const FolderSnapshot& files);

// "new", "replaced" or "kept" for a file of `after`, judged against `before`.
const char* Change(const FolderSnapshot& before, const std::string& path, const FileState& now);

}   // namespace panelhost
