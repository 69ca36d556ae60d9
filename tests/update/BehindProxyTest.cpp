// Update tasks behind a caching proxy: squid (tools/test-servers) set as the
// system proxy, in front of the local HTTP server. Its files are made ten
// days old, so squid keeps its copies fresh for two days: whatever the task
// gets from the cache instead of the origin shows.
#include "TaskFixture.h"

#include <gtest/gtest.h>

using namespace taskfixture;

namespace {

class BehindProxy : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_SERVERS();
        REQUIRE_PROXY_PREFIX();
        ASSERT_TRUE(servers::SetSystemProxy(servers::ProxyAt("FETCHPANE_PROXY_PORT")));
    }
    void TearDown() override { servers::SetSystemProxy(""); }

    std::string HttpUrl() const { return servers::HttpBase() + "/" + served.Name() + "/"; }

    // Runs a task for `game` from `url` to its outcome; its sequence, and
    // the time it took in *ms.
    std::string Run(const std::string& url, const char* game, DWORD* ms = nullptr,
                    DWORD timeoutMs = 20000) {
        Receiver receiver;
        TaskUnderTest t;
        t.task->InitWithUrl(url.c_str(), game, TASK_KIND_GAME, t.item.get());
        t.task->SetReceiver(receiver.Handle());
        const DWORD start = GetTickCount();
        const bool ended = RunToOutcome(*t.task, receiver, timeoutMs);
        if (ms) *ms = GetTickCount() - start;
        return ended ? receiver.Sequence() : "no outcome: " + receiver.Sequence();
    }

    // The lines of squid's log and of the origin's that name this test's files.
    std::vector<std::string> ProxyLines(size_t atLeast = 0) const {
        return servers::ProxyLogLines(served.Name(), atLeast);
    }
    std::vector<std::string> OriginLines() const {
        return servers::LogLines("FETCHPANE_HTTP_LOG", served.Name());
    }

    bool Installed(const std::string& game, const std::vector<ListedFile>& files) const {
        for (const ListedFile& f : files) {
            const std::string path = work.Join("Games\\" + f.folder + "\\" + f.name);
            if (!testsupport::FileExists(path) || ReadFile(path) != f.content) return false;
        }
        return testsupport::FileExists(work.Join("Games\\" + game + "\\version.check"));
    }

    WorkFolder work;
    servers::ServedFolder served{"proxy"};
};

size_t Count(const std::vector<std::string>& lines, const std::string& needle) {
    size_t n = 0;
    for (const std::string& line : lines)
        if (line.find(needle) != std::string::npos) ++n;
    return n;
}

}   // namespace

// A fresh install, a run with nothing to do, and a run after the origin
// published a new version with one file changed: each run gets the list the
// origin holds at that moment, never the proxy's cached copy, and installs
// that version byte for byte.
TEST_F(BehindProxy, EachRunInstallsTheVersionTheOriginHoldsNow) {
    auto files = PublishedUpdate::DemoFiles("Demo");
    PublishedUpdate update;
    ASSERT_TRUE(update.PublishGame(served, "Demo", files));
    ASSERT_TRUE(served.MadeDaysAgo(10));

    struct Step {
        const char* what;
        const char* changedText;   // published before the run as a.txt's new text
        const char* sequence;
        size_t archivesFetched;
    } steps[] = {
        {"fresh install", nullptr, kFullRun, 3},
        {"run again", nullptr, kNothingToFetch, 0},
        {"version 2 published: one file changed", "version 2 of a.txt", kFullRun, 1},
    };
    size_t lists = 0, archives = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.changedText) {
            files[1].content = step.changedText;
            ASSERT_TRUE(update.PublishGame(served, "Demo", files));
        }
        EXPECT_EQ(step.sequence, Run(HttpUrl(), "Demo"));
        EXPECT_TRUE(Installed("Demo", files));
        EXPECT_EQ(Md5Hex(update.ListXml()), ReadFile(work.Join("Games\\Demo\\version.check")));
        // The origin was asked for the list and for each archive fetched.
        lists += 1;
        archives += step.archivesFetched;
        const std::vector<std::string> origin = OriginLines();
        EXPECT_EQ(lists, Count(origin, "/Demo.xml "));
        EXPECT_EQ(archives, Count(origin, ".zip "));
    }
    // Every request went through the proxy, and on to the origin.
    const std::vector<std::string> proxied = ProxyLines(lists + archives);
    EXPECT_EQ(lists + archives, proxied.size());
    EXPECT_EQ(lists + archives, OriginLines().size());
    EXPECT_EQ(0u, Count(proxied, "_HIT/")) << proxied.back();
    // Each asked for the origin's copy in both ways caches read.
    EXPECT_EQ(proxied.size(), Count(proxied, " \"no-cache\" \"no-cache\""));
}

