#pragma once
// The object a host holds: PanelInterfaceCreate makes it, the host drives
// the panel through its slots (in the public header's order) and frees it
// with Release. Every slot runs on the host's UI thread, lets no exception
// out, and behaves as "no window" once the window is gone, however it went:
// Destroy, a close request, or a host that closes the panel from inside one
// of its notifications (the window's tree is then freed once the panel's
// handling of that notification is done).
#include <windows.h>

#include "fetchpane_api.h"
#include "panel/DownloadWnd.h"

class DownloadMainFrame;

class PanelInterface final : public IPanelInterface {
public:
    static constexpr size_t kTextSize = 256;

    PanelInterface();

    void FETCHPANE_THISCALL Release() override;
    HWND FETCHPANE_THISCALL Create(const char* title, HWND host, int unused,
                                   const char* root) override;
    HWND FETCHPANE_THISCALL GetWindow() override;
    int FETCHPANE_THISCALL Destroy(int unused) override;
    int FETCHPANE_THISCALL Move(int x, int y, int w, int h) override;
    int FETCHPANE_THISCALL Show(int show) override;
    int FETCHPANE_THISCALL SetText(const char* text) override;
    const char* FETCHPANE_THISCALL GetText() override;
    int FETCHPANE_THISCALL Spare() override;
    int FETCHPANE_THISCALL ShowAt(int x, int y, IPanelInterface* other) override;
    int FETCHPANE_THISCALL AddUpdateTaskByServers(const PanelServerList* servers, int group,
                                                  const char* name, int kind) override;
    int FETCHPANE_THISCALL AddUpdateTask(const char* url, const char* name, int kind) override;
    void* FETCHPANE_THISCALL DeletingDestructor(unsigned flags) override;

    // A close request is destroying the window: from now on the object has
    // none, and its downloads are stopped.
    void OnWindowClosed();
    // The frame while the window's tree stands; null otherwise.
    DownloadMainFrame* Frame() const;

private:
    ~PanelInterface();
    // The window while it is alive and this object's.
    HWND Window() const;
    // Stops the downloads silently and forgets the window and the frame.
    void Forget();

    DownloadWnd wnd_;
    HWND hwnd_ = nullptr;
    char text_[kTextSize] = {};
    DownloadMainFrame* frame_ = nullptr;   // owned by the window's tree
};
