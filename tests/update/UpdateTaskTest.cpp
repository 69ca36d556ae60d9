// Update tasks end to end against the local HTTP and FTP servers: the exact
// message sequences, installs, failures of each state, fallback, time-outs.
#include "TaskFixture.h"
#include "engine/core/WorkPath.h"
#include "update/UpdateTaskCore.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace taskfixture;

namespace {

class UpdateTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_SERVERS();
        ASSERT_NE(nullptr, receiver.Handle())
            << "no receiver window (error " << GetLastError() << "): is DISPLAY set?";
    }

    std::string HttpUrl(const std::string& route = "") const {
        return servers::HttpBase() + "/" + route + served.Name() + "/";
    }
    std::string FtpUrl() const { return servers::FtpBase() + "/" + served.Name() + "/"; }

    // Sets the task up from one URL and runs it to its outcome.
    void RunUrl(TaskUnderTest& t, const std::string& url, const char* name, int kind) {
        t.task->InitWithUrl(url.c_str(), name, kind, t.item.get());
        t.task->SetReceiver(receiver.Handle());
        ASSERT_TRUE(RunToOutcome(*t.task, receiver)) << receiver.Sequence();
    }

    // Rewrites a game's list so that it states the size of each archive now
    // served (for tests that replace an archive with another one).
    void Relist(const std::string& game, const std::vector<ListedFile>& files) {
        std::map<std::string, int64_t> zipSizes;
        for (const ListedFile& f : files)
            zipSizes[f.folder + "\\" + f.name] = int64_t(
                ReadFile(served.Path() + "\\Update\\Games\\" + f.folder + "\\" + f.name + ".zip")
                    .size());
        ASSERT_TRUE(served.Put("Update\\Games\\" + game + "\\" + game + ".xml",
                               PublishedUpdate::ListXmlFor("Demo Game", game, files, zipSizes)));
    }

    std::vector<std::string> HttpLines() const {
        return servers::LogLines("FETCHPANE_HTTP_LOG", served.Name());
    }
    std::string UpgradeLog() const { return ReadFile(work.Join("upgrade.log")); }
    bool DemoInstalled(const std::vector<ListedFile>& files) const {
        for (const ListedFile& f : files)
            if (ReadFile(work.Join("Games\\" + f.folder + "\\" + f.name)) != f.content ||
                !testsupport::FileExists(work.Join("Games\\" + f.folder + "\\" + f.name)))
                return false;
        return true;
    }

    WorkFolder work;
    servers::ServedFolder served{"task"};
    Receiver receiver;
};

}   // namespace

TEST_F(UpdateTaskTest, GameOverHttpInstallsThenFindsNothingToDo) {
    PublishedUpdate update;
    const auto files = PublishedUpdate::DemoFiles("Demo");
    ASSERT_TRUE(update.PublishGame(served, "Demo", files));

    TaskUnderTest first;
    RunUrl(first, HttpUrl(), "Demo", TASK_KIND_GAME);
    EXPECT_EQ(kFullRun, receiver.Sequence());
    for (const Recorded& r : receiver.Messages()) {
        EXPECT_EQ(reinterpret_cast<WPARAM>(first.item.get()), r.wParam);
        // Only state changes are sent; each arrives with its state already set.
        if (r.sent) {
            EXPECT_EQ(UINT(WM_TASK_PROGRESS), r.message);
        }
    }
    const Recorded& outcome = receiver.Messages().back();
    EXPECT_EQ(reinterpret_cast<LPARAM>(first.task.get()), outcome.lParam);
    EXPECT_EQ(update.ZipSizeSum(), first.item->totalBytes.load());
    EXPECT_EQ("Demo Game", first.item->displayName);
    // The last block of the last file was reported.
    float lastBlock = -1;
    for (const Recorded& r : receiver.Messages())
        if (r.message == WM_TASK_PROGRESS && !r.sent) lastBlock = r.fraction;
    EXPECT_FLOAT_EQ(1.0f, lastBlock);

    EXPECT_TRUE(DemoInstalled(files));
    EXPECT_TRUE(testsupport::FileExists(work.Join("Games\\Demo\\data\\sub\\b.bin")));
    EXPECT_EQ(Md5Hex(update.ListXml()), ReadFile(work.Join("Games\\Demo\\version.check")));
    EXPECT_FALSE(testsupport::FileExists(work.Join("Update\\Games\\Demo")));
    EXPECT_TRUE(work.OutsideRoot().empty());
    for (const std::string& line : HttpLines())
        EXPECT_EQ(" HTTP/1.0", line.substr(line.size() - 9)) << line;
    EXPECT_EQ(4u, HttpLines().size());

    // A second run downloads nothing and still writes the version file.
    DeleteFileA(work.Join("Games\\Demo\\version.check").c_str());
    Receiver second;
    TaskUnderTest again;
    again.task->InitWithUrl(HttpUrl().c_str(), "Demo", TASK_KIND_GAME, again.item.get());
    again.task->SetReceiver(second.Handle());
    ASSERT_TRUE(RunToOutcome(*again.task, second));
    EXPECT_EQ(kNothingToFetch, second.Sequence());
    EXPECT_EQ(0, again.item->totalBytes.load());
    EXPECT_EQ(Md5Hex(update.ListXml()), ReadFile(work.Join("Games\\Demo\\version.check")));
    EXPECT_EQ(5u, HttpLines().size());   // only the list again
}