// A large game through the proxy (too large for squid's memory cache).
TEST_F(BehindProxy, ALargeGameIsInstalled) {
    const std::vector<ListedFile> files = {{"Large", "large.bin", servers::Pattern(65 << 20, 9)}};
    ASSERT_TRUE(PublishedUpdate().PublishGame(served, "Large", files));
    EXPECT_EQ(kFullRun, Run(HttpUrl(), "Large", nullptr, 110000));
    EXPECT_TRUE(Installed("Large", files));
    EXPECT_EQ(2u, ProxyLines(2).size());
}

// A missing list, a proxy that is down and one that demands a login each
// fail at once, with nothing installed. The task asks for the list twice.
TEST_F(BehindProxy, WhatTheProxyCantGetFailsAtOnce) {
    const auto files = PublishedUpdate::DemoFiles("Demo");
    ASSERT_TRUE(PublishedUpdate().PublishGame(served, "Demo", files));
    ASSERT_TRUE(served.MadeDaysAgo(10));
    const DWORD kAtOnceMs = 5000;
    struct Row {
        const char* what;
        std::string proxy;
        const char* game;
        // In squid's line for each request (none when there is no proxy):
        // its tag, then the status. The tag may gain "_ABORTED" when the
        // module closes before the error page's end.
        const char* proxyTag;
        const char* proxyStatus;
    } rows[] = {
        {"404 through the proxy", servers::ProxyAt("FETCHPANE_PROXY_PORT"), "Missing",
         " TCP_MISS", "/404 "},
        {"proxy down", servers::ProxyAt("FETCHPANE_DEAD_PORT"), "Demo", nullptr, nullptr},
        {"proxy demands a login", servers::ProxyAt("FETCHPANE_PROXY_LOGIN_PORT"), "Demo",
         " TCP_DENIED", "/407 "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(servers::SetSystemProxy(row.proxy));
        const size_t before = ProxyLines().size();
        DWORD ms = 0;
        EXPECT_EQ("S32 S33 X33", Run(HttpUrl(), row.game, &ms));
        EXPECT_LE(ms, kAtOnceMs);
        EXPECT_FALSE(testsupport::FileExists(work.Join("Games\\" + std::string(row.game))));
        const size_t asked = row.proxyTag ? 2 : 0;
        const std::vector<std::string> lines = ProxyLines(before + asked);
        ASSERT_EQ(before + asked, lines.size());
        for (size_t i = before; i < lines.size(); ++i) {
            const size_t tag = lines[i].find(row.proxyTag);
            EXPECT_NE(std::string::npos, tag) << lines[i];
            EXPECT_NE(std::string::npos, lines[i].find(row.proxyStatus, tag)) << lines[i];
        }
    }
    EXPECT_EQ(2u, OriginLines().size()) << "only the missing list reaches the origin";
}

// FTP is not sent to the HTTP proxy: it goes straight to its server.
TEST_F(BehindProxy, FtpGoesStraightToItsServer) {
    const auto files = PublishedUpdate::DemoFiles("Demo");
    ASSERT_TRUE(PublishedUpdate().PublishGame(served, "Demo", files));
    EXPECT_EQ(kFullRun, Run(servers::FtpBase() + "/" + served.Name() + "/", "Demo"));
    EXPECT_TRUE(Installed("Demo", files));
    EXPECT_FALSE(servers::LogLines("FETCHPANE_FTP_LOG", served.Name()).empty());
    EXPECT_TRUE(ProxyLines().empty());
}
