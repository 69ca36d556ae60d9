#pragma once
// The download list's header (four column titles) and its rows: status,
// size, progress bar and speed of one download, over a selection layer
// that shows while the row is selected.
#include "engine/gui/GUI.h"

class DownloadProgressBar;
class uiTextCtrl;

class DownloadListHeader : public GUI {
public:
    int OnCreate(int width, int height) override;
};

class DownloadListRow : public GUI {
public:
    static constexpr int kHeight = 22;

    explicit DownloadListRow(int index) : index_(index) {}

    int OnCreate(int width, int height) override;
    // A click on a row that is not selected asks the list to select it.
    void OnLButton(int x, int y, int kind) override;
    void OnShow(int visible) override;   // the bar starts hidden and empty

    // The bar takes the fraction and shows while it is above 0.
    void SetFraction(float fraction);
    void SetTexts(const char* status, const char* size, const char* speed);
    void Clear();
    void SetSelected(int selected);

    int Index() const { return index_; }
    int IsSelected() const { return selected_; }
    uiTextCtrl* StatusLabel() const { return name_; }
    uiTextCtrl* SizeLabel() const { return size_; }
    uiTextCtrl* SpeedLabel() const { return speed_; }
    DownloadProgressBar* Bar() const { return bar_; }
    GUI* SelectionLayer() const { return selection_; }

private:
    // Children, owned by the tree; null until made.
    uiTextCtrl* name_ = nullptr;
    uiTextCtrl* size_ = nullptr;
    DownloadProgressBar* bar_ = nullptr;
    uiTextCtrl* speed_ = nullptr;
    GUI* selection_ = nullptr;
    int index_;
    int selected_ = 0;
};
