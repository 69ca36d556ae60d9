// Servers on which a download can't progress: a port that drops SYNs, a
// reply or an FTP banner that never ends, a passive data port that drops
// SYNs, a data connection that goes silent, a body that pauses past the
// patience. WinInet heeds no time-out in any of them; the task gives each up
// on its own clock, goes on to the next server, and its worker ends.
#include "TaskFixture.h"

#include <gtest/gtest.h>

#include <memory>

using namespace taskfixture;

namespace {

// Quick clocks: connect 2 s, receive 3 s; the patience is then 10 s.
const DWORD kConnectMs = 2000;
const DWORD kReceiveMs = 3000;
const DWORD kPatienceMs = kConnectMs + kReceiveMs + 5000;
// What an outcome may take beyond its bound on a busy machine.
const DWORD kSlackMs = 4000;

class StuckServerTest : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_TEST_SERVERS(); }

    std::string Good(const char* route = "") const {
        return servers::HttpBase() + "/" + route + served.Name() + "/";
    }
    std::string OnFtp(const std::string& base) const { return base + "/" + served.Name() + "/"; }

    WorkFolder work;
    servers::ServedFolder served{"stuck"};
};

// One task of the table, run beside the others.
struct Running {
    std::string what;
    std::string game;
    std::vector<std::string> urls;   // tried in this order
    const char* outcome;             // the sequence's last token
    DWORD boundMs;
    TaskUnderTest t;
    Receiver receiver;
    std::vector<ServerRecord> records;
    PanelServerList list{};
    HANDLE thread = nullptr;
    DWORD endedAt = 0;
    ~Running() {
        if (thread) CloseHandle(thread);
    }

    void Start() {
        // The first server alone in the group asked for, the others after it.
        for (size_t i = 0; i < urls.size(); ++i)
            records.push_back(ServerRecord{0, i == 0 ? 1 : 2, "", urls[i].c_str()});
        list = PanelServerList{nullptr, records.data(), records.data() + records.size(), nullptr};
        t.task->InitWithServers(&list, 1, game.c_str(), TASK_KIND_GAME, t.item.get());
        t.task->SetNetworkTimeouts(kConnectMs, kReceiveMs);
        t.task->SetReceiver(receiver.Handle());
        ASSERT_TRUE(t.task->Start());
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), t.task->ThreadHandle(), GetCurrentProcess(),
                                    &thread, 0, FALSE, DUPLICATE_SAME_ACCESS));
    }
};

}   // namespace

TEST_F(StuckServerTest, EachWayOfGettingStuckIsGivenUpOnTheModulesClock) {
    const std::string synHttp = servers::SynDropBase("http") + "/";
    const std::string synFtp = servers::SynDropBase("ftp") + "/";
    const std::string headerNeverEnds = Good("_headtrickle/0/");
    struct Row {
        const char* what;
        std::vector<std::string> urls;
        const char* outcome;
        DWORD boundMs;
    } rows[] = {
        {"HTTP port drops SYNs", {synHttp}, "X33", kConnectMs},
        {"FTP port drops SYNs", {synFtp}, "X33", kConnectMs},
        {"HTTP header never ends", {headerNeverEnds}, "X33", kPatienceMs},
        {"FTP banner never ends", {servers::FtpTrickleBase() + "/"}, "X33", kPatienceMs},
        {"FTP passive port drops SYNs", {OnFtp(servers::FtpDeadPasvBase())}, "X33", kPatienceMs},
        {"FTP data goes silent", {OnFtp(servers::FtpStallBase())}, "X35", kPatienceMs},
        {"HTTP body pauses past the receive time-out", {Good("_pause/20/")}, "X33", kPatienceMs},
        {"HTTP SYNs dropped, then a good server", {synHttp, Good()}, "F", kConnectMs},
        {"FTP SYNs dropped, then a good server", {synFtp, Good()}, "F", kConnectMs},
        {"HTTP header never ends, then a good server", {headerNeverEnds, Good()}, "F",
         kPatienceMs},
        {"FTP banner never ends, then a good server", {servers::FtpTrickleBase() + "/", Good()},
         "F", kPatienceMs},
    };
    std::vector<std::unique_ptr<Running>> tasks;
    for (const Row& row : rows) {
        std::unique_ptr<Running> r(new Running);
        r->what = row.what;
        r->game = "G" + std::to_string(tasks.size());
        r->urls = row.urls;
        r->outcome = row.outcome;
        r->boundMs = row.boundMs;
        ASSERT_TRUE(PublishedUpdate().PublishGame(served, r->game,
                                                  PublishedUpdate::DemoFiles(r->game)));
        tasks.push_back(std::move(r));
    }
    const DWORD start = GetTickCount();
    for (auto& r : tasks) r->Start();
    testsupport::PumpUntil(
        [&] {
            bool all = true;
            for (auto& r : tasks) {
                if (!r->endedAt && r->receiver.HasOutcome()) r->endedAt = GetTickCount();
                all = all && r->endedAt;
            }
            return all;
        },
        kPatienceMs * 2 + 2 * kSlackMs);
    for (auto& r : tasks) {
        SCOPED_TRACE(r->what);
        const std::string sequence = r->receiver.Sequence();
        ASSERT_TRUE(r->endedAt) << "no outcome: " << sequence;
        const std::string last = sequence.substr(sequence.rfind(' ') + 1);
        EXPECT_EQ(r->outcome, last) << sequence;
        EXPECT_LE(r->endedAt - start, r->boundMs + kSlackMs);
        // The worker ends with its outcome, whatever WinInet still holds.
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(r->thread, 2000));
        if (std::string(r->outcome) == "F") {
            for (const ListedFile& f : PublishedUpdate::DemoFiles(r->game))
                EXPECT_EQ(f.content, ReadFile(work.Join("Games\\" + f.folder + "\\" + f.name)))
                    << f.name;
        }
    }
}
