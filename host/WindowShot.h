#pragma once
// What a window shows on the screen, read back from the display, and
// written as a PNG file: the demo's picture of the panel at work.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace panelhost {

struct WindowShot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;   // 0x00RRGGBB, top row first

    bool Empty() const { return pixels.empty(); }
};

// The window's rectangle as the screen shows it (whatever covers the window
// is in the picture too); an empty shot when it can't be read.
WindowShot CaptureWindow(HWND hwnd);

// Writes the shot as an 8-bit RGB PNG; false when the file can't be written.
bool WritePng(const WindowShot& shot, const std::string& path);

}   // namespace panelhost
