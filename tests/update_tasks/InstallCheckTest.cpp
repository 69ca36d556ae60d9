// The check of an install's listed files with several readers: the same
// outcomes as one reader, handed over in list order, and no reader left
// behind. (A cancel during a check is among the hostile update tests.)
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

namespace {

class InstallCheckTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_SERVERS();
        ASSERT_NE(nullptr, receiver.Handle());
    }
    std::string HttpUrl() const { return servers::HttpBase() + "/" + served.Name() + "/"; }

    WorkFolder work;
    servers::ServedFolder served{"check"};
    Receiver receiver;
};

}   // namespace

// Behind a large current file the readers finish the small ones first; the
// task still takes the outcomes in list order, so the changed files are
// fetched in list order and the progress only grows.
TEST_F(InstallCheckTaskTest, ChangedFilesAreFetchedInListOrder) {
    std::vector<ListedFile> files = {{"Order", "large.dat", servers::Pattern(6 << 20, 7)}};
    for (int i = 0; i < 24; ++i)
        files.push_back({"Order", "f" + std::to_string(i) + ".dat", servers::Pattern(900, i)});
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishGame(served, "Order", files));
    std::vector<std::string> changed;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string local = work.Join("Games\\Order\\" + files[i].name);
        if (i % 3 == 0) ASSERT_TRUE(PutFile(local, files[i].content));   // current
        if (i % 3 == 1) ASSERT_TRUE(PutFile(local, files[i].content + "!"));
        if (i % 3 != 0) changed.push_back(files[i].name);   // the rest are missing
    }

    TaskUnderTest t;
    t.task->InitWithUrl(HttpUrl().c_str(), "Order", TASK_KIND_GAME, t.item.get());
    t.task->SetReceiver(receiver.Handle());
    ASSERT_TRUE(RunToOutcome(*t.task, receiver)) << receiver.Sequence();
    EXPECT_EQ("S32 S33 S34 CB CP+ CE S35 DB P+ DE S36 F", receiver.Sequence());
    float last = 0;
    for (const Recorded& r : receiver.Messages())
        if (r.message == WM_TASK_CHECK_PROGRESS) {
            EXPECT_GE(r.fraction, last);
            last = r.fraction;
        }
    EXPECT_FLOAT_EQ(1.0f, last);

    const auto lines = servers::LogLines("FETCHPANE_HTTP_LOG", served.Name());
    ASSERT_EQ(changed.size() + 1, lines.size());   // the list, then each changed file
    for (size_t i = 0; i < changed.size(); ++i)
        EXPECT_NE(std::string::npos, lines[i + 1].find("/" + changed[i] + ".zip")) << lines[i + 1];
    for (const ListedFile& f : files)
        EXPECT_EQ(f.content, ReadFile(work.Join("Games\\Order\\" + f.name))) << f.name;
}