TEST_F(UpdateTaskTest, GameOverFtpFetchesOnlyChangedFiles) {
    PublishedUpdate update;
    const auto files = PublishedUpdate::DemoFiles("Demo");
    ASSERT_TRUE(update.PublishGame(served, "Demo", files));
    // c.dat current, a.txt the right size with other bytes, b.bin missing.
    ASSERT_TRUE(PutFile(work.Join("Games\\Demo\\c.dat"), files[0].content));
    ASSERT_TRUE(PutFile(work.Join("Games\\Demo\\data\\a.txt"), "9876543210"));

    TaskUnderTest t;
    RunUrl(t, FtpUrl(), "Demo", TASK_KIND_GAME);
    EXPECT_EQ(kFullRun, receiver.Sequence());
    EXPECT_TRUE(DemoInstalled(files));
    EXPECT_EQ(int32_t(update.Archives().at("Update\\Games\\Demo\\data\\a.txt.zip").size() +
                      update.Archives().at("Update\\Games\\Demo\\data\\sub\\b.bin.zip").size()),
              t.item->totalBytes.load());
    // One folder change per fetched file: the list, a.txt and b.bin.
    auto lines = servers::LogLines("FETCHPANE_FTP_LOG", served.Name());
    ASSERT_EQ(3u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("/Update/Games/Demo/"));
    EXPECT_NE(std::string::npos, lines[1].find("/Update/Games/Demo/data/"));
    EXPECT_NE(std::string::npos, lines[2].find("/Update/Games/Demo/data/sub/"));
    EXPECT_EQ(Md5Hex(update.ListXml()), ReadFile(work.Join("Games\\Demo\\version.check")));
}

TEST_F(UpdateTaskTest, LobbyOverHttpKeepsArchivesAndSetsTheFlag) {
    PublishedUpdate update;
    const std::vector<ListedFile> files = {
        {"Lobby", "Patchwell.exe", "MZ-updater"},
        {"Lobby", "lobby.dll", servers::Pattern(1500, 5)},
        {"Lobby\\res", "skin.dat", servers::Pattern(700, 6)},
    };
    ASSERT_TRUE(update.PublishLobby(served, files));
    ASSERT_TRUE(PutFile(work.Join("Config.ini"), "[Other]\r\nk=v\r\n[Version]\r\nupdate=0\r\n"));
    // A stale unpacked list from an earlier run must not be read.
    ASSERT_TRUE(PutFile(work.Join("Update\\Lobby\\Lobby.xml"), "<stale/>"));

    TaskUnderTest t;
    RunUrl(t, HttpUrl(), "Lobby", TASK_KIND_LOBBY);
    EXPECT_EQ(kFullRun, receiver.Sequence());
    EXPECT_EQ("MZ-updater", ReadFile(work.Join("Patchwell.exe")));
    EXPECT_FALSE(testsupport::FileExists(work.Join("Update\\Lobby\\Patchwell.exe.zip")));
    EXPECT_FALSE(testsupport::FileExists(work.Join("lobby.dll")));
    EXPECT_EQ(update.Archives().at("Update\\Lobby\\lobby.dll.zip"),
              ReadFile(work.Join("Update\\Lobby\\lobby.dll.zip")));
    EXPECT_EQ(update.Archives().at("Update\\Lobby\\res\\skin.dat.zip"),
              ReadFile(work.Join("Update\\Lobby\\res\\skin.dat.zip")));
    EXPECT_EQ(update.ListXml(), ReadFile(work.Join("Update\\Lobby\\Lobby.xml")));
    EXPECT_TRUE(testsupport::FileExists(work.Join("Update\\Lobby\\Lobby.xml.zip")));
    std::string ini = ReadFile(work.Join("Config.ini"));
    EXPECT_NE(std::string::npos, ini.find("[Other]\r\nk=v\r\n")) << ini;
    EXPECT_NE(std::string::npos, ini.find("[Version]\r\nupdate=1\r\n")) << ini;
    EXPECT_TRUE(work.OutsideRoot().empty());
}

