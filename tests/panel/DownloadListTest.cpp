// The download list: row texts and bars from the items, adding and removing
// (each removal stops the item's task), selection, and stale task messages.
#include "PanelFixture.h"

#include <cmath>
#include <limits>

#include "engine/gui/uiTextCtrl.h"
#include "panel/DownloadListRow.h"
#include "panel/DownloadProgressBar.h"
#include "panel/PanelCodes.h"

namespace {

std::string Text(const uiTextCtrl* label) { return label->GetText() ? label->GetText() : ""; }

class ListTest : public FrameTest {
protected:
    DownloadListRow* Row(int i) { return List()->Row(i); }
    int FillWidth(int row) { return Row(row)->Bar()->Fill()->GetWidth(); }
};

}   // namespace

TEST_F(ListTest, RowsShowTheStatusSizeAndSpeedTextsOfTheirItems) {
    DownloadItem shown;
    shown.displayName = "小游戏";
    const struct {
        int32_t state;
        const char* text;
    } states[] = {{0, ""},
                  {TASK_STATE_CONNECTING, "正在连接服务器"},
                  {TASK_STATE_FETCHING_LIST, "下载更新列表中"},
                  {TASK_STATE_CHECKING, "分析更新列表中"},
                  {TASK_STATE_DOWNLOADING, "正在下载小游戏"},
                  {TASK_STATE_INSTALLING, "正在安装程序"},
                  {37, ""}};
    for (const auto& s : states) {
        shown.SetState(s.state);
        EXPECT_EQ(s.text, DownloadList::StatusText(&shown)) << s.state;
    }
    const struct {
        int32_t value;
        const char *size, *speed;
    } amounts[] = {{0, "", "0 KB/S"},
                   {1048575, "1023 KB", "1023 KB/S"},
                   {1048576, "1.00 MB", "1.00 MB/S"},
                   {1536000, "1.46 MB", "1.46 MB/S"}};
    for (const auto& a : amounts) {
        EXPECT_EQ(a.size, DownloadList::SizeText(a.value)) << a.value;
        EXPECT_EQ(a.speed, DownloadList::SpeedText(a.value)) << a.value;
    }
}

TEST_F(ListTest, TheFillIsTheBarsShareOfTheFractionHeldToTheBar) {
    DownloadItem* item = ListItem("game");
    ASSERT_EQ(200, Row(0)->Bar()->GetWidth());
    // The refresh that shows the bar measures it while still hidden.
    EXPECT_EQ(1, FillWidth(0));
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float fraction;
        int width;
        bool shown;
    } cases[] = {{0.01f, 2, true}, {0.001f, 1, true}, {0.5f, 100, true},        {1.5f, 200, true},
                 {inf, 200, true}, {-inf, 1, false},  {std::nanf(""), 1, false}};
    for (const auto& c : cases) {
        Row(0)->Bar()->Show(1);
        item->fraction = c.fraction;
        List()->Refresh();
        EXPECT_EQ(c.width, FillWidth(0)) << c.fraction;
        EXPECT_EQ(c.shown, Row(0)->Bar()->IsVisible() != 0) << c.fraction;
    }
}

TEST_F(ListTest, RemovingAnItemMovesTheLaterOnesUpAndAFourthIsRefused) {
    DownloadItem* items[3] = {ListItem("a"), ListItem("b"), ListItem("c")};
    for (int i = 0; i < 3; ++i) items[i]->SetState(TASK_STATE_CONNECTING + i);
    DownloadItem fourth;
    EXPECT_EQ(-1, List()->AddItem(&fourth));

    List()->RemoveItem(items[0]);
    EXPECT_EQ(2, List()->Count());
    EXPECT_EQ(items[1], List()->Item(0));
    // Rows show their items' texts; the row left over is empty.
    EXPECT_EQ("下载更新列表中", Text(Row(0)->StatusLabel()));
    EXPECT_EQ("0 KB/S", Text(Row(0)->SpeedLabel()));
    EXPECT_EQ("", Text(Row(0)->SizeLabel()));
    EXPECT_TRUE(Row(1)->Bar()->IsVisible());
    EXPECT_EQ("", Text(Row(2)->SpeedLabel()));
    EXPECT_FALSE(Row(2)->Bar()->IsVisible());

    List()->RemoveItem(&fourth);   // not listed: only a refresh
    EXPECT_EQ(2, List()->Count());
    EXPECT_EQ(1, List()->RemoveAll());
    EXPECT_EQ(0, List()->Count());
}

