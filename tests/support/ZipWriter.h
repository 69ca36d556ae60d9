#pragma once
// Zip archives the tests write with minizip, entry by entry, including the
// damaged and enciphered kinds an extractor or a pack reader must refuse.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// 2019-06-15 13:45:30 as a DOS date and time: every entry's stamp.
constexpr uint32_t kZipEntryTime = (uint32_t(((2019 - 1980) << 9) | (6 << 5) | 15) << 16) |
                                   uint32_t((13 << 11) | (45 << 5) | (30 / 2));

struct ZipEntry {
    std::string name;
    std::string data;
    bool stored = false;              // method 0 instead of deflate
    bool folder = false;              // the directory attribute (else the archive one)
    const char* password = nullptr;   // enciphered with it when set
    bool badCrc = false;              // stored raw with a wrong CRC
    bool badDeflate = false;          // raw bytes that don't inflate
    std::string declared;             // when set: the size and CRC stored for `data`
    uint32_t unixMode = 0;            // the high half of the external attributes
};

// Writes the archive; false when minizip refuses.
bool WriteZip(const std::string& path, const std::vector<ZipEntry>& entries);

}   // namespace testsupport
