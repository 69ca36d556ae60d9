// The demo's sample game (tools/make-sample-game) is a real update: served
// as written, a task brings the older install up to date, fetching only
// what changed, and a second run finds nothing left to do.
#include "TaskFixture.h"
#include "host/SkinInstall.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace taskfixture;

TEST(SampleGame, UpdatesTheOlderInstallAndFetchesOnlyWhatChanged) {
    REQUIRE_TEST_SERVERS();
    const std::string sample = testsupport::ExeFolder() + "\\sample_game";
    servers::ServedFolder served("sample");
    WorkFolder work;
    ASSERT_TRUE(skininstall::CopyTree(sample + "\\server", served.Path()));
    ASSERT_TRUE(skininstall::CopyTree(sample + "\\root", work.Root()));
    const std::string url = servers::HttpBase() + "/" + served.Name() + "/";

    auto run = [&](TaskUnderTest& t, Receiver& receiver) {
        t.task->InitWithUrl(url.c_str(), "Starfall", TASK_KIND_GAME, t.item.get());
        t.task->SetReceiver(receiver.Handle());
        return RunToOutcome(*t.task, receiver);
    };
    auto archivesFetched = [&] {
        std::vector<std::string> names;
        for (const std::string& line : servers::LogLines("FETCHPANE_HTTP_LOG", served.Name())) {
            // "GET /<folder>/Update/Games/.../<file>.zip HTTP/1.0"
            const size_t end = line.rfind(' '), file = line.rfind('/', end) + 1;
            if (line.compare(end - 4, 4, ".zip") == 0)
                names.push_back(line.substr(file, end - file));
        }
        std::sort(names.begin(), names.end());
        return names;
    };

    Receiver first;
    TaskUnderTest update;
    ASSERT_TRUE(run(update, first)) << first.Sequence();
    EXPECT_EQ('F', first.Sequence().back()) << first.Sequence();
    EXPECT_EQ("星落", update.item->displayName);
    EXPECT_EQ((std::vector<std::string>{"Starfall.dat.zip", "game.ini.zip", "maps.pak.zip",
                                        "music.pak.zip"}),
              archivesFetched());
    EXPECT_EQ(Md5Hex(ReadFile(served.Path() + "\\Update\\Games\\Starfall\\Starfall.xml")),
              ReadFile(work.Join("Games\\Starfall\\version.check")));

    Receiver second;
    TaskUnderTest again;
    ASSERT_TRUE(run(again, second)) << second.Sequence();
    EXPECT_EQ('F', second.Sequence().back()) << second.Sequence();
    EXPECT_EQ(0, again.item->totalBytes.load());
    EXPECT_EQ(4u, archivesFetched().size());
}
