#pragma once
// A row's progress bar: the track image at its natural size, and over it a
// fill whose width is the fraction of the bar's. The fill draws the full bar
// image clipped to its own width.
#include "panel/NinePiecePanel.h"

class DownloadProgressFill : public GUI {
public:
    int OnDraw(int absX, int absY, int width, int height) override;
};

class DownloadProgressBar : public NinePiecePanel {
public:
    DownloadProgressBar() = default;

    int OnCreate(int width, int height) override;    // makes the fill
    void OnSize(int width, int height) override {}   // the fill is sized by SetFraction

    // Stores the fraction, held to [0, 1] (NaN as 0), and sizes the fill to
    // it: at least 1 pixel; a hidden bar counts as 0 wide. Returns what was
    // stored.
    float SetFraction(float fraction);
    float Fraction() const { return fraction_; }
    // 1 the list-check image, 0 the download image; the fill starts again at
    // 1 pixel. Any other value changes nothing. Returns the value.
    int SetStyle(int green);
    DownloadProgressFill* Fill() const { return fill_; }

private:
    float fraction_ = 0.0f;
    DownloadProgressFill* fill_ = nullptr;   // a child, owned by the tree
};