TEST_F(UpdateTaskTest, LobbyOverFtpCreatesConfig) {
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishLobby(served, {{"Lobby", "Patchwell.exe", "MZ"}}));
    TaskUnderTest t;
    RunUrl(t, FtpUrl(), "Lobby", TASK_KIND_LOBBY);
    EXPECT_EQ("S32 S33 S34 CB CP+ CE S35 DB P+ DE S36 F", receiver.Sequence());
    EXPECT_EQ("MZ", ReadFile(work.Join("Patchwell.exe")));
    std::string ini = ReadFile(work.Join("Config.ini"));
    EXPECT_NE(std::string::npos, ini.find("[VERSION]\r\nUpdate=1")) << ini;
}

TEST_F(UpdateTaskTest, MissingListIsTriedTwiceThenFails33) {
    TaskUnderTest t;
    RunUrl(t, HttpUrl(), "Demo", TASK_KIND_GAME);
    EXPECT_EQ("S32 S33 X33", receiver.Sequence());
    auto lines = HttpLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("GET /" + served.Name() + "/Update/Games/Demo/Demo.xml HTTP/1.0", lines[0]);
    EXPECT_EQ(lines[0], lines[1]);
}

TEST_F(UpdateTaskTest, MissingArchiveFails35AndIsLogged) {
    PublishedUpdate update;
    const auto files = PublishedUpdate::DemoFiles("Broken");
    ASSERT_TRUE(update.PublishGame(served, "Broken", files));
    DeleteFileA((served.Path() + "\\Update\\Games\\Broken\\data\\a.txt.zip").c_str());
    TaskUnderTest t;
    RunUrl(t, HttpUrl(), "Broken", TASK_KIND_GAME);
    EXPECT_EQ("S32 S33 S34 CB CP+ CE S35 DB P+ X35", receiver.Sequence());
    EXPECT_NE(std::string::npos,
              UpgradeLog().find("服务器不存在Update\\Games\\Broken\\data\\a.txt.zip文件"))
        << UpgradeLog();
    EXPECT_FALSE(testsupport::FileExists(work.Join("Games\\Broken\\version.check")));
}

TEST_F(UpdateTaskTest, CorruptArchiveFails36) {
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishGame(served, "BadZip", {{"BadZip", "y.dat", "payload"}}));
    ASSERT_TRUE(served.Put("Update\\Games\\BadZip\\y.dat.zip", servers::Pattern(300, 3)));
    // The list states the size of what is served: only the archive's content is broken.
    Relist("BadZip", {{"BadZip", "y.dat", "payload"}});
    TaskUnderTest t;
    RunUrl(t, HttpUrl(), "BadZip", TASK_KIND_GAME);
    EXPECT_EQ("S32 S33 S34 CB CP+ CE S35 DB P+ DE S36 X36", receiver.Sequence());
    EXPECT_FALSE(testsupport::FileExists(work.Join("Games\\BadZip\\y.dat")));
    EXPECT_FALSE(testsupport::FileExists(work.Join("Games\\BadZip\\version.check")));
}

TEST_F(UpdateTaskTest, ArchiveNotMatchingItsListEntryFails36) {
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishGame(served, "Odd", {{"Odd", "y.dat", "listed bytes"}}));
    ASSERT_TRUE(
        MakeZip(served.Path() + "\\Update\\Games\\Odd\\y.dat.zip", {{"y.dat", "other bytes!"}}));
    TaskUnderTest t;
    RunUrl(t, HttpUrl(), "Odd", TASK_KIND_GAME);
    EXPECT_EQ("X36", receiver.Sequence().substr(receiver.Sequence().size() - 3));
    EXPECT_FALSE(testsupport::FileExists(work.Join("Games\\Odd\\version.check")));
}

TEST_F(UpdateTaskTest, ListWithoutDirectoryFails34) {
    ASSERT_TRUE(served.Put("Update\\Games\\NoDir\\NoDir.xml", "<UpdateList Name=\"n\"/>"));
    TaskUnderTest t;
    RunUrl(t, HttpUrl(), "NoDir", TASK_KIND_GAME);
    EXPECT_EQ("S32 S33 S34 X34", receiver.Sequence());
}

TEST_F(UpdateTaskTest, TraversalInTheListFails34AndTouchesNothing) {
    ASSERT_TRUE(PutFile(work.Join("Games\\keep.txt"), "keep"));
    const char* names[] = {"..\\..\\evil.txt", "..\\..\\..\\evil.txt", "C:\\evil.txt", "\\evil.txt",
                           "../../evil.txt"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(served.Put(
            "Update\\Games\\Evil\\Evil.xml",
            std::string("<UpdateList Name=\"e\"><Directory Name=\"Evil\">"
                        "<File Name=\"") +
                name + "\" Size=\"4\" ZipSize=\"10\" MD5=\"x\"/></Directory></UpdateList>"));
        Receiver r;
        TaskUnderTest t;
        t.task->InitWithUrl(HttpUrl().c_str(), "Evil", TASK_KIND_GAME, t.item.get());
        t.task->SetReceiver(r.Handle());
        ASSERT_TRUE(RunToOutcome(*t.task, r));
        EXPECT_EQ("S32 S33 S34 X34", r.Sequence());
    }
    EXPECT_TRUE(work.OutsideRoot().empty());
    for (const std::string& entry : ListTree(work.Root()))
        EXPECT_EQ(std::string::npos, entry.find("evil")) << entry;
    for (const std::string& line : HttpLines()) EXPECT_EQ(std::string::npos, line.find("evil"));
    EXPECT_EQ("keep", ReadFile(work.Join("Games\\keep.txt")));
}

