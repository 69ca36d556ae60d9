// What the user does on the panel, seen by the host: cancelling busy
// downloads one by one and all at once, and a host that closes the panel
// when it is told. These cases move the display's pointer, so they run one
// at a time (the build locks the pointer for every suite named ...Clicks).
#include "end_to_end/PanelHost.h"

using namespace e2e;

namespace {

class PanelClicks : public PanelHost {
protected:
    // Clicks, then waits for the notification the click causes; how long the
    // click took to be answered, its work (stopping tasks) included.
    DWORD ClickAndWait(POINT at, int code, size_t count = 1) {
        const DWORD start = GetTickCount();
        Click(at);
        EXPECT_TRUE(WaitFor(code, 5000, count)) << host_.Lines();
        return GetTickCount() - start;
    }
};

}   // namespace

TEST_F(PanelClicks, CancelAndCancelAllStopBusyDownloadsAtOnce) {
    OpenPanel();
    for (const char* game : {"Starfall", "Moonfall", "Sunspire"})
        ASSERT_EQ(1, AddGame(game, "_slow/"));
    for (const char* game : {"Starfall", "Moonfall", "Sunspire"})
        ASSERT_TRUE(WaitUntilDownloading(game)) << game;

    // The first download is selected as it was added.
    EXPECT_LT(ClickAndWait(kCancelButton, PANEL_NOTIFY_CANCELLED), 1000u);
    EXPECT_TRUE(WaitUntilAbandoned("Starfall"));
    EXPECT_FALSE(WaitUntilAbandoned("Moonfall", 300)) << "a download still listed stopped";
    // Nothing is selected now: cancel does nothing.
    Click(kCancelButton);
    testsupport::PumpFor(300);
    ExpectNotifications("CANCELLED (2 left) \"Starfall\"\n");

    // The second row (Sunspire, after Moonfall) is picked and cancelled.
    Click(kSecondRow);
    EXPECT_LT(ClickAndWait(kCancelButton, PANEL_NOTIFY_CANCELLED, 2), 1000u);
    EXPECT_LT(ClickAndWait(kCancelAllButton, PANEL_NOTIFY_ALL_CANCELLED), 1000u);
    EXPECT_TRUE(WaitUntilAbandoned("Sunspire"));
    EXPECT_TRUE(WaitUntilAbandoned("Moonfall"));

    // No cancelled download reports anything later.
    testsupport::PumpFor(1000);
    ExpectNotifications(
        "CANCELLED (2 left) \"Starfall\"\nCANCELLED (1 left) \"Sunspire\"\nALL_CANCELLED (arg "
        "0)\n");
    EXPECT_FALSE(testsupport::FileExists(root_.Join("Games\\Moonfall\\version.check")));
}

// A host closes the panel when the user cancels: from inside the cancel
// notification with Destroy, from inside the cancel-all one with Release.
TEST_F(PanelClicks, TheHostClosesThePanelInsideACancelNotification) {
    const struct {
        POINT button;
        int code;
        bool release;
        const char *first, *second;   // games not fetched before in this test
    } cases[] = {
        {kCancelButton, PANEL_NOTIFY_CANCELLED, false, "Starfall", "Moonfall"},
        {kCancelAllButton, PANEL_NOTIFY_ALL_CANCELLED, true, "Sunspire", "Sunspire"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.release ? "cancel all, Release" : "cancel, Destroy");
        OpenPanel();
        const HWND window = window_;
        host_.Clear();
        ASSERT_EQ(1, AddGame(c.first, "_slow/"));
        if (std::string(c.second) != c.first) {
            ASSERT_EQ(1, AddGame(c.second, "_slow/"));
        }
        ASSERT_TRUE(WaitUntilDownloading(c.second));
        CloseInsideTheNextNotification(c.release);
        Click(c.button);
        ASSERT_TRUE(WaitFor(c.code, 5000)) << host_.Lines();
        EXPECT_TRUE(WaitUntilAbandoned(c.second));
        ExpectClosedInside(window);
    }
}
