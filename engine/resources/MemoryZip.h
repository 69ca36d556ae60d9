#pragma once
// Lets minizip read an archive held in memory, through its file-function
// table. The data is not copied.
#include <minizip/ioapi.h>
#include <minizip/unzip.h>
#include <cstdint>

namespace Nuvex {

// The block an archive is read from. It is the table's opaque pointer, so it
// (and the data) must outlive the unzFile opened over it.
struct MemoryBlock {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
};

// Fills `table` with the memory file functions over `block`. Opening refuses
// a file name and any mode with the write bit; reads never go past the end.
void FillMemoryFileFunctions(zlib_filefunc_def* table, MemoryBlock* block);

// Opens the archive in `block`; null for no data or a broken archive.
unzFile OpenZipInMemory(MemoryBlock* block);

}   // namespace Nuvex