TEST_F(UpdateTaskTest, ZipSlipArchiveFails36AndWritesNothingOutside) {
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishGame(served, "Slip", {{"Slip", "s.dat", "fine"}}));
    ASSERT_TRUE(MakeZip(served.Path() + "\\Update\\Games\\Slip\\s.dat.zip",
                        {{"../../../slip.txt", "gotcha"}, {"s.dat", "fine"}}));
    Relist("Slip", {{"Slip", "s.dat", "fine"}});
    TaskUnderTest t;
    RunUrl(t, HttpUrl(), "Slip", TASK_KIND_GAME);
    EXPECT_EQ("X36", receiver.Sequence().substr(receiver.Sequence().size() - 3));
    EXPECT_TRUE(work.OutsideRoot().empty());
    for (const std::string& entry : ListTree(work.Root()))
        EXPECT_EQ(std::string::npos, entry.find("slip.txt")) << entry;
}

TEST_F(UpdateTaskTest, UnsafeTaskNameFails33BeforeAnyRequest) {
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishGame(served, "Demo", PublishedUpdate::DemoFiles("Demo")));
    ASSERT_TRUE(PutFile(work.Join("Update\\keep.txt"), "keep"));
    const char* names[] = {"..\\..", "..", "", "Demo\\..\\..", "C:\\x", "a/b"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        Receiver r;
        TaskUnderTest t;
        t.task->InitWithUrl(HttpUrl().c_str(), name, TASK_KIND_GAME, t.item.get());
        t.task->SetReceiver(r.Handle());
        ASSERT_TRUE(RunToOutcome(*t.task, r));
        EXPECT_EQ("S32 S33 X33", r.Sequence());
    }
    EXPECT_TRUE(HttpLines().empty());
    EXPECT_EQ("keep", ReadFile(work.Join("Update\\keep.txt")));
    EXPECT_TRUE(work.OutsideRoot().empty());
}

TEST_F(UpdateTaskTest, TruncatedArchiveFails35) {
    PublishedUpdate update;
    ASSERT_TRUE(
        update.PublishGame(served, "Demo", {{"Demo", "big.dat", servers::Pattern(20000, 8)}}));
    TaskUnderTest t;
    RunUrl(t, HttpUrl("_short/"), "Demo", TASK_KIND_GAME);
    const std::string sequence = receiver.Sequence();
    EXPECT_EQ("X35", sequence.substr(sequence.size() - 3)) << sequence;
    EXPECT_EQ(std::string::npos, sequence.find("DE"));
    EXPECT_FALSE(testsupport::FileExists(work.Join("Games\\Demo\\big.dat")));
}

TEST_F(UpdateTaskTest, StalledServerTimesOut) {
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishGame(served, "Demo", PublishedUpdate::DemoFiles("Demo")));
    TaskUnderTest t;
    t.task->SetNetworkTimeouts(3000, 700);
    DWORD start = GetTickCount();
    RunUrl(t, HttpUrl("_stall/"), "Demo", TASK_KIND_GAME);
    // The list fits in the first kilobyte; the first archive stalls, twice.
    EXPECT_EQ("X35", receiver.Sequence().substr(receiver.Sequence().size() - 3))
        << receiver.Sequence();
    EXPECT_LT(GetTickCount() - start, 8000u);
}

TEST_F(UpdateTaskTest, FallsBackFromADeadServer) {
    PublishedUpdate update;
    const auto files = PublishedUpdate::DemoFiles("Demo");
    ASSERT_TRUE(update.PublishGame(served, "Demo", files));
    const std::string dead = servers::DeadBase() + "/" + served.Name() + "/";
    const std::string deadFtp = "ftp://127.0.0.1:" + servers::Env("FETCHPANE_DEAD_PORT") + "/";
    const std::string live = HttpUrl();
    std::vector<ServerRecord> records = {
        {0, 1, "", live.c_str()}, {0, 2, "", dead.c_str()}, {0, 2, "", deadFtp.c_str()}};
    PanelServerList vector{nullptr, records.data(), records.data() + records.size(), nullptr};

    TaskUnderTest t;
    t.task->InitWithServers(&vector, 2, "Demo", TASK_KIND_GAME, t.item.get());
    EXPECT_EQ((std::vector<std::string>{dead, deadFtp, live}), t.task->ServerList());
    t.task->SetReceiver(receiver.Handle());
    ASSERT_TRUE(RunToOutcome(*t.task, receiver));
    EXPECT_EQ(kFullRun, receiver.Sequence());
    EXPECT_TRUE(DemoInstalled(files));
    std::string log = UpgradeLog();
    EXPECT_TRUE(log.find("Server:" + dead) != std::string::npos ||
                log.find("Server:" + deadFtp) != std::string::npos)
        << log;
}

