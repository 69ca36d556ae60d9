#pragma once
// Files written beside the files they are to replace, put in place all at
// once or not at all. Each staged file lies in its target's folder, so that
// putting it in place is a rename on the same volume.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct StagedFile {
    std::string target;   // full path of the file it replaces (or makes)
    std::string temp;     // the staged copy beside it
    uint64_t size = 0;
    std::string md5;            // 32 lower-case hex digits of its bytes
    uint32_t dosDateTime = 0;   // the time the target gets (local time)
};

class StagedFiles {
public:
    StagedFiles() = default;
    // Whatever was not put in place is deleted.
    ~StagedFiles() { Discard(); }
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Takes over the file's temporary copy. A later file for the same target
    // takes the earlier one's place (its copy is deleted).
    void Add(const StagedFile& file);
    const std::vector<StagedFile>& Files() const { return files_; }

    // Replaces every target by its staged copy and gives it its time. A
    // read-only target, or any rename that fails, puts back every target
    // already replaced and fails; the staged copies are gone either way.
    bool Commit();
    void Discard();

private:
    std::vector<StagedFile> files_;
    std::map<std::wstring, size_t> index_;   // each target's PathKey: its file
};
