// Staged files go in place all together or not at all.
#include "update/support/StagedFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::ReadWholeFile;
using testsupport::TempFolder;
using testsupport::WriteWholeFile;

namespace {

StagedFile Stage(const TempFolder& temp, const std::string& target, const std::string& bytes) {
    StagedFile file;
    file.target = temp.Join(target);
    file.temp = temp.Join(target + ".new");
    WriteWholeFile(file.temp, bytes);
    return file;
}

std::string Content(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, &bytes) ? bytes : std::string("<none>");
}

}   // namespace

TEST(StagedFiles, AFailedRenamePutsBackWhatWasReplaced) {
    TempFolder temp;
    ASSERT_TRUE(WriteWholeFile(temp.Join("a"), "old a"));
    ASSERT_TRUE(WriteWholeFile(temp.Join("b"), "old b"));
    // b is held open without delete sharing: it can't be moved aside, after a was.
    HANDLE held = CreateFileA(temp.Join("b").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    {
        StagedFiles staged;
        staged.Add(Stage(temp, "a", "new a"));
        staged.Add(Stage(temp, "b", "new b"));
        staged.Add(Stage(temp, "c", "new c"));
        EXPECT_FALSE(staged.Commit());
    }
    CloseHandle(held);
    EXPECT_EQ("old a", Content(temp.Join("a")));
    EXPECT_EQ("old b", Content(temp.Join("b")));
    EXPECT_FALSE(testsupport::FileExists(temp.Join("c")));
    for (const char* left : {"a.new", "b.new", "c.new"})
        EXPECT_FALSE(testsupport::FileExists(temp.Join(left))) << left;

    // Unhindered, all three go in place; a later file for a target wins.
    StagedFiles staged;
    staged.Add(Stage(temp, "a", "first"));
    StagedFile again = Stage(temp, "a2", "second");
    again.target = temp.Join("A");   // the same file, by another case
    staged.Add(again);
    staged.Add(Stage(temp, "b", "new b"));
    ASSERT_TRUE(staged.Commit());
    EXPECT_EQ("second", Content(temp.Join("a")));
    EXPECT_EQ("new b", Content(temp.Join("b")));
    EXPECT_FALSE(testsupport::FileExists(temp.Join("a.new")));
    EXPECT_FALSE(testsupport::FileExists(temp.Join("a2.new")));
}

// An archive of very many entries, each named twice, stages in time in
// proportion to their count (a pass over everything staged per entry took
// minutes here), and the later copy of each is the one kept.
TEST(StagedFiles, ManyEntriesNamedTwiceKeepTheLaterCopyOfEach) {
    const int kEntries = 150000;
    StagedFiles staged;
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < kEntries; ++i) {
            StagedFile file;
            file.target = "C:\\fp-nowhere\\Games\\Many\\data\\entry" + std::to_string(i);
            if (round == 1) file.target[3] = 'F';   // the same file, by another case
            file.temp = file.target + ".new" + std::to_string(round);
            staged.Add(file);
        }
    ASSERT_EQ(size_t(kEntries), staged.Files().size());
    for (const StagedFile& file : staged.Files())
        ASSERT_EQ(".new1", file.temp.substr(file.temp.size() - 5)) << file.target;
}
