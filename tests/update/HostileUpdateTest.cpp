// The update road against a hostile server: archives that would break listed
// files, files longer than the list allows, lists made to fool the shape
// guard or to cost more than their size, cancels while the worker is
// blocked, and FTP transfers cut short.
#include "TaskFixture.h"
#include "update/InstallCheck.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace taskfixture;

namespace {

const char kInstallFails[] = "S32 S33 S34 CB CP+ CE S35 DB P+ DE S36 X36";
const std::string kGood = "GOOD-CONTENT";   // what the list names f.txt to hold
const std::string kOld = "OLD-CONTENT!";    // what f.txt holds before the update

class HostileUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_SERVERS();
        ASSERT_NE(nullptr, receiver.Handle());
    }

    std::string HttpUrl(const std::string& route = "") const {
        return servers::HttpBase() + "/" + route + served.Name() + "/";
    }
    std::string GameFile(const std::string& game, const std::string& name) const {
        return work.Join("Games\\" + game + "\\" + name);
    }

    std::string Archive(const std::string& game) const {
        return served.Path() + "\\Update\\Games\\" + game + "\\f.txt.zip";
    }
    int64_t ArchiveSize(const std::string& game) const {
        return int64_t(ReadFile(Archive(game)).size());
    }

    // Game `game` lists f.txt (kGood, its archive `zipSize` bytes) and
    // keep.txt ("keep", installed and current); f.txt is installed as kOld.
    void PublishF(const std::string& game, int64_t zipSize) {
        ASSERT_TRUE(served.Put(
            "Update\\Games\\" + game + "\\" + game + ".xml",
            PublishedUpdate::ListXmlFor("Demo", game,
                                        {{game, "f.txt", kGood}, {game, "keep.txt", "keep"}},
                                        {{game + "\\f.txt", zipSize}})));
        ASSERT_TRUE(PutFile(GameFile(game, "f.txt"), kOld));
        ASSERT_TRUE(PutFile(GameFile(game, "keep.txt"), "keep"));
    }

    // Runs a game task from one URL to its outcome; its message sequence.
    std::string Run(const std::string& url, const std::string& game) {
        Receiver r;
        TaskUnderTest t;
        t.task->InitWithUrl(url.c_str(), game.c_str(), TASK_KIND_GAME, t.item.get());
        t.task->SetReceiver(r.Handle());
        if (!RunToOutcome(*t.task, r)) return "no outcome: " + r.Sequence();
        return r.Sequence();
    }

    // Files an install staged and left behind.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> out;
        for (const std::string& entry : ListTree(work.Root()))
            if (entry.find("\\fp") != std::string::npos && entry.find(".tmp") != std::string::npos)
                out.push_back(entry);
        return out;
    }

    WorkFolder work;
    servers::ServedFolder served{"hostile"};
    Receiver receiver;
};

// The size of a file on disk, -1 while there is none.
double FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return double(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow;
}

// A value watched over time: how long it has stood still.
struct Watched {
    double value = -2;
    DWORD since = 0;
    void See(double now, DWORD tick) {
        if (now != value) {
            value = now;
            since = tick;
        }
    }
};

// An archive of one entry of `bytes` zeros, written a block at a time.
bool MakeZeroZip(const std::string& path, const std::string& name, size_t bytes) {
    PutFile(path, "");
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    zip_fileinfo info;
    std::memset(&info, 0, sizeof info);
    bool ok = zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                  Z_DEFLATED, Z_BEST_SPEED) == ZIP_OK;
    const std::string block(1 << 20, '\0');
    for (size_t done = 0; ok && done < bytes; done += block.size())
        ok = zipWriteInFileInZip(zip, block.data(),
                                 unsigned(std::min(block.size(), bytes - done))) == ZIP_OK;
    ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

}   // namespace

