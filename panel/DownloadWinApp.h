#pragma once
// The module's own application object: it learns the module's instance handle
// when the module is loaded, so the engine is started with the DLL's folder
// and not the host's.
#include <windows.h>

class DownloadWinApp {
public:
    DownloadWinApp() = default;
    virtual ~DownloadWinApp() = default;
    DownloadWinApp(const DownloadWinApp&) = delete;
    DownloadWinApp& operator=(const DownloadWinApp&) = delete;

    // Called from the module's entry point at process attach and detach.
    BOOL Start(HINSTANCE instance);
    void Stop();

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // Null until the module's entry point has run (as in a program that links
    // the panel statically); the engine then uses the program's own handle.
    HINSTANCE Instance() const { return instance_; }

private:
    HINSTANCE instance_ = nullptr;
};