TEST_F(UpdateTaskTest, FallsBackWhenAServerLacksAFile) {
    servers::ServedFolder partial("partial");
    PublishedUpdate update, copy;
    const auto files = PublishedUpdate::DemoFiles("Demo");
    ASSERT_TRUE(update.PublishGame(served, "Demo", files));
    ASSERT_TRUE(copy.PublishGame(partial, "Demo", files));
    DeleteFileA((partial.Path() + "\\Update\\Games\\Demo\\data\\a.txt.zip").c_str());
    const std::string first = servers::FtpBase() + "/" + partial.Name();   // no trailing '/'
    const std::string second = HttpUrl();
    std::vector<ServerRecord> records = {{0, 5, "", first.c_str()}, {0, 6, "", second.c_str()}};
    PanelServerList vector{nullptr, records.data(), records.data() + records.size(), nullptr};

    TaskUnderTest t;
    t.task->InitWithServers(&vector, 5, "Demo", TASK_KIND_GAME, t.item.get());
    t.task->SetReceiver(receiver.Handle());
    ASSERT_TRUE(RunToOutcome(*t.task, receiver));
    EXPECT_EQ(kFullRun, receiver.Sequence());
    EXPECT_TRUE(DemoInstalled(files));
    // The missing file and the one after it came from the second server.
    auto lines = HttpLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("a.txt.zip"));
    EXPECT_NE(std::string::npos, lines[1].find("b.bin.zip"));
    // Fractions never pass 1 although a download was repeated.
    for (const Recorded& r : receiver.Messages()) EXPECT_LE(r.fraction, 1.0f);
}

TEST_F(UpdateTaskTest, OtherKindsDownloadButInstallNothing) {
    PublishedUpdate update;
    ASSERT_TRUE(served.Put(
        "Tool.xml", PublishedUpdate::ListXmlFor("Tool", "Tool", {{"Tool", "t.bin", "x"}}, {})));
    ASSERT_TRUE(MakeZip(served.Path() + "\\t.bin.zip", {{"t.bin", "x"}}));
    TaskUnderTest t;
    RunUrl(t, HttpUrl(), "Tool", 1);
    EXPECT_EQ("S32 S33 S34 CB CP+ CE S35 DB P+ DE S36 F", receiver.Sequence());
    EXPECT_TRUE(testsupport::FileExists(work.Join("Tool.xml")));
    EXPECT_TRUE(testsupport::FileExists(work.Join("t.bin.zip")));
    EXPECT_FALSE(testsupport::FileExists(work.Join("t.bin")));
    EXPECT_FALSE(testsupport::FileExists(work.Join("Games")));
}

TEST_F(UpdateTaskTest, KeepsTheRootItWasSetUpWith) {
    PublishedUpdate update;
    const auto files = PublishedUpdate::DemoFiles("Demo");
    ASSERT_TRUE(update.PublishGame(served, "Demo", files));
    testsupport::TempFolder elsewhere;
    TaskUnderTest t;
    t.task->InitWithUrl(HttpUrl().c_str(), "Demo", TASK_KIND_GAME, t.item.get());
    t.task->SetReceiver(receiver.Handle());
    ASSERT_EQ(1, Nuvex::SetWorkPath(elsewhere.Path().c_str()));
    ASSERT_TRUE(RunToOutcome(*t.task, receiver));
    EXPECT_EQ(kFullRun, receiver.Sequence());
    EXPECT_TRUE(DemoInstalled(files));
    EXPECT_TRUE(ListTree(elsewhere.Path()).empty());
}

TEST_F(UpdateTaskTest, BlockProgressIsPacedAndTheLastBlockReported) {
    PublishedUpdate update;
    const std::vector<ListedFile> files = {{"Big", "big.bin", servers::Pattern(3 << 20, 21)},
                                           {"Big", "small.bin", "tiny"}};
    ASSERT_TRUE(update.PublishGame(served, "Big", files));
    TaskUnderTest t;
    DWORD start = GetTickCount();
    RunUrl(t, HttpUrl(), "Big", TASK_KIND_GAME);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ("S32 S33 S34 CB CP+ CE S35 DB P+ DE S36 F", receiver.Sequence());
    size_t posts = receiver.Count(WM_TASK_PROGRESS, false);
    // Over 3000 blocks arrived; at most one post per 30 ms plus one per file end.
    EXPECT_LE(posts, elapsed / UpdateTaskCore::kProgressPostIntervalMs + 1 + files.size());
    EXPECT_GE(posts, files.size());
    // The message before DOWNLOAD_END is the last block of the last file.
    const auto& m = receiver.Messages();
    for (size_t i = 1; i < m.size(); ++i)
        if (m[i].message == WM_TASK_DOWNLOAD_END) {
            EXPECT_FLOAT_EQ(1.0f, m[i - 1].fraction);
        }
    EXPECT_TRUE(DemoInstalled(files));
}

