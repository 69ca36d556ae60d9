#pragma once
// An update task brings the lobby or one game up to date on a worker
// thread: connect, fetch the update list, check the local files against it,
// download the changed ones, install them. Each step is a task state sent to
// the receiver window; progress and outcome follow as posted task messages
// (update/DownloadItem.h).
//
// Calling order (UI thread): constructor; InitWithUrl or InitWithServers;
// SetReceiver; Start; then Cancel at any time; then delete. Cancel returns
// within the stop bound even while the worker is sending to the calling
// thread, and from then on the task touches neither its item nor its
// receiver.
#include "update/DownloadItem.h"
#include "update/TaskTypes.h"
#include "update/support/WorkerThread.h"

#include <string>
#include <vector>

class UpdateTaskCore;

class UpdateTask : public WorkerThread {
public:
    UpdateTask();
    ~UpdateTask() override;

    // Set up from one server URL. Nothing is contacted here: the worker
    // connects when it runs.
    void InitWithUrl(const char* url, const char* name, int kind, DownloadItem* item);
    // Set up from the host's server records: the records of `groupId` first
    // (one of them chosen at random to start with), then the others.
    void InitWithServers(const PanelServerList* records, int groupId, const char* name, int kind,
                         DownloadItem* item);
    void SetReceiver(HWND receiver);
    // Stops the task; WorkerThread::Stop's result. Safe from inside the
    // receiver's handler of this task's own message.
    bool Cancel();

    // The URL's service type; a URL that can't be split counts as FTP (1).
    static unsigned ServiceType(const char* url) { return ServiceTypeOf(url); }

    // What set-up chose (read before Start).
    std::string CurrentServer() const;
    std::vector<std::string> ServerList() const;

    // Network time-outs of the task's connections (defaults: connect 10 s,
    // receive 30 s). A stalled server fails a transfer after `receiveMs`.
    void SetNetworkTimeouts(DWORD connectMs, DWORD receiveMs);

private:
    RefPtr<UpdateTaskCore> core_;
};
