#include "update/UpdatePaths.h"

#include "update/support/DbcsText.h"

namespace updatepaths {

bool JoinUnderRoot(const std::string& root, const std::string& relative, std::string* full) {
    if (root.empty()) return false;
    // Ends the root with exactly one separator, unless its last byte is the
    // trail byte of a double-byte character.
    std::string out = root;
    const bool endsWithSeparator = dbcs::EndsWith(out, '\\');
    std::string rest = relative;
    if (rest.compare(0, 2, ".\\") == 0) rest.erase(0, 2);
    if (!rest.empty()) {
        if (!endsWithSeparator) out += '\\';
        out += rest;
    } else if (endsWithSeparator && out.size() > 3) {
        out.pop_back();   // "C:\dir\" names the folder as "C:\dir"; "C:\" stays
    }
    if (out.size() > kMaxPath) return false;
    *full = out;
    return true;
}

}   // namespace updatepaths
