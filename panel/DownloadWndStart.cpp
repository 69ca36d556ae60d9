// The current build's start of the panel window. (The older build's start
// takes one wait: legacy/panel/DownloadWndStart.cpp.)
#include "panel/DownloadWnd.h"

namespace {

// The frame thread's waits: none while a frame is drawn, 1 ms between frames.
constexpr int kPollMs = 0;
constexpr int kIdleMs = 1;

}   // namespace

int DownloadWnd::StartFrameLoop() { return Start(1, 0, kFramesPerSecond, kPollMs, kIdleMs); }
