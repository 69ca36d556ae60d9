#include "PanelFixture.h"

#include <cstdio>

#include "engine/core/WorkPath.h"
#include "engine/graphics/SurfacePool.h"
#include "host/SkinInstall.h"
#include "panel/PanelExports.h"
#include "panel/PanelSkin.h"
#include "panel/SkinStyles.h"

namespace {

// The pointer the engine's windows see.
POINT g_at = {-100, -100};
HWND g_over = nullptr;
struct TestPointer {
    static BOOL WINAPI Where(LPPOINT point) { return *point = g_at, TRUE; }
    static HWND WINAPI Under(POINT) { return g_over; }
};
const GuiShell::PointerQuery kTestPointer = {&TestPointer::Where, &TestPointer::Under};

}   // namespace

void FrameTest::SetUp() {
    ASSERT_EQ(1, PanelModelInit());
    ASSERT_TRUE(skininstall::Install(root.Path()));
    StartFrame();
}

void FrameTest::TearDown() {
    StopFrame();
    EXPECT_EQ(1, PanelModelExit());
}

void FrameTest::StartFrame() {
    ASSERT_EQ(1, Nuvex::SetWorkPath(root.Path().c_str()));
    ASSERT_EQ(1, PanelSkin::Load());
    surfaceWindow_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
    shell_.reset(new GuiShell(nullptr, 0));
    ASSERT_EQ(1, shell_->AttachSurface(Nuvex::CreateSurface(surfaceWindow_, 600, 200)));
    frame_ = new DownloadMainFrame;
    ASSERT_EQ(1, frame_->CreateWithAnimation("frame", skin::kBodyStyle, 600, 200, nullptr, 0));
    ASSERT_EQ(1, shell_->AddChild(frame_, 0, 0));
    frame_->SetHostWindow(host.hwnd());
}

void FrameTest::StopFrame() {
    shell_.reset();
    if (surfaceWindow_) DestroyWindow(surfaceWindow_);
}

void PanelTest::StartFrame() {
    GuiShell::SetPointerQuery(&kTestPointer);
    panel = PanelInterfaceCreate();
    ASSERT_NE(nullptr, panel);
    hwnd = panel->Create("Fetchpane", host.hwnd(), 0, root.Path().c_str());
    ASSERT_NE(nullptr, hwnd);
    ASSERT_NE(nullptr, panel->Frame());
}

void PanelTest::StopFrame() {
    if (panel) panel->Release();
    GuiShell::SetPointerQuery(nullptr);
}

void PanelTest::Click(int x, int y, UINT down) {
    g_at = {x, y};
    ClientToScreen(hwnd, &g_at);
    g_over = hwnd;
    const LPARAM at = MAKELPARAM(x, y);
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, at);
    SendMessageA(hwnd, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, at);
    SendMessageA(hwnd, down + 1, 0, at);
}

DownloadItem* FrameTest::ListItem(const char* key) {
    DownloadItem* item = new DownloadItem;
    item->key = key;
    item->fraction = 0.01f;
    item->task = new UpdateTask;
    EXPECT_LT(0, List()->AddItem(item));
    return item;
}

void FrameTest::SendTask(UINT message, DownloadItem* item, LPARAM lParam) {
    SendMessageA(Frame()->Receiver(), message, WPARAM(item), lParam);
}

std::string FrameTest::SlowListsUrl(std::initializer_list<const char*> games) {
    served.reset(new servers::ServedFolder("panel"));
    for (const char* game : games) {
        const std::string list = std::string("Update\\Games\\") + game + "\\" + game + ".xml";
        EXPECT_TRUE(served->Put(list, servers::Pattern(400000, 1)));
    }
    return servers::Port("FETCHPANE_HTTP_PORT") > 0
               ? servers::HttpBase() + "/_slow/" + served->Name() + "/"
               : std::string();
}
