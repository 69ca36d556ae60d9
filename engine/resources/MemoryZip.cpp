#include "engine/resources/MemoryZip.h"

#include <cstring>
#include <new>

namespace Nuvex {

namespace {

struct MemoryStream {
    const uint8_t* data;
    uint32_t size;
    int mode;
    uint32_t position;
};

voidpf ZCALLBACK MemoryOpen(voidpf opaque, const char* filename, int mode) {
    auto* block = static_cast<MemoryBlock*>(opaque);
    if (!block || filename || !(mode & ZLIB_FILEFUNC_MODE_READ) ||
        (mode & ZLIB_FILEFUNC_MODE_WRITE))
        return nullptr;
    return new (std::nothrow) MemoryStream{block->data, block->size, mode, 0};
}

uLong ZCALLBACK MemoryRead(voidpf, voidpf stream, void* buf, uLong size) {
    auto* s = static_cast<MemoryStream*>(stream);
    if (!s || !buf || s->position >= s->size) return 0;
    uint32_t count = s->size - s->position;
    if (size < count) count = static_cast<uint32_t>(size);
    memcpy(buf, s->data + s->position, count);
    s->position += count;
    return count;
}

uLong ZCALLBACK MemoryWrite(voidpf, voidpf, const void*, uLong) { return 0; }

long ZCALLBACK MemoryTell(voidpf, voidpf stream) {
    auto* s = static_cast<MemoryStream*>(stream);
    return s ? static_cast<long>(s->position) : -1;
}

// Positions past the end are accepted; reads from there yield nothing.
long ZCALLBACK MemorySeek(voidpf, voidpf stream, uLong offset, int origin) {
    auto* s = static_cast<MemoryStream*>(stream);
    if (!s) return -1;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: s->position = static_cast<uint32_t>(offset); return 0;
    case ZLIB_FILEFUNC_SEEK_CUR: s->position += static_cast<uint32_t>(offset); return 0;
    case ZLIB_FILEFUNC_SEEK_END: s->position = s->size + static_cast<uint32_t>(offset); return 0;
    default: return -1;
    }
}

int ZCALLBACK MemoryClose(voidpf, voidpf stream) {
    delete static_cast<MemoryStream*>(stream);
    return 0;
}

int ZCALLBACK MemoryError(voidpf, voidpf) { return 0; }

}   // namespace

void FillMemoryFileFunctions(zlib_filefunc_def* table, MemoryBlock* block) {
    table->zopen_file = MemoryOpen;
    table->zread_file = MemoryRead;
    table->zwrite_file = MemoryWrite;
    table->ztell_file = MemoryTell;
    table->zseek_file = MemorySeek;
    table->zclose_file = MemoryClose;
    table->zerror_file = MemoryError;
    table->opaque = block;
}

unzFile OpenZipInMemory(MemoryBlock* block) {
    if (!block || !block->data || block->size == 0) return nullptr;
    zlib_filefunc_def table;
    FillMemoryFileFunctions(&table, block);
    return unzOpen2(nullptr, &table);
}

}   // namespace Nuvex
