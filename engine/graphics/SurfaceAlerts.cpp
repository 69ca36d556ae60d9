// The current build's surface alerts: a line and a box titled after the part
// that failed.
#include "engine/graphics/SurfaceAlerts.h"

#include "engine/core/Log.h"

namespace SurfaceAlerts {

void SceneAlreadyOpen(HWND window) { AlertBox(window, "ISurface", "Can't begin scene!"); }

void ResizeFailed(int width, int height) {
    AlertBox(nullptr, "Graphics", "CanvasDC::Resize(%d, %d)", width, height);
}

}   // namespace SurfaceAlerts
