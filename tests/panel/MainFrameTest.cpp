// The main frame in its window: layout, the buttons' states, the user's
// cancels and the tasks' outcomes as the host hears of them.
#include "PanelFixture.h"

#include <array>

#include "engine/gui/uiTextCtrl.h"
#include "panel/DownloadListRow.h"
#include "panel/DownloadProgressBar.h"
#include "panel/DownloadTitleBar.h"
#include "support/CurrentBuildOnly.h"

namespace {

// Which of cancel and cancel-all are enabled, as "cancel,all".
std::string Buttons(DownloadMainFrame* frame) {
    return std::to_string(frame->CancelButton()->IsEnabled()) + "," +
           std::to_string(frame->CancelAllButton()->IsEnabled());
}

}   // namespace

TEST_F(PanelTest, TheFrameFillsTheWindowAndLaysOutItsControls) {
    CURRENT_BUILD_ONLY("the older start shows the window, and its title bar lies inside the frame");
    EXPECT_FALSE(IsWindowVisible(hwnd));   // until the host shows it
    ASSERT_EQ(1, panel->Move(10, 10, 500, 150));
    DownloadMainFrame* frame = Frame();
    EXPECT_EQ((std::array<int, 4>{0, 0, 500, 150}), Box(frame));
    EXPECT_EQ((std::array<int, 4>{6, 28, 484, 88}), Box(frame->List()));
    EXPECT_EQ(302, frame->CancelButton()->GetX());
    EXPECT_EQ(115, frame->CancelButton()->GetY());
    EXPECT_EQ(402, frame->CancelAllButton()->GetX());
    EXPECT_EQ(115, frame->CancelAllButton()->GetY());
    DownloadTitleBar* bar = frame->TitleBar();
    EXPECT_EQ(500, bar->GetWidth());
    EXPECT_EQ(495, bar->CloseButton()->GetRight());
    EXPECT_EQ(bar->CloseButton()->GetX(), bar->MinimiseButton()->GetRight());
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(ERROR, GetWindowRgn(hwnd, region));
    DeleteObject(region);
    // Its class, title and end with the window: the end-to-end host counts receivers by them.
    EXPECT_FALSE(IsWindowVisible(frame->Receiver()));
}

TEST_F(PanelTest, TheButtonsFollowAddsClicksCancelsAndOutcomes) {
    REQUIRE_TEST_SERVERS();
    const std::string url = SlowListsUrl({"One", "Two", "Three", "Four"});
    DownloadMainFrame* frame = Frame();
    EXPECT_EQ("0,0", Buttons(frame));

    EXPECT_EQ(1, panel->AddUpdateTask(url.c_str(), "One", PANEL_KIND_GAME));
    EXPECT_EQ("1,1", Buttons(frame));   // the first row is selected
    EXPECT_EQ(List()->Item(0), List()->FindSelected());
    EXPECT_EQ(1, panel->AddUpdateTask(url.c_str(), "Two", PANEL_KIND_GAME));
    EXPECT_EQ(1, panel->AddUpdateTask(url.c_str(), "Three", PANEL_KIND_GAME));
    EXPECT_EQ(0, panel->AddUpdateTask(url.c_str(), "Four", PANEL_KIND_GAME));

    Click(550, 100);   // the free area below the drag band
    EXPECT_EQ("0,1", Buttons(frame));
    EXPECT_EQ(nullptr, List()->FindSelected());
    Click(100, 28 + 21 + 22 + 11);   // row 1
    EXPECT_EQ("1,1", Buttons(frame));
    Click(552, 100, WM_RBUTTONDOWN);
    EXPECT_EQ("0,1", Buttons(frame));
    Click(100, 28 + 21 + 22 + 11);

    Click(402 + 10, 165 + 10);   // cancel
    EXPECT_EQ("0,1", Buttons(frame));
    Click(402 + 10, 165 + 10);   // disabled: nothing
    EXPECT_EQ("CANCELLED (2 left) \"Two\"\n", host.Lines());
    EXPECT_EQ(hwnd, host.Notifications().back().panel);

    SendTask(WM_TASK_FINISHED, List()->Item(1));
    EXPECT_EQ("0,1", Buttons(frame));
    Click(502 + 10, 165 + 10);   // cancel-all
    EXPECT_EQ("CANCELLED (2 left) \"Two\"\nFINISHED (1 left) \"Three\"\nALL_CANCELLED (arg 0)\n",
              host.Lines());
    EXPECT_EQ(0, List()->Count());
    EXPECT_EQ("0,0", Buttons(frame));

    // After the list emptied, a single add selects its row again.
    EXPECT_EQ(1, panel->AddUpdateTask(url.c_str(), "Four", PANEL_KIND_GAME));
    EXPECT_EQ("1,1", Buttons(frame));
    EXPECT_EQ(List()->Item(0), List()->FindSelected());
}

