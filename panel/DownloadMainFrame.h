#pragma once
// The panel window's one top element: the skinned body with the title bar,
// the download list and the cancel and cancel-all buttons. New downloads
// enter here; the user's clicks and the tasks' outcomes leave here as
// notifications to the host window. UI thread only.
#include <windows.h>

#include "fetchpane_api.h"
#include "panel/DownloadEventReceiver.h"
#include "panel/SkinnedFrame.h"

struct DownloadItem;
class DownloadList;
class DownloadTitleBar;
class uiButton;

class DownloadMainFrame : public SkinnedFrame {
public:
    DownloadMainFrame() = default;
    ~DownloadMainFrame() override;

    int OnCreate(int width, int height) override;
    void OnSize(int width, int height) override;         // the layout
    void OnParentSize(int width, int height) override;   // fills the window
    void OnLButton(int x, int y, int kind) override;
    void OnRButton(int x, int y, int kind) override;
    int OnNotify(GUI* sender, uint32_t code, WPARAM wParam, LPARAM lParam) override;

    // 1 when the download was listed and its task started; 0 when refused
    // (three listed, bad arguments) or when it could not be started.
    int AddUpdateTask(const char* url, const char* name, int kind);
    int AddUpdateTaskByServers(const PanelServerList* servers, int groupId, const char* name,
                               int kind);
    void CancelSelected();
    void CancelAll();
    void NotifyTitleBar();
    // Both buttons off and every download stopped and dropped, silently.
    void Clear();
    // A task's outcome, from the receiver; items no longer listed are ignored.
    void OnTaskFinished(DownloadItem* item);
    void OnTaskFailed(DownloadItem* item, int state);

    // Where notifications go (null: nowhere).
    void SetHostWindow(HWND host) { host_ = host; }
    HWND HostWindow() const { return host_; }

    DownloadTitleBar* TitleBar() const { return titleBar_; }
    DownloadList* List() const { return list_; }
    uiButton* CancelButton() const { return cancel_; }
    uiButton* CancelAllButton() const { return cancelAll_; }
    HWND Receiver() const { return receiver_.Handle(); }

private:
    // Makes the item and its task, sets the task up with `setUp`, starts it
    // and lists the item.
    template <class SetUp>
    int AddDownload(const char* name, SetUp setUp);
    void NotifyHost(int code, int arg, const char* text);
    // The buttons after the list changed: cancel-all while items are listed.
    void AfterRemoval();
    void EnableCancel(int on);

    DownloadTitleBar* titleBar_ = nullptr;   // children, owned by the tree
    DownloadList* list_ = nullptr;
    uiButton* cancel_ = nullptr;
    uiButton* cancelAll_ = nullptr;
    DownloadEventReceiver receiver_;
    HWND host_ = nullptr;
};
