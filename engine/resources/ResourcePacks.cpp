#include "engine/resources/ResourcePacks.h"

#include "engine/core/Log.h"
#include "engine/core/WorkPath.h"
#include "engine/resources/WholeFileReader.h"
#include "engine/resources/ZipEntries.h"

#include <minizip/unzip.h>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>
#include <string>

namespace Nuvex {

namespace {

// Pack paths longer than this are refused at attach: the record could not
// hold them.
constexpr size_t kMaxPackPath = 255;
constexpr size_t kMaxPassword = 255;

struct PackRecord {
    std::string path;        // full path in its own case, used to open the file
    std::string key;         // upper-cased full path, used to compare
    std::string password;    // "" = entries not enciphered
    unzFile zip = nullptr;   // null while kept closed
    EntryOffsets entryOffsets;

    PackRecord() = default;
    ~PackRecord() {
        if (zip) unzClose(zip);
    }
    PackRecord(const PackRecord&) = delete;
    PackRecord& operator=(const PackRecord&) = delete;
};

// Attach order; lives for the whole process.
std::list<std::unique_ptr<PackRecord>>& PackList() {
    static std::list<std::unique_ptr<PackRecord>> packs;
    return packs;
}

bool IsAbsoluteName(const char* name) {
    return name[0] == '\\' || name[0] == '/' || (name[0] && name[1] == ':');
}

// Full path of a name against the work folder; "" when it does not fit
// (MakeAbsolutePath refuses rather than cuts: a cut path could name another
// file).
std::string FullPath(const char* name) {
    char out[260] = {};
    MakeAbsolutePath(name, out, 259);
    return out;
}

std::list<std::unique_ptr<PackRecord>>::iterator FindPack(const std::string& key) {
    auto& packs = PackList();
    for (auto it = packs.begin(); it != packs.end(); ++it)
        if ((*it)->key == key) return it;
    return packs.end();
}

struct TemporaryZip {
    unzFile zip = nullptr;
    ~TemporaryZip() {
        if (zip) unzClose(zip);
    }
};

struct MallocBuffer {
    void* data = nullptr;
    ~MallocBuffer() { free(data); }
    void* Detach() {
        void* d = data;
        data = nullptr;
        return d;
    }
};

// The first read's room; each later one doubles what came before.
constexpr uint32_t kFirstReadBytes = 64 * 1024;

// Reads `size` bytes of the open entry into a buffer (one byte more for the
// NUL) that grows with what its data yields, never from the size its header
// claims alone: a header claiming far more than its data holds costs only
// what the data fills. False when the data ends early or memory runs out.
bool ReadGrowing(unzFile zip, uint32_t size, MallocBuffer* buffer) {
    uint32_t room = size < kFirstReadBytes ? size : kFirstReadBytes;
    if (!(buffer->data = malloc(static_cast<size_t>(room) + 1))) return false;
    for (uint32_t got = 0; got < size;) {
        if (got == room) {
            room = size - room <= room ? size : room * 2;
            void* bigger = realloc(buffer->data, static_cast<size_t>(room) + 1);
            if (!bigger) return false;
            buffer->data = bigger;
        }
        const int n = unzReadCurrentFile(zip, static_cast<char*>(buffer->data) + got, room - got);
        if (n <= 0) return false;
        got += static_cast<uint32_t>(n);
    }
    return true;
}

// Reads the current entry whole; null on any failure, including a short read
// or a CRC mismatch (how a wrong password shows on a stored entry).
void* ReadCurrentEntry(unzFile zip, const unz_file_info& info, const char* password) {
    const uint32_t size = static_cast<uint32_t>(info.uncompressed_size);
    if (size > INT_MAX - 1 || unzOpenCurrentFilePassword(zip, password) != UNZ_OK) return nullptr;
    MallocBuffer buffer;
    const bool whole = ReadGrowing(zip, size, &buffer);
    const int closed = unzCloseCurrentFile(zip);
    if (!whole || closed != UNZ_OK) return nullptr;
    static_cast<char*>(buffer.data)[size] = 0;
    return buffer.Detach();
}

}   // namespace

void* LoadFile(const char* path, uint32_t* outSize, int diskOnly) {
    if (!path || !*path) return nullptr;
    std::string full = FullPath(path);
    WholeFileReader file;
    uint32_t size = 0;
    if (!full.empty() && file.ReadAll(full.c_str(), &size)) {
        if (outSize) *outSize = size;
        return file.Detach();
    }
    if (file.Opened() || IsAbsoluteName(path)) {
        WriteLog(0, "Can't load '%s' from local disk.", path);
        return nullptr;
    }
    if (diskOnly) {
        WriteLog(0, "Can't find '%s' from local disk.", path);
        return nullptr;
    }
    return LoadFileFromPacks(path, outSize, nullptr);
}

void* LoadFileFromPacks(const char* name, uint32_t* outSize, const char* packName) {
    if (!name || !*name) return nullptr;
    const std::string entry = MakeEntryKey(name);
    const bool onePack = packName && *packName;
    const std::string packKey = onePack ? MakeEntryKey(FullPath(packName).c_str()) : std::string();

    for (auto& record : PackList()) {
        if (onePack && record->key != packKey) continue;
        TemporaryZip temporary;
        unzFile zip = record->zip;
        if (!zip) zip = temporary.zip = unzOpen(record->path.c_str());
        unz_file_info info;
        if (zip && GoToEntry(zip, record->entryOffsets, entry, &info)) {
            const char* password = record->password.empty() ? nullptr : record->password.c_str();
            void* data = ReadCurrentEntry(zip, info, password);
            if (!data)
                WriteLog(0, "Can't load '%s' from packs '%s'.", entry.c_str(), record->key.c_str());
            if (outSize) *outSize = data ? static_cast<uint32_t>(info.uncompressed_size) : 0;
            return data;
        }
        if (onePack) break;
    }
    if (onePack)
        WriteLog(0, "Can't find '%s' from packs '%s'.", entry.c_str(), packKey.c_str());
    else
        WriteLog(0, "Can't find '%s' from all packs.", entry.c_str());
    return nullptr;
}

int AttachPack(const char* path, const char* password, int closeAfterOpen) {
    if (!path || !*path) return 0;
    std::string full = FullPath(path);
    if (full.empty() || full.size() > kMaxPackPath) return 0;
    std::string key = MakeEntryKey(full.c_str());
    if (FindPack(key) != PackList().end()) return 0;

    auto record = std::make_unique<PackRecord>();
    record->zip = unzOpen(full.c_str());
    if (!record->zip) return 0;
    if (closeAfterOpen) {
        unzClose(record->zip);
        record->zip = nullptr;
    }
    record->path = full;
    record->key = key;
    if (password) record->password.assign(password, strnlen(password, kMaxPassword));
    PackList().push_back(std::move(record));
    return 1;
}

int DetachPack(const char* path, int removeRecord) {
    if (!path || !*path) return 0;
    std::string full = FullPath(path);
    if (full.empty()) return 0;
    auto it = FindPack(MakeEntryKey(full.c_str()));
    if (it == PackList().end()) return 0;
    if ((*it)->zip) {
        unzClose((*it)->zip);
        (*it)->zip = nullptr;
    }
    if (removeRecord) PackList().erase(it);
    return 1;
}

int DetachAllPacks() {
    PackList().clear();
    return 1;
}

int AttachedPackCount() { return static_cast<int>(PackList().size()); }

}   // namespace Nuvex