TEST_F(ListTest, SelectionTogglesFollowsClicksAndClearsWhenTheListEmpties) {
    DownloadItem* a = ListItem("a");
    DownloadItem* b = ListItem("b");
    EXPECT_EQ(-1, List()->SelectRow(1));
    EXPECT_EQ(b, List()->FindSelected());
    EXPECT_TRUE(Row(1)->SelectionLayer()->IsVisible());
    EXPECT_EQ(1, List()->SelectRow(1));   // selecting the selected row unselects it
    EXPECT_EQ(nullptr, List()->FindSelected());
    List()->SelectRow(0);
    EXPECT_EQ(0, List()->SelectRow(-1));   // below 0 only clears
    List()->SelectRow(2);                  // a row beyond the items is no selection
    EXPECT_EQ(nullptr, List()->FindSelected());
    List()->ClearSelection();

    // Clicks: the frame agrees to a row with an item, and the row selected
    // before is let go; an empty row stays unselected.
    Row(0)->OnLButton(3, 3, GUI_BUTTON_CLICK);
    Row(1)->OnLButton(3, 3, GUI_BUTTON_CLICK);
    Row(2)->OnLButton(3, 3, GUI_BUTTON_CLICK);
    EXPECT_EQ("010", std::to_string(Row(0)->IsSelected()) + std::to_string(Row(1)->IsSelected()) +
                         std::to_string(Row(2)->IsSelected()));

    // A removal keeps the selection where it is; an empty list has none.
    List()->RemoveItem(a);
    EXPECT_TRUE(Row(1)->IsSelected());
    List()->RemoveItem(b);
    EXPECT_FALSE(Row(1)->IsSelected());
}

// A removed item stays allocated until the messages its task queued have
// passed the receiver, so no new item can take its address meanwhile.
TEST_F(ListTest, ARemovedItemOutlivesTheTaskMessagesQueuedForIt) {
    DownloadItem* old = ListItem("old");
    DownloadItem* other = ListItem("other");
    PostMessageA(Frame()->Receiver(), WM_TASK_FINISHED, WPARAM(old), 0);
    List()->RemoveItem(old);
    EXPECT_EQ(1u, List()->RetiredCount());
    DownloadItem* next = ListItem("next");
    EXPECT_NE(old, next);

    testsupport::PumpFor(50);
    EXPECT_TRUE(host.Notifications().empty());   // the stale finish matched nothing
    EXPECT_EQ(0u, List()->RetiredCount());
    EXPECT_TRUE(List()->Contains(next) && List()->Contains(other));
}

// Three tasks busy on a slow server are stopped, deleted and their items
// freed well within a second, every worker ended rather than left behind.
TEST_F(ListTest, RemoveAllStopsThreeBusyTasksPromptly) {
    REQUIRE_TEST_SERVERS();
    const std::string url = SlowListsUrl({"One", "Two", "Three"});
    std::vector<HANDLE> threads;
    for (const char* name : {"One", "Two", "Three"}) {
        ASSERT_EQ(1, Frame()->AddUpdateTask(url.c_str(), name, PANEL_KIND_GAME));
        threads.push_back(nullptr);
        DuplicateHandle(GetCurrentProcess(),
                        List()->Item(List()->Count() - 1)->task->ThreadHandle(),
                        GetCurrentProcess(), &threads.back(), SYNCHRONIZE, FALSE, 0);
    }
    auto fetching = [&] {
        for (int i = 0; i < 3; ++i)
            if (List()->Item(i)->State() != TASK_STATE_FETCHING_LIST) return false;
        return true;
    };
    ASSERT_TRUE(testsupport::PumpUntil(fetching, 20000));
    testsupport::PumpFor(200);

    const DWORD start = GetTickCount();
    EXPECT_EQ(1, List()->RemoveAll());
    EXPECT_LT(GetTickCount() - start, 1000u);
    for (HANDLE thread : threads) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
        CloseHandle(thread);
    }
}
