#include "update/UpdateTaskCore.h"

#include "engine/core/WorkPath.h"
#include "platform/InternetUrl.h"
#include "update/FtpDownloader.h"
#include "update/HttpDownloader.h"
#include "update/InstallCheck.h"
#include "update/UpdatePaths.h"
#include "update/support/FileUtils.h"
#include "update/support/IniFile.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>

namespace {

const char kLobbyListPath[] = "Update\\Lobby\\Lobby.xml.zip";
const char kUpdaterName[] = "Patchwell.exe";

// The work folder now, as the root a task keeps for its whole life.
std::string CurrentWorkFolder() {
    char folder[MAX_PATH] = {};
    Nuvex::GetWorkPath(folder, sizeof folder);
    if (folder[0]) return folder;
    // No work folder: relative paths would name the current folder.
    DWORD n = GetFullPathNameA(".", sizeof folder, folder, nullptr);
    return (n > 0 && n < sizeof folder) ? std::string(folder, n) : std::string();
}

std::atomic<UpdateTaskCore::PostFunction> g_post{&PostMessageA};

BOOL PostTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return g_post.load(std::memory_order_relaxed)(window, message, wParam, lParam);
}

}   // namespace

void UpdateTaskCore::SetPostFunction(PostFunction post) {
    g_post.store(post ? post : &PostMessageA, std::memory_order_relaxed);
}

UpdateTaskCore::UpdateTaskCore(UpdateTask* owner)
    : finishedParam_(reinterpret_cast<LPARAM>(owner)) {
    log_.OpenTaskLog();
}

UpdateTaskCore::~UpdateTaskCore() = default;

// ---------------------------------------------------------------- set-up --

void UpdateTaskCore::SetUp(const char* name, int kind, DownloadItem* item) {
    name_ = name ? name : "";
    kind_ = kind;
    item_ = item;
    progressOn_ = false;
    root_ = CurrentWorkFolder();
    listPath_ = ListFileName();
}

void UpdateTaskCore::SetTimeouts(const platform::InternetTimeouts& timeouts) {
    timeouts_ = timeouts;
    if (downloader_) downloader_->SetTimeouts(timeouts_);
}

void UpdateTaskCore::UseSingleServer(const char* url) {
    singleServer_ = true;
    current_ = url ? url : "";
    servers_.assign(1, current_);
    tried_.clear();
    MakeDownloaderFor(current_);
}

void UpdateTaskCore::ChooseServers(const PanelServerList* records, int groupId) {
    singleServer_ = false;
    current_.clear();
    servers_.clear();
    tried_.clear();
    std::vector<std::string> matching, others;
    const size_t count = WholeRecordCount(records);
    for (size_t i = 0; i < count; ++i) {
        const ServerRecord& record = records->first[i];
        if (!record.url) continue;
        (record.group == groupId ? matching : others).push_back(record.url);
    }
    if (!matching.empty() || !others.empty()) {
        random_.seed(GetTickCount());
        const std::vector<std::string>& pool = matching.empty() ? others : matching;
        current_ = pool[random_() % pool.size()];
        servers_ = matching;
        servers_.insert(servers_.end(), others.begin(), others.end());
        log_.Write("Server:%s", current_.c_str());
    }
    MakeDownloaderFor(current_);
}

// ------------------------------------------------------------------- run --

