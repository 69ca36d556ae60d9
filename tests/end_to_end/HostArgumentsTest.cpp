// What a host passes that the panel must not take: a window size past the
// public bound or one whose pixels can't be made, and URLs that would carry
// the host's own header or command into a request; and the largest size it
// takes, whose memory goes back when the window is made small again.
#include "end_to_end/PanelHost.h"

#include "host/CommittedMemory.h"

#include <cstring>
#include <string>
#include <vector>

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

#if defined(__i386__)
// A 32-bit host's address space held for the test's scope, in blocks no
// smaller than `smallest`: an allocation that large can no longer be
// placed, while the small ones the host's thread makes meanwhile still fit
// in what is left. (A 64-bit one is too large to hold: wine would keep a
// table of every page held.)
class AddressSpaceHeld {
public:
    explicit AddressSpaceHeld(size_t smallest) {
        for (size_t size = size_t(1) << 30; size >= smallest; size /= 2) {
            while (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
                blocks_.push_back(block);
        }
    }
    ~AddressSpaceHeld() {
        for (void* block : blocks_) VirtualFree(block, 0, MEM_RELEASE);
    }
    AddressSpaceHeld(const AddressSpaceHeld&) = delete;
    AddressSpaceHeld& operator=(const AddressSpaceHeld&) = delete;

private:
    std::vector<void*> blocks_;
};
#endif

}   // namespace

// Move takes any size up to the public bound, whatever the screens (a
// desktop can shrink under a running host), and refuses a negative one or
// one past the bound. A size whose pixels can't be made is refused too, and
// the window stays as it was: the failure would otherwise be told in a box
// that stops the host's thread.
TEST_F(PanelHost, MoveRefusesASizeNoScreenCouldShow) {
    OpenPanel();
    const HHOOK hook = SetWindowsHookExA(WH_CBT, &RefuseBoxes, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    const int most = PANEL_MAX_WINDOW_SIZE;
    const struct {
        int w, h;
        int taken;
    } sizes[] = {{30000, 30000, 0}, {most + 1, 300, 0}, {300, most + 1, 0}, {-1, 200, 0},
                 {600, -200, 0},    {2000, 1500, 1},    {most, 300, 1},     {300, most, 1},
                 {1024, 768, 1},    {600, 200, 1}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.w) + "x" + std::to_string(size.h));
        const std::string before = RectText(window_);
        EXPECT_EQ(size.taken, Slots()->Move(panel_, 10, 20, size.w, size.h));
        const std::string wanted = "10,20 " + std::to_string(size.w) + "x" + std::to_string(size.h);
        EXPECT_EQ(size.taken ? wanted : before, RectText(window_));
        testsupport::PumpFor(100);   // the frames go on at the size kept
    }
#if defined(__i386__)
    {
        // 4096 x 4096 needs 64 MB in one block, which no longer exists.
        AddressSpaceHeld held(16u << 20);
        EXPECT_EQ(0, Slots()->Move(panel_, 0, 0, 4096, 4096));
    }
    EXPECT_EQ("10,20 600x200", RectText(window_));
#endif
    testsupport::PumpFor(200);
    EXPECT_EQ(1, Slots()->Move(panel_, 0, 0, 4096, 4096));
    EXPECT_EQ("0,0 4096x4096", RectText(window_));
    testsupport::PumpFor(200);
    EXPECT_EQ(0, g_refusedBoxes);
    UnhookWindowsHookEx(hook);
}

// The pixels of the largest size are held while the window has it: back at
// the panel's own size, the memory committed for them is given back.
TEST_F(PanelHost, MoveBackFromTheLargestSizeGivesTheMemoryBack) {
    OpenPanel();
    testsupport::PumpFor(200);
    const int64_t before = int64_t(panelhost::CommittedBytes());
    const int most = PANEL_MAX_WINDOW_SIZE;
    ASSERT_EQ(1, Slots()->Move(panel_, -100, -50, most, most));
    testsupport::PumpFor(200);
    const int64_t large = int64_t(panelhost::CommittedBytes());
    ASSERT_EQ(1, Slots()->Move(panel_, 300, 420, 600, 200));
    testsupport::PumpFor(200);
    const int64_t after = int64_t(panelhost::CommittedBytes());
    const int64_t megabyte = 1 << 20;
    EXPECT_GT(large - before, 250 * megabyte);   // 8192 x 8192 pixels are 256 MB
    EXPECT_LT(after - before, 4 * megabyte);
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
