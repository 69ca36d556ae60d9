#pragma once
// The strip at the top of the panel: its skin style with a minimise and a
// close button at the right. A press on it drags the window; either button
// is reported to the frame as the title bar's own click (which one is not
// told: the host decides what the panel does).
#include "panel/SkinnedFrame.h"

class uiButton;

class DownloadTitleBar : public SkinnedFrame {
public:
    int OnCreate(int width, int height) override;   // the two buttons
    void OnSize(int width, int height) override;
    void OnLButton(int x, int y, int kind) override;
    // Every notification of its buttons goes on as its own, with wParam 1.
    int OnNotify(GUI* sender, uint32_t code, WPARAM wParam, LPARAM lParam) override;

    uiButton* MinimiseButton() const { return minimise_; }
    uiButton* CloseButton() const { return close_; }

private:
    uiButton* minimise_ = nullptr;   // children, owned by the tree
    uiButton* close_ = nullptr;
};
