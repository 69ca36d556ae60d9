#pragma once
// The panel's table of up to three downloads: a header and three fixed rows,
// row i showing the i-th item in the order of adding. The list owns its
// items and, through them, their update tasks: removing an item stops and
// deletes its task first. UI thread only.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "panel/NinePiecePanel.h"

struct DownloadItem;
class DownloadListHeader;
class DownloadListRow;

// Posted to the task receiver after a removed item's task was stopped, with
// the item in lParam: every message the task posted is queued before it, so
// when it arrives the item can be freed (DownloadList::FreeRetired). Until
// then its memory is kept, and no new item can take its address and be
// mistaken for it by a stale message.
constexpr UINT WM_TASK_ITEM_RETIRED = WM_APP + 0x3BD;

class DownloadList : public NinePiecePanel {
public:
    static constexpr int kRows = 3;
    // The size the main frame gives the list, which its border fills: the
    // texture's width, and the header, three rows and the bottom line.
    static constexpr int kWidth = 484;
    static constexpr int kHeight = 88;

    DownloadList() = default;
    // Every remaining task is stopped and deleted, every item freed.
    ~DownloadList() override;

    int OnCreate(int width, int height) override;
    void OnSize(int width, int height) override;
    int OnNotify(GUI* sender, uint32_t code, WPARAM wParam, LPARAM lParam) override;

    // Where the items' tasks post; null frees removed items at once.
    void SetReceiver(HWND receiver) { receiver_ = receiver; }

    // Lists the item and takes it (and its task) over: the new count, or -1
    // when three are listed (the caller keeps the item).
    int AddItem(DownloadItem* item);
    // Stops and deletes the item's task and frees the item when it is
    // listed; refreshes in every case.
    void RemoveItem(DownloadItem* item);
    // The same for every item, all tasks stopped within one bound. Returns 1.
    int RemoveAll();
    // A removed item whose queued messages have passed (see above).
    void FreeRetired(DownloadItem* item);

    void Refresh();
    void ClearSelection();
    // Selects row `index` (0 to 2) unless it is selected, which unselects it;
    // an index below 0 only clears. The row that was selected, or -1.
    int SelectRow(int index);
    // The item of the first selected row that shows one; null when none.
    DownloadItem* FindSelected() const;
    bool Contains(const DownloadItem* item) const;
    // 1 the list-check image for the item's bar, 0 the download image.
    void SetItemBarStyle(const DownloadItem* item, int green);

    int Count() const { return int(items_.size()); }
    DownloadItem* Item(int index) const;
    DownloadListRow* Row(int index) const;
    DownloadListHeader* Header() const { return header_; }
    size_t RetiredCount() const { return retired_.size(); }

    // The row texts for an item.
    static std::string StatusText(const DownloadItem* item);
    static std::string SizeText(int32_t bytes);
    static std::string SpeedText(int32_t bytesPerSecond);

private:
    // Stops and deletes the tasks of items already out of the list, then
    // retires the items.
    void DropItems(std::vector<std::unique_ptr<DownloadItem>> items);

    DownloadListHeader* header_ = nullptr;   // children, owned by the tree
    DownloadListRow* rows_[kRows] = {};
    std::vector<std::unique_ptr<DownloadItem>> items_;
    std::vector<std::unique_ptr<DownloadItem>> retired_;
    HWND receiver_ = nullptr;
};
