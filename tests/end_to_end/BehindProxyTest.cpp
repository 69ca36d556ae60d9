// The module as it ships, behind a caching proxy: squid (tools/test-servers)
// set as the system proxy, in front of the local HTTP server, whose files
// are made ten days old so that squid keeps its copies fresh for two days.
#include "end_to_end/PanelHost.h"
#include "end_to_end/SampleGames.h"

using namespace e2e;

namespace {

class BehindProxy : public PanelHost {
protected:
    void SetUp() override {
        REQUIRE_PROXY_PREFIX();
        ASSERT_TRUE(servers::SetSystemProxy(servers::ProxyAt("FETCHPANE_PROXY_PORT")));
        PanelHost::SetUp();
    }
    void TearDown() override {
        PanelHost::TearDown();
        servers::SetSystemProxy("");
    }
};

}   // namespace

// A game updated, then run again with nothing to do: each request, the
// second run's list too, goes through the proxy and on to the origin.
TEST_F(BehindProxy, AGameIsUpdatedAndRunAgainThroughTheProxy) {
    ASSERT_TRUE(served_.MadeDaysAgo(10));
    OpenPanel(false);
    for (size_t run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        ASSERT_EQ(1, AddGame("Starfall"));
        ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FINISHED, 60000, run)) << host_.Lines();
        ExpectInstalled(root_.Path(), "Starfall");
    }
    ExpectNotifications("FINISHED (0 left) \"Starfall\"\nFINISHED (0 left) \"Starfall\"\n");
    // The list and four archives, then the list again.
    const std::vector<std::string> origin = servers::LogLines("FETCHPANE_HTTP_LOG", served_.Name());
    EXPECT_EQ(6u, origin.size());
    EXPECT_EQ(origin.size(), servers::ProxyLogLines(served_.Name(), origin.size()).size());
}