TEST_F(UpdateTaskTest, CheckProgressIsPacedForLongLists) {
    PublishedUpdate update;
    std::vector<ListedFile> files;
    for (int i = 0; i < 250; ++i)
        files.push_back({"Many", "f" + std::to_string(i) + ".txt", std::to_string(i)});
    ASSERT_TRUE(update.PublishGame(served, "Many", files));
    TaskUnderTest t;
    DWORD start = GetTickCount();
    RunUrl(t, HttpUrl(), "Many", TASK_KIND_GAME);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ("S32 S33 S34 CB CP+ CE S35 DB P+ DE S36 F", receiver.Sequence());
    // 250 entries checked: one post at the first, one at the last and at
    // most one per interval between them, so a long list cannot flood the queue.
    size_t posts = receiver.Count(WM_TASK_CHECK_PROGRESS, false);
    EXPECT_GE(posts, 2u);
    EXPECT_LE(posts, elapsed / UpdateTaskCore::kProgressPostIntervalMs + 2);
    const auto& m = receiver.Messages();
    for (size_t i = 1; i < m.size(); ++i)
        if (m[i].message == WM_TASK_CHECK_END) {
            EXPECT_EQ(UINT(WM_TASK_CHECK_PROGRESS), m[i - 1].message);
            EXPECT_FLOAT_EQ(1.0f, m[i - 1].fraction);
        }
    EXPECT_TRUE(DemoInstalled(files));
}

TEST_F(UpdateTaskTest, CancelFromInsideEachStateReturnsPromptly) {
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishGame(served, "Demo", PublishedUpdate::DemoFiles("Demo")));
    for (int state = TASK_STATE_CONNECTING; state <= TASK_STATE_INSTALLING; ++state) {
        SCOPED_TRACE(state);
        WorkFolder round;
        Receiver r;
        TaskUnderTest t;
        bool cancelled = false;
        DWORD cancelMs = 0;
        size_t seenAtCancel = 0;
        // The worker waits in its send of this state while the handler cancels.
        r.onMessage = [&](const Recorded& m) {
            if (cancelled || !m.sent || m.state != state) return;
            cancelled = true;
            DWORD start = GetTickCount();
            t.task->Cancel();
            cancelMs = GetTickCount() - start;
            seenAtCancel = r.Messages().size();
        };
        t.task->InitWithUrl(HttpUrl().c_str(), "Demo", TASK_KIND_GAME, t.item.get());
        t.task->SetReceiver(r.Handle());
        ASSERT_TRUE(t.task->Start());
        ASSERT_TRUE(testsupport::PumpUntil([&] { return cancelled; }, 20000)) << r.Sequence();
        testsupport::PumpFor(700);
        EXPECT_LT(cancelMs, 1000u);
        EXPECT_EQ(seenAtCancel, r.Messages().size()) << r.Sequence();
        EXPECT_FALSE(r.HasOutcome());
        EXPECT_FALSE(t.task->IsAlive());
        EXPECT_FALSE(testsupport::FileExists(round.Join("Games\\Demo\\version.check")));
        if (state == TASK_STATE_DOWNLOADING) {
            EXPECT_FALSE(testsupport::FileExists(round.Join("Games\\Demo\\c.dat")));
        }
    }
}

namespace {

// Cancels from a posted block message while a throttled transfer runs.
void CancelDuringTransfer(const std::string& url, Receiver& r, WorkFolder& work) {
    TaskUnderTest t;
    bool cancelled = false;
    DWORD cancelMs = 0;
    size_t seenAtCancel = 0;
    r.onMessage = [&](const Recorded& m) {
        if (cancelled || m.sent || m.message != WM_TASK_PROGRESS) return;
        cancelled = true;
        DWORD start = GetTickCount();
        EXPECT_TRUE(t.task->Cancel());
        cancelMs = GetTickCount() - start;
        seenAtCancel = r.Messages().size();
    };
    t.task->InitWithUrl(url.c_str(), "Big", TASK_KIND_GAME, t.item.get());
    t.task->SetReceiver(r.Handle());
    ASSERT_TRUE(t.task->Start());
    ASSERT_TRUE(testsupport::PumpUntil([&] { return cancelled; }, 20000)) << r.Sequence();
    testsupport::PumpFor(1000);
    EXPECT_LT(cancelMs, 1000u);
    // Posts issued before the cancel may still arrive; no outcome, no end.
    for (size_t i = seenAtCancel; i < r.Messages().size(); ++i)
        EXPECT_EQ(UINT(WM_TASK_PROGRESS), r.Messages()[i].message);
    EXPECT_EQ(0u, r.Count(WM_TASK_DOWNLOAD_END, false));
    EXPECT_FALSE(r.HasOutcome());
    EXPECT_FALSE(testsupport::FileExists(work.Join("Games\\Big\\big.dat")));
}

}   // namespace

