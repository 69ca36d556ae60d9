// The panel's main job as a host sees it: downloads that finish, fail, are
// refused past three, and a panel the host or the system closes while they
// run.
#include "end_to_end/PanelHost.h"
#include "end_to_end/SampleGames.h"

#include <cstring>

using namespace e2e;
using panelhost::Notification;

namespace {

// The one notification of a download that ended: its code, arg and text.
void ExpectOutcome(const panelhost::HostWindow& host, HWND panel, int code, int arg,
                   const char* text) {
    ASSERT_EQ(1u, host.Notifications().size()) << host.Lines();
    const Notification& n = host.Notifications().front();
    EXPECT_EQ(code, n.code) << host.Lines();
    EXPECT_EQ(arg, n.arg) << host.Lines();
    EXPECT_TRUE(n.hasText);
    EXPECT_EQ(text, n.text);
    EXPECT_EQ(panel, n.panel);
}

}   // namespace

TEST_F(PanelHost, AGameIsUpdatedFromOneUrl) {
    OpenPanel();
    ASSERT_EQ(1, AddGame("Starfall"));
    ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FINISHED, 60000)) << host_.Lines();
    ExpectOutcome(host_, window_, PANEL_NOTIFY_FINISHED, 0, "Starfall");
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
    ExpectOutcome(host_, window_, PANEL_NOTIFY_FINISHED, 0, "Starfall");
    ExpectInstalled(root_.Path(), "Starfall");
}

TEST_F(PanelHost, AnUnreachableServerFailsWhileTheListIsFetched) {
    OpenPanel();
    const std::string url = servers::DeadBase() + "/";
    ASSERT_EQ(1, Slots()->AddUpdateTask(panel_, url.c_str(), "Starfall", PANEL_KIND_GAME));
    ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FAILED, 30000)) << host_.Lines();
    ExpectOutcome(host_, window_, PANEL_NOTIFY_FAILED, (PANEL_STATE_LIST << 16) | 0, "Starfall");
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
    ExpectOutcome(host_, window_, PANEL_NOTIFY_FAILED, (PANEL_STATE_LIST << 16) | 2, "Sunspire");
    EXPECT_EQ(1, AddGame("Sunspire", "_slow/"));
    EXPECT_EQ(0, AddGame("Other", "_slow/"));
    testsupport::PumpFor(300);
    EXPECT_EQ(1u, host_.Notifications().size()) << host_.Lines();
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
        int destroyed = -1;
        host_.Clear();
        host_.onNotify = [&](const Notification&) {
            if (release) {
                ReleasePanel();
            } else {
                destroyed = Slots()->Destroy(panel_, 0);
            }
        };
        ASSERT_EQ(1, Slots()->AddUpdateTask(panel_, dead.c_str(), "Starfall", PANEL_KIND_GAME));
        ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FAILED, 30000)) << host_.Lines();
        host_.onNotify = nullptr;
        testsupport::PumpFor(300);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(0, ReceiverWindows());
        EXPECT_EQ(1u, host_.Notifications().size()) << host_.Lines();
        if (release) continue;
        EXPECT_EQ(1, destroyed);
        EXPECT_EQ(nullptr, Slots()->GetWindow(panel_));
        EXPECT_EQ(0, AddGame("Starfall"));
        ReleasePanel();
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

    const std::string url = GamesUrl();
    PanelServerRecord record = {0, 0, nullptr, url.c_str()};
    PanelServerList servers = {nullptr, &record, &record + 1, nullptr};
    EXPECT_EQ(nullptr, Slots()->GetWindow(panel_));
    EXPECT_EQ(0, Slots()->Destroy(panel_, 0));
    EXPECT_EQ(0, Slots()->Move(panel_, 0, 0, 600, 200));
    EXPECT_EQ(0, Slots()->Show(panel_, 1));
    EXPECT_EQ(0, Slots()->ShowAt(panel_, 0, 0, nullptr));
    EXPECT_EQ(0, Slots()->Spare(panel_));
    EXPECT_EQ(0, AddGame("Moonfall"));
    EXPECT_EQ(0, Slots()->AddUpdateTaskByServers(panel_, &servers, 0, "Moonfall", PANEL_KIND_GAME));
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