TEST_F(HostileUpdateTest, ArchivesThatWouldBreakListedFilesReplaceNothing) {
    struct Case {
        const char* game;
        std::vector<std::pair<std::string, std::string>> entries;
        const char* outcome;
        std::string f;
    } cases[] = {
        {"Evil", {{"f.txt", "EVIL-CONTEN!"}}, kInstallFails, kOld},
        {"Keep", {{"f.txt", kGood}, {"keep.txt", "changed"}}, kInstallFails, kOld},
        {"Fine", {{"f.txt", kGood}, {"extra.txt", "unlisted"}}, kFullRun, kGood},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.game);
        ASSERT_TRUE(MakeZip(Archive(c.game), c.entries));
        PublishF(c.game, ArchiveSize(c.game));
        EXPECT_EQ(c.outcome, Run(HttpUrl(), c.game));
        EXPECT_EQ(c.f, ReadFile(GameFile(c.game, "f.txt")));
        EXPECT_EQ("keep", ReadFile(GameFile(c.game, "keep.txt")));
        EXPECT_EQ(c.f == kGood, testsupport::FileExists(GameFile(c.game, "extra.txt")));
    }
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(HostileUpdateTest, OverLongFilesStopAtTheirBoundAndLeaveNothing) {
    // The archive outgrows the list's ZipSize; served without a length, so
    // only the count of what arrives can stop it.
    ASSERT_TRUE(MakeZip(Archive("Long"), {{"f.txt", servers::Pattern(300000, 7)}}));
    PublishF("Long", 100);
    const std::string longRun = Run(HttpUrl("_nolength/"), "Long");
    EXPECT_EQ("X35", longRun.substr(longRun.size() - 3)) << longRun;
    EXPECT_FALSE(testsupport::FileExists(work.Join("Update\\Games\\Long\\f.txt.zip")));

    // A list larger than any list may be.
    ASSERT_TRUE(
        served.Put("Update\\Games\\Huge\\Huge.xml", "<L>" + std::string(17 << 20, ' ') + "</L>"));
    EXPECT_EQ("S32 S33 X33", Run(HttpUrl("_nolength/"), "Huge"));
    EXPECT_FALSE(testsupport::FileExists(work.Join("Update\\Games\\Huge\\Huge.xml")));

    // An entry declaring far more than the listed Size is never written.
    ASSERT_TRUE(MakeZeroZip(Archive("Bomb"), "f.txt", 64 << 20));
    PublishF("Bomb", ArchiveSize("Bomb"));
    EXPECT_EQ(kInstallFails, Run(HttpUrl(), "Bomb"));
    EXPECT_EQ(kOld, ReadFile(GameFile("Bomb", "f.txt")));
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(HostileUpdateTest, GuardFoolingListsFail34WithTheWorkerAlive) {
    std::string levels;
    for (int i = 0; i < 100000; ++i) levels += "<Directory Name=\"d\">";
    const std::string lists[] = {
        "<?xml version\x0B=\"1.0\"?><L>" + levels,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><L a=\"\xE4\"x b=\">" + levels,
    };
    for (const std::string& list : lists) {
        ASSERT_TRUE(served.Put("Update\\Games\\Deep\\Deep.xml", list));
        EXPECT_EQ("S32 S33 S34 X34", Run(HttpUrl(), "Deep"));
    }
}

// 200,000 attributes on the root once kept the worker in the XML library's
// duplicate search for minutes (time in the square of their count).
TEST_F(HostileUpdateTest, ListOfManyAttributesFails34) {
    std::string list = "<L";
    char attribute[16];
    for (int i = 0; i < 200000; ++i) {
        std::snprintf(attribute, sizeof attribute, " a%06d=\"\"", i);
        list += attribute;
    }
    list += "><Directory Name=\"Wide\"><File Name=\"f.txt\"/></Directory></L>";
    ASSERT_GT(list.size(), 2200000u);
    ASSERT_TRUE(served.Put("Update\\Games\\Wide\\Wide.xml", list));
    EXPECT_EQ("S32 S33 S34 X34", Run(HttpUrl(), "Wide"));
}

// A list cut anywhere in its declaration, or with the declaration damaged,
// once hit a live assert in the XML library that ended the whole process.
TEST_F(HostileUpdateTest, ListsCutOrDamagedInTheirDeclarationFail34WithTheProcessAlive) {
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"GBK\" standalone=\"yes\"?>";
    std::vector<std::string> lists;
    for (size_t n = 1; n <= declaration.size(); ++n) lists.push_back(declaration.substr(0, n));
    using namespace std::string_literals;
    for (const std::string& damaged :
         {"<?xml "s, "<?xml?>"s, "<?xml ?"s, "<?xml =\"1.0\"?>"s, "<?xml version"s,
          "<?xml version=\"1.0\" ?  "s, "<?xml\0version=\"1.0\"?><L/>"s,
          "<?xml version='1.0' encoding=\""s, "<?xml version=\"1.0\"?><"s})
        lists.push_back(damaged);
    for (const std::string& list : lists) {
        SCOPED_TRACE(list);
        ASSERT_TRUE(served.Put("Update\\Games\\Cut\\Cut.xml", list));
        EXPECT_EQ("S32 S33 S34 X34", Run(HttpUrl(), "Cut"));
    }
}

TEST_F(HostileUpdateTest, CancelInEveryBlockingStepReturnsWithinASecond) {
    const size_t kLarge = 512u << 20;
    ASSERT_TRUE(PublishedUpdate().PublishGame(served, "Demo", PublishedUpdate::DemoFiles("Demo")));
    // Big: unpacking takes about a second (its MD5 is never reached); Sparse:
    // its local files are current in size, so their MD5s (of 1.5 GB each) are
    // computed, by more files than a task has readers: every reader is busy.
    const std::string bigZip = served.Path() + "\\Update\\Games\\Big\\f.bin.zip";
    ASSERT_TRUE(MakeZeroZip(bigZip, "f.bin", kLarge));
    ASSERT_TRUE(served.Put("Update\\Games\\Big\\Big.xml",
                           "<L><Directory Name=\"Big\"><File Name=\"f.bin\" Size=\"" +
                               std::to_string(kLarge) + "\" ZipSize=\"" +
                               std::to_string(ReadFile(bigZip).size()) +
                               "\" MD5=\"x\"/></Directory></L>"));
    const long long kSparse = 1500000000;
    const int kSparseFiles = InstallCheck::kReaders + 1;
    std::string sparseList = "<L><Directory Name=\"Sparse\">";
    for (int i = 0; i < kSparseFiles; ++i)
        sparseList += "<File Name=\"s" + std::to_string(i) + ".bin\" Size=\"" +
                      std::to_string(kSparse) + "\" ZipSize=\"1\" MD5=\"x\"/>";
    ASSERT_TRUE(served.Put("Update\\Games\\Sparse\\Sparse.xml", sparseList + "</Directory></L>"));
    struct Case {
        std::string url;
        const char* game;
        int state;           // cancelled a moment after this state was sent
        bool endsByItself;   // the worker (and any reader of its check) notices, rather
                             // than being left behind
    } cases[] = {
        // A call blocked in WinInet is left behind, never the worker.
        {servers::FtpMuteBase() + "/", "Demo", TASK_STATE_CONNECTING, true},
        {servers::SynDropBase() + "/", "Demo", TASK_STATE_FETCHING_LIST, true},
        {HttpUrl("_stall/"), "Demo", TASK_STATE_DOWNLOADING, true},
        {servers::FtpStallBase() + "/" + served.Name() + "/", "Demo", TASK_STATE_DOWNLOADING, true},
        {HttpUrl(), "Big", TASK_STATE_INSTALLING, true},
        {HttpUrl(), "Sparse", TASK_STATE_CHECKING, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.game + std::string(" ") + std::to_string(c.state));
        WorkFolder round;
        for (int i = 0; std::string(c.game) == "Sparse" && i < kSparseFiles; ++i) {
            const std::string local = round.Join("Games\\Sparse\\s" + std::to_string(i) + ".bin");
            ASSERT_TRUE(PutFile(local, ""));
            HANDLE file = CreateFileA(local.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                      nullptr);
            LARGE_INTEGER size;
            size.QuadPart = kSparse;
            ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file));
            CloseHandle(file);
        }
        Receiver r;
        TaskUnderTest t;
        bool reached = false;
        r.onMessage = [&](const Recorded& m) {
            reached = reached || (m.sent && m.state == c.state);
        };
        t.task->InitWithUrl(c.url.c_str(), c.game, TASK_KIND_GAME, t.item.get());
        t.task->SetReceiver(r.Handle());
        ASSERT_TRUE(t.task->Start());
        HANDLE thread = nullptr;
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), t.task->ThreadHandle(),
                                    GetCurrentProcess(), &thread, 0, FALSE, DUPLICATE_SAME_ACCESS));
        ASSERT_TRUE(testsupport::PumpUntil([&] { return reached; }, 20000)) << r.Sequence();
        testsupport::PumpFor(300);
        const size_t seen = r.Messages().size();
        const DWORD start = GetTickCount();
        EXPECT_TRUE(t.task->Cancel());
        EXPECT_LT(GetTickCount() - start, 1000u);
        testsupport::PumpFor(700);
        EXPECT_EQ(seen, r.Messages().size()) << r.Sequence();
        EXPECT_FALSE(r.HasOutcome());
        if (c.endsByItself) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
        }
        CloseHandle(thread);
        EXPECT_FALSE(testsupport::FileExists(round.Join("Games\\Big\\f.bin")));
        for (const std::string& entry : ListTree(round.Root()))
            EXPECT_EQ(std::string::npos, entry.find(".tmp")) << entry;
    }
}

