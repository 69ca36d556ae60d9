#include "panel/DownloadMainFrame.h"

#include <memory>
#include <new>

#include "panel/DownloadList.h"
#include "panel/DownloadTitleBar.h"
#include "panel/PanelCodes.h"
#include "panel/PanelNotify.h"
#include "panel/PanelVariant.h"
#include "panel/SkinStyles.h"
#include "panel/uiButton.h"
#include "platform/InternetUrl.h"
#include "update/TaskTypes.h"
#include "update/UpdateTask.h"

namespace {

// The top band: a press there (outside any control) moves the window.
constexpr int kDragBandHeight = 75;

// The layout: the list below the title bar, and the two buttons on one line
// near the bottom, placed from the frame's right and bottom edges.
constexpr int kListLeft = 6;
constexpr int kListTop = 28;
constexpr int kButtonTopFromBottom = 35;
constexpr int kCancelLeftFromRight = 198;
constexpr int kCancelAllLeftFromRight = 98;

// The progress an item shows before its task reports any.
constexpr float kFirstFraction = 0.01f;

}   // namespace

// The list, deleted with the children, stops every task and frees the items
// at once: the receiver goes first.
DownloadMainFrame::~DownloadMainFrame() {
    if (list_) list_->SetReceiver(nullptr);
}

int DownloadMainFrame::OnCreate(int, int) {
    CutPieces(kBody);
    std::unique_ptr<DownloadTitleBar> titleBar(new (std::nothrow) DownloadTitleBar);
    if (!titleBar || !titleBar->CreateTitleBar("标题栏") || !AddChild(titleBar.get(), 0, 0))
        return 0;
    titleBar_ = titleBar.release();
    std::unique_ptr<DownloadList> list(new (std::nothrow) DownloadList);
    if (!list || !list->Create("下载列表", 1, 1, nullptr, 0) || !AddChild(list.get(), 20, 20))
        return 0;
    list_ = list.release();

    // A button that can't be made is left out; the frame still stands.
    cancel_ = uiButton::MakeAttached(this, "取消按钮", skin::kCancelButton);
    cancelAll_ = uiButton::MakeAttached(this, "全部取消按钮", skin::kCancelAllButton);
    EnableCancel(0);
    if (cancelAll_) cancelAll_->Enable(0);

    receiver_.Create(this);
    list_->SetReceiver(receiver_.Handle());
    return 1;
}

void DownloadMainFrame::OnSize(int width, int height) {
    SizePieces(width, height);
    if (HWND hwnd = GetHwnd()) {
        // The window owns the region once it took it.
        const int ellipse = PanelVariant::kRegionEllipse;
        HRGN region = CreateRoundRectRgn(0, 0, width + 1, height + 1, ellipse, ellipse);
        if (region && !SetWindowRgn(hwnd, region, TRUE)) DeleteObject(region);
    }
    if (titleBar_) PlaceTitleBar(*titleBar_, width);
    if (list_) {
        list_->Resize(DownloadList::kWidth, DownloadList::kHeight);
        list_->MoveTo(kListLeft, kListTop);
    }
    const int buttonTop = height - kButtonTopFromBottom;
    if (cancel_) cancel_->MoveTo(width - kCancelLeftFromRight, buttonTop);
    if (cancelAll_) cancelAll_->MoveTo(width - kCancelAllLeftFromRight, buttonTop);
}

void DownloadMainFrame::OnParentSize(int width, int height) {
    SetStretch(1);
    Resize(width, height);
}

void DownloadMainFrame::OnLButton(int, int y, int kind) {
    if (kind == GUI_BUTTON_DOWN && y < kDragBandHeight) {
        BeginWindowDrag();
        return;
    }
    if (list_) list_->ClearSelection();
    EnableCancel(0);
}

void DownloadMainFrame::OnRButton(int, int, int) {
    if (list_) list_->ClearSelection();
    EnableCancel(0);
}

int DownloadMainFrame::OnNotify(GUI* sender, uint32_t code, WPARAM, LPARAM lParam) {
    if (code == GUI_NOTIFY_BUTTON_CLICK) {
        if (sender == cancel_) {
            CancelSelected();
        } else if (sender == cancelAll_) {
            CancelAll();
        } else if (sender == titleBar_) {
            NotifyTitleBar();
        }
        return 0;
    }
    if (code == GUI_NOTIFY_ROW_CLICK && list_ && lParam >= 0 && lParam < list_->Count()) {
        EnableCancel(1);
        return 1;
    }
    return 0;
}

