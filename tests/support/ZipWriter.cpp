#include "support/ZipWriter.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <cstring>

namespace testsupport {

bool WriteZip(const std::string& path, const std::vector<ZipEntry>& entries) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    bool ok = true;
    for (const ZipEntry& e : entries) {
        zip_fileinfo info;
        std::memset(&info, 0, sizeof info);
        info.dosDate = kZipEntryTime;
        info.external_fa = (e.folder ? 0x10 : 0x20) | (uLong(e.unixMode) << 16);
        const std::string& described = e.declared.empty() ? e.data : e.declared;
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(described.data()),
                          uInt(described.size()));
        bool raw = e.badCrc || e.badDeflate || !e.declared.empty();
        int method = (e.stored || e.badCrc) ? 0 : Z_DEFLATED;
        if (zipOpenNewFileInZip3(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 method, Z_DEFAULT_COMPRESSION, raw ? 1 : 0, -MAX_WBITS,
                                 DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, e.password,
                                 e.password ? crc : 0) != ZIP_OK) {
            ok = false;
            break;
        }
        if (!e.data.empty())
            ok = ok && zipWriteInFileInZip(zip, e.data.data(), unsigned(e.data.size())) == ZIP_OK;
        if (raw)
            ok = ok &&
                 zipCloseFileInZipRaw(zip, described.size(), e.badCrc ? crc ^ 0x1 : crc) == ZIP_OK;
        else
            ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

}   // namespace testsupport