TEST_F(UpdateTaskTest, CancelDuringAThrottledHttpDownload) {
    PublishedUpdate update;
    ASSERT_TRUE(
        update.PublishGame(served, "Big", {{"Big", "big.dat", servers::Pattern(400000, 4)}}));
    CancelDuringTransfer(HttpUrl("_slow/"), receiver, work);
}

TEST_F(UpdateTaskTest, CancelDuringAThrottledFtpDownload) {
    PublishedUpdate update;
    ASSERT_TRUE(
        update.PublishGame(served, "Big", {{"Big", "big.dat", servers::Pattern(400000, 4)}}));
    CancelDuringTransfer(servers::FtpSlowBase() + "/" + served.Name() + "/", receiver, work);
}

TEST_F(UpdateTaskTest, CancelRightAfterStartSendsNothing) {
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishGame(served, "Demo", PublishedUpdate::DemoFiles("Demo")));
    TaskUnderTest t;
    t.task->InitWithUrl(HttpUrl().c_str(), "Demo", TASK_KIND_GAME, t.item.get());
    t.task->SetReceiver(receiver.Handle());
    ASSERT_TRUE(t.task->Start());
    DWORD start = GetTickCount();
    t.task->Cancel();
    EXPECT_LT(GetTickCount() - start, 1000u);
    testsupport::PumpFor(500);
    EXPECT_TRUE(receiver.Messages().empty()) << receiver.Sequence();
    EXPECT_FALSE(t.task->Cancel());   // nothing left to stop
}

TEST_F(UpdateTaskTest, CancelAfterTheOutcomeChangesNothing) {
    PublishedUpdate update;
    const auto files = PublishedUpdate::DemoFiles("Demo");
    ASSERT_TRUE(update.PublishGame(served, "Demo", files));
    TaskUnderTest t;
    RunUrl(t, HttpUrl(), "Demo", TASK_KIND_GAME);
    size_t seen = receiver.Messages().size();
    t.task->Cancel();   // true only if it catches the thread on its way out
    EXPECT_FALSE(t.task->Cancel());
    testsupport::PumpFor(200);
    EXPECT_EQ(seen, receiver.Messages().size());
    EXPECT_TRUE(DemoInstalled(files));
}

// A task left behind by a Cancel whose wait ran out, in a read that stalled
// or at a server that accepts and never answers, ends on its receive
// time-out without a word. Stuck before its file was begun, it keeps off
// that file: by then the panel, opened again over the same root, may be
// fetching it itself.
TEST_F(UpdateTaskTest, TaskLeftBehindOnAStalledServerStaysSilentAndKeepsOffItsFile) {
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishGame(served, "Demo", PublishedUpdate::DemoFiles("Demo")));
    const std::string mute = "http://127.0.0.1:" + servers::Env("FETCHPANE_FTP_MUTE_PORT") + "/";
    const struct {
        std::string url;
        int state;          // stuck once this state was sent
        const char* file;   // the file it was fetching then, or was to fetch
    } stalls[] = {
        {HttpUrl("_stall/"), TASK_STATE_DOWNLOADING, "Update\\Games\\Demo\\c.dat.zip"},
        {mute, TASK_STATE_FETCHING_LIST, "Update\\Games\\Demo\\Demo.xml"},
    };
    receiver.readItems = false;   // the item is freed while messages could still come
    for (const auto& stall : stalls) {
        SCOPED_TRACE(stall.url);
        auto t = std::unique_ptr<TaskUnderTest>(new TaskUnderTest);
        t->task->SetNetworkTimeouts(3000, 1500);
        t->task->SetStopTimeout(300);
        bool stuck = false;
        receiver.onMessage = [&](const Recorded& m) {
            stuck = stuck || (m.sent && m.state == stall.state);
        };
        t->task->InitWithUrl(stall.url.c_str(), "Demo", TASK_KIND_GAME, t->item.get());
        t->task->SetReceiver(receiver.Handle());
        ASSERT_TRUE(t->task->Start());
        HANDLE thread = nullptr;
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), t->task->ThreadHandle(),
                                    GetCurrentProcess(), &thread, 0, FALSE, DUPLICATE_SAME_ACCESS));
        ASSERT_TRUE(testsupport::PumpUntil([&] { return stuck; }, 20000));
        testsupport::PumpFor(300);   // now inside the stalled call
        size_t seen = receiver.Messages().size();
        DWORD start = GetTickCount();
        EXPECT_TRUE(t->task->Cancel());   // the wait runs out: the thread is left behind
        EXPECT_LT(GetTickCount() - start, 1000u);
        t.reset();   // task and item freed as the panel does
        const std::string later = "fetched by the next task";
        if (stall.file) ASSERT_TRUE(PutFile(work.Join(stall.file), later));
        EXPECT_TRUE(testsupport::PumpUntil(
            [&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 20000));
        CloseHandle(thread);
        EXPECT_EQ(seen, receiver.Messages().size()) << receiver.Sequence();
        if (stall.file) EXPECT_EQ(later, ReadFile(work.Join(stall.file)));
    }
}

