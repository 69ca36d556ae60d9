#pragma once
// Unpacks a zip archive into a folder, entry by entry, keeping the archive's
// folder structure (or flattening it) and each file's time stamp.
//
// Safe with any archive: an entry whose name breaks the safe-name rule
// (update/support/SafeNames.h) or that is a symbolic link fails; each file
// is written to a temporary file beside its target and moved into place
// only when it is complete, no longer than it declares and its CRC is
// right, so a failed extraction never leaves a half-written file where a
// good one was; a path that would not fit in 259 characters fails.
#include "update/support/StagedFiles.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

struct ZipEntryInfo {
    char name[261];   // at most 260 characters, '/' turned into '\'
    char comment[256];
    uint32_t versionMadeBy;
    uint32_t versionNeeded;
    uint32_t flags;
    uint32_t compressionMethod;
    uint32_t dosDateTime;   // date in the high word, time in the low; local time
    uint32_t crc;
    uint32_t compressedSize;
    uint32_t uncompressedSize;
    uint32_t internalAttributes;
    uint32_t externalAttributes;
    bool isFolder;   // directory attribute 0x10, or a name ending in a separator
    bool nameCut;    // the stored name was longer than 260 characters
};

class ZipExtractor {
public:
    ZipExtractor();
    virtual ~ZipExtractor();
    ZipExtractor(const ZipExtractor&) = delete;
    ZipExtractor& operator=(const ZipExtractor&) = delete;

    // Opens the archive; its default output folder is its full path without
    // the extension.
    bool Open(const char* path);
    void Close();
    uint32_t EntryCount() const;
    // Describes the current entry.
    bool EntryInfo(ZipEntryInfo* info) const;
    // Moves to the next entry whose extension equals `extension` (ignoring
    // case); with a null or empty text, to the next entry.
    bool FindEntry(const char* extension);
    // Extracts the current entry into `folder` (null: the default folder).
    // `outputPath` (260 bytes, may be null) receives the target path without
    // the suffix; with `addSuffix` the file gets `suffix` (null: ".tmp")
    // appended to its name.
    bool ExtractEntry(const char* folder, char* outputPath, bool flatten, bool addSuffix,
                      const char* suffix);
    // Extracts every entry; stops at the first that fails.
    bool ExtractAll(const char* folder, bool flatten);

    const std::string& DefaultFolder() const { return defaultFolder_; }

    // Asked once per block of every later extraction; false stops it as a
    // failure (nothing of the entry is left).
    void SetKeepRunning(std::function<bool()> keepRunning) {
        keepRunning_ = std::move(keepRunning);
    }
    // Moves to the first entry.
    bool FirstEntry();
    // Describes the current entry and where it goes below `folder` (null: the
    // default folder); false for an entry that must not be written anywhere
    // (unsafe or cut name, a link, a path too long).
    bool EntryTarget(const char* folder, bool flatten, ZipEntryInfo* info,
                     std::string* target) const;
    // Unpacks the current entry, the file `info` describes, into a new
    // temporary file beside `target` (which is not touched) and notes its
    // size and MD5; false when it is encrypted, damaged, longer or shorter
    // than it declares, can't be written, or a stop came.
    bool StageFile(const ZipEntryInfo& info, const std::string& target, StagedFile* staged);

private:
    bool CopyEntry(HANDLE out, const ZipEntryInfo& info, StagedFile* staged);

    void* archive_ = nullptr;   // unzFile
    std::string defaultFolder_;
    std::function<bool()> keepRunning_;
};

bool UnzipToFolder(const char* archive, const char* folder, bool flatten);
// Creates a folder and its missing parents.
bool EnsureFolder(const char* path);
// Creates the folder a file path lies in.
bool EnsureParentFolder(const char* path);
// Sets a file's creation and last-write times from a DOS date and time read
// as local time.
bool SetFileTimeFromDos(const char* path, uint32_t dosDateTime);
