#pragma once
// Whether a local file is the one an update list names: present, of the
// listed size, with the listed MD5 (32 lower-case hex digits of the file's
// bytes). The size is compared first, so a file of another size is never
// hashed; a folder or a file that can't be read never matches.
#include <cstdint>
#include <functional>
#include <string>

// `ignoreHexCase`: the listed digest's hex digits may be upper case. The
// update check compares byte for byte (an upper-case digest always counts as
// changed there); the verification of an install accepts either case.
// `keepRunning`, when given, is asked once per block: a stop ends the check
// as a mismatch.
bool LocalFileMatches(const std::string& path, int32_t size, const std::string& md5,
                      bool ignoreHexCase, const std::function<bool()>& keepRunning = nullptr);
// Whether two hex digests are the same, whatever the case of their digits.
bool EqualIgnoringHexCase(const std::string& a, const std::string& b);
