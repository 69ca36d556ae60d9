#pragma once
// The clock of each build's frame thread (FrameThread.cpp).
#include <windows.h>
#include <cstdint>

#include "engine/gui/GuiShell.h"

// The frame thread's time, from the performance counter: milliseconds since
// the last frame began, and the delta a frame begun now gets.
class FrameClock {
public:
    explicit FrameClock(uint32_t fps) : period_(1000.0f / float(fps)) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        msPerTick_ = 1.0 / double(frequency.QuadPart / 1000);
        QueryPerformanceCounter(&last_);
    }
    float Period() const { return period_; }
    float Elapsed() {
        QueryPerformanceCounter(&now_);
        return float(double(now_.QuadPart - last_.QuadPart) * msPerTick_);
    }
    // After a stall the nominal period is given instead.
    float BeginFrame(float elapsed) {
        last_ = now_;
        return GuiShell::ClampFrameDelta(elapsed * 0.001f, period_ * 0.001f);
    }

private:
    const float period_;
    double msPerTick_;
    LARGE_INTEGER last_, now_;
};
