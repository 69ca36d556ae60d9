#pragma once
// A lobby's plug-in that owns a panel and tears it down in its own DllMain,
// as the lobby frees it, under the loader lock (TeardownPlugin.cpp). The
// end-to-end tests load it, open its panel and free it.
#include <windows.h>

namespace teardownplugin {

// What the plug-in's DllMain does with the panel when the lobby frees the
// plug-in; at the process's end it calls nothing whatever the way.
enum Way {
    kLeftLive = 0,         // nothing: the panel lives until the process ends
    kReleaseAndExit = 1,   // the release slot, then PanelModelExit
    kDestroySlot = 2,      // the destroy slot alone
    kExitAlone = 3,        // PanelModelExit alone
};

// The export: loads the module from `module`, starts it and opens a hidden
// panel owned by `host` over `root`, with one download from `url`; the
// teardown `way` follows when the plug-in is freed. With `handleQueuedFirst`
// the DllMain dispatches the messages the lobby's thread has queued before
// it tears down (a panel's start among them). 1 when the panel is open.
using OpenFn = int(__cdecl*)(const char* module, HWND host, const char* root, const char* url,
                             int way, int handleQueuedFirst);
constexpr char kOpenExport[] = "TeardownPluginOpen";
constexpr char kFileName[] = "TeardownPlugin.dll";

}   // namespace teardownplugin
