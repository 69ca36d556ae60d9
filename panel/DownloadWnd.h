#pragma once
// The panel's engine window: its hooks load the skin, build the main frame,
// keep the window hidden until the host shows it, and let a close request
// destroy the window after telling the interface object.
#include "engine/gui/BaseWnd.h"

class DownloadMainFrame;
class PanelInterface;

class DownloadWnd : public BaseWnd {
public:
    explicit DownloadWnd(PanelInterface* panel) : panel_(panel) {}

    int OnLoadResources(GuiShell* shell) override;
    int OnInitialize(GuiShell* shell) override;
    int OnStartShow(GuiShell* shell) override;
    int OnClose(GuiShell* shell) override;

    // Starts the window as the panel runs it, at kFramesPerSecond and not
    // cleared; each build's DownloadWndStart.cpp calls its own start.
    int StartFrameLoop();
    static constexpr uint32_t kFramesPerSecond = 30;

    // The frame this window's start built; null before it or when it failed.
    DownloadMainFrame* Frame() const { return frame_; }

private:
    PanelInterface* panel_;
    DownloadMainFrame* frame_ = nullptr;   // owned by the window's tree
};
