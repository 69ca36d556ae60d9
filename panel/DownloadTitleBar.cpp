#include "panel/DownloadTitleBar.h"

#include "panel/SkinStyles.h"
#include "panel/uiButton.h"

namespace {

constexpr int kRightMargin = 5;

}   // namespace

int DownloadTitleBar::OnCreate(int, int) {
    CutPieces(kTitleBar);
    minimise_ = uiButton::MakeAttached(this, "最小化按钮", skin::kMinimiseButton);
    close_ = uiButton::MakeAttached(this, "关闭按钮", skin::kCloseButton);
    return minimise_ && close_ ? 1 : 0;
}

void DownloadTitleBar::OnSize(int width, int height) {
    SizePieces(width, height);
    if (!minimise_ || !close_) return;
    const int closeX = width - close_->GetWidth() - kRightMargin;
    close_->MoveTo(closeX, 0);
    minimise_->MoveTo(closeX - minimise_->GetWidth(), 0);
}

void DownloadTitleBar::OnLButton(int, int, int kind) {
    if (kind == GUI_BUTTON_DOWN) BeginWindowDrag();
}

int DownloadTitleBar::OnNotify(GUI* sender, uint32_t code, WPARAM, LPARAM) {
    if (sender != minimise_ && sender != close_) return 0;
    return Notify(code, 1, 0);
}
