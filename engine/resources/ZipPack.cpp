#include "engine/resources/ZipPack.h"

#include "engine/resources/WholeFileReader.h"

#include <windows.h>
#include <zlib.h>
#include <climits>
#include <cstring>
#include <new>

const char ZipPack::kComment[] = "Fetchpane resource pack";

namespace {

void CopyBounded(char (&out)[260], const char* text) {
    size_t n = text ? strnlen(text, sizeof(out) - 1) : 0;
    if (n) memcpy(out, text, n);
    out[n] = 0;
}

zip_fileinfo EntryTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    zip_fileinfo fi = {};
    fi.tmz_date.tm_sec = now.wSecond;
    fi.tmz_date.tm_min = now.wMinute;
    fi.tmz_date.tm_hour = now.wHour;
    fi.tmz_date.tm_mday = now.wDay;
    fi.tmz_date.tm_mon = now.wMonth - 1;
    fi.tmz_date.tm_year = now.wYear;
    return fi;
}

}   // namespace

IPack* CreateZipPack() { return new (std::nothrow) ZipPack(); }

ZipPack::ZipPack() : info_() {}

ZipPack::~ZipPack() { Close(); }

void ZipPack::Release() { delete this; }

void ZipPack::SetNameAndPassword(const char* name, const char* password) {
    CopyBounded(name_, name);
    CopyBounded(password_, password);
}

bool ZipPack::OpenMemory(const void* data, uint32_t size, const char* password) {
    if (!data || size == 0) return false;
    Close();
    SetNameAndPassword("PackMemory", password);
    memory_.data = static_cast<const uint8_t*>(data);
    memory_.size = size;
    reader_ = Nuvex::OpenZipInMemory(&memory_);
    if (!reader_) memory_ = Nuvex::MemoryBlock();
    return reader_ != nullptr;
}

bool ZipPack::Open(const char* path, const char* password, uint32_t mode) {
    if (!path || !*path) return false;
    Close();
    SetNameAndPassword(path, password);
    switch (mode) {
    case ModeRead: reader_ = unzOpen(name_); return reader_ != nullptr;
    case ModeCreate: writer_ = zipOpen(name_, APPEND_STATUS_CREATE); return writer_ != nullptr;
    case ModeAppend: writer_ = zipOpen(name_, APPEND_STATUS_ADDINZIP); return writer_ != nullptr;
    default: return false;
    }
}

bool ZipPack::Close() {
    bool closed = false;
    if (writer_) {
        closed = zipClose(writer_, kComment) == ZIP_OK;
        writer_ = nullptr;
    } else if (reader_) {
        closed = unzClose(reader_) == UNZ_OK;
        reader_ = nullptr;
    }
    memory_ = Nuvex::MemoryBlock();
    names_.clear();
    return closed;
}

const unz_file_info* ZipPack::Locate(const char* name) {
    if (!reader_ || !name || !*name) return nullptr;
    unz_file_info found;
    if (!Nuvex::GoToEntry(reader_, names_, Nuvex::MakeEntryKey(name), &found)) return nullptr;
    if (unzOpenCurrentFilePassword(reader_, PasswordOrNull()) != UNZ_OK) return nullptr;
    unzCloseCurrentFile(reader_);
    info_ = found;
    return &info_;
}

bool ZipPack::Exists(const char* name) { return Locate(name) != nullptr; }

uint32_t ZipPack::GetCrc(const char* name) {
    const unz_file_info* info = Locate(name);
    return info ? static_cast<uint32_t>(info->crc) : 0;
}

uint32_t ZipPack::GetSize(const char* name) {
    const unz_file_info* info = Locate(name);
    return info ? static_cast<uint32_t>(info->uncompressed_size) : 0;
}

uint32_t ZipPack::Read(const char* name, void* buffer, uint32_t bufferSize) {
    if (!reader_ || !name || !*name || !buffer || bufferSize == 0) return 0;
    unz_file_info found;
    if (!Nuvex::GoToEntry(reader_, names_, Nuvex::MakeEntryKey(name), &found)) return 0;
    if (unzOpenCurrentFilePassword(reader_, PasswordOrNull()) != UNZ_OK) return 0;
    uint32_t entrySize = static_cast<uint32_t>(found.uncompressed_size);
    uint32_t count = bufferSize < entrySize ? bufferSize : entrySize;
    int got = count <= INT_MAX ? unzReadCurrentFile(reader_, buffer, count) : -1;
    // Closing checks the CRC once the whole entry was read; a wrong password
    // on a stored entry shows up only there.
    int closed = unzCloseCurrentFile(reader_);
    if (got < 0 || static_cast<uint32_t>(got) != count) return 0;
    if (count == entrySize && closed != UNZ_OK) return 0;
    return count;
}

uint32_t ZipPack::Write(const char* name, const void* data, uint32_t size) {
    if (!writer_ || !name || !*name || !data || size == 0) return 0;
    // A name the reader could never match is not stored.
    if (strnlen(name, Nuvex::kMaxEntryNameBytes + 1) > Nuvex::kMaxEntryNameBytes) return 0;
    std::string key = Nuvex::MakeEntryKey(name);
    if (names_.count(key)) return 0;

    uLong crc = crc32(0, static_cast<const Bytef*>(data), size);
    zip_fileinfo fi = EntryTimeNow();
    if (zipOpenNewFileInZip3(writer_, name, &fi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                             Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                             PasswordOrNull(), crc) != ZIP_OK)
        return 0;
    // The name counts as written even when its data fails, so no second,
    // half-written entry of it can follow.
    names_.emplace(key, size);
    int written = zipWriteInFileInZip(writer_, data, size);
    int closed = zipCloseFileInZip(writer_);
    return written == ZIP_OK && closed == ZIP_OK ? size : 0;
}

uint32_t ZipPack::AddFile(const char* name, const char* path) {
    if (!writer_ || !name || !*name || !path || !*path) return 0;
    Nuvex::WholeFileReader file;
    uint32_t size = 0;
    const uint8_t* data = file.ReadAll(path, &size);
    if (!data || size == 0) return 0;
    return Write(name, data, size);
}
