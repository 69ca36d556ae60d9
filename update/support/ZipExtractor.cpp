#include "update/support/ZipExtractor.h"

#include "update/support/DbcsText.h"
#include "update/support/FileHandle.h"
#include "update/support/FileUtils.h"

#include <windows.h>
#include <shlwapi.h>
#include <minizip/unzip.h>

#include <cstring>
#include <vector>

namespace {

const uint32_t kDirectoryAttribute = 0x10;
const uint32_t kEncryptedFlag = 0x1;

unzFile Archive(void* archive) { return static_cast<unzFile>(archive); }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Device names that Windows maps to devices in any folder, with any extension.
bool IsDeviceName(const std::string& component)
{
    std::string base = component.substr(0, component.find('.'));
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (base == device) return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

bool IsSafeComponent(const std::string& component)
{
    if (component.empty() || component == "." || component == "..") return false;
    for (size_t i = 0; i < component.size(); i += dbcs::CharLength(component, i)) {
        unsigned char c = static_cast<unsigned char>(component[i]);
        if (c < 0x20 || std::strchr("<>\"|?*:", c)) return false;
    }
    size_t last = dbcs::LastCharStart(component);
    if (last + 1 == component.size() && (component[last] == '.' || component[last] == ' '))
        return false;   // Windows would drop it and name another file
    return !IsDeviceName(component);
}

// An entry name stays inside the target folder: relative, no ':', no empty,
// "." or ".." component; a folder entry may end in one separator.
bool IsSafeEntryName(std::string name, bool isFolder)
{
    if (name.empty() || IsSeparator(name[0])) return false;
    if (isFolder && (dbcs::EndsWith(name, '\\') || dbcs::EndsWith(name, '/'))) name.pop_back();
    size_t start = 0;
    for (size_t i = 0; i <= name.size();) {
        if (i == name.size() || IsSeparator(name[i])) {
            if (!IsSafeComponent(name.substr(start, i - start))) return false;
            start = ++i;
        } else {
            i += dbcs::CharLength(name, i);
        }
    }
    return true;
}

// folder + '\' (unless it ends in a separator) + name; false when the
// result would not fit.
bool JoinPath(const std::string& folder, const std::string& name, std::string* out)
{
    std::string path = folder;
    if (!path.empty() && !dbcs::EndsWith(path, '\\') && !dbcs::EndsWith(path, '/')) path += '\\';
    path += name;
    if (path.size() > kMaxFilePathChars) return false;
    *out = path;
    return true;
}

// Position just past the last separator of a path (0 when none).
size_t NameStart(const std::string& path)
{
    size_t back = dbcs::FindLast(path, '\\');
    size_t slash = dbcs::FindLast(path, '/');
    size_t last = back == std::string::npos ? slash
                : slash == std::string::npos ? back
                : (back > slash ? back : slash);
    return last == std::string::npos ? 0 : last + 1;
}

// The extension of the path's last component, without its dot; "" when none.
std::string ExtensionOf(const std::string& path)
{
    std::string name = path.substr(NameStart(path));
    size_t dot = dbcs::FindLast(name, '.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

// A temporary file beside a target; deleted unless it was moved into place.
class TempFile {
public:
    bool Create(const std::string& target)
    {
        std::string folder = target.substr(0, NameStart(target));
        if (folder.empty()) folder = ".\\";
        char path[MAX_PATH] = {};
        if (!GetTempFileNameA(folder.c_str(), "fpz", 0, path)) return false;
        path_ = path;
        return true;
    }
    ~TempFile()
    {
        if (!path_.empty()) DeleteFileA(path_.c_str());
    }
    const std::string& Path() const { return path_; }
    bool MoveTo(const std::string& target)
    {
        // A read-only file is not replaced (Windows refuses, wine's rename wouldn't).
        DWORD attributes = GetFileAttributesA(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
        if (!MoveFileExA(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
        path_.clear();
        return true;
    }
private:
    std::string path_;
};

}  // namespace

ZipExtractor::ZipExtractor() = default;

ZipExtractor::~ZipExtractor()
{
    Close();
}

void ZipExtractor::Close()
{
    if (archive_) {
        unzCloseCurrentFile(Archive(archive_));
        unzClose(Archive(archive_));
    }
    archive_ = nullptr;
    defaultFolder_.clear();
}

bool ZipExtractor::Open(const char* path)
{
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

uint32_t ZipExtractor::EntryCount() const
{
    if (!archive_) return 0;
    unz_global_info global;
    if (unzGetGlobalInfo(Archive(archive_), &global) != UNZ_OK) return 0;
    return static_cast<uint32_t>(global.number_entry);
}

bool ZipExtractor::EntryInfo(ZipEntryInfo* info) const
{
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

bool ZipExtractor::FindEntry(const char* extension)
{
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

bool ZipExtractor::ExtractEntry(const char* folder, char* outputPath, bool flatten, bool addSuffix,
                                const char* suffix)
{
    if (!archive_) return false;
    std::string target = folder ? folder : defaultFolder_;
    if (!EnsureFolder(target.c_str())) return false;

    ZipEntryInfo info;
    if (!EntryInfo(&info)) return false;
    // A cut name could name another file; an unsafe one a file elsewhere.
    if (info.nameCut || !IsSafeEntryName(info.name, info.isFolder)) return false;

    std::string path;
    if (info.isFolder) {
        std::string name = info.name;
        if (dbcs::EndsWith(name, '\\')) name.pop_back();
        return JoinPath(target, name, &path) && EnsureFolder(path.c_str());
    }
    std::string name = info.name;
    if (flatten) name = name.substr(NameStart(name));
    if (!JoinPath(target, name, &path)) return false;
    if (outputPath) {
        std::memcpy(outputPath, path.c_str(), path.size() + 1);  // fits: at most 259 characters
    }
    if (addSuffix) path += suffix ? suffix : ".tmp";
    if (path.size() > kMaxFilePathChars) return false;
    if (!EnsureParentFolder(path.c_str())) return false;
    return ExtractFile(info, path);
}

bool ZipExtractor::ExtractFile(const ZipEntryInfo& info, const std::string& target)
{
    // An encrypted entry read without its password is ciphertext.
    if (info.flags & kEncryptedFlag) return false;

    TempFile temp;
    if (!temp.Create(target)) return false;
    FileHandle out(CreateFileA(temp.Path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.Valid()) return false;
    if (unzOpenCurrentFile(Archive(archive_)) != UNZ_OK) return false;

    bool complete = false;
    uint64_t total = 0;
    std::vector<char> buffer(16 * 1024);
    for (;;) {
        int got = unzReadCurrentFile(Archive(archive_), buffer.data(),
                                     static_cast<unsigned>(buffer.size()));
        if (got == 0) {
            // minizip also ends early, with 0, when the data runs out before
            // the stored size (and then checks no CRC): complete means every
            // byte the entry declares.
            complete = static_cast<uint32_t>(total) == info.uncompressedSize;
            break;
        }
        if (got < 0) break;
        DWORD written = 0;
        if (!WriteFile(out.Get(), buffer.data(), static_cast<DWORD>(got), &written, nullptr) ||
            written != static_cast<DWORD>(got))
            break;
        total += static_cast<uint64_t>(got);
    }
    bool closed = out.Close();
    // Only an entry read to its end has its CRC checked here.
    bool crcGood = unzCloseCurrentFile(Archive(archive_)) == UNZ_OK;
    if (!complete || !closed || !crcGood) return false;
    if (!temp.MoveTo(target)) return false;
    SetFileTimeFromDos(target.c_str(), info.dosDateTime);
    return true;
}

bool ZipExtractor::ExtractAll(const char* folder, bool flatten)
{
    if (!archive_ || !folder || !EnsureFolder(folder) || EntryCount() == 0) return false;
    if (unzGoToFirstFile(Archive(archive_)) != UNZ_OK) return false;
    do {
        if (!ExtractEntry(folder, nullptr, flatten, false, nullptr)) return false;
    } while (FindEntry(nullptr));
    return true;
}

bool UnzipToFolder(const char* archive, const char* folder, bool flatten)
{
    ZipExtractor extractor;
    return extractor.Open(archive) && extractor.ExtractAll(folder, flatten);
}

bool EnsureFolder(const char* path)
{
    if (!path || !path[0]) return false;
    std::string folder(path);
    if (folder.size() > kMaxFilePathChars) return false;
    if (PathFileExistsA(path)) return true;
    size_t cut = dbcs::FindLast(folder, '\\');
    if (cut == std::string::npos) return true;
    if (!EnsureFolder(folder.substr(0, cut).c_str())) return false;
    if (cut + 1 == folder.size()) return true;  // "x\": made as "x"
    if (CreateDirectoryA(path, nullptr)) return true;
    // Made meanwhile by someone else: as good.
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EnsureParentFolder(const char* path)
{
    if (!path) return false;
    std::string file(path);
    size_t cut = dbcs::FindLast(file, '\\');
    if (cut == std::string::npos) return false;
    return EnsureFolder(file.substr(0, cut).c_str());
}

bool SetFileTimeFromDos(const char* path, uint32_t dosDateTime)
{
    FileHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    if (!file.Valid()) return false;
    FILETIME created, accessed, written, local, utc;
    return GetFileTime(file.Get(), &created, &accessed, &written) &&
           DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16),
                                 static_cast<WORD>(dosDateTime & 0xFFFF), &local) &&
           LocalFileTimeToFileTime(&local, &utc) &&
           SetFileTime(file.Get(), &utc, &accessed, &utc);
}
