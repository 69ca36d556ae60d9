#include "update/support/SafeNames.h"

#include "update/support/DbcsText.h"

#include <cstring>
#include <vector>

namespace safenames {
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

// Device names Windows maps in any folder, with any extension.
bool IsDeviceName(const std::string& component) {
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    std::string base = component.substr(0, component.find('.'));
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    for (const char* device : kDevices)
        if (base == device) return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '0' && base[3] <= '9';
}

bool IsSafeComponent(const std::string& component) {
    if (component.empty() || component == "." || component == "..") return false;
    // A trail byte is part of a character, never a forbidden one (GBK trail
    // bytes are 0x40 and above, so the last byte tells a trailing '.' or ' ').
    const char last = component.back();
    if (last == '.' || last == ' ') return false;
    for (size_t i = 0, n = 0; i < component.size(); i += n) {
        n = dbcs::CharLength(component, i);
        const unsigned char c = static_cast<unsigned char>(component[i]);
        if (n == 1 && (c < 0x20 || c == 0x7F || std::strchr(":<>\"|?*", c))) return false;
    }
    return !IsDeviceName(component);
}

}   // namespace

bool IsSafeRelativePath(const std::string& name) {
    if (name.empty()) return false;
    bool leading = false;
    for (const std::string& part : SplitComponents(name, &leading))
        if (leading || !IsSafeComponent(part)) return false;
    return true;
}

bool IsSafeNameComponent(const std::string& name) {
    bool leading = false;
    return IsSafeRelativePath(name) && SplitComponents(name, &leading).size() == 1;
}

}   // namespace safenames
