#pragma once
// MD5 message digests (RFC 1321), for comparing installed files with the
// 32-digit texts of an update list.
#include <cstdint>
#include <functional>
#include <string>

struct Md5Context {
    uint32_t state[4];
    uint32_t count[2];   // bits, low word first
    unsigned char buffer[64];
};

class Md5Digest {
public:
    virtual ~Md5Digest() = default;

    static void Init(Md5Context* context);
    static void Transform(Md5Context* context, const unsigned char block[64]);
    static void Update(Md5Context* context, const void* bytes, uint32_t count);
    // Writes the digest and clears the context.
    static void Final(unsigned char digest[16], Md5Context* context);

    // 32 lower-case hex digits of the file's digest; "" when the file can't
    // be opened or read to its end, or when `keepRunning` (asked once per
    // block) answers false.
    std::string FileMd5Hex(const std::string& path) const { return FileMd5Hex(path, nullptr); }
    std::string FileMd5Hex(const std::string& path, const std::function<bool()>& keepRunning) const;
    static std::string ToHex(const unsigned char digest[16]);
};
