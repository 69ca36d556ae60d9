#include "engine/resources/WholeFileReader.h"

#include <windows.h>
#include <cstdlib>

namespace Nuvex {

namespace {

struct FileHandle {
    HANDLE h;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    ~FileHandle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
};

}   // namespace

WholeFileReader::~WholeFileReader() { Release(); }

void WholeFileReader::Release() {
    free(buffer_);
    buffer_ = nullptr;
    opened_ = false;
}

void* WholeFileReader::Detach() {
    void* buffer = buffer_;
    buffer_ = nullptr;
    return buffer;
}

const uint8_t* WholeFileReader::ReadAll(const char* path, uint32_t* size) {
    if (buffer_ || !path || !*path) return nullptr;
    opened_ = false;
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_RANDOM_ACCESS | FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.h == INVALID_HANDLE_VALUE) return nullptr;
    opened_ = true;

    DWORD high = 0;
    DWORD low = GetFileSize(file.h, &high);
    // Files of 4 GB or more are not resources.
    if (low == INVALID_FILE_SIZE || high != 0) return nullptr;
    uint8_t* buffer = static_cast<uint8_t*>(malloc(static_cast<size_t>(low) + 1));
    if (!buffer) return nullptr;
    DWORD read = 0;
    if (low != 0 && (!ReadFile(file.h, buffer, low, &read, nullptr) || read != low)) {
        free(buffer);
        return nullptr;
    }
    buffer[low] = 0;
    buffer_ = buffer;
    if (size) *size = low;
    return buffer_;
}

}   // namespace Nuvex
