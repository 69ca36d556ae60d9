#include "panel/DownloadList.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "panel/DownloadListRow.h"
#include "panel/DownloadProgressBar.h"
#include "panel/PanelCodes.h"
#include "panel/SkinStyles.h"
#include "update/UpdateTask.h"

namespace {

constexpr int32_t kMegabyte = 0x100000;
constexpr int kHeaderHeight = 22;
// The rows, as wide as the list, begin on the header's last line.
constexpr int kFirstRowTop = kHeaderHeight - 1;

constexpr int kBorderHeight = skin::kListTopEdge.height + skin::kListCentre.height +
                              skin::kListBottomEdge.height;
static_assert(kBorderHeight == DownloadList::kHeight &&
                  skin::kListTopEdge.width == DownloadList::kWidth,
              "the border's three pieces fill the list");

// The list's border: top edge, centre and bottom edge of the list texture.
NinePieceRecord BorderRecord() {
    NinePieceRecord record = {};
    const struct {
        int piece;
        skin::Region region;
    } pieces[] = {{kPieceTopEdge, skin::kListTopEdge},
                  {kPieceCentre, skin::kListCentre},
                  {kPieceBottomEdge, skin::kListBottomEdge}};
    for (const auto& p : pieces)
        record.Cut(p.piece, p.region.x, p.region.y, p.region.width, p.region.height);
    record.style = skin::kListTexture;
    return record;
}

// Kilo- or megabytes, by the same rule for sizes and speeds.
std::string Amount(int32_t value, const char* kiloFormat, const char* megaFormat) {
    char text[48];
    if (value < kMegabyte) {
        std::snprintf(text, sizeof text, kiloFormat, int(value / 1024));
    } else {
        std::snprintf(text, sizeof text, megaFormat, double(value) / kMegabyte);
    }
    return text;
}

}   // namespace

DownloadList::~DownloadList() {
    // The receiver goes with the frame: nothing is left queued for it.
    receiver_ = nullptr;
    std::vector<std::unique_ptr<DownloadItem>> all;
    all.swap(items_);
    DropItems(std::move(all));
}

int DownloadList::OnCreate(int, int) {
    CreatePieces(BorderRecord());
    std::unique_ptr<DownloadListHeader> header(new (std::nothrow) DownloadListHeader);
    if (!header || !header->Create("列表头", 1, 1, nullptr, 0) || !AddChild(header.get(), 0, 0))
        return 0;
    header_ = header.release();
    for (int i = 0; i < kRows; ++i) {
        std::unique_ptr<DownloadListRow> row(new (std::nothrow) DownloadListRow(i));
        if (!row || !row->Create("列表项", kWidth, DownloadListRow::kHeight, nullptr, 0) ||
            !AddChild(row.get(), 0, kFirstRowTop + DownloadListRow::kHeight * i)) {
            return 0;
        }
        rows_[i] = row.release();
    }
    return 1;
}

void DownloadList::OnSize(int width, int height) {
    if (header_) {
        header_->MoveTo(0, 0);
        header_->Resize(width, kHeaderHeight);
    }
    Layout(width, height);
}

int DownloadList::OnNotify(GUI*, uint32_t code, WPARAM wParam, LPARAM lParam) {
    if (code != GUI_NOTIFY_ROW_CLICK || wParam != 1 || lParam < 0 || lParam >= kRows) return 0;
    const int index = int(lParam);
    // The frame decides: it answers 0 for a row without an item. A listener
    // may delete the list meanwhile.
    GuiWatch self(this);
    const int selected = Notify(GUI_NOTIFY_ROW_CLICK, 1, lParam);
    if (!self.Alive() || !rows_[index]) return 0;
    rows_[index]->SetSelected(selected);
    if (selected) {
        for (int i = 0; i < kRows; ++i)
            if (i != index && rows_[i] && rows_[i]->IsSelected()) rows_[i]->SetSelected(0);
    }
    return 0;
}

// --- items

int DownloadList::AddItem(DownloadItem* item) {
    if (!item || items_.size() >= size_t(kRows)) return -1;
    try {
        items_.emplace_back(item);
    } catch (...) {
        return -1;   // not taken: the caller still owns it
    }
    Refresh();
    return Count();
}

void DownloadList::RemoveItem(DownloadItem* item) {
    auto at = std::find_if(
        items_.begin(), items_.end(),
        [item](const std::unique_ptr<DownloadItem>& p) { return p.get() == item; });
    if (at != items_.end()) {
        // Out of the list before its task is stopped: nothing that runs
        // meanwhile finds it listed.
        std::vector<std::unique_ptr<DownloadItem>> gone;
        gone.push_back(std::move(*at));
        items_.erase(at);
        DropItems(std::move(gone));
    }
    Refresh();
}