int UpdateTaskCore::Run(ThreadControl& control) {
    control_ = &control;
    bytesReceived_ = 0;
    toFetch_ = 0;
    startTick_ = GetTickCount();
    if (!SetState(TASK_STATE_CONNECTING)) return 0;

    // A game's name becomes a folder whose download copy is removed whole
    // (other kinds name their list file after it): it must be one plain
    // folder name. The lobby's paths are fixed; its name is only a label.
    const bool nameSafe = kind_ == TASK_KIND_LOBBY || updatepaths::IsSafeNameComponent(name_);
    if (nameSafe) ConnectFirstServer();
    if (!Running()) return 0;

    listPath_ = kind_ == TASK_KIND_LOBBY ? std::string(kLobbyListPath)
                                         : DownloadFolder(name_) + ListFileName();
    reportBlocks_ = false;
    if (!SetState(TASK_STATE_FETCHING_LIST)) return 0;
    if (!nameSafe) return Fail(TASK_STATE_FETCHING_LIST);
    if (kind_ == TASK_KIND_LOBBY) {
        // An old unpacked list must not pass for the new one if unpacking fails.
        std::string oldList;
        if (FullPath(listPath_.substr(0, listPath_.rfind('.')), &oldList))
            DeleteFileA(oldList.c_str());
    }
    if (!DownloadFile(ToForwardSlashes(listPath_), listPath_, UpdateListReader::kMaxFileSize,
                      false))
        return Fail(TASK_STATE_FETCHING_LIST);
    if (!Running()) return 0;

    bytesReceived_ = 0;
    progressOn_ = true;
    if (!SetState(TASK_STATE_CHECKING)) return 0;
    if (!AnalyseList()) return Fail(TASK_STATE_CHECKING);
    if (!Running()) return 0;

    if (!SetState(TASK_STATE_DOWNLOADING)) return 0;
    reportBlocks_ = true;
    if (!DownloadChanged()) return Fail(TASK_STATE_DOWNLOADING);
    if (!Running()) return 0;

    if (!SetState(TASK_STATE_INSTALLING)) return 0;
    int installed = 1;
    if (kind_ == TASK_KIND_GAME)
        installed = InstallGame();
    else if (kind_ == TASK_KIND_LOBBY)
        installed = InstallLobby();
    if (!installed) return Fail(TASK_STATE_INSTALLING);
    if (!Running()) return 0;

    PostOutcome(WM_TASK_FINISHED, finishedParam_);
    return 0;
}

// --------------------------------------------------------------- servers --

void UpdateTaskCore::ConnectFirstServer() {
    if (singleServer_) {
        // A failure here is retried once by the first download.
        OpenServer(current_);
        return;
    }
    tried_.clear();
    for (std::string s = NextServer(); !s.empty(); s = NextServer())
        if (OpenServer(s)) break;
}

std::string UpdateTaskCore::NextServer() {
    if (!Running()) return std::string();   // a cancelled task tries no further server
    if (tried_.empty()) {
        tried_.insert(current_);
        return current_;
    }
    for (const std::string& url : servers_) {
        if (tried_.count(url)) continue;
        current_ = url;
        tried_.insert(url);
        return url;
    }
    return std::string();
}

void UpdateTaskCore::MakeDownloaderFor(const std::string& url) {
    downloaderIsFtp_ = ServiceTypeOf(url.c_str()) == platform::kInternetServiceFtp;
    downloader_.reset(downloaderIsFtp_ ? static_cast<Downloader*>(new FtpDownloader(this))
                                       : new HttpDownloader(this));
    downloader_->SetTimeouts(timeouts_);
}

bool UpdateTaskCore::OpenServer(const std::string& url) {
    // Servers of one list may mix schemes: each gets the downloader it needs.
    bool ftp = ServiceTypeOf(url.c_str()) == platform::kInternetServiceFtp;
    if (!downloader_ || ftp != downloaderIsFtp_) MakeDownloaderFor(url);
    return downloader_->Open(url.c_str()) == 1;
}

int UpdateTaskCore::DownloadFile(const std::string& remote, const std::string& local,
                                 uint64_t bound, bool exact) {
    std::string full;
    if (!FullPath(local, &full)) return 0;
    std::string folder = GetFolderPart(full);
    if (!folder.empty() && !FolderExists(folder)) CreateFolderPath(folder.c_str());

    std::string server = current_;
    for (;;) {
        if (server.empty()) {
            // A partial or empty file is no download. A task left behind by
            // its Cancel leaves it: the panel, opened again over the same
            // root, may be fetching that file by now.
            control_->IfAttached([&] { DeleteFileA(full.c_str()); });
            return 0;
        }
        std::string url = server;
        if (url.back() != '/') url += '/';
        url += remote;
        fileBytes_ = 0;
        if (downloader_) downloader_->SetLengthBound(bound, exact);
        if (downloader_ && downloader_->Download(url.c_str(), full.c_str())) return 1;
        // The failed attempt's bytes don't count: the next one starts over.
        bytesReceived_ -= fileBytes_;
        fileBytes_ = 0;
        server = NextServer();
        while (!server.empty() && !OpenServer(server)) server = NextServer();
    }
}

