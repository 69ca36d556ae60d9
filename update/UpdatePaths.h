#pragma once
// The one rule for names that come from outside (a server's update list,
// the host's task name) before they become paths under an install root.
// Names are ANSI (double-byte code page) byte strings.
#include <string>

namespace updatepaths {

// Longest full path (characters before the terminator).
const size_t kMaxPath = 259;

// A relative name is safe when, split on '\' and '/' (a double-byte
// character's trail byte is never a separator), it has at least one
// component, no empty, "." or ".." component, no leading separator, no ':'
// (drives, streams), no character Windows forbids in names (< > " | ? *,
// control bytes), no component ending in '.' or ' ' (Windows would drop
// those), and no device name (CON, NUL, COM1, ...).
bool IsSafeRelativePath(const std::string& name);

// As above, and a single component (no separator at all).
bool IsSafeNameComponent(const std::string& name);

// root + '\' + relative into *full; false when the result would not fit in
// kMaxPath characters (a path is refused, never cut). `root` is a full
// folder path, with or without a trailing '\'; a leading ".\" on `relative`
// is dropped; an empty relative gives the root itself.
bool JoinUnderRoot(const std::string& root, const std::string& relative, std::string* full);

}  // namespace updatepaths
