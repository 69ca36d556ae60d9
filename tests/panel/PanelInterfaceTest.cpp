// The interface object's slots, also when the host closes the panel from a
// notification or the system closes its window.
#include "PanelFixture.h"

#include "engine/core/WorkPath.h"
#include "panel/DownloadEventReceiver.h"
#include "host/SkinInstall.h"
#include "panel/PanelExports.h"
#include "support/CurrentBuildOnly.h"

namespace {

// Every slot that needs a window answers as without one.
void ExpectNoWindow(IPanelInterface* p) {
    const IPanelInterfaceVtbl* s = PANEL_VTBL(p);
    EXPECT_EQ(nullptr, s->GetWindow(p));
    for (int result :
         {s->Destroy(p, 0), s->Show(p, 1), s->Move(p, 0, 0, 10, 10), s->ShowAt(p, 0, 0, p),
          s->AddUpdateTask(p, "http://127.0.0.1:1/", "Game", PANEL_KIND_GAME)})
        EXPECT_EQ(0, result);
}

}   // namespace

TEST_F(PanelTest, SlotsThroughTheTableTextAndArguments) {
    CURRENT_BUILD_ONLY("the older start shows the window while it loads the skin");
    IPanelInterface* p = panel;
    const IPanelInterfaceVtbl* slots = PANEL_VTBL(p);
    // The text's rules in full: end_to_end's PanelHost.SlotsOfAnObjectWithoutAWindow.
    EXPECT_EQ(0, slots->SetText(p, nullptr));
    EXPECT_EQ(1, slots->SetText(p, "abc"));
    EXPECT_STREQ("abc", slots->GetText(p));
    EXPECT_EQ(hwnd, slots->GetWindow(p));

    EXPECT_EQ(nullptr, slots->Create(p, "again", host.hwnd(), 0, root.Path().c_str()));
    EXPECT_EQ(0, slots->AddUpdateTaskByServers(p, nullptr, 0, "Game", PANEL_KIND_GAME));
    const PanelServerRecord record = {0, 1, nullptr, "http://127.0.0.1:1/"};
    const PanelServerList servers = {nullptr, &record, &record + 1, nullptr};
    EXPECT_EQ(0, slots->AddUpdateTaskByServers(p, &servers, 1, "", PANEL_KIND_GAME));
    for (const char* bad : {"", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(0, slots->AddUpdateTask(p, bad, "Game", PANEL_KIND_GAME));
        EXPECT_EQ(0, slots->AddUpdateTask(p, "http://127.0.0.1:1/", bad, PANEL_KIND_GAME));
    }
    EXPECT_EQ(0, List()->Count());

    EXPECT_EQ(0, slots->Show(p, 1));   // it was hidden
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_NE(0, slots->ShowAt(p, 5, 5, nullptr));
    EXPECT_EQ(1, slots->Destroy(p, 0));
    ExpectNoWindow(p);
    // A new window, on the skin already loaded.
    hwnd = slots->Create(p, "again", host.hwnd(), 0, nullptr);
    EXPECT_NE(nullptr, hwnd);
    EXPECT_NE(nullptr, panel->Frame());
    EXPECT_STREQ(Nuvex::GetModuleFolder(), Nuvex::GetWorkPath(nullptr, 0));
}

TEST_F(PanelTest, ARootThatCannotBeTheWorkFolderFailsCreate) {
    for (const char* root : {"relative\\folder", "Z:\\no\\such\\folder", "\\\\server\\share"}) {
        PanelInterface* other = PanelInterfaceCreate();
        EXPECT_EQ(nullptr, other->Create("other", host.hwnd(), 0, root)) << root;
        EXPECT_EQ(nullptr, other->GetWindow());
        other->Release();
    }
    EXPECT_STREQ(root.Path().c_str(), Nuvex::GetWorkPath(nullptr, 0));
    PanelInterface* other = PanelInterfaceCreate();
    EXPECT_NE(nullptr, other->Create("other", host.hwnd(), 0, ""));
    EXPECT_STREQ(Nuvex::GetModuleFolder(), Nuvex::GetWorkPath(nullptr, 0));
    other->Release();
}

// The natural reaction to a notification, closing the panel, from both
// places notifications come from: the window's own input and the receiver.
TEST_F(PanelTest, AHostMayCloseThePanelFromInsideANotification) {
    ListItem("a");
    ListItem("b");
    List()->SelectRow(0);
    Frame()->CancelButton()->Enable(1);
    host.onNotify = [this](const panelhost::Notification&) { EXPECT_EQ(1, panel->Destroy(0)); };
    Click(402 + 10, 165 + 10);
    EXPECT_EQ("CANCELLED (1 left) \"a\"\n", host.Lines());
    EXPECT_EQ(nullptr, panel->GetWindow());
    EXPECT_FALSE(IsWindow(hwnd));
    testsupport::PumpFor(100);

    hwnd = panel->Create("again", host.hwnd(), 0, root.Path().c_str());
    ASSERT_NE(nullptr, hwnd);
    DownloadItem* c = ListItem("c");
    ListItem("d");
    HWND receiver = Frame()->Receiver();
    host.onNotify = [this](const panelhost::Notification&) {
        panel->Release();
        panel = nullptr;
    };
    SendTask(WM_TASK_FINISHED, c);
    EXPECT_EQ(2u, host.Notifications().size());
    EXPECT_FALSE(IsWindow(receiver));
    EXPECT_FALSE(IsWindow(hwnd));
    testsupport::PumpFor(100);
    EXPECT_EQ(2u, host.Notifications().size());
}

TEST_F(PanelTest, AfterTheSystemClosedTheWindowEverySlotSeesNone) {
    REQUIRE_TEST_SERVERS();
    const std::string url = SlowListsUrl({"Slow"});
    ASSERT_EQ(1, panel->AddUpdateTask(url.c_str(), "Slow", PANEL_KIND_GAME));
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), List()->Item(0)->task->ThreadHandle(), GetCurrentProcess(),
                    &thread, SYNCHRONIZE, FALSE, 0);

    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));   // its task was stopped
    CloseHandle(thread);
    EXPECT_EQ(nullptr, panel->Frame());
    ExpectNoWindow(panel);
    EXPECT_TRUE(host.Notifications().empty());
    EXPECT_NE(nullptr, panel->Create("again", host.hwnd(), 0, root.Path().c_str()));
}

