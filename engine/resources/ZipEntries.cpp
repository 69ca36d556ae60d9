#include "engine/resources/ZipEntries.h"

#include <cstring>

namespace Nuvex {

std::string MakeEntryKey(const char* name) {
    if (!name) return std::string();
    std::string key(name, strnlen(name, kMaxEntryNameBytes));
    for (char& c : key) {
        if (c == '/')
            c = '\\';
        else if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

namespace {

// Reads the current entry's record and name; false at a broken header. The
// name is empty when it is too long to be an entry name: such an entry can
// never be found.
bool ReadCurrentEntry(unzFile zip, unz_file_info* info, std::string* key) {
    // One byte more than minizip is allowed to fill, so a name of the full
    // capacity is still terminated.
    char name[kMaxEntryNameBytes + 2] = {};
    *info = unz_file_info();
    if (unzGetCurrentFileInfo(zip, info, name, kMaxEntryNameBytes + 1, nullptr, 0, nullptr, 0) !=
        UNZ_OK)
        return false;
    if (info->size_filename > kMaxEntryNameBytes)
        key->clear();
    else
        *key = MakeEntryKey(name);
    return true;
}

bool WalkFromFirst(unzFile zip, EntryOffsets& offsets, const std::string& key,
                   unz_file_info* info) {
    if (unzGoToFirstFile(zip) != UNZ_OK) return false;
    std::string current;
    for (;;) {
        if (!ReadCurrentEntry(zip, info, &current)) return false;
        if (!current.empty()) {
            offsets.emplace(current, static_cast<uint32_t>(unzGetOffset(zip)));
            if (current == key) return true;
        }
        if (unzGoToNextFile(zip) != UNZ_OK) return false;
    }
}

}   // namespace

bool GoToEntry(unzFile zip, EntryOffsets& offsets, const std::string& key, unz_file_info* info) {
    if (!zip || key.empty()) return false;
    unz_file_info scratch;
    if (!info) info = &scratch;
    auto cached = offsets.find(key);
    if (cached != offsets.end()) {
        std::string current;
        if (unzSetOffset(zip, cached->second) == UNZ_OK && ReadCurrentEntry(zip, info, &current) &&
            current == key)
            return true;
        // The archive is not the one the positions were taken from.
        offsets.clear();
    }
    return WalkFromFirst(zip, offsets, key, info);
}

}   // namespace Nuvex
