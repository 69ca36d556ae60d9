#pragma once
// Reads a whole disk file into one malloc buffer with a NUL byte after the
// data (so an empty file gives a valid, empty buffer).
#include <cstdint>

namespace Nuvex {

class WholeFileReader {
public:
    WholeFileReader() = default;
    ~WholeFileReader();
    WholeFileReader(const WholeFileReader&) = delete;
    WholeFileReader& operator=(const WholeFileReader&) = delete;

    // The file's bytes, or null when it could not be opened (Opened() false)
    // or read whole. Refused (null) when this reader already holds a buffer.
    // size (may be null) receives the byte count on success.
    const uint8_t* ReadAll(const char* path, uint32_t* size);
    bool Opened() const { return opened_; }
    // Hands the buffer to the caller, who frees it with free().
    void* Detach();
    void Release();

private:
    uint8_t* buffer_ = nullptr;
    bool opened_ = false;
};

}   // namespace Nuvex
