#pragma once
// What a shell and its frame thread share: made with the shell, and held by
// the frame thread as well, each with a reference of its own. The shell
// waits for the thread's word only a bounded time, since where the host
// tears the panel down under the loader lock the thread may be unable even
// to start; a thread the shell gave up on finds here everything it still
// touches, and its module reference keeps its code (ModuleThread).
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>

#include "engine/core/RefCounted.h"

class GuiShell;

struct FrameLink : RefCounted {
    FrameLink() {
        threadDone = CreateEventA(nullptr, TRUE, TRUE, nullptr);
        renderDone = CreateEventA(nullptr, TRUE, TRUE, nullptr);
        stopped = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        InitializeCriticalSection(&renderLock);
    }
    ~FrameLink() override {
        for (HANDLE event : {threadDone, renderDone, stopped})
            if (event) CloseHandle(event);
        DeleteCriticalSection(&renderLock);
    }
    bool HasEvents() const { return threadDone && renderDone && stopped; }

    // Set while the window runs; cleared for good when it stops.
    std::atomic<int> running{0};
    HANDLE threadDone;   // manual reset; set while no frame thread runs: its word
    HANDLE renderDone;   // manual reset; set when a posted frame was drawn
    HANDLE stopped;      // manual reset; set when running is cleared
    // Held while a frame is drawn, and in the older build whenever the
    // window's thread touches the tree (GuiShell::TreeLock).
    CRITICAL_SECTION renderLock;
    std::atomic<float> frameDelta{0.0f};
    // The older build: a repaint asked for.
    std::atomic<int> repaintAsked{0};

    // Set before the thread starts. The older build's thread draws `shell`,
    // only while it holds the render lock with running set.
    HWND window = nullptr;
    uint32_t fps = 0;
    int32_t pollMs = 0, idleMs = 0;
    GuiShell* shell = nullptr;
};
