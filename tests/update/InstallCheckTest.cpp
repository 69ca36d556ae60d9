// The check of an install's listed files with several readers: the same
// outcomes as one reader, handed over in list order. (A cancel during a
// check, and its readers ending with it, are among the hostile update tests.)
#include "TaskFixture.h"
#include "update/InstallCheck.h"

#include <gtest/gtest.h>

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
const CheckCase kLarge = {"current, large", 8 << 20, Local::kSame, true};
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

// The table's files, three times over, behind one large current file: with
// several readers the small files behind it are done long before it.
class CheckTable {
public:
    CheckTable() {
        Add(kLarge);
        for (int round = 0; round < 3; ++round)
            for (const CheckCase& c : kCases) Add(c);
    }
    ~CheckTable() {
        for (HANDLE h : held_) CloseHandle(h);
    }
    const std::vector<CheckedFile>& Files() const { return files_; }
    const CheckCase& Case(size_t i) const { return *cases_[i]; }
    bool Ready() const { return ready_; }

private:
    void Add(const CheckCase& c) {
        const std::string listed = servers::Pattern(c.size, unsigned(files_.size()));
        std::string local = listed;
        if (c.local == Local::kShort) local.pop_back();
        if (c.local == Local::kLong) local += 'x';
        if (c.local == Local::kLastByteChanged) local.back() ^= 1;
        CheckedFile file{folder_.Join("f" + std::to_string(files_.size())), int32_t(c.size),
                         Md5Hex(listed)};
        if (c.local != Local::kMissing) ready_ = PutFile(file.path, local) && ready_;
        if (c.local == Local::kUpperCaseMd5)
            for (char& digit : file.md5) digit = char(toupper(digit));
        if (c.local == Local::kUnreadable) {   // held open by another program, unshared
            held_.push_back(CreateFileA(file.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        0, nullptr));
            ready_ = ready_ && held_.back() != INVALID_HANDLE_VALUE;
        }
        files_.push_back(file);
        cases_.push_back(&c);
    }

    testsupport::TempFolder folder_;
    std::vector<CheckedFile> files_;
    std::vector<const CheckCase*> cases_;
    std::vector<HANDLE> held_;
    bool ready_ = true;
};

}   // namespace

TEST(InstallCheck, OutcomesAreTheSameWithOneReaderAndWithFour) {
    CheckTable table;
    ASSERT_TRUE(table.Ready());
    for (unsigned readers : {1u, 4u}) {
        SCOPED_TRACE(readers);
        size_t next = 0;
        const DWORD caller = GetCurrentThreadId();
        const bool done = InstallCheck(readers, [] {
                              return true;
                          }).Run(table.Files(), [&](size_t i, bool matches) {
            EXPECT_EQ(caller, GetCurrentThreadId());
            EXPECT_EQ(next++, i);   // list order, whoever finished first
            EXPECT_EQ(table.Case(i).matches, matches) << table.Case(i).name;
        });
        EXPECT_TRUE(done);
        EXPECT_EQ(table.Files().size(), next);
    }
}

// A list naming one large file twenty thousand times, in other spellings,
// once read it that often (160 GB here, far beyond the test's time): each
// naming is compared with the one read of it, as if it were read alone.
TEST(InstallCheck, AFileNamedManyTimesIsReadOnce) {
    testsupport::TempFolder folder;
    const std::string content = servers::Pattern(8 << 20, 3);
    const std::string big = folder.Join("big.dat");
    ASSERT_TRUE(PutFile(big, content));
    std::string upper = big, slashes = big;
    for (char& c : upper) c = char(toupper(static_cast<unsigned char>(c)));
    for (char& c : slashes) c = c == '\\' ? '/' : c;
    const int32_t size = int32_t(content.size());
    const std::string md5 = Md5Hex(content);
    const struct {
        CheckedFile file;
        bool matches;
    } namings[] = {
        {{big, size, md5}, true},
        {{upper, size, md5}, true},
        {{slashes, size, md5}, true},
        {{big, size - 1, md5}, false},
        {{big, size, Md5Hex("other")}, false},
        {{upper, -1, md5}, false},
        {{folder.Join("missing.dat"), 0, Md5Hex("")}, false},
    };
    std::vector<CheckedFile> files;
    std::vector<bool> expected;
    for (int round = 0; round < 3000; ++round)
        for (const auto& naming : namings) {
            files.push_back(naming.file);
            expected.push_back(naming.matches);
        }
    for (unsigned readers : {1u, 4u}) {
        SCOPED_TRACE(readers);
        size_t next = 0, wrong = 0;
        EXPECT_TRUE(InstallCheck(readers, nullptr).Run(files, [&](size_t i, bool matches) {
            if (i != next++ || matches != expected[i]) ++wrong;
        }));
        EXPECT_EQ(files.size(), next);
        EXPECT_EQ(0u, wrong);
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
}
