// The older build's start of the panel window: its queued start, whose frame
// thread has one wait, of 1 ms.
#include "panel/DownloadWnd.h"

namespace {

constexpr int kWaitMs = 1;

}   // namespace

int DownloadWnd::StartFrameLoop() { return Start(1, 0, kFramesPerSecond, kWaitMs); }
