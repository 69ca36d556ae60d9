#include "panel/PanelExports.h"

#include <new>

#include "panel/DownloadApp.h"
#include "panel/DownloadEventReceiver.h"
#include "panel/DownloadWinApp.h"
#include "panel/PanelInterface.h"
#include "panel/PanelSkin.h"
#include "platform/RequestSignals.h"

namespace {

// Built in this order when the module loads, destroyed in reverse at unload.
DownloadWinApp g_winApp;
DownloadApp g_app;

}   // namespace

DownloadWinApp& TheDownloadWinApp() { return g_winApp; }
DownloadApp& TheDownloadApp() { return g_app; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    // Runs under the loader lock: record the handle, start nothing.
    if (reason == DLL_PROCESS_ATTACH) return g_winApp.Start(instance);
    if (reason != DLL_PROCESS_DETACH) return TRUE;
    // Unloaded while the process goes on: a WinInet thread may still be on
    // its way out of the status callback, and the code must stay until it
    // is out. (At the process's end no other thread runs any more.)
    if (!reserved) platform::RequestSignals::AwaitNoCallbackRunning(1000);
    g_winApp.Stop();
    return TRUE;
}

extern "C" int PanelModelInit(void) {
    try {
        EngineConfig config;
        config.flags = EngineConfig::kNoLog;   // the panel keeps no engine log
        config.logName = "Fetchpane";
        return g_app.Init(g_winApp.Instance(), &config, nullptr);
    } catch (...) {
        return 0;
    }
}

extern "C" int PanelModelExit(void) {
    try {
        g_app.Exit(nullptr);
        // The engine's windows, and with them the receivers, are gone; so
        // are the skin's resources, which a next start loads again.
        DownloadEventReceiver::UnregisterClassIfUnused();
        PanelSkin::Forget();
    } catch (...) {
    }
    return 1;
}

extern "C" PanelInterface* PanelInterfaceCreate(void) {
    try {
        return new (std::nothrow) PanelInterface;
    } catch (...) {
        return nullptr;
    }
}
