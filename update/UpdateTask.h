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
#include "update/support/WorkerThread.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum TaskKind : int32_t {
    TASK_KIND_LOBBY = 0,    // the lobby itself, installed into the work folder
    TASK_KIND_GAME = 2,     // one game, installed under "Games"
    // Any other kind fetches, checks and downloads but installs nothing.
};

// One record of the host's server list. Only the group and the URL are
// read; the URL is read as the character pointer that the host's string
// object holds, and copied at once.
struct ServerRecord {
    int32_t unused0;
    int32_t group;
    const char* unusedText;
    const char* url;
};

// The host's vector of records: the second word points to the first record,
// the third just past the last.
struct HostRecordVector {
    void* unused0;
    const ServerRecord* first;
    const ServerRecord* last;
    void* unused3;
};

#if defined(__i386__)
static_assert(sizeof(ServerRecord) == 16, "the host's server record is 16 bytes");
static_assert(offsetof(ServerRecord, group) == 4 && offsetof(ServerRecord, url) == 12,
              "the host's server record layout");
static_assert(offsetof(HostRecordVector, first) == 4 && offsetof(HostRecordVector, last) == 8,
              "the host's vector layout");
#endif

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
    void InitWithServers(const HostRecordVector* records, int groupId, const char* name, int kind,
                         DownloadItem* item);
    void SetReceiver(HWND receiver);
    // Stops the task; WorkerThread::Stop's result. Safe from inside the
    // receiver's handler of this task's own message.
    bool Cancel();

    // The URL's service type; a URL that can't be split counts as FTP (1).
    static unsigned ServiceType(const char* url);

    // What set-up chose (read before Start).
    std::string CurrentServer() const;
    std::vector<std::string> ServerList() const;

    // Network time-outs of the task's connections (defaults: connect 10 s,
    // receive 30 s). A stalled server fails a transfer after `receiveMs`.
    void SetNetworkTimeouts(DWORD connectMs, DWORD receiveMs);

private:
    RefPtr<UpdateTaskCore> core_;
};
