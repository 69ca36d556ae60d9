// The check of an install's listed files with several readers: the same
// outcomes as one reader, handed over in list order, and a cancel that
// ends every reader at once.
#include "TaskFixture.h"
#include "update/InstallCheck.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <cctype>

using namespace taskfixture;

namespace {

enum class Local { kSame, kMissing, kShort, kLong, kLastByteChanged, kUnreadable, kUpperCaseMd5 };

struct CheckCase {
    const char* name;
    size_t size;
    Local local;
    bool matches;
};

// Sizes sit on and around the 64 KB read so that a short or long file ends
// inside, at and just past a block.
const CheckCase kCases[] = {
    {"current", 200000, Local::kSame, true},
    {"current, empty", 0, Local::kSame, true},
    {"current, one block", 65536, Local::kSame, true},
    {"missing", 1000, Local::kMissing, false},
    {"short", 65537, Local::kShort, false},
    {"long", 65536, Local::kLong, false},
    {"changed in the last block", 200000, Local::kLastByteChanged, false},
    {"unreadable", 5000, Local::kUnreadable, false},
    {"listed digest in upper case", 3000, Local::kUpperCaseMd5, false},
};

// The threads of this process now.
size_t ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    size_t count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// The table's files, three times over, behind one large current file: with
// several readers the small files behind it are done long before it.
class CheckTable {
public:
    CheckTable() {
        const std::string large = servers::Pattern(8 << 20, 99);
        Add("large", large, large, true);
        for (int round = 0; round < 3; ++round) {
            for (const CheckCase& c : kCases) {
                const std::string listed = servers::Pattern(c.size, unsigned(files_.size()));
                std::string local = listed;
                if (c.local == Local::kShort) local.pop_back();
                if (c.local == Local::kLong) local += 'x';
                if (c.local == Local::kLastByteChanged) local.back() ^= 1;
                Add(c.name, listed, local, c.matches);
                if (c.local == Local::kMissing) DeleteFileA(files_.back().path.c_str());
                if (c.local == Local::kUpperCaseMd5)
                    for (char& digit : files_.back().md5) digit = char(toupper(digit));
                if (c.local == Local::kUnreadable)   // held open by another program, unshared
                    held_.push_back(CreateFileA(files_.back().path.c_str(), GENERIC_READ, 0,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
            }
        }
    }
    ~CheckTable() {
        for (HANDLE h : held_) CloseHandle(h);
    }

    const std::vector<CheckedFile>& Files() const { return files_; }
    const std::vector<std::string>& Names() const { return names_; }
    const std::vector<bool>& Expected() const { return expected_; }
    bool AllHeld() const {
        for (HANDLE h : held_)
            if (h == INVALID_HANDLE_VALUE) return false;
        return true;
    }

private:
    void Add(const char* name, const std::string& listed, const std::string& local, bool matches) {
        const std::string path = folder_.Join("f" + std::to_string(files_.size()) + ".dat");
        PutFile(path, local);
        files_.push_back(CheckedFile{path, int32_t(listed.size()), Md5Hex(listed)});
        names_.push_back(name);
        expected_.push_back(matches);
    }

    testsupport::TempFolder folder_;
    std::vector<CheckedFile> files_;
    std::vector<std::string> names_;
    std::vector<bool> expected_;
    std::vector<HANDLE> held_;
};

}   // namespace

TEST(InstallCheck, OutcomesAreTheSameWithOneReaderAndWithFour) {
    CheckTable table;
    ASSERT_TRUE(table.AllHeld());
    for (unsigned readers : {1u, 4u}) {
        SCOPED_TRACE(readers);
        const size_t threadsBefore = ThreadCount();
        std::vector<size_t> order;
        std::vector<bool> outcomes;
        const DWORD caller = GetCurrentThreadId();
        const bool done =
            InstallCheck(readers, [] { return true; }).Run(table.Files(), [&](size_t i, bool m) {
                EXPECT_EQ(caller, GetCurrentThreadId());
                order.push_back(i);
                outcomes.push_back(m);
            });
        EXPECT_TRUE(done);
        ASSERT_EQ(table.Files().size(), order.size());
        for (size_t i = 0; i < order.size(); ++i) {
            EXPECT_EQ(i, order[i]);   // list order, whoever finished first
            EXPECT_EQ(table.Expected()[i], outcomes[i]) << table.Names()[i];
        }
        EXPECT_EQ(threadsBefore, ThreadCount());   // no reader left behind
    }
}
