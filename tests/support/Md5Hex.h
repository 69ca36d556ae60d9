#pragma once
// The MD5 of bytes in memory as an update list writes it, for the test
// programs that link the update support library.
#include "update/support/Md5Digest.h"

#include <string>

namespace testsupport {

inline std::string Md5Hex(const std::string& bytes) {
    Md5Context context;
    Md5Digest::Init(&context);
    Md5Digest::Update(&context, bytes.data(), uint32_t(bytes.size()));
    unsigned char digest[16];
    Md5Digest::Final(digest, &context);
    return Md5Digest::ToHex(digest);
}

}   // namespace testsupport