TEST_F(HostileUpdateTest, ProgressFollowsALinkThatSlowsAfterABurst) {
    // Both servers send the archive's first 8 MB at once, then 10 KB per
    // second. A read that waited for much more than had arrived would hold
    // the row and the file at the burst's bytes until that much came.
    const double kEnough = (8 << 20) + 40 * 1024;   // the burst and 4 s of the rest
    const DWORD kLongestStillMs = 4000;
    ASSERT_TRUE(PublishedUpdate().PublishGame(
        served, "Burst", {{"Burst", "f.bin", servers::Pattern((8 << 20) + 96 * 1024, 5)}}));
    const std::string urls[] = {HttpUrl("_burst/"),
                                servers::FtpBurstBase() + "/" + served.Name() + "/"};
    for (const std::string& url : urls) {
        SCOPED_TRACE(url);
        WorkFolder round;
        Receiver r;
        TaskUnderTest t;
        t.task->InitWithUrl(url.c_str(), "Burst", TASK_KIND_GAME, t.item.get());
        t.task->SetReceiver(r.Handle());
        ASSERT_TRUE(t.task->Start());
        const std::string archive = round.Join("Update\\Games\\Burst\\f.bin.zip");
        Watched written, fraction;
        int32_t fastest = 0;
        const DWORD begun = GetTickCount();
        EXPECT_TRUE(testsupport::PumpUntil(
            [&] {
                if (t.item->State() != TASK_STATE_DOWNLOADING) return r.HasOutcome();
                const DWORD tick = GetTickCount();
                written.See(FileSize(archive), tick);
                fraction.See(t.item->fraction.load(), tick);
                fastest = std::max(fastest, t.item->speed.load());
                return written.value >= kEnough || tick - written.since > kLongestStillMs ||
                       tick - fraction.since > kLongestStillMs;
            },
            30000))
            << r.Sequence();
        const DWORD end = GetTickCount();
        EXPECT_GE(written.value, kEnough) << "after " << end - begun << " ms";
        EXPECT_LE(end - written.since, kLongestStillMs) << written.value << " bytes written";
        EXPECT_LE(end - fraction.since, kLongestStillMs) << "fraction " << fraction.value;
        // The row's speed moved on from the burst's.
        EXPECT_LT(t.item->speed.load(), fastest);
        EXPECT_FALSE(r.HasOutcome()) << r.Sequence();
    }
}