namespace {

// Stands in for a receiver queue that is full: every post is refused while
// `g_queueFull` is set, as Windows refuses them at 10,000 queued messages.
std::atomic<bool> g_queueFull{false};
std::atomic<int> g_refused{0};

BOOL WINAPI FullQueuePost(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_queueFull.load()) {
        ++g_refused;
        return FALSE;
    }
    return PostMessageA(window, message, wParam, lParam);
}

struct FullQueue {
    FullQueue() {
        g_queueFull = true;
        g_refused = 0;
        UpdateTaskCore::SetPostFunction(&FullQueuePost);
    }
    ~FullQueue() { UpdateTaskCore::SetPostFunction(nullptr); }
};

}   // namespace

TEST_F(UpdateTaskTest, OutcomeIsRetriedUntilTheQueueTakesIt) {
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishGame(served, "Demo", PublishedUpdate::DemoFiles("Demo")));
    FullQueue full;
    TaskUnderTest t;
    bool installing = false;
    receiver.onMessage = [&](const Recorded& m) {
        if (m.sent && m.state == TASK_STATE_INSTALLING) installing = true;
    };
    t.task->InitWithUrl(HttpUrl().c_str(), "Demo", TASK_KIND_GAME, t.item.get());
    t.task->SetReceiver(receiver.Handle());
    ASSERT_TRUE(t.task->Start());
    // Every post is refused: only the sent states arrive, and the outcome waits.
    ASSERT_TRUE(testsupport::PumpUntil([&] { return installing; }, 20000));
    ASSERT_TRUE(testsupport::PumpUntil([&] { return g_refused.load() > 20; }, 5000));
    EXPECT_EQ("S32 S33 S34 S35 S36", receiver.Sequence());
    EXPECT_TRUE(t.task->IsAlive());
    g_queueFull = false;   // the receiver catches up
    ASSERT_TRUE(testsupport::PumpUntil([&] { return receiver.HasOutcome(); }, 5000));
    EXPECT_EQ(UINT(WM_TASK_FINISHED), receiver.Messages().back().message);
    EXPECT_TRUE(testsupport::FileExists(work.Join("Games\\Demo\\version.check")));
}

TEST_F(UpdateTaskTest, CancelEndsTheRetriesOfAnOutcome) {
    FullQueue full;
    TaskUnderTest t;
    t.task->InitWithUrl(HttpUrl().c_str(), "Missing", TASK_KIND_GAME, t.item.get());
    t.task->SetReceiver(receiver.Handle());
    ASSERT_TRUE(t.task->Start());
    ASSERT_TRUE(testsupport::PumpUntil([&] { return g_refused.load() > 5; }, 20000));
    DWORD start = GetTickCount();
    EXPECT_TRUE(t.task->Cancel());
    EXPECT_LT(GetTickCount() - start, 1000u);
    g_queueFull = false;
    testsupport::PumpFor(300);
    EXPECT_FALSE(receiver.HasOutcome());
}

TEST_F(UpdateTaskTest, BrokenLobbyListFails34WithoutAStaleList) {
    ASSERT_TRUE(served.Put("Update\\Lobby\\Lobby.xml.zip", servers::Pattern(400, 9)));
    // An earlier run's list, whose files are all current, must not pass for the new one.
    ASSERT_TRUE(PutFile(work.Join("Update\\Lobby\\Lobby.xml"),
                        "<L><Directory Name=\"Lobby\"><Directory Name=\"e\"/></Directory></L>"));
    TaskUnderTest t;
    RunUrl(t, HttpUrl(), "Lobby", TASK_KIND_LOBBY);
    EXPECT_EQ("S32 S33 S34 X34", receiver.Sequence());
    EXPECT_FALSE(testsupport::FileExists(work.Join("Update\\Lobby\\Lobby.xml")));
    EXPECT_FALSE(testsupport::FileExists(work.Join("Config.ini")));
}