TEST_F(FrameTest, DirectCancelsAndTheTitleBarNotifyAsTheyShould) {
    CURRENT_BUILD_ONLY("the older build loads the skin's resources only while a window starts");
    DownloadMainFrame* frame = Frame();
    frame->CancelSelected();   // nothing selected: nothing sent
    frame->CancelAll();
    frame->TitleBar()->CloseButton()->Fire();
    frame->TitleBar()->MinimiseButton()->Fire();
    EXPECT_EQ("ALL_CANCELLED (arg 0)\nTITLEBAR (arg 0)\nTITLEBAR (arg 0)\n", host.Lines());
}

TEST_F(FrameTest, TheReceiverActsOnTheTaskMessagesOfListedItems) {
    CURRENT_BUILD_ONLY("the older build loads the skin's resources only while a window starts");
    DownloadItem* a = ListItem("a");
    DownloadItem* b = ListItem("b");
    DownloadItem* c = ListItem("c");
    SendTask(WM_TASK_FINISHED, b);
    EXPECT_EQ(c, List()->Item(1));

    SendTask(WM_TASK_FINISHED, b);   // no longer listed
    c->SetState(TASK_STATE_DOWNLOADING);
    const float before = List()->Row(1)->Bar()->Fraction();
    c->fraction = 0.5f;
    SendTask(WM_TASK_DOWNLOAD_END, c);
    SendTask(WM_TASK_CHECK_END, c);
    EXPECT_EQ(before, List()->Row(1)->Bar()->Fraction());
    EXPECT_EQ("FINISHED (2 left) \"b\"\n", host.Lines());
    SendTask(WM_TASK_CHECK_BEGIN, c);
    EXPECT_STREQ("Default.ProcessBarGreen", List()->Row(1)->Bar()->Fill()->GetResourceName());
    SendTask(WM_TASK_PROGRESS, c);
    EXPECT_EQ(0.5f, List()->Row(1)->Bar()->Fraction());
    EXPECT_STREQ("正在下载", List()->Row(1)->StatusLabel()->GetText());
    SendTask(WM_TASK_DOWNLOAD_BEGIN, c);
    EXPECT_STREQ("Default.ProcessBar", List()->Row(1)->Bar()->Fill()->GetResourceName());

    SendTask(WM_TASK_FAILED, c, TASK_STATE_DOWNLOADING);
    EXPECT_EQ("FAILED (state 35, 1 left) \"c\"", host.Last());
    EXPECT_EQ(a, List()->Item(0));
    EXPECT_EQ(1, List()->Count());

    // A key longer than the notification holds is cut on a character.
    std::string key = "xy";
    while (key.size() < 300) key += "\xB0\xA1";
    SendTask(WM_TASK_FINISHED, ListItem(key.c_str()));
    EXPECT_EQ("FINISHED (1 left) \"" + key.substr(0, 258) + "\"", host.Last());
}
