#pragma once
// Installs one downloaded archive so that a failure changes nothing: every
// entry is first unpacked beside its target; each file the update list
// names (the archive's own file, and any other listed file an entry would
// overwrite) must then hold its listed size and MD5; only then do they all
// replace their targets. On failure nothing is replaced and nothing staged
// is left.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

class ArchiveInstall {
public:
    // `keepRunning` is asked once per block: a stop fails the install.
    explicit ArchiveInstall(std::function<bool()> keepRunning)
        : keepRunning_(std::move(keepRunning)) {}

    // A file the update list names (full path) and what it must hold once
    // written. Its entry must declare exactly `size` bytes, or nothing of the
    // archive is written.
    void Expect(const std::string& target, int32_t size, const std::string& md5);
    // The most an entry no list names may declare (0: no bound).
    void LimitUnlisted(uint32_t bytes) { unlistedLimit_ = bytes; }

    // Unpacks `archive` into `folder`. `required` (a full path, or empty):
    // the file the archive is for, which it must carry.
    bool Install(const std::string& archive, const std::string& folder,
                 const std::string& required) const;

private:
    struct Expected {
        int32_t size;
        std::string md5;
    };
    std::function<bool()> keepRunning_;
    std::map<std::wstring, Expected> expected_;
    uint32_t unlistedLimit_ = 0;
};
