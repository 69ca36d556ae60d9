#pragma once
// The functions the host binds by name (plain names, see Fetchpane.def).
extern "C" {
int PanelModelInit(void);   // 1 started, 0 failed
int PanelModelExit(void);   // always 1
}

class DownloadWinApp;
class DownloadApp;
DownloadWinApp& TheDownloadWinApp();
DownloadApp& TheDownloadApp();
