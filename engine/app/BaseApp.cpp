#include "engine/app/BaseApp.h"

#include "engine/core/ImeLoader.h"
#include "engine/core/Log.h"
#include "engine/gui/GuiShell.h"
#include "engine/resources/ResourceManager.h"

#if defined(__i386__)
static_assert(sizeof(BaseApp) == 4, "BaseApp holds only its table of operations");
#endif

const RuntimeClass BaseApp::kRuntimeClass = {"BaseApp", sizeof(BaseApp), nullptr};

const RuntimeClass* BaseApp::GetRuntimeClass() const { return &kRuntimeClass; }

int BaseApp::OnInitGlobalResources() { return 1; }

int BaseApp::OnQuery(int) { return 0; }

int BaseApp::OnEngineEvent(const EngineEventRequest* request) {
    if (!request || request->kind != 0 || request->action != 2) return 0;
    if (!IsWindow(request->window)) return 0;
    return DestroyWindow(request->window);
}

int BaseApp::FilterMessage(const MSG* message) {
    if (!message) return 1;
    switch (message->message) {
    case WM_PAINT:
    case WM_NCMOUSEMOVE:
    case 0x0118:   // the system timer of caret blinking
    case WM_MOUSEMOVE: return 0;
    default: return 1;
    }
}

void BaseApp::OnExit() {}

int BaseApp::Init(HINSTANCE module, EngineConfig* config, const char* banner) {
    if (!banner || !banner[0]) banner = "VORN'S GAME ENGINE.";
    if (!Nuvex::InitEngine(kEngineInterfaceVersion, module, config, banner)) return 0;
    if (!Nuvex::LoadImeModule()) WriteLog(0, "Can't load input method module!");
    if (!ResourceManager::Instance()) {
        WriteLog(0, "Can't create resource manager!");
        return 0;
    }
    if (!OnInitGlobalResources()) {
        WriteLog(0, "Can't initialize global resources!");
        return 0;
    }
    return 1;
}

void BaseApp::Exit(const char* farewell) {
    // Windows first: their trees and frame threads go while the resources
    // they draw with are still there.
    GuiShell::DestroyAllWindows();
    OnExit();
    if (ResourceManager::Current()) ResourceManager::Release();
    Nuvex::FreeImeModule();
    if (!farewell || !farewell[0]) farewell = "Successful release.";
    Nuvex::ReleaseEngine(farewell);
}