// The receiver's class belongs to the module: a stale registration (left by
// an unloaded copy) is replaced, and the class goes at exit.
TEST(PanelModule, TheReceiverClassIsTheModulesOwn) {
    testsupport::TempFolder root;
    ASSERT_TRUE(skininstall::Install(root.Path()));
    HINSTANCE module = GetModuleHandleA(nullptr);
    WNDCLASSA stale = {};
    stale.lpfnWndProc = &DefWindowProcA;
    stale.hInstance = module;
    stale.lpszClassName = DownloadEventReceiver::kClassName;
    ASSERT_NE(0, RegisterClassA(&stale));

    ASSERT_EQ(1, PanelModelInit());
    HostWindow host;
    PanelInterface* panel = PanelInterfaceCreate();
    ASSERT_NE(nullptr, panel->Create("panel", host.hwnd(), 0, root.Path().c_str()));
    DownloadItem* item = new DownloadItem;
    item->key = "k";
    item->task = new UpdateTask;
    panel->Frame()->List()->AddItem(item);
    SendMessageA(panel->Frame()->Receiver(), WM_TASK_FINISHED, WPARAM(item), 0);
    ASSERT_EQ(1u, host.Notifications().size());

    WNDCLASSA found = {};
    EXPECT_TRUE(GetClassInfoA(module, DownloadEventReceiver::kClassName, &found));
    panel->Release();
    EXPECT_EQ(1, PanelModelExit());
    EXPECT_FALSE(GetClassInfoA(module, DownloadEventReceiver::kClassName, &found));
}
