#include "update/ArchiveInstall.h"

#include "update/InstallCheck.h"
#include "update/support/FileUtils.h"
#include "update/support/StagedFiles.h"
#include "update/support/ZipExtractor.h"

void ArchiveInstall::Expect(const std::string& target, int32_t size, const std::string& md5) {
    const std::wstring key = PathKey(target);
    if (!key.empty()) expected_[key] = Expected{size, md5};
}

bool ArchiveInstall::Install(const std::string& archive, const std::string& folder,
                             const std::string& required) const {
    ZipExtractor zip;
    zip.SetKeepRunning(keepRunning_);
    if (!zip.Open(archive.c_str()) || zip.EntryCount() == 0 || !EnsureFolder(folder.c_str()) ||
        !zip.FirstEntry())
        return false;
    const std::wstring requiredKey = required.empty() ? std::wstring() : PathKey(required);
    bool carriesRequired = required.empty();
    StagedFiles staged;
    do {
        ZipEntryInfo info;
        std::string target;
        if (!zip.EntryTarget(folder.c_str(), false, &info, &target)) return false;
        if (info.isFolder) {
            if (!EnsureFolder(target.c_str())) return false;
            continue;
        }
        const std::wstring key = PathKey(target);
        if (key.empty()) return false;   // a name no file could be compared by
        const auto listed = expected_.find(key);
        // Sizes are checked before anything is written.
        if (listed != expected_.end() ? int64_t(info.uncompressedSize) != listed->second.size
                                      : unlistedLimit_ && info.uncompressedSize > unlistedLimit_)
            return false;
        StagedFile file;
        if (!zip.StageFile(info, target, &file)) return false;
        staged.Add(file);
        if (listed != expected_.end() && !EqualIgnoringHexCase(file.md5, listed->second.md5))
            return false;
        if (key == requiredKey) carriesRequired = true;
    } while (zip.FindEntry(nullptr));
    return carriesRequired && staged.Commit();
}
