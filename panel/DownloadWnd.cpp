#include "panel/DownloadWnd.h"

#include <memory>
#include <new>

#include "engine/gui/GuiShell.h"
#include "panel/DownloadMainFrame.h"
#include "panel/PanelInterface.h"
#include "panel/PanelSkin.h"

int DownloadWnd::OnLoadResources(GuiShell*) {
    frame_ = nullptr;   // a new start: the frame of an earlier window is gone
    return PanelSkin::Load();
}

int DownloadWnd::OnInitialize(GuiShell* shell) {
    std::unique_ptr<DownloadMainFrame> frame(new (std::nothrow) DownloadMainFrame);
    if (!frame || !frame->CreateBody("下载界面主框架", 480, 320) ||
        !shell->AddChild(frame.get(), 0, 0))
        return 0;
    frame_ = frame.release();
    return 1;
}

// The host shows the window (PanelInterface::Show).
int DownloadWnd::OnStartShow(GuiShell* shell) {
    InvalidateRect(shell->Hwnd(), nullptr, TRUE);
    return 0;
}

int DownloadWnd::OnClose(GuiShell*) {
    panel_->OnWindowClosed();
    frame_ = nullptr;
    return 1;
}
