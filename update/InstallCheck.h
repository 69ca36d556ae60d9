#pragma once
// Whether a local file is the one an update list names: present, of the
// listed size, with the listed MD5 (32 lower-case hex digits of the file's
// bytes). The size is compared first, so a file of another size is never
// hashed; a folder or a file that can't be read never matches.
#include <cstdint>
#include <string>

// `ignoreHexCase`: the listed digest's hex digits may be upper case. The
// update check compares byte for byte (an upper-case digest always counts as
// changed there); the verification of an install accepts either case.
bool LocalFileMatches(const std::string& path, int32_t size, const std::string& md5,
                      bool ignoreHexCase);
