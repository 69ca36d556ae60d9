#include "update/InstallCheck.h"

#include "update/support/FileHandle.h"
#include "update/support/Md5Digest.h"

#include <windows.h>

namespace {

// The digest of the whole file when it holds exactly `size` bytes, else "".
// The length is found by reading, not asked for: under wine every size query
// is one more round trip, which costs as much as reading a small file.
std::string DigestIfSized(HANDLE file, uint64_t size, const std::function<bool()>& keepRunning) {
    const DWORD kChunk = 64 * 1024;
    unsigned char
        chunk[kChunk];   // on the stack: a fresh large block per file costs more than its reads
    Md5Context context;
    Md5Digest::Init(&context);
    // Asking for one byte more than the listed size remains shows a longer
    // file; a read that returns less than asked has reached the end (a short
    // read anywhere else only makes the file count as changed).
    uint64_t total = 0;
    for (;;) {
        const uint64_t remains = size - total + 1;
        const DWORD want = remains < kChunk ? DWORD(remains) : kChunk;
        DWORD got = 0;
        if (keepRunning && !keepRunning()) return std::string();
        if (!ReadFile(file, chunk, want, &got, nullptr)) return std::string();
        total += got;
        if (total > size) return std::string();   // longer than listed
        Md5Digest::Update(&context, chunk, got);
        if (got < want) break;
    }
    if (total != size) return std::string();
    unsigned char digest[16];
    Md5Digest::Final(digest, &context);
    return Md5Digest::ToHex(digest);
}

}   // namespace

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

bool LocalFileMatches(const std::string& path, int32_t size, const std::string& md5,
                      bool ignoreHexCase, const std::function<bool()>& keepRunning) {
    // One open serves presence, size and digest: opening a file is the
    // costly part of checking many small ones. Sharing write and delete, a
    // file another program holds open for writing is still compared.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid() || size < 0) return false;
    const std::string hex = DigestIfSized(file.Get(), uint64_t(size), keepRunning);
    if (hex.empty()) return false;
    return ignoreHexCase ? EqualIgnoringHexCase(hex, md5) : hex == md5;
}
