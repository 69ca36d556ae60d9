#include "engine/graphics/SurfacePool.h"

#include <memory>
#include <new>

#include "engine/core/HandleTable.h"
#include "engine/core/Log.h"
#include "engine/graphics/ISurface.h"

namespace Nuvex {

uint32_t CreateSurface(HWND window, int width, int height) {
    std::unique_ptr<ISurface> surface(new (std::nothrow) ISurface);
    if (!surface) {
        WriteLog(0, "Can't create surface!");
        return 0;
    }
    if (!surface->Startup(window, width, height)) {
        WriteLog(0, "Can't startup surface!");
        return 0;
    }
    const int32_t id = Pools().surface.Add(surface.get());
    if (id <= 0) {
        surface->Shutdown();
        return 0;
    }
    surface.release();
    return uint32_t(id);
}

int DestroySurface(uint32_t id) {
    ISurface* surface = GetSurfaceById(id);
    if (!surface || !Pools().surface.Remove(id)) return 0;
    surface->Shutdown();
    delete surface;
    return 1;
}

ISurface* GetSurfaceById(uint32_t id) { return static_cast<ISurface*>(Pools().surface.Get(id)); }

}   // namespace Nuvex
