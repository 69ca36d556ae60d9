#pragma once
// The hidden window the main frame gives its update tasks: their messages
// arrive here on the host's UI thread, where the list is refreshed and a
// finished or failed task is reported to the host.
#include <windows.h>

class DownloadMainFrame;

class DownloadEventReceiver {
public:
    static const char kClassName[];
    static const char kTitle[];

    DownloadEventReceiver() = default;
    ~DownloadEventReceiver();   // destroys the window
    DownloadEventReceiver(const DownloadEventReceiver&) = delete;
    DownloadEventReceiver& operator=(const DownloadEventReceiver&) = delete;

    // Makes the window, never shown, for `frame`. 0 when it can't be made.
    int Create(DownloadMainFrame* frame);
    HWND Handle() const { return hwnd_; }

    // At module exit: the window class goes when no receiver is left, so a
    // module loaded again (at another address) registers its own.
    static void UnregisterClassIfUnused();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static bool RegisterReceiverClass();

    HWND hwnd_ = nullptr;
};
