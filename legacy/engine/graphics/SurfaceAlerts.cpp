// The older build's surface alerts go through its log call's kinds, whose
// boxes are titled "Warning".
#include "engine/graphics/SurfaceAlerts.h"

#include "engine/core/Log.h"

namespace SurfaceAlerts {

// Kind 1: a line and the box.
void SceneAlreadyOpen(HWND) { WriteLog(1, "Can't begin scene!"); }

// Kind 2: the box alone, the canvas named by its old name.
void ResizeFailed(int width, int height) { WriteLog(2, "BitmapDC::Resize(%d, %d)", width, height); }

}   // namespace SurfaceAlerts
