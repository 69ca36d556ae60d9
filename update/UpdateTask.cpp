#include "update/UpdateTask.h"

#include "update/UpdateTaskCore.h"

UpdateTask::UpdateTask() : core_(new UpdateTaskCore(this)) { SetWork(core_.Get()); }

UpdateTask::~UpdateTask() {
    // Bounded; a thread left behind keeps the core alive through its own reference.
    Stop();
}

void UpdateTask::InitWithUrl(const char* url, const char* name, int kind, DownloadItem* item) {
    core_->SetUp(name, kind, item);
    core_->UseSingleServer(url);
}

void UpdateTask::InitWithServers(const PanelServerList* records, int groupId, const char* name,
                                 int kind, DownloadItem* item) {
    core_->ChooseServers(records, groupId);
    core_->SetUp(name, kind, item);
}

void UpdateTask::SetReceiver(HWND receiver) { core_->SetReceiver(receiver); }

bool UpdateTask::Cancel() { return Stop(); }

std::string UpdateTask::CurrentServer() const { return core_->CurrentServer(); }

std::vector<std::string> UpdateTask::ServerList() const { return core_->ServerList(); }

void UpdateTask::SetNetworkTimeouts(DWORD connectMs, DWORD receiveMs) {
    platform::InternetTimeouts timeouts;
    timeouts.connectMs = connectMs;
    timeouts.receiveMs = receiveMs;
    core_->SetTimeouts(timeouts);
}
