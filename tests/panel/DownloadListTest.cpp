// The download list: row texts and bars from the items, adding and removing
// (each removal stops the item's task), selection, and stale task messages.
#include "ControlFixture.h"

#include "engine/gui/uiTextCtrl.h"
#include "panel/DownloadList.h"
#include "panel/DownloadListRow.h"
#include "panel/DownloadProgressBar.h"
#include "panel/PanelCodes.h"
#include "update/UpdateTask.h"
#include "update_tasks/TestServers.h"

#include <cmath>
#include <limits>

namespace {

// An item as the main frame makes it, with a task that never ran.
DownloadItem* MakeItem(const char* key) {
    DownloadItem* item = new DownloadItem;
    item->key = key;
    item->fraction = 0.01f;
    item->task = new UpdateTask;
    return item;
}

std::string Text(const uiTextCtrl* label) { return label->GetText() ? label->GetText() : ""; }

class ListTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        frame = Attached(new Listener, 600, 200);
        // As the main frame: a row with an item may be selected.
        frame->answer = [this](uint32_t code, LPARAM row) {
            return code == GUI_NOTIFY_ROW_CLICK && row < list->Count() ? 1 : 0;
        };
        list = Attached(new DownloadList, 1, 1, frame, 20, 20);
        list->Resize(484, 88);
    }
    void TearDown() override {
        ControlTest::TearDown();
        if (receiver) DestroyWindow(receiver);
    }
    // The list's receiver: a message-only window with `proc` (none: the
    // default handling) and `data` as its user data.
    HWND MakeReceiver(WNDPROC proc = nullptr, void* data = nullptr) {
        receiver = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(nullptr, receiver);
        SetWindowLongPtrA(receiver, GWLP_USERDATA, LONG_PTR(data));
        if (proc) SetWindowLongPtrA(receiver, GWLP_WNDPROC, LONG_PTR(proc));
        list->SetReceiver(receiver);
        return receiver;
    }
    DownloadListRow* Row(int i) { return list->Row(i); }
    int FillWidth(int row) { return Row(row)->Bar()->Fill()->GetWidth(); }

    Listener* frame = nullptr;
    DownloadList* list = nullptr;
    HWND receiver = nullptr;
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
    EXPECT_EQ("", DownloadList::StatusText(nullptr));
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

    // An item fetching its list: no size yet, its bar, 0 KB/S.
    DownloadItem* item = MakeItem("game");
    item->SetState(TASK_STATE_FETCHING_LIST);
    ASSERT_EQ(1, list->AddItem(item));
    EXPECT_EQ("下载更新列表中", Text(Row(0)->StatusLabel()));
    EXPECT_EQ("", Text(Row(0)->SizeLabel()));
    EXPECT_EQ("0 KB/S", Text(Row(0)->SpeedLabel()));
    EXPECT_TRUE(Row(0)->Bar()->IsVisible());
    EXPECT_EQ("", Text(Row(1)->SpeedLabel()));
    EXPECT_FALSE(Row(1)->Bar()->IsVisible());
}

TEST_F(ListTest, TheFillIsTheBarsShareOfTheFractionHeldToTheBar) {
    DownloadItem* item = MakeItem("game");
    ASSERT_EQ(1, list->AddItem(item));
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
        list->Refresh();
        EXPECT_EQ(c.width, FillWidth(0)) << c.fraction;
        EXPECT_EQ(c.shown, Row(0)->Bar()->IsVisible() != 0) << c.fraction;
        EXPECT_EQ(Row(0)->Bar()->GetHeight(), Row(0)->Bar()->Fill()->GetHeight());
    }

    list->SetItemBarStyle(item, 1);
    EXPECT_STREQ("Default.ProcessBarGreen", Row(0)->Bar()->Fill()->GetResourceName());
    EXPECT_EQ(1, FillWidth(0));
    list->SetItemBarStyle(item, 0);
    EXPECT_STREQ("Default.ProcessBar", Row(0)->Bar()->Fill()->GetResourceName());
}

TEST_F(ListTest, RemovingAnItemMovesTheLaterOnesUpAndAFourthIsRefused) {
    DownloadItem* items[3] = {MakeItem("a"), MakeItem("b"), MakeItem("c")};
    for (int i = 0; i < 3; ++i) {
        items[i]->SetState(TASK_STATE_CONNECTING + i);
        EXPECT_EQ(i + 1, list->AddItem(items[i]));
    }
    DownloadItem* fourth = MakeItem("d");
    EXPECT_EQ(-1, list->AddItem(fourth));

    list->RemoveItem(items[0]);
    EXPECT_EQ(2, list->Count());
    EXPECT_EQ(items[1], list->Item(0));
    EXPECT_EQ("下载更新列表中", Text(Row(0)->StatusLabel()));
    EXPECT_EQ("分析更新列表中", Text(Row(1)->StatusLabel()));
    EXPECT_EQ("", Text(Row(2)->StatusLabel()));
    EXPECT_EQ("", Text(Row(2)->SpeedLabel()));
    EXPECT_FALSE(Row(2)->Bar()->IsVisible());

    list->RemoveItem(fourth);   // not listed: only a refresh
    EXPECT_EQ(2, list->Count());
    EXPECT_EQ(3, list->AddItem(fourth));
    EXPECT_EQ(1, list->RemoveAll());
    EXPECT_EQ(0, list->Count());
    EXPECT_FALSE(list->Contains(items[1]));
}