// ------------------------------------------------------------- messages --

bool UpdateTaskCore::Running() const {
    return control_ && control_->KeepRunning() && !control_->IsDetached();
}

bool UpdateTaskCore::SetState(int32_t state) {
    return control_->IfRunning([&] {
        if (item_) item_->SetState(state);
        if (!receiver_) return;
        // Bounded: a Cancel on the receiver's thread, even from inside its
        // handler of this very message, ends the wait within one step.
        for (;;) {
            DWORD_PTR result = 0;
            SetLastError(0);
            if (SendMessageTimeoutA(receiver_, WM_TASK_PROGRESS, reinterpret_cast<WPARAM>(item_), 0,
                                    SMTO_NORMAL, kSendStepMs, &result))
                return;
            DWORD error = GetLastError();
            if ((error != ERROR_TIMEOUT && error != 0) || !IsWindow(receiver_)) return;
            if (!control_->KeepRunning()) return;
        }
    });
}

bool UpdateTaskCore::Post(UINT message, LPARAM lParam) {
    return control_->IfRunning([&] {
        if (receiver_) PostTo(receiver_, message, reinterpret_cast<WPARAM>(item_), lParam);
    });
}

int UpdateTaskCore::Fail(int32_t state) {
    PostOutcome(WM_TASK_FAILED, state);
    return 0;
}

void UpdateTaskCore::PostOutcome(UINT message, LPARAM lParam) {
    // A full message queue refuses posts; the outcome must still arrive.
    for (;;) {
        bool done = true;
        bool running = control_->IfRunning([&] {
            if (!receiver_) return;
            if (PostTo(receiver_, message, reinterpret_cast<WPARAM>(item_), lParam)) return;
            done = !IsWindow(receiver_);
        });
        if (!running || done) return;
        Sleep(10);
    }
}

void UpdateTaskCore::PostProgress(DWORD now) {
    DWORD elapsed = now - startTick_;
    float fraction = FractionOf(bytesReceived_, toFetch_);
    control_->IfRunning([&] {
        if (!item_) return;
        if (elapsed >= 1)
            item_->speed.store(SpeedOf(uint64_t(std::max<int64_t>(bytesReceived_, 0)), elapsed),
                               std::memory_order_relaxed);
        item_->fraction.store(fraction, std::memory_order_relaxed);
        if (receiver_) PostTo(receiver_, WM_TASK_PROGRESS, reinterpret_cast<WPARAM>(item_), 0);
    });
    lastPostTick_ = now;
    postedOnce_ = true;
    blockUnposted_ = false;
}

void UpdateTaskCore::OnBlock(const char*, unsigned bytes) {
    DWORD now = GetTickCount();
    if (!progressOn_) return;
    bytesReceived_ += bytes;
    fileBytes_ += bytes;
    if (!item_) return;
    blockUnposted_ = true;
    if (postedOnce_ && now - lastPostTick_ < kProgressPostIntervalMs) return;
    PostProgress(now);
}

void UpdateTaskCore::OnFileEnd(const char*) {
    if (progressOn_ && blockUnposted_ && item_) PostProgress(GetTickCount());
}

int32_t UpdateTaskCore::SpeedOf(uint64_t bytes, DWORD elapsedMs) {
    if (elapsedMs == 0) return 0;
    uint64_t perMs = bytes / elapsedMs;
    uint64_t perSecond = perMs * 1000;
    return perSecond > uint64_t(INT32_MAX) ? INT32_MAX : int32_t(perSecond);
}