TEST_F(HostileUpdateTest, StopAllWaitsForThreeStuckTasksWithinOneBound) {
    // Two games, so that the two stalled tasks never share a list file.
    const char* const games[] = {"Demo", "Demo2", "Demo"};
    for (const char* game : {"Demo", "Demo2"})
        ASSERT_TRUE(PublishedUpdate().PublishGame(served, game, PublishedUpdate::DemoFiles(game)));
    const std::string urls[] = {HttpUrl("_stall/"), HttpUrl("_stall/"),
                                servers::FtpMuteBase() + "/"};
    const int blockedIn[] = {TASK_STATE_DOWNLOADING, TASK_STATE_DOWNLOADING, TASK_STATE_CONNECTING};
    TaskUnderTest tasks[3];
    for (int i = 0; i < 3; ++i) {
        tasks[i].task->InitWithUrl(urls[i].c_str(), games[i], TASK_KIND_GAME, tasks[i].item.get());
        tasks[i].task->SetReceiver(receiver.Handle());
        ASSERT_TRUE(tasks[i].task->Start());
    }
    ASSERT_TRUE(testsupport::PumpUntil(
        [&] {
            for (int i = 0; i < 3; ++i)
                if (tasks[i].item->State() != blockedIn[i]) return false;
            return true;
        },
        20000))
        << receiver.Sequence();
    testsupport::PumpFor(300);
    const size_t seen = receiver.Messages().size();
    const DWORD start = GetTickCount();
    EXPECT_EQ(
        3u, WorkerThread::StopAll({tasks[0].task.get(), tasks[1].task.get(), tasks[2].task.get()}));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_LT(elapsed, WorkerThread::kStopTimeoutMs + 400);   // one bound, not three
    testsupport::PumpFor(500);
    EXPECT_EQ(seen, receiver.Messages().size()) << receiver.Sequence();
}

TEST_F(HostileUpdateTest, FtpTransferCutShortFallsToTheNextServer) {
    const auto files = PublishedUpdate::DemoFiles("Demo");
    ASSERT_TRUE(PublishedUpdate().PublishGame(served, "Demo", files));
    const std::string shortFtp = servers::FtpShortBase() + "/" + served.Name() + "/";
    const std::string http = HttpUrl();
    std::vector<ServerRecord> records = {{0, 1, "", shortFtp.c_str()}, {0, 2, "", http.c_str()}};
    PanelServerList vector{nullptr, records.data(), records.data() + records.size(), nullptr};
    TaskUnderTest t;
    t.task->InitWithServers(&vector, 1, "Demo", TASK_KIND_GAME, t.item.get());
    t.task->SetReceiver(receiver.Handle());
    ASSERT_TRUE(RunToOutcome(*t.task, receiver));
    EXPECT_EQ(kFullRun, receiver.Sequence());
    for (const ListedFile& f : files)
        EXPECT_EQ(f.content, ReadFile(work.Join("Games\\" + f.folder + "\\" + f.name)));
    // The list came whole over FTP; the first archive was cut short there,
    // so it and the rest came over HTTP.
    EXPECT_EQ(3u, servers::LogLines("FETCHPANE_HTTP_LOG", served.Name()).size());
}
