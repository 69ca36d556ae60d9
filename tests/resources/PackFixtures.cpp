#include "resources/PackFixtures.h"

#include "support/TestSupport.h"

#include <minizip/unzip.h>
#include <cstring>

namespace packfixtures {

bool WriteZip(const std::string& path, std::vector<Entry> entries, const std::string& password) {
    for (Entry& e : entries) e.password = password.empty() ? nullptr : password.c_str();
    return testsupport::WriteZip(path, entries);
}

std::string Pattern(size_t n, int seed) {
    std::string out(n, '\0');
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<char>((i * 31 + seed * 7 + (i >> 5)) & 0xFF);
    return out;
}

std::string PythonPlainPack() { return testsupport::ExeFolder() + "\\python_plain.zip"; }

bool PatchCentralSize(const std::string& path, const std::string& name, uint32_t size) {
    std::string bytes;
    if (!testsupport::ReadWholeFile(path, &bytes)) return false;
    const std::string signature("PK\x01\x02", 4);
    for (size_t at = bytes.find(signature); at != std::string::npos;
         at = bytes.find(signature, at + 4)) {
        if (at + 46 > bytes.size()) break;
        uint16_t nameLength = static_cast<uint8_t>(bytes[at + 28]) |
                              static_cast<uint8_t>(bytes[at + 29]) << 8;
        if (bytes.compare(at + 46, nameLength, name) != 0 || nameLength != name.size()) continue;
        for (int i = 0; i < 4; ++i) bytes[at + 24 + i] = static_cast<char>(size >> (8 * i));
        return testsupport::WriteWholeFile(path, bytes);
    }
    return false;
}

bool CorruptFirst(const std::string& path, const std::string& pattern) {
    std::string bytes;
    if (!testsupport::ReadWholeFile(path, &bytes)) return false;
    size_t at = bytes.find(pattern);
    if (at == std::string::npos) return false;
    bytes[at] = static_cast<char>(bytes[at] ^ 0xFF);
    return testsupport::WriteWholeFile(path, bytes);
}

std::vector<std::string> ListEntries(const std::string& path) {
    std::vector<std::string> names;
    unzFile zip = unzOpen(path.c_str());
    if (!zip) return names;
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        char name[1024] = {};
        unz_file_info info;
        if (unzGetCurrentFileInfo(zip, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            break;
        names.push_back(name);
    }
    unzClose(zip);
    return names;
}

}   // namespace packfixtures
