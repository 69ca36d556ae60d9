#pragma once
// The end-to-end host: a test drives the built module the way a lobby does,
// by loading the DLL, binding its exports by name and calling the panel only
// through the slot table of the public header. Each test starts with the
// module loaded and started, a host window, a root folder holding the skin
// and older installs of the sample games, and those games on the local
// HTTP server.
#include "host/HostWindow.h"
#include "host/PanelModule.h"
#include "support/TestSupport.h"
#include "update/TestServers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace e2e {

// The module of this build as it ships, stripped (<build>\ship\Fetchpane.dll).
std::string ShippedModulePath();

// The ids of this process's threads; without the system pool's workers
// (the threads that start in ntdll) unless `poolWorkers`.
std::vector<DWORD> ProcessThreads(bool poolWorkers = true);

// Client points of the panel at its default 600 x 200: the middle of the
// cancel and cancel-all buttons, and of the list's second row (the first
// lies in the top 75 pixels, where a press starts a window drag).
const POINT kCancelButton = {402 + 46, 165 + 13};
const POINT kCancelAllButton = {502 + 46, 165 + 13};
const POINT kSecondRow = {100, 28 + 21 + 22 + 11};

class PanelHost : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static const IPanelInterfaceVtbl* Slots(IPanelInterface* panel) { return PANEL_VTBL(panel); }
    const IPanelInterfaceVtbl* Slots() const { return PANEL_VTBL(panel_); }

    // Loads and starts the built module; stops and unloads it.
    void LoadModule();
    void UnloadModule();

    // A new interface object (panel_) with its window (window_) over the
    // root folder, placed where the test clicks and shown when `show`.
    void OpenPanel(bool show = true);
    // A panel, never shown, whose one download fails at an unreachable
    // server; released. (Under wine without a window manager, a shown
    // window takes two seconds to go.)
    void RunAPanelWithAFailingDownload();
    // Release through slot 0; panel_ and window_ are forgotten.
    void ReleasePanel();

    // The sample games' URL on the test server; `route` "_slow/" sends
    // 1 KB every 50 ms, so a download stays busy for a minute.
    std::string GamesUrl(const char* route = "") const;
    // Slot 11 for a game of the samples; its result.
    int AddGame(const std::string& game, const char* route = "");
    // Pumps until the server was asked for an archive of `game`: its task
    // is past its list and downloading.
    bool WaitUntilDownloading(const std::string& game, DWORD timeoutMs = 20000);
    // Pumps until the server saw the client close a transfer of `game`'s
    // files before its end: the task stopped and let its connection go.
    bool WaitUntilAbandoned(const std::string& game, DWORD timeoutMs = 1000);
    // Pumps until `count` notifications with `code` arrived.
    bool WaitFor(int code, DWORD timeoutMs, size_t count = 1);
    // A left click at a client point of the panel, as a user makes it: the
    // pointer is moved there first (the panel checks the real pointer).
    void Click(POINT at);

    // Receiver windows of this process: one per panel window.
    static int ReceiverWindows();

    // The notifications so far, one Describe line each, all from window_.
    void ExpectNotifications(const std::string& lines);
    // Every slot that needs a window answers as without one.
    void ExpectNoWindow(IPanelInterface* panel);
    // The host closes the panel from inside the next notification, with
    // Release or with Destroy; after it, window and receiver are gone, that
    // notification was the only one, and a destroyed object has no window.
    void CloseInsideTheNextNotification(bool release);
    void ExpectClosedInside(HWND window);

    testsupport::TempFolder root_;
    servers::ServedFolder served_{"e2e"};
    panelhost::HostWindow host_{"end-to-end host", 320, 200, false};
    panelhost::PanelModule module_;
    bool started_ = false;
    IPanelInterface* panel_ = nullptr;
    HWND window_ = nullptr;

private:
    // Pumps until a line of the server's log `logName` names a file of
    // `game` and holds `needle`.
    bool WaitForServerLine(const char* logName, const std::string& game, const char* needle,
                           DWORD timeoutMs);

    bool closeWithRelease_ = false;
    int destroyedInside_ = -1;   // Destroy's result inside the notification
};

}   // namespace e2e