int DownloadList::RemoveAll() {
    std::vector<std::unique_ptr<DownloadItem>> all;
    all.swap(items_);
    DropItems(std::move(all));
    Refresh();
    return 1;
}

void DownloadList::DropItems(std::vector<std::unique_ptr<DownloadItem>> items) {
    if (items.empty()) return;
    // With the list empty nothing is selected any more: the next add selects
    // its row rather than toggling a stale selection off.
    if (items_.empty()) ClearSelection();
    // Every task is told to stop first, then all are waited for within one
    // bound: three stuck tasks cost one wait, not three. Deleting a task
    // stops it as well, so none is left running for want of memory here.
    try {
        std::vector<WorkerThread*> threads;
        for (auto& item : items) threads.push_back(item->task);
        WorkerThread::StopAll(threads);
    } catch (...) {
    }
    for (auto& item : items) {
        std::unique_ptr<UpdateTask> task(item->task);
        item->task = nullptr;
    }
    // Kept until the receiver has passed what their tasks queued; without a
    // receiver, or without room to keep them, they are freed with `items`.
    if (!receiver_) return;
    try {
        retired_.reserve(retired_.size() + items.size());
    } catch (...) {
        return;
    }
    for (auto& item : items) {
        if (PostMessageA(receiver_, WM_TASK_ITEM_RETIRED, 0, LPARAM(item.get())))
            retired_.push_back(std::move(item));
    }
}

void DownloadList::FreeRetired(DownloadItem* item) {
    auto at = std::find_if(
        retired_.begin(), retired_.end(),
        [item](const std::unique_ptr<DownloadItem>& p) { return p.get() == item; });
    if (at != retired_.end()) retired_.erase(at);
}

DownloadItem* DownloadList::Item(int index) const {
    return index >= 0 && index < Count() ? items_[size_t(index)].get() : nullptr;
}

DownloadListRow* DownloadList::Row(int index) const {
    return index >= 0 && index < kRows ? rows_[index] : nullptr;
}

bool DownloadList::Contains(const DownloadItem* item) const {
    for (const auto& listed : items_)
        if (listed.get() == item) return item != nullptr;
    return false;
}

// --- the rows

std::string DownloadList::StatusText(const DownloadItem* item) {
    if (!item) return std::string();
    switch (item->State()) {
    case TASK_STATE_CONNECTING: return "正在连接服务器";
    case TASK_STATE_FETCHING_LIST: return "下载更新列表中";
    case TASK_STATE_CHECKING: return "分析更新列表中";
    case TASK_STATE_DOWNLOADING: return "正在下载" + item->displayName;
    case TASK_STATE_INSTALLING: return "正在安装程序";
    default: return std::string();
    }
}

std::string DownloadList::SizeText(int32_t bytes) {
    return bytes <= 0 ? std::string() : Amount(bytes, "%d KB", "%0.2f MB");
}

std::string DownloadList::SpeedText(int32_t bytesPerSecond) {
    return Amount(bytesPerSecond, "%d KB/S", "%0.2f MB/S");
}

void DownloadList::Refresh() {
    for (int i = 0; i < kRows; ++i) {
        DownloadListRow* row = rows_[i];
        if (!row) continue;
        const DownloadItem* item = Item(i);
        if (!item) {
            row->Clear();
            continue;
        }
        const std::string status = StatusText(item);
        row->SetTexts(status.c_str(), SizeText(item->totalBytes).c_str(),
                      SpeedText(item->speed).c_str());
        row->SetFraction(item->fraction);
    }
}

void DownloadList::ClearSelection() {
    for (DownloadListRow* row : rows_)
        if (row) row->SetSelected(0);
}

int DownloadList::SelectRow(int index) {
    int found = -1;
    for (int i = 0; i < kRows && found < 0; ++i)
        if (rows_[i] && rows_[i]->IsSelected()) found = i;
    if (index >= 0 && index < kRows && rows_[index]) rows_[index]->SetSelected(1);
    if (found >= 0 && index < kRows) rows_[found]->SetSelected(0);
    return found;
}

DownloadItem* DownloadList::FindSelected() const {
    for (int i = 0; i < kRows && i < Count(); ++i)
        if (rows_[i] && rows_[i]->IsSelected()) return Item(i);
    return nullptr;
}

void DownloadList::SetItemBarStyle(const DownloadItem* item, int green) {
    for (int i = 0; i < Count() && i < kRows; ++i)
        if (items_[size_t(i)].get() == item && rows_[i] && rows_[i]->Bar())
            rows_[i]->Bar()->SetStyle(green);
}
