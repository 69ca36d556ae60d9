#pragma once
// The one entry-name rule shared by the pack object and the file loader, and
// the directory walk both use to find an entry by that rule.
#include <minizip/unzip.h>
#include <cstdint>
#include <map>
#include <string>

namespace Nuvex {

// Entry names (and pack paths) compare as keys: cut to their first 259
// bytes, every '/' turned into '\', ASCII letters upper-cased. The key is
// for comparison only; nothing is ever opened by it.
std::string MakeEntryKey(const char* name);

// The longest entry name a pack may hold; longer names are refused: never
// matched, cached or written.
constexpr uint32_t kMaxEntryNameBytes = 259;

// Entry key to its directory position (unzGetOffset), filled as walks pass
// entries.
using EntryOffsets = std::map<std::string, uint32_t>;

// Makes the entry with key `key` the current entry of `zip`: a cached
// position is tried first; otherwise the directory is walked from its first
// entry, caching every name passed. When the entry at a cached position
// carries another name, the file changed since: the cache is dropped and
// rebuilt by the walk. `info` (may be null) receives the entry's
// record. False when no entry has the key.
bool GoToEntry(unzFile zip, EntryOffsets& offsets, const std::string& key, unz_file_info* info);

}   // namespace Nuvex
