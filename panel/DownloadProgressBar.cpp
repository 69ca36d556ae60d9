#include "panel/DownloadProgressBar.h"

#include <cmath>
#include <memory>
#include <new>

#include "engine/graphics/ISurface.h"
#include "panel/SkinStyles.h"

namespace {

// Rounded to single precision on every build: the 32-bit build's x87 unit
// would keep more bits, and 0.01 x 200 would truncate to 1 there and to 2
// here.
float SingleProduct(float a, float b) {
    volatile float product = a * b;
    return product;
}

}   // namespace

// A child's draw may delete the fill: the clip is lifted through the
// surface, which outlives it.
int DownloadProgressFill::OnDraw(int absX, int absY, int width, int height) {
    ISurface* surface = GetSurface();
    SetClip(absX, absY, width, height);
    GUI::OnDraw(absX, absY, width, height);
    DrawChildren();
    if (surface) surface->SetClipRect(nullptr, nullptr);
    return 0;   // the children are drawn, inside the clip
}

int DownloadProgressBar::OnCreate(int, int) {
    std::unique_ptr<DownloadProgressFill> fill(new (std::nothrow) DownloadProgressFill);
    if (!fill || !fill->CreateWithAnimation("背景", skin::kBarFill, 1, 1, nullptr, 0)) return 0;
    fill->SetHitTestable(0);
    if (!AddChild(fill.get(), 0, 0)) return 0;
    fill_ = fill.release();
    return 1;
}

float DownloadProgressBar::SetFraction(float fraction) {
    // A task that had nothing to fetch can report inf or NaN.
    if (!(fraction > 0.0f)) fraction = 0.0f;
    if (fraction > 1.0f) fraction = 1.0f;
    fraction_ = fraction;
    if (fill_) {
        const int track = IsVisible() ? GetWidth() : 0;
        const int width = int(std::trunc(SingleProduct(fraction, float(track))));
        fill_->Resize(width > 1 ? width : 1, GetHeight());
    }
    return fraction_;
}

int DownloadProgressBar::SetStyle(int green) {
    if ((green != 0 && green != 1) || !fill_) return green;
    fill_->SetAnimation(green ? skin::kBarFillChecking : skin::kBarFill, 0, 0, 1);
    fill_->Resize(1, GetHeight());
    return green;
}
