#include "update/support/ZipExtractor.h"

#include "update/support/DbcsText.h"
#include "update/support/FileHandle.h"
#include "update/support/FileUtils.h"
#include "update/support/Md5Digest.h"
#include "update/support/SafeNames.h"

#include <windows.h>
#include <shlwapi.h>
#include <minizip/unzip.h>

#include <cstring>
#include <vector>

namespace {

const uint32_t kDirectoryAttribute = 0x10;
const uint32_t kEncryptedFlag = 0x1;

unzFile Archive(void* archive) { return static_cast<unzFile>(archive); }

// An entry name stays inside the target folder; a folder entry may end in
// one separator.
bool IsSafeEntryName(std::string name, bool isFolder) {
    if (isFolder && (dbcs::EndsWith(name, '\\') || dbcs::EndsWith(name, '/'))) name.pop_back();
    return safenames::IsSafeRelativePath(name);
}

// A symbolic link as Unix zip tools store it: the file type in the high half
// of the external attributes. Unpacked here it would become a file holding
// the link's target text.
bool IsLink(const ZipEntryInfo& info) {
    const uint32_t kTypeMask = 0170000, kLink = 0120000;
    return ((info.externalAttributes >> 16) & kTypeMask) == kLink;
}

// folder + '\' (unless it ends in a separator) + name; false when the
// result would not fit.
bool JoinPath(const std::string& folder, const std::string& name, std::string* out) {
    std::string path = folder;
    if (!path.empty() && !dbcs::EndsWith(path, '\\') && !dbcs::EndsWith(path, '/')) path += '\\';
    path += name;
    if (path.size() > kMaxFilePathChars) return false;
    *out = path;
    return true;
}

// Position just past the last separator of a path (0 when none).
size_t NameStart(const std::string& path) {
    size_t back = dbcs::FindLast(path, '\\');
    size_t slash = dbcs::FindLast(path, '/');
    size_t last = back == std::string::npos    ? slash
                  : slash == std::string::npos ? back
                                               : (back > slash ? back : slash);
    return last == std::string::npos ? 0 : last + 1;
}

// The extension of the path's last component, without its dot; "" when none.
std::string ExtensionOf(const std::string& path) {
    std::string name = path.substr(NameStart(path));
    size_t dot = dbcs::FindLast(name, '.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

}   // namespace

ZipExtractor::ZipExtractor() = default;

ZipExtractor::~ZipExtractor() { Close(); }

void ZipExtractor::Close() {
    if (archive_) {
        unzCloseCurrentFile(Archive(archive_));
        unzClose(Archive(archive_));
    }
    archive_ = nullptr;
    defaultFolder_.clear();
}

bool ZipExtractor::Open(const char* path) {
    Close();
    if (!path || !path[0]) return false;
    char full[MAX_PATH] = {};
    DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return false;   // too long: the size it would need
    archive_ = unzOpen(full);
    if (!archive_) return false;
    std::string fullPath(full, length);
    size_t nameStart = NameStart(fullPath);
    size_t dot = dbcs::FindLast(fullPath.substr(nameStart), '.');
    defaultFolder_ = dot == std::string::npos ? fullPath : fullPath.substr(0, nameStart + dot);
    return true;
}

uint32_t ZipExtractor::EntryCount() const {
    if (!archive_) return 0;
    unz_global_info global;
    if (unzGetGlobalInfo(Archive(archive_), &global) != UNZ_OK) return 0;
    return static_cast<uint32_t>(global.number_entry);
}

bool ZipExtractor::EntryInfo(ZipEntryInfo* info) const {
    if (!archive_ || !info) return false;
    std::memset(info, 0, sizeof *info);
    unz_file_info stored;
    if (unzGetCurrentFileInfo(Archive(archive_), &stored, info->name, 260, nullptr, 0,
                              info->comment, 255) != UNZ_OK)
        return false;
    info->versionMadeBy = stored.version;
    info->versionNeeded = stored.version_needed;
    info->flags = stored.flag;
    info->compressionMethod = stored.compression_method;
    info->dosDateTime = stored.dosDate;
    info->crc = stored.crc;
    info->compressedSize = stored.compressed_size;
    info->uncompressedSize = stored.uncompressed_size;
    info->internalAttributes = stored.internal_fa;
    info->externalAttributes = stored.external_fa;
    info->nameCut = stored.size_filename > 260;
    for (char* p = info->name; *p; ++p)
        if (*p == '/') *p = '\\';   // '/' is never a double-byte trail byte
    std::string name(info->name);
    info->isFolder = (stored.external_fa & kDirectoryAttribute) != 0 ||
                     (!name.empty() && dbcs::EndsWith(name, '\\'));
    return true;
}

bool ZipExtractor::FindEntry(const char* extension) {
    if (!archive_) return false;
    if (!extension || !extension[0]) return unzGoToNextFile(Archive(archive_)) == UNZ_OK;
    for (;;) {
        if (unzGoToNextFile(Archive(archive_)) != UNZ_OK) return false;
        ZipEntryInfo info;
        if (!EntryInfo(&info)) return false;
        std::string found = ExtensionOf(info.name);
        if (!found.empty() && lstrcmpiA(found.c_str(), extension) == 0) return true;
    }
}

bool ZipExtractor::EntryTarget(const char* folder, bool flatten, ZipEntryInfo* info,
                               std::string* target) const {
    if (!EntryInfo(info)) return false;
    // A cut name could name another file; an unsafe one a file elsewhere.
    if (info->nameCut || !IsSafeEntryName(info->name, info->isFolder) || IsLink(*info))
        return false;
    std::string name = info->name;
    if (info->isFolder && dbcs::EndsWith(name, '\\')) name.pop_back();
    if (!info->isFolder && flatten) name = name.substr(NameStart(name));
    return JoinPath(folder ? folder : defaultFolder_, name, target);
}

bool ZipExtractor::ExtractEntry(const char* folder, char* outputPath, bool flatten, bool addSuffix,
                                const char* suffix) {
    if (!archive_) return false;
    if (!EnsureFolder(folder ? folder : defaultFolder_.c_str())) return false;

    ZipEntryInfo info;
    std::string path;
    if (!EntryTarget(folder, flatten, &info, &path)) return false;
    if (info.isFolder) return EnsureFolder(path.c_str());
    if (outputPath) {
        std::memcpy(outputPath, path.c_str(), path.size() + 1);   // fits: at most 259 characters
    }
    if (addSuffix) path += suffix ? suffix : ".tmp";
    if (path.size() > kMaxFilePathChars) return false;
    StagedFile file;
    StagedFiles staged;
    if (!StageFile(info, path, &file)) return false;
    staged.Add(file);
    return staged.Commit();
}

bool ZipExtractor::StageFile(const ZipEntryInfo& info, const std::string& target,
                             StagedFile* staged) {
    // An encrypted entry read without its password is ciphertext.
    if (!archive_ || (info.flags & kEncryptedFlag)) return false;
    if (!EnsureParentFolder(target.c_str())) return false;
    char temp[MAX_PATH] = {};
    if (!GetTempFileNameA(target.substr(0, NameStart(target)).c_str(), "fpz", 0, temp))
        return false;
    StagedFile file;
    file.target = target;
    file.temp = temp;
    file.dosDateTime = info.dosDateTime;
    FileHandle out(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool copied = out.Valid() && CopyEntry(out.Get(), info, &file);
    if (!out.Close() || !copied) {
        DeleteFileA(temp);
        return false;
    }
    *staged = file;
    return true;
}

bool ZipExtractor::CopyEntry(HANDLE out, const ZipEntryInfo& info, StagedFile* staged) {
    if (unzOpenCurrentFile(Archive(archive_)) != UNZ_OK) return false;
    Md5Context md5;
    Md5Digest::Init(&md5);
    bool complete = false;
    uint64_t total = 0;
    std::vector<char> buffer(16 * 1024);
    for (;;) {
        if (keepRunning_ && !keepRunning_()) break;
        int got = unzReadCurrentFile(Archive(archive_), buffer.data(),
                                     static_cast<unsigned>(buffer.size()));
        if (got == 0) {
            // minizip also ends early, with 0, when the data runs out before
            // the stored size (and then checks no CRC): complete means every
            // byte the entry declares.
            complete = total == info.uncompressedSize;
            break;
        }
        // Never more than the entry declares, whatever its data holds.
        if (got < 0 || total + static_cast<uint64_t>(got) > info.uncompressedSize) break;
        DWORD written = 0;
        if (!WriteFile(out, buffer.data(), static_cast<DWORD>(got), &written, nullptr) ||
            written != static_cast<DWORD>(got))
            break;
        Md5Digest::Update(&md5, buffer.data(), static_cast<uint32_t>(got));
        total += static_cast<uint64_t>(got);
    }
    // Only an entry read to its end has its CRC checked here.
    bool crcGood = unzCloseCurrentFile(Archive(archive_)) == UNZ_OK;
    if (!complete || !crcGood) return false;
    unsigned char digest[16];
    Md5Digest::Final(digest, &md5);
    staged->size = total;
    staged->md5 = Md5Digest::ToHex(digest);
    return true;
}

bool ZipExtractor::FirstEntry() {
    return archive_ && unzGoToFirstFile(Archive(archive_)) == UNZ_OK;
}

bool ZipExtractor::ExtractAll(const char* folder, bool flatten) {
    if (!archive_ || !folder || !EnsureFolder(folder) || EntryCount() == 0) return false;
    if (!FirstEntry()) return false;
    do {
        if (!ExtractEntry(folder, nullptr, flatten, false, nullptr)) return false;
    } while (FindEntry(nullptr));
    return true;
}

bool UnzipToFolder(const char* archive, const char* folder, bool flatten) {
    ZipExtractor extractor;
    return extractor.Open(archive) && extractor.ExtractAll(folder, flatten);
}

bool EnsureFolder(const char* path) {
    if (!path || !path[0]) return false;
    std::string folder(path);
    if (folder.size() > kMaxFilePathChars) return false;
    if (PathFileExistsA(path)) return true;
    size_t cut = dbcs::FindLast(folder, '\\');
    if (cut == std::string::npos) return true;
    if (!EnsureFolder(folder.substr(0, cut).c_str())) return false;
    if (cut + 1 == folder.size()) return true;   // "x\": made as "x"
    if (CreateDirectoryA(path, nullptr)) return true;
    // Made meanwhile by someone else: as good.
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EnsureParentFolder(const char* path) {
    if (!path) return false;
    std::string file(path);
    size_t cut = dbcs::FindLast(file, '\\');
    if (cut == std::string::npos) return false;
    return EnsureFolder(file.substr(0, cut).c_str());
}

bool SetFileTimeFromDos(const char* path, uint32_t dosDateTime) {
    FileHandle file(
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid()) return false;
    FILETIME created, accessed, written, local, utc;
    return GetFileTime(file.Get(), &created, &accessed, &written) &&
           DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16),
                                 static_cast<WORD>(dosDateTime & 0xFFFF), &local) &&
           LocalFileTimeToFileTime(&local, &utc) && SetFileTime(file.Get(), &utc, &accessed, &utc);
}
