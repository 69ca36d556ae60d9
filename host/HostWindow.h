#pragma once
// The host's top-level window as the panel sees it: the panel's owner and
// the receiver of WM_PANEL_NOTIFY. Every notification is copied as it
// arrives (the record and its text live only for the send) and kept in
// order of arrival.
#include "fetchpane_api.h"

#include <functional>
#include <string>
#include <vector>

namespace panelhost {

struct Notification {
    int code = 0;
    int arg = 0;
    bool hasText = false;   // the record's text was not null
    std::string text;
    HWND panel = nullptr;   // wParam: the panel window that sent it
    DWORD tick = 0;         // GetTickCount when it arrived
};

class HostWindow {
public:
    // A top-level window on this thread, shown when `visible`.
    HostWindow(const char* title, int width, int height, bool visible);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    const std::vector<Notification>& Notifications() const { return seen_; }
    size_t Count(int code) const;
    // The first notification with `code`, or null.
    const Notification* Find(int code) const;
    void Clear() { seen_.clear(); }
    // Every notification kept, one Describe line each.
    std::string Lines() const;

    // Runs inside each send, after the notification was kept: the panel
    // waits for it, as it waits for any host.
    std::function<void(const Notification&)> onNotify;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Keep(HWND panel, const PanelNotifyRecord* record);

    HWND hwnd_ = nullptr;
    std::vector<Notification> seen_;
};

// "FINISHED", "FAILED", ...; "0x...." for a code the header does not name.
std::string NotifyCodeName(int code);
// One line: the code's name, its argument spelled out and the text.
std::string Describe(const Notification& n);

}   // namespace panelhost
