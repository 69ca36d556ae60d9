// What a host passes that the panel must not take: a window size no screen
// could show, and URLs that would carry the host's own header or command
// into a request.
#include "end_to_end/PanelHost.h"

#include <cstring>
#include <string>

using namespace e2e;

namespace {

// Dialog boxes (a message box's class) the test's thread would have
// opened while hooked: each is refused, since a modal box stops the host's
// thread until a person answers it.
int g_refusedBoxes = 0;

LRESULT CALLBACK RefuseBoxes(int code, WPARAM wParam, LPARAM lParam) {
    char name[16] = {};
    const HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && GetClassNameA(window, name, sizeof name) &&
        std::strcmp(name, "#32770") == 0) {
        ++g_refusedBoxes;
        return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string RectText(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

}   // namespace

// A size larger than the desktop's screens together, or a negative one, is
// refused and the window stays as it was: making a surface that large could
// fail, and its failure would stop the host in a box. A size the desktop
// can show is taken.
TEST_F(PanelHost, MoveRefusesASizeNoScreenCouldShow) {
    OpenPanel();
    const HHOOK hook = SetWindowsHookExA(WH_CBT, &RefuseBoxes, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    const int screenW = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int screenH = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const std::string placed = RectText(window_);
    const struct {
        int w, h;
    } refused[] = {{30000, 30000},     {8000, 8000}, {screenW + 1, 200},
                   {600, screenH + 1}, {-1, 200},    {600, -200}};
    for (const auto& size : refused) {
        SCOPED_TRACE(std::to_string(size.w) + "x" + std::to_string(size.h));
        EXPECT_EQ(0, Slots()->Move(panel_, 10, 20, size.w, size.h));
        EXPECT_EQ(placed, RectText(window_));
    }
    testsupport::PumpFor(200);   // the frames go on at the kept size
    EXPECT_EQ(0, g_refusedBoxes);

    EXPECT_EQ(1, Slots()->Move(panel_, 0, 0, screenW, screenH));
    EXPECT_EQ("0,0 " + std::to_string(screenW) + "x" + std::to_string(screenH), RectText(window_));
    testsupport::PumpFor(200);
    EXPECT_EQ(0, g_refusedBoxes);
    UnhookWindowsHookEx(hook);
}

// Both add slots refuse a URL holding a control byte, in any of the host's
// server records too: nothing is listed and no server is asked. A good URL
// then finds the list empty.
TEST_F(PanelHost, AddSlotsRefuseAUrlHoldingAControlByte) {
    OpenPanel();
    const std::string good = GamesUrl();
    const std::string bad[] = {good + "\r\nX-Evil: 1\r\n",
                               good + "Starfall\n",
                               good + "\t",
                               good + "\x7F",
                               good + std::string(1, '\x01') + "/",
                               servers::FtpBase() + "/" + served_.Name() + "/\r\nDELE x"};
    for (const std::string& url : bad) {
        SCOPED_TRACE(url);
        EXPECT_EQ(0, Slots()->AddUpdateTask(panel_, url.c_str(), "Starfall", PANEL_KIND_GAME));
        const PanelServerRecord records[] = {{0, 2, nullptr, good.c_str()},
                                             {0, 1, nullptr, url.c_str()}};
        const PanelServerList servers = {nullptr, records, records + 2, nullptr};
        EXPECT_EQ(
            0, Slots()->AddUpdateTaskByServers(panel_, &servers, 2, "Starfall", PANEL_KIND_GAME));
    }
    testsupport::PumpFor(500);
    EXPECT_TRUE(servers::LogLines("FETCHPANE_HTTP_LOG", served_.Name()).empty());
    EXPECT_TRUE(servers::LogLines("FETCHPANE_FTP_LOG", served_.Name()).empty());

    ASSERT_EQ(1, AddGame("Starfall"));
    ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FINISHED, 60000)) << host_.Lines();
    ExpectNotifications("FINISHED (0 left) \"Starfall\"\n");
}
