#pragma once
// The functions the host binds by name (plain names, see Fetchpane.def).
class PanelInterface;

extern "C" {
int PanelModelInit(void);   // 1 started, 0 failed
int PanelModelExit(void);   // always 1
// A new interface object; null only when memory runs out.
PanelInterface* PanelInterfaceCreate(void);
}

class DownloadWinApp;
class DownloadApp;
DownloadWinApp& TheDownloadWinApp();
DownloadApp& TheDownloadApp();
