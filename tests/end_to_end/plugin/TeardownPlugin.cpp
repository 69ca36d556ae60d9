// The plug-in of TeardownPlugin.h. It knows the module only through the
// public header, and keeps to what a plug-in of a lobby would do: it loads
// the module itself and gives it back in its DllMain.
#include "end_to_end/plugin/TeardownPlugin.h"

#include "fetchpane_api.h"

namespace {

struct Held {
    HMODULE module;
    IPanelInterface* panel;
    int way;
    int handleQueuedFirst;
} g_held;

template <class Fn>
Fn Export(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_held.module, name)));
}

void TearDown() {
    if (!g_held.module) return;
    if (g_held.handleQueuedFirst) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    const PanelModelExitFn exitModel = Export<PanelModelExitFn>("PanelModelExit");
    IPanelInterface* panel = g_held.panel;
    switch (g_held.way) {
    case teardownplugin::kReleaseAndExit:
        PANEL_VTBL(panel)->Release(panel);
        exitModel();
        break;
    case teardownplugin::kDestroySlot: PANEL_VTBL(panel)->Destroy(panel, 0); break;
    case teardownplugin::kExitAlone: exitModel(); break;
    default: break;
    }
    FreeLibrary(g_held.module);
    g_held.module = nullptr;
}

}   // namespace

extern "C" __declspec(dllexport) int __cdecl TeardownPluginOpen(const char* module, HWND host,
                                                                const char* root, const char* url,
                                                                int way, int handleQueuedFirst) {
    if (g_held.module) return 0;
    g_held.module = LoadLibraryA(module);
    if (!g_held.module) return 0;
    const PanelModelInitFn init = Export<PanelModelInitFn>("PanelModelInit");
    const PanelInterfaceCreateFn create = Export<PanelInterfaceCreateFn>("PanelInterfaceCreate");
    IPanelInterface* panel = init && create && init() ? create() : nullptr;
    if (!panel) return 0;
    g_held.panel = panel;
    g_held.way = way;
    g_held.handleQueuedFirst = handleQueuedFirst;
    const IPanelInterfaceVtbl* slots = PANEL_VTBL(panel);
    if (!slots->Create(panel, "Fetchpane", host, 0, root)) return 0;
    // Hidden: the older start shows the window while it loads (under wine a
    // shown window takes two seconds to go).
    slots->Show(panel, 0);
    return slots->AddUpdateTask(panel, url, "Starfall", PANEL_KIND_GAME);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // Freed by the lobby: the panel goes here, under the loader lock. At the
    // process's end (reserved set) the process's other threads are gone
    // already, and nothing is called.
    if (reason == DLL_PROCESS_DETACH && !reserved) TearDown();
    return TRUE;
}
