#pragma once
// The working state of one update task, shared by the UpdateTask (its
// owner, on the UI thread) and the task's worker thread. It is reference
// counted so that a thread left behind by a timed-out Stop still owns
// everything it uses; every write into the item and every message goes
// through the thread's control, which refuses them once the task is
// cancelled.
#include "platform/InternetSession.h"
#include "update/ArchiveInstall.h"
#include "update/Downloader.h"
#include "update/DownloadItem.h"
#include "update/LogFile.h"
#include "update/TaskTypes.h"
#include "update/UpdateList.h"
#include "update/support/Md5Digest.h"
#include "update/support/WorkerThread.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

class UpdateTask;

class UpdateTaskCore : public ThreadWork, private DownloadSink {
public:
    // Block progress is posted at most once per this many milliseconds (the
    // last block of each file always): a message per block at loopback speed
    // would fill the receiver's queue and crowd out the terminal message.
    static const DWORD kProgressPostIntervalMs = 30;
    // Each bounded send of a state change waits this long per attempt, so a
    // Cancel on the receiver's thread is noticed within one step. A receiver
    // busier than that may see the state twice (its handler only refreshes).
    static const DWORD kSendStepMs = 200;

    explicit UpdateTaskCore(UpdateTask* owner);
    ~UpdateTaskCore() override;

    // Set-up, on the UI thread before the start.
    void SetUp(const char* name, int kind, DownloadItem* item);
    void UseSingleServer(const char* url);
    void ChooseServers(const PanelServerList* records, int groupId);
    void SetReceiver(HWND receiver) { receiver_ = receiver; }
    void SetTimeouts(const platform::InternetTimeouts& timeouts);
    const std::string& CurrentServer() const { return current_; }
    const std::vector<std::string>& ServerList() const { return servers_; }

    int Run(ThreadControl& control) override;

    // Every task message that is posted goes through this (PostMessageA; null
    // restores it). Windows refuses posts to a queue that holds 10,000
    // messages, wine never does: tests stand in for a full queue with it.
    using PostFunction = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
    static void SetPostFunction(PostFunction post);

    // Bytes per second as the item shows it: whole bytes per millisecond
    // since the run began, times 1000.
    static int32_t SpeedOf(uint64_t bytes, DWORD elapsedMs);
    // Share of the bytes to fetch received so far, within [0, 1]; 1 when
    // there is nothing to fetch.
    static float FractionOf(int64_t received, int64_t toFetch);

private:
    // Steps of the run; each returns 1 done (or cancelled), 0 failed.
    int AnalyseList();
    int DownloadChanged();
    int InstallGame();
    int InstallLobby();
    int RemoveDownloadFolder();
    // Fetches `remote` from the current server, or failing that from the
    // next ones. `bound`: bytes the file may hold at most (0: no bound);
    // with `exact`, it must hold exactly that. What a failed fetch left is
    // deleted.
    int DownloadFile(const std::string& remote, const std::string& local, uint64_t bound,
                     bool exact);

    void MakeDownloaderFor(const std::string& url);
    void ConnectFirstServer();
    std::string NextServer();
    bool OpenServer(const std::string& url);

    // Paths relative to the install root, by the task's kind.
    std::string ListFileName() const { return name_ + ".xml"; }
    std::string DownloadFolder(const std::string& folder) const;
    std::string LocalFolder(const std::string& folder) const;
    std::string ArchivePath(const UpdateEntry& entry) const;
    std::string TargetPath(const UpdateEntry& entry) const;
    bool FullPath(const std::string& relative, std::string* full) const;
    // Every listed file, as an install must find it once written.
    bool ExpectListed(ArchiveInstall* install) const;

    // Messages and item writes; all refused once the task was cancelled.
    bool Running() const;
    bool SetState(int32_t state);
    bool Post(UINT message, LPARAM lParam = 0);
    int Fail(int32_t state);
    void PostOutcome(UINT message, LPARAM lParam);
    void PostProgress(DWORD now);

    // DownloadSink
    bool KeepRunning() override { return Running(); }
    bool ReportBlocks() override { return reportBlocks_; }
    void OnBlock(const char* localPath, unsigned bytes) override;
    void OnFileEnd(const char* localPath) override;

    // Set up on the UI thread, then used by the worker only.
    LPARAM finishedParam_;   // the owning UpdateTask, as the finished message carries it
    std::string root_;       // install root: the work folder at set-up
    std::string name_;
    int kind_ = 0;
    DownloadItem* item_ = nullptr;
    HWND receiver_ = nullptr;
    std::string current_;
    std::vector<std::string> servers_;
    std::set<std::string> tried_;
    bool singleServer_ = false;
    platform::InternetTimeouts timeouts_;
    std::unique_ptr<Downloader> downloader_;
    bool downloaderIsFtp_ = true;
    std::minstd_rand random_;
    LogFile log_;

    // Worker state.
    ThreadControl* control_ = nullptr;
    std::string listPath_;
    std::string listDigest_;
    std::vector<UpdateEntry> entries_;   // the listed files that need an update
    std::vector<UpdateEntry> listed_;    // every listed file
    const std::function<bool()> keepRunning_{[this] { return Running(); }};
    Md5Digest digest_;
    DWORD startTick_ = 0;
    bool reportBlocks_ = false;
    bool progressOn_ = false;
    int64_t toFetch_ = 0;
    int64_t bytesReceived_ = 0;
    int64_t fileBytes_ = 0;   // of the file being fetched, taken back when it fails
    DWORD lastPostTick_ = 0;
    bool postedOnce_ = false;
    bool blockUnposted_ = false;
};
