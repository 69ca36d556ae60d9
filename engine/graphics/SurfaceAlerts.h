#pragma once
// The alerts of the drawing surface that each build words and shows in its
// own way (SurfaceAlerts.cpp, the older build's under legacy/): a scene begun
// while one is open, and a pixel store that could not take a new size. Each
// returns when its box is closed.
#include <windows.h>

namespace SurfaceAlerts {

// A second BeginScene; the box belongs to window.
void SceneAlreadyOpen(HWND window);
// The canvas's pixels could not be made at width x height.
void ResizeFailed(int width, int height);

}   // namespace SurfaceAlerts