float UpdateTaskCore::FractionOf(int64_t received, int64_t toFetch) {
    if (toFetch <= 0) return 1.0f;
    if (received <= 0) return 0.0f;
    if (received >= toFetch) return 1.0f;
    return static_cast<float>(double(received) / double(toFetch));
}

// ----------------------------------------------------------------- paths --

std::string UpdateTaskCore::DownloadFolder(const std::string& folder) const {
    if (kind_ == TASK_KIND_GAME) return "Update\\Games\\" + folder + "\\";
    if (kind_ == TASK_KIND_LOBBY) return "Update\\Lobby\\" + folder;
    return std::string();
}

std::string UpdateTaskCore::LocalFolder(const std::string& folder) const {
    if (kind_ == TASK_KIND_GAME) return "Games\\" + folder + "\\";
    if (kind_ == TASK_KIND_LOBBY) return folder.empty() ? std::string(".\\") : folder + "\\";
    return std::string();
}

std::string UpdateTaskCore::ArchivePath(const UpdateEntry& entry) const {
    std::string folder = DownloadFolder(entry.folder);
    AddTrailingBackslash(folder);
    return folder + entry.name + ".zip";
}

std::string UpdateTaskCore::TargetPath(const UpdateEntry& entry) const {
    return LocalFolder(entry.folder) + entry.name;
}

bool UpdateTaskCore::FullPath(const std::string& relative, std::string* full) const {
    return updatepaths::JoinUnderRoot(root_, relative, full);
}

// ------------------------------------------------------- list and files --

int UpdateTaskCore::AnalyseList() {
    const bool lobby = kind_ == TASK_KIND_LOBBY;
    std::string listFile;
    if (!FullPath(listPath_, &listFile)) return 0;
    if (lobby) {
        // The lobby's list arrives zipped; unpack it beside the archive, no
        // larger than a list may be.
        std::string archive = listFile;
        if (!FullPath(listPath_.substr(0, listPath_.rfind('.')), &listFile)) return 0;
        ArchiveInstall unpack(keepRunning_);
        unpack.LimitUnlisted(UpdateListReader::kMaxFileSize);
        if (!unpack.Install(archive, GetFolderPart(listFile), listFile)) return Running() ? 0 : 1;
    }

    UpdateListReader reader(lobby, keepRunning_);
    if (reader.Read(listFile) != UpdateListReader::kRead) return 0;
    if (!Running()) return 1;
    listDigest_ = digest_.FileMd5Hex(listFile, keepRunning_);
    listed_ = reader.Entries();

    // Every place an entry reaches must fit under the root before any is used.
    std::vector<CheckedFile> targets;
    targets.reserve(reader.Entries().size());
    for (const UpdateEntry& entry : reader.Entries()) {
        std::string target, unused;
        if (!FullPath(TargetPath(entry), &target) || !FullPath(ArchivePath(entry), &unused))
            return 0;
        targets.push_back(CheckedFile{target, entry.size, entry.md5});
    }

    const int64_t listSize = reader.ListSize();
    const std::vector<UpdateEntry>& listed = reader.Entries();
    Post(WM_TASK_CHECK_BEGIN);
    int64_t runningSum = 0;
    DWORD lastPost = 0;
    // Outcomes arrive in list order whatever order the readers finish in.
    const auto onChecked = [&](size_t i, bool current) {
        const UpdateEntry& entry = listed[i];
        const int64_t zipSize = std::max<int32_t>(entry.zipSize, 0);
        if (!current) {
            toFetch_ += zipSize;
            entries_.push_back(entry);
        }
        runningSum += zipSize;
        float fraction = listSize > 0 ? float(double(runningSum) / double(listSize))
                                      : float(double(i + 1) / double(listed.size()));
        // Paced like block progress: a long list checked quickly must not
        // fill the receiver's queue; the first and the last are always posted.
        const DWORD now = GetTickCount();
        const bool post = i == 0 || i + 1 == listed.size() ||
                          now - lastPost >= kProgressPostIntervalMs;
        if (post) lastPost = now;
        control_->IfRunning([&] {
            if (item_) item_->fraction.store(fraction, std::memory_order_relaxed);
            if (receiver_ && post)
                PostTo(receiver_, WM_TASK_CHECK_PROGRESS, reinterpret_cast<WPARAM>(item_), 0);
        });
    };
    if (!InstallCheck(InstallCheck::kReaders, keepRunning_).Run(targets, onChecked)) return 1;
    Post(WM_TASK_CHECK_END);
    control_->IfRunning([&] {
        if (!item_) return;
        item_->totalBytes.store(int32_t(std::min<int64_t>(toFetch_, INT32_MAX)),
                                std::memory_order_relaxed);
        item_->displayName = reader.DisplayName();
    });
    return 1;
}

