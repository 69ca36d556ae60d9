#pragma once
// The one rule for names that come from outside (a server's update list,
// the entries of a downloaded archive, the host's task name) before they
// become paths under an install root. Names are ANSI (double-byte code
// page) byte strings.
#include <string>

namespace safenames {

// A relative name is safe when, split on '\' and '/' (a double-byte
// character's trail byte is never a separator), it has at least one
// component, no empty, "." or ".." component, no leading separator, no ':'
// (drives, streams), no character Windows forbids in names (< > " | ? *,
// control bytes, 0x7F), no component ending in '.' or ' ' (Windows would
// drop those), and no device name (CON, NUL, COM0 to COM9, LPT0 to LPT9, ...).
bool IsSafeRelativePath(const std::string& name);

// As above, and a single component (no separator at all).
bool IsSafeNameComponent(const std::string& name);

}   // namespace safenames
