#include "update/UpdatePaths.h"

#include "update/support/DbcsText.h"

#include <cstring>
#include <vector>

namespace updatepaths {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Splits on single-byte separators; *leading is set when the name starts
// with one.
std::vector<std::string> SplitComponents(const std::string& name, bool* leading) {
    std::vector<std::string> parts(1);
    *leading = !name.empty() && IsSeparator(name[0]);
    for (size_t i = 0; i < name.size();) {
        const size_t n = dbcs::CharLength(name, i);
        if (n == 1 && IsSeparator(name[i]))
            parts.emplace_back();
        else
            parts.back().append(name, i, n);
        i += n;
    }
    return parts;
}

bool IsDeviceName(const std::string& component) {
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    std::string base = component.substr(0, component.find('.'));
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    for (const char* device : kDevices)
        if (base == device) return true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
        base[3] >= '0' && base[3] <= '9')
        return true;
    return false;
}

bool IsSafeComponent(const std::string& component) {
    if (component.empty() || component == "." || component == "..") return false;
    char last = component.back();
    if (last == '.' || last == ' ') return false;
    // A trail byte is part of a character, never a forbidden one.
    for (size_t i = 0, n = 0; i < component.size(); i += n) {
        n = dbcs::CharLength(component, i);
        unsigned char c = static_cast<unsigned char>(component[i]);
        if (n == 1 && (c < 0x20 || c == 0x7F || std::strchr(":<>\"|?*", c))) return false;
    }
    return !IsDeviceName(component);
}

}  // namespace

bool IsSafeRelativePath(const std::string& name) {
    if (name.empty()) return false;
    bool leading = false;
    std::vector<std::string> parts = SplitComponents(name, &leading);
    if (leading) return false;
    for (const std::string& part : parts)
        if (!IsSafeComponent(part)) return false;
    return true;
}

bool IsSafeNameComponent(const std::string& name) {
    bool leading = false;
    return IsSafeRelativePath(name) && SplitComponents(name, &leading).size() == 1;
}

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
        out.pop_back();     // "C:\dir\" names the folder as "C:\dir"; "C:\" stays
    }
    if (out.size() > kMaxPath) return false;
    *full = out;
    return true;
}

}  // namespace updatepaths
