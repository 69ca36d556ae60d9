#include "panel/DownloadListRow.h"

#include <cstring>
#include <memory>
#include <new>

#include "engine/gui/uiTextCtrl.h"
#include "panel/DownloadProgressBar.h"
#include "panel/PanelCodes.h"
#include "panel/SkinStyles.h"

namespace {

const char kNameColumn[] = "游戏名";
const char kSizeColumn[] = "大小";
const char kProgressColumn[] = "进度";
const char kSpeedColumn[] = "速度";

enum Align { kCentred = 0, kLeft = -1 };
constexpr int kLabelHeight = 18;

// Attaches a made element at (x, y); deletes it when it can't be attached.
template <class Element>
Element* Attach(GUI* parent, std::unique_ptr<Element> child, int x, int y) {
    if (!child || !parent->AddChild(child.get(), x, y)) return nullptr;
    return child.release();
}

// An opaque black label of fixed size that the mouse passes through.
uiTextCtrl* AddLabel(GUI* parent, const char* name, int x, int y, int width, int alignH,
                     const char* text = nullptr) {
    std::unique_ptr<uiTextCtrl> label(new (std::nothrow) uiTextCtrl);
    if (!label || !label->Create(name, width, kLabelHeight, nullptr, 0)) return nullptr;
    label->SetAutoSize(0);
    label->SetColor(0xFF000000u);
    label->SetHitTestable(0);
    label->SetAlign(alignH, 0);
    if (text) label->SetText(text, 0);
    return Attach(parent, std::move(label), x, y);
}

// Every task message refreshes every row: a text that stays the same is
// neither laid out nor drawn again.
void SetChangedText(uiTextCtrl* label, const char* text) {
    if (!text) text = "";
    if (label && std::strcmp(label->GetText(), text) != 0) label->SetText(text, 0);
}

}   // namespace

int DownloadListHeader::OnCreate(int, int) {
    const int y = 5;
    return AddLabel(this, kNameColumn, 5, y, 105, kCentred, "名称") &&
           AddLabel(this, kSizeColumn, 114, y, 57, kCentred, "大小(KB)") &&
           AddLabel(this, kProgressColumn, 182, y, 200, kCentred, "进度") &&
           AddLabel(this, kSpeedColumn, 405, y, 70, kCentred, "速度(KB/S)");
}

int DownloadListRow::OnCreate(int, int) {
    const skin::Region& cut = index_ == 2 ? skin::kLastRowSelection : skin::kRowSelection;
    std::unique_ptr<GUI> layer(new (std::nothrow) GUI);
    if (!layer || !layer->CreateWithTexture("选中项", skin::kListTexture, cut.x, cut.y, cut.width,
                                            cut.height, nullptr, 0)) {
        return 0;
    }
    layer->Show(0);
    layer->SetHitTestable(0);
    if (!(selection_ = Attach(this, std::move(layer), 0, 0))) return 0;

    const int y = 3;
    if (!(name_ = AddLabel(this, kNameColumn, 5, y, 105, kLeft))) return 0;
    if (!(size_ = AddLabel(this, kSizeColumn, 114, y, 57, kCentred))) return 0;

    std::unique_ptr<DownloadProgressBar> bar(new (std::nothrow) DownloadProgressBar);
    if (!bar || !bar->CreateWithAnimation("进度条", skin::kBarTrack, 0, 0, nullptr, 0)) return 0;
    bar->Show(0);
    bar->SetHitTestable(0);
    if (!(bar_ = Attach(this, std::move(bar), 182, 5))) return 0;

    speed_ = AddLabel(this, kSpeedColumn, 405, y, 70, kCentred);
    return speed_ ? 1 : 0;
}

void DownloadListRow::OnLButton(int, int, int kind) {
    if (kind == GUI_BUTTON_CLICK && !selected_) Notify(GUI_NOTIFY_ROW_CLICK, 1, LPARAM(index_));
}

void DownloadListRow::OnShow(int) {
    if (!bar_) return;
    bar_->SetFraction(0.0f);
    bar_->Show(0);
}

void DownloadListRow::SetFraction(float fraction) {
    if (bar_) bar_->Show(bar_->SetFraction(fraction) > 0.0f);
}

void DownloadListRow::SetTexts(const char* status, const char* size, const char* speed) {
    SetChangedText(name_, status);
    SetChangedText(size_, size);
    SetChangedText(speed_, speed);
}

void DownloadListRow::Clear() {
    SetTexts("", "", "");
    SetFraction(0.0f);
}

void DownloadListRow::SetSelected(int selected) {
    selected_ = selected ? 1 : 0;
    if (selection_) selection_->Show(selected_);
}