TEST_F(ListTest, SelectionTogglesFollowsClicksAndClearsWhenTheListEmpties) {
    DownloadItem* a = MakeItem("a");
    DownloadItem* b = MakeItem("b");
    list->AddItem(a);
    list->AddItem(b);

    EXPECT_EQ(-1, list->SelectRow(1));
    EXPECT_EQ(b, list->FindSelected());
    EXPECT_TRUE(Row(1)->SelectionLayer()->IsVisible());
    EXPECT_EQ(1, list->SelectRow(1));   // selecting the selected row unselects it
    EXPECT_EQ(nullptr, list->FindSelected());
    list->SelectRow(0);
    EXPECT_EQ(0, list->SelectRow(-1));   // below 0 only clears
    EXPECT_EQ(nullptr, list->FindSelected());
    list->SelectRow(2);   // a row beyond the items is no selection
    EXPECT_EQ(nullptr, list->FindSelected());
    list->ClearSelection();

    // Clicks: the frame is asked, a row with an item is selected, the one
    // selected before is not; a selected row and an empty row send nothing.
    Row(0)->OnLButton(3, 3, GUI_BUTTON_CLICK);
    EXPECT_EQ(a, list->FindSelected());
    Row(1)->OnLButton(3, 3, GUI_BUTTON_CLICK);
    EXPECT_EQ(b, list->FindSelected());
    EXPECT_FALSE(Row(0)->IsSelected());
    const size_t asked = frame->Count(GUI_NOTIFY_ROW_CLICK);
    Row(1)->OnLButton(3, 3, GUI_BUTTON_CLICK);
    Row(1)->OnLButton(3, 3, GUI_BUTTON_DOWN);
    EXPECT_EQ(asked, frame->Count(GUI_NOTIFY_ROW_CLICK));
    Row(2)->OnLButton(3, 3, GUI_BUTTON_CLICK);
    EXPECT_EQ(asked + 1, frame->Count(GUI_NOTIFY_ROW_CLICK));
    EXPECT_FALSE(Row(2)->IsSelected());
    EXPECT_TRUE(Row(1)->IsSelected());

    // A removal keeps the selection where it is; an empty list has none.
    list->RemoveItem(a);
    EXPECT_TRUE(Row(1)->IsSelected());
    list->RemoveItem(b);
    EXPECT_FALSE(Row(1)->IsSelected());
}

// A removed item stays allocated until the messages its task queued have
// passed the receiver, so no new item can take its address meanwhile.
TEST_F(ListTest, ARemovedItemOutlivesTheTaskMessagesQueuedForIt) {
    static std::vector<std::pair<UINT, bool>> seen;   // message, item listed
    MakeReceiver(
        [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            DownloadList* list = reinterpret_cast<DownloadList*>(
                GetWindowLongPtrA(h, GWLP_USERDATA));
            if (m == WM_TASK_FINISHED) seen.push_back({m, list->Contains((DownloadItem*)w)});
            if (m == WM_TASK_ITEM_RETIRED) seen.push_back({m, false});
            if (m == WM_TASK_ITEM_RETIRED) list->FreeRetired((DownloadItem*)l);
            return 0;
        },
        list);
    DownloadItem* old = MakeItem("old");
    list->AddItem(old);
    PostMessageA(receiver, WM_TASK_FINISHED, WPARAM(old), 0);
    list->RemoveItem(old);
    EXPECT_EQ(1u, list->RetiredCount());
    DownloadItem* next = MakeItem("next");
    EXPECT_NE(old, next);
    list->AddItem(next);

    testsupport::PumpFor(50);
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(std::make_pair(WM_TASK_FINISHED, false), seen[0]);
    EXPECT_EQ(WM_TASK_ITEM_RETIRED, seen[1].first);
    EXPECT_EQ(0u, list->RetiredCount());
    EXPECT_TRUE(list->Contains(next));
}

// Three tasks busy on a slow server are stopped, deleted and their items
// freed well within a second, every worker ended rather than left behind.
TEST_F(ListTest, RemoveAllStopsThreeBusyTasksPromptly) {
    REQUIRE_TEST_SERVERS();
    servers::ServedFolder served("panel_busy");
    const std::string url = servers::HttpBase() + "/_slow/" + served.Name() + "/";
    MakeReceiver();
    std::vector<HANDLE> threads;
    for (const char* name : {"One", "Two", "Three"}) {
        const std::string game = std::string("Update\\Games\\") + name + "\\" + name + ".xml";
        ASSERT_TRUE(served.Put(game, servers::Pattern(400000, 1)));
        DownloadItem* item = MakeItem(name);
        item->task->InitWithUrl(url.c_str(), name, TASK_KIND_GAME, item);
        item->task->SetReceiver(receiver);
        ASSERT_TRUE(item->task->Start());
        threads.push_back(nullptr);
        DuplicateHandle(GetCurrentProcess(), item->task->ThreadHandle(), GetCurrentProcess(),
                        &threads.back(), SYNCHRONIZE, FALSE, 0);
        list->AddItem(item);
    }
    auto fetching = [&] {
        for (int i = 0; i < 3; ++i)
            if (list->Item(i)->State() != TASK_STATE_FETCHING_LIST) return false;
        return true;
    };
    ASSERT_TRUE(testsupport::PumpUntil(fetching, 20000));
    testsupport::PumpFor(200);

    const DWORD start = GetTickCount();
    EXPECT_EQ(1, list->RemoveAll());
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(0, list->Count());
    for (HANDLE thread : threads) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
        CloseHandle(thread);
    }
}
