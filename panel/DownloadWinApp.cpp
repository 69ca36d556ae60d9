#include "panel/DownloadWinApp.h"

BOOL DownloadWinApp::Start(HINSTANCE instance) {
    instance_ = instance;
    return InitInstance();
}

void DownloadWinApp::Stop() { ExitInstance(); }

// Loading the module does nothing of the panel's own: the host starts the
// engine through PanelModelInit.
BOOL DownloadWinApp::InitInstance() { return TRUE; }

int DownloadWinApp::ExitInstance() { return 0; }