// --- downloads

template <class SetUp>
int DownloadMainFrame::AddDownload(const char* name, SetUp setUp) {
    if (!list_ || !name || !*name || list_->Count() >= DownloadList::kRows) return 0;
    std::unique_ptr<DownloadItem> item(new (std::nothrow) DownloadItem);
    std::unique_ptr<UpdateTask> task(item ? new (std::nothrow) UpdateTask : nullptr);
    if (!task) return 0;
    item->key = name;
    item->fraction = kFirstFraction;
    setUp(*task, item.get());
    task->SetReceiver(receiver_.Handle());
    if (!task->Start()) return 0;
    item->task = task.release();
    if (list_->AddItem(item.get()) < 0) {
        // Not listed after all: the list would have stopped and freed them.
        std::unique_ptr<UpdateTask> started(item->task);
        started->Cancel();
        return 0;
    }
    item.release();

    if (cancelAll_) cancelAll_->Enable(1);
    if (list_->Count() == 1) {
        list_->SelectRow(0);
        EnableCancel(1);
    }
    return 1;
}

// A URL with a control byte would carry headers or commands of the host's
// making into the requests: refused before anything is listed or started.
int DownloadMainFrame::AddUpdateTask(const char* url, const char* name, int kind) {
    if (!url || !*url || platform::HoldsControlByte(url)) return 0;
    return AddDownload(name, [&](UpdateTask& task, DownloadItem* item) {
        task.InitWithUrl(url, name, kind, item);
    });
}

int DownloadMainFrame::AddUpdateTaskByServers(const PanelServerList* servers, int groupId,
                                              const char* name, int kind) {
    if (!servers || AnyServerUrlHoldsControlByte(servers)) return 0;
    return AddDownload(name, [&](UpdateTask& task, DownloadItem* item) {
        task.InitWithServers(servers, groupId, name, kind, item);
    });
}

void DownloadMainFrame::CancelSelected() {
    if (!list_) return;
    DownloadItem* item = list_->FindSelected();
    // The item stays listed while the host hears of it.
    if (item) NotifyHost(PANEL_NOTIFY_CANCELLED, list_->Count() - 1, item->key.c_str());
    list_->RemoveItem(item);
    list_->ClearSelection();
    EnableCancel(0);
    if (cancelAll_) cancelAll_->Enable(list_->Count() > 0);
}

void DownloadMainFrame::CancelAll() {
    NotifyHost(PANEL_NOTIFY_ALL_CANCELLED, 0, nullptr);
    if (list_) list_->RemoveAll();
    EnableCancel(0);
    if (cancelAll_) cancelAll_->Enable(0);
    if (list_) list_->ClearSelection();
}

void DownloadMainFrame::NotifyTitleBar() { NotifyHost(PANEL_NOTIFY_TITLEBAR, 0, nullptr); }

void DownloadMainFrame::Clear() {
    EnableCancel(0);
    if (cancelAll_) cancelAll_->Enable(0);
    if (list_) list_->RemoveAll();
}

void DownloadMainFrame::OnTaskFinished(DownloadItem* item) {
    if (!list_ || !list_->Contains(item)) return;
    NotifyHost(PANEL_NOTIFY_FINISHED, list_->Count() - 1, item->key.c_str());
    list_->RemoveItem(item);
    AfterRemoval();
}

void DownloadMainFrame::OnTaskFailed(DownloadItem* item, int state) {
    if (!list_ || !list_->Contains(item)) return;
    const int left = list_->Count() - 1;
    NotifyHost(PANEL_NOTIFY_FAILED, (state << 16) | (left & 0xFFFF), item->key.c_str());
    list_->RemoveItem(item);
    AfterRemoval();
}

void DownloadMainFrame::AfterRemoval() {
    if (list_ && list_->Count() > 0) {
        if (cancelAll_) cancelAll_->Enable(1);
        return;
    }
    EnableCancel(0);
    if (cancelAll_) cancelAll_->Enable(0);
}

void DownloadMainFrame::EnableCancel(int on) {
    if (cancel_) cancel_->Enable(on);
}

void DownloadMainFrame::NotifyHost(int code, int arg, const char* text) {
    SendPanelNotify(host_, GetHwnd(), code, arg, text);
}