int UpdateTaskCore::DownloadChanged() {
    Post(WM_TASK_DOWNLOAD_BEGIN);
    for (UpdateEntry& entry : entries_) {
        const std::string archive = ArchivePath(entry);
        entry.selected = 1;
        const bool sized = entry.zipSize > 0;
        if (!DownloadFile(ToForwardSlashes(archive), archive, sized ? uint64_t(entry.zipSize) : 0,
                          sized)) {
            log_.Write("服务器不存在%s文件", archive.c_str());
            return 0;
        }
        if (!Running()) return 1;
    }
    Post(WM_TASK_DOWNLOAD_END);
    return 1;
}

bool UpdateTaskCore::ExpectListed(ArchiveInstall* install) const {
    for (const UpdateEntry& entry : listed_) {
        std::string target;
        if (!FullPath(TargetPath(entry), &target)) return false;
        install->Expect(target, entry.size, entry.md5);
    }
    return true;
}

int UpdateTaskCore::InstallGame() {
    ArchiveInstall install(keepRunning_);
    if (!ExpectListed(&install)) return 0;
    for (const UpdateEntry& entry : entries_) {
        if (!entry.selected) continue;
        std::string target, archive;
        if (!FullPath(TargetPath(entry), &target) || !FullPath(ArchivePath(entry), &archive))
            return 0;
        const bool installed = install.Install(archive, GetFolderPart(target), target);
        if (installed) DeleteFileA(archive.c_str());
        if (!Running()) {
            control_->IfAttached([&] { RemoveDownloadFolder(); });
            return 1;
        }
        if (!installed) return 0;
    }
    std::string versionFile;
    if (!listDigest_.empty() && FullPath(LocalFolder(name_) + "version.check", &versionFile)) {
        if (FILE* file = std::fopen(versionFile.c_str(), "w")) {
            std::fputs(listDigest_.c_str(), file);
            std::fclose(file);
        }
    }
    RemoveDownloadFolder();
    return 1;
}

int UpdateTaskCore::InstallLobby() {
    std::string root, archive;
    if (!FullPath("", &root) ||
        !FullPath(std::string("Update\\Lobby\\") + kUpdaterName + ".zip", &archive))
        return 0;
    if (PathExists(archive)) {
        ArchiveInstall install(keepRunning_);
        if (!ExpectListed(&install)) return 0;
        std::string updater;   // where the updater goes, when the list names it
        for (const UpdateEntry& entry : listed_) {
            const bool isUpdater = entry.folder.empty() && entry.name == kUpdaterName;
            if (isUpdater && !FullPath(TargetPath(entry), &updater)) return 0;
        }
        if (!install.Install(archive, root, updater)) return Running() ? 0 : 1;
        DeleteFileA(archive.c_str());
    }
    std::string configPath;
    if (FullPath("Config.ini", &configPath)) {
        IniFile config(configPath);
        config.Read();
        config.SetIntValue("VERSION", "Update", 1);
        config.Write();
    }
    return 1;
}

int UpdateTaskCore::RemoveDownloadFolder() {
    std::string folder;
    if (!FullPath(DownloadFolder(name_), &folder)) return 1;
    StripTrailingBackslash(folder);
    RemoveFolder(folder.c_str(), nullptr, true);
    return 1;
}
