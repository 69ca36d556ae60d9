#pragma once
// Window surfaces live in the surface pool (Nuvex::Pools().surface) and
// windows refer to theirs by id; 0 means none.
#include <windows.h>
#include <cstdint>

class ISurface;

namespace Nuvex {

// Makes, starts and registers the surface of a window; 0 on failure (logged).
uint32_t CreateSurface(HWND window, int width, int height);
// Unregisters, shuts down and deletes it; 1, or 0 for no such surface.
int DestroySurface(uint32_t id);
ISurface* GetSurfaceById(uint32_t id);

}   // namespace Nuvex
