#pragma once
// One resource pack: a zip archive whose entries are found by a normalised
// name (see ZipEntries.h) and may be enciphered with the pack's password.
// Read from a file or from memory, or create/extend a pack file. Failures are
// reported by the result alone.
#include <cstdint>

// The operations stand in the interface's fixed slot order. Slots 4, 9 and
// 13 (Reserved1 to Reserved3) have no use in the module: nothing in it calls
// them, and each answers a fixed value; they are kept so that every operation
// after them keeps its slot.
class IPack {
public:
    enum OpenMode : uint32_t { ModeRead = 0, ModeCreate = 1, ModeAppend = 2 };

    virtual ~IPack() {}
    virtual void Release() = 0;
    // The data is not copied: it must stay valid while the pack is open.
    virtual bool OpenMemory(const void* data, uint32_t size, const char* password) = 0;
    virtual bool Open(const char* path, const char* password, uint32_t mode) = 0;
    virtual int Reserved1() = 0;   // returns 1
    virtual bool Close() = 0;
    virtual bool Exists(const char* name) = 0;
    virtual uint32_t GetCrc(const char* name) = 0;       // 0 when not found
    virtual uint32_t GetSize(const char* name) = 0;      // 0 when not found
    virtual int Reserved2(uint32_t a, uint32_t b) = 0;   // returns 0
    // Reads min(bufferSize, entry size) bytes; all or nothing (0).
    virtual uint32_t Read(const char* name, void* buffer, uint32_t bufferSize) = 0;
    // Both store the entry under `name` exactly as given; 0 on failure, also
    // for a name already written since the pack was opened for writing.
    virtual uint32_t AddFile(const char* name, const char* path) = 0;
    virtual uint32_t Write(const char* name, const void* data, uint32_t size) = 0;
    virtual const char* Reserved3() = 0;   // returns ""
};

// A new, closed zip pack (null when memory is short); end it with Release().
IPack* CreateZipPack();
