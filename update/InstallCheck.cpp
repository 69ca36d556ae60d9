#include "update/InstallCheck.h"

#include "update/support/Md5Digest.h"

#include <windows.h>


namespace {

bool EqualIgnoringHexCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'F') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'F') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// The digest of the file's first `size` bytes, read through the handle that
// gave the size; "" when they can't all be read.
std::string DigestOf(HANDLE file, uint64_t size) {
    const DWORD kChunk = 64 * 1024;
    unsigned char chunk[kChunk];    // on the stack: a fresh large block per file costs more than its reads
    Md5Context context;
    Md5Digest::Init(&context);
    uint64_t left = size;
    while (left > 0) {
        DWORD want = left < kChunk ? DWORD(left) : kChunk;
        DWORD got = 0;
        if (!ReadFile(file, chunk, want, &got, nullptr) || got == 0) return std::string();
        Md5Digest::Update(&context, chunk, got);
        left -= got;
    }
    unsigned char digest[16];
    Md5Digest::Final(digest, &context);
    return Md5Digest::ToHex(digest);
}

}  // namespace

bool LocalFileMatches(const std::string& path, int32_t size, const std::string& md5,
                      bool ignoreHexCase) {
    // One open serves presence, size and digest: opening a file is the
    // costly part of checking many small ones.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.IsOpen()) return false;
    LARGE_INTEGER actual;
    if (!GetFileSizeEx(file.Get(), &actual)) return false;
    if (size < 0 || uint64_t(actual.QuadPart) != uint64_t(size)) return false;
    const std::string hex = DigestOf(file.Get(), uint64_t(size));
    if (hex.empty()) return false;
    return ignoreHexCase ? EqualIgnoringHexCase(hex, md5) : hex == md5;
}
