#pragma once
// The zip implementation of IPack over minizip: reads a pack from a file or
// from memory, or creates or extends a pack file.
#include "engine/resources/MemoryZip.h"
#include "engine/resources/Pack.h"
#include "engine/resources/ZipEntries.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

class ZipPack : public IPack {
public:
    ZipPack();
    ~ZipPack() override;   // closes whatever is still open
    ZipPack(const ZipPack&) = delete;
    ZipPack& operator=(const ZipPack&) = delete;

    void Release() override;
    bool OpenMemory(const void* data, uint32_t size, const char* password) override;
    bool Open(const char* path, const char* password, uint32_t mode) override;
    int Reserved1() override { return 1; }
    bool Close() override;
    bool Exists(const char* name) override;
    uint32_t GetCrc(const char* name) override;
    uint32_t GetSize(const char* name) override;
    int Reserved2(uint32_t, uint32_t) override { return 0; }
    uint32_t Read(const char* name, void* buffer, uint32_t bufferSize) override;
    uint32_t AddFile(const char* name, const char* path) override;
    uint32_t Write(const char* name, const void* data, uint32_t size) override;
    const char* Reserved3() override { return ""; }

    // "PackMemory" for a pack in memory, else the path given to Open.
    const char* PackName() const { return name_; }

    // The comment written into every archive this object creates or extends.
    static const char kComment[];

private:
    void SetNameAndPassword(const char* name, const char* password);
    const char* PasswordOrNull() const { return password_[0] ? password_ : nullptr; }
    const unz_file_info* Locate(const char* name);

    unz_file_info info_;
    unzFile reader_ = nullptr;
    zipFile writer_ = nullptr;
    char name_[260] = {};
    char password_[260] = {};
    // Read mode: entry key to directory position; write mode: keys written.
    Nuvex::EntryOffsets names_;
    // minizip keeps a pointer to it while a memory pack is open.
    Nuvex::MemoryBlock memory_;
};
