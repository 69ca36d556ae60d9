#pragma once
// Paths under an install root, built only from names that passed the one
// safe-name rule (update/support/SafeNames.h).
#include "update/support/SafeNames.h"

#include <string>

namespace updatepaths {

// Longest full path (characters before the terminator).
const size_t kMaxPath = 259;

using safenames::IsSafeNameComponent;
using safenames::IsSafeRelativePath;

// root + '\' + relative into *full; false when the result would not fit in
// kMaxPath characters (a path is refused, never cut). `root` is a full
// folder path, with or without a trailing '\'; a leading ".\" on `relative`
// is dropped; an empty relative gives the root itself.
bool JoinUnderRoot(const std::string& root, const std::string& relative, std::string* full);

}   // namespace updatepaths
