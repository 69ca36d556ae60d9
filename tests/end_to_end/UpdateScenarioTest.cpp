// The panel's main job as a host sees it: downloads that finish, fail, are
// refused past three, and a panel the host or the system closes while they
// run.
#include "end_to_end/PanelHost.h"
#include "end_to_end/SampleGames.h"

#include <cstring>

using namespace e2e;

TEST_F(PanelHost, AGameIsUpdatedFromOneUrl) {
    OpenPanel();
    ASSERT_EQ(1, AddGame("Starfall"));
    ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FINISHED, 60000)) << host_.Lines();
    ExpectNotifications("FINISHED (0 left) \"Starfall\"\n");
    ExpectInstalled(root_.Path(), "Starfall");
}

// The requested group's server is used; the record's text is copied when
// the download is added (the host may reuse its buffers at once).
TEST_F(PanelHost, AGameIsUpdatedFromTheRequestedGroupOfServers) {
    OpenPanel();
    char dead[128], good[128];
    std::snprintf(dead, sizeof dead, "%s/", servers::DeadBase().c_str());
    std::snprintf(good, sizeof good, "%s", GamesUrl().c_str());
    PanelServerRecord records[] = {{0, 1, nullptr, dead}, {0, 2, nullptr, good}};
    PanelServerList servers = {nullptr, records, records + 2, nullptr};
    ASSERT_EQ(1, Slots()->AddUpdateTaskByServers(panel_, &servers, 2, "Starfall", PANEL_KIND_GAME));
    std::memset(good, 'x', sizeof good - 1);
    std::memset(dead, 'x', sizeof dead - 1);
    ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FINISHED, 60000)) << host_.Lines();
    ExpectNotifications("FINISHED (0 left) \"Starfall\"\n");
    ExpectInstalled(root_.Path(), "Starfall");
}

TEST_F(PanelHost, AnUnreachableServerFailsWhileTheListIsFetched) {
    OpenPanel();
    const std::string url = servers::DeadBase() + "/";
    ASSERT_EQ(1, Slots()->AddUpdateTask(panel_, url.c_str(), "Starfall", PANEL_KIND_GAME));
    ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FAILED, 30000)) << host_.Lines();
    ExpectNotifications("FAILED (state 33, 0 left) \"Starfall\"\n");
    EXPECT_FALSE(testsupport::FileExists(root_.Join("Games\\Starfall\\Starfall.dat")));
    EXPECT_FALSE(testsupport::FileExists(root_.Join("Games\\Starfall\\version.check")));
}

// At most three downloads are listed; a place that frees up takes a new one.
TEST_F(PanelHost, ThreeDownloadsAreListedAndAFourthIsRefused) {
    OpenPanel();
    const std::string dead = servers::DeadBase() + "/";
    PanelServerRecord record = {0, 0, nullptr, dead.c_str()};
    PanelServerList servers = {nullptr, &record, &record + 1, nullptr};
    EXPECT_EQ(1, AddGame("Starfall", "_slow/"));
    EXPECT_EQ(1, AddGame("Moonfall", "_slow/"));
    EXPECT_EQ(1, Slots()->AddUpdateTask(panel_, dead.c_str(), "Sunspire", PANEL_KIND_GAME));
    EXPECT_EQ(0, AddGame("Starfall", "_slow/"));
    EXPECT_EQ(0, Slots()->AddUpdateTaskByServers(panel_, &servers, 0, "Other", PANEL_KIND_GAME));

    ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FAILED, 30000)) << host_.Lines();
    EXPECT_EQ(1, AddGame("Sunspire", "_slow/"));
    EXPECT_EQ(0, AddGame("Other", "_slow/"));
    testsupport::PumpFor(300);
    ExpectNotifications("FAILED (state 33, 2 left) \"Sunspire\"\n");
}

// The natural reaction to a notification: closing the panel from inside the
// handler, with Destroy or with Release. The panel is gone when the handler
// returns, and nothing of it is left once the messages have run.
TEST_F(PanelHost, TheHostClosesThePanelInsideTheFailureNotification) {
    const std::string dead = servers::DeadBase() + "/";
    for (const bool release : {false, true}) {
        SCOPED_TRACE(release ? "Release" : "Destroy");
        OpenPanel();
        const HWND window = window_;
        host_.Clear();
        CloseInsideTheNextNotification(release);
        ASSERT_EQ(1, Slots()->AddUpdateTask(panel_, dead.c_str(), "Starfall", PANEL_KIND_GAME));
        ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FAILED, 30000)) << host_.Lines();
        ExpectClosedInside(window);
    }
}

// The system's close (WM_CLOSE) ends the panel window with a download
// running: the download stops, and every slot then acts as after Destroy.
TEST_F(PanelHost, AfterTheSystemClosedThePanelEverySlotActsAsDestroyed) {
    OpenPanel();
    ASSERT_EQ(1, AddGame("Starfall", "_slow/"));
    ASSERT_TRUE(WaitUntilDownloading("Starfall"));
    SendMessageA(window_, WM_CLOSE, 0, 0);
    testsupport::PumpFor(300);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_TRUE(WaitUntilAbandoned("Starfall")) << "the download went on";
    ExpectNoWindow(panel_);
    EXPECT_EQ(1, Slots()->SetText(panel_, "kept"));
    EXPECT_STREQ("kept", Slots()->GetText(panel_));
    testsupport::PumpFor(1000);
    EXPECT_TRUE(host_.Notifications().empty()) << host_.Lines();

    // As after Destroy, the object can make a new window; Release frees all.
    EXPECT_NE(nullptr,
              Slots()->Create(panel_, "Fetchpane", host_.Handle(), 0, root_.Path().c_str()));
    ReleasePanel();
    EXPECT_EQ(0, ReceiverWindows());
}
