// The current build's queued loading: every queued texture, then every queued
// animation, in one call, with progress posted to a window. (The older build
// loads its queues one resource at a time at a window's start, in
// legacy/engine/resources/ResourceQueue.cpp.)
#include "engine/resources/ResourceManager.h"

namespace {

const UINT kFirstReportMessage = 0x400;   // only messages above WM_USER are reported

// Clears the busy mark of a queued load on every exit.
class BusyMark {
public:
    explicit BusyMark(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyMark() { flag_ = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

private:
    bool& flag_;
};

}   // namespace

int ResourceManager::LoadQueuedMap(RecordMap& queue, int type, HWND reportTo, UINT msg,
                                   uint32_t total, uint32_t& index) {
    for (RecordMap::iterator it = queue.begin(); it != queue.end(); ++it, ++index) {
        if (!it->second) continue;
        if (!LoadQueuedRecord(type, it->first, it->second)) return 0;
        if (reportTo) {
            MSG waiting;
            if (PeekMessageA(&waiting, reportTo, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&waiting);
            } else {
                PostMessageA(reportTo, msg, 1, LPARAM((index << 16) | (total & 0xFFFF)));
            }
        }
    }
    return 1;
}

int ResourceManager::LoadQueued(HWND hwnd, UINT msg) {
    // A message dispatched during the walk must not start a second walk, and
    // a release it asks for waits until the walk is over.
    if (loadingQueue_) return 0;
    int result;
    {
        BusyMark busy(loadingQueue_);
        result = WalkQueues(hwnd, msg);
    }
    if (releasePending_) Release();   // no member is touched after this
    return result;
}

int ResourceManager::WalkQueues(HWND hwnd, UINT msg) {
    const HWND reportTo = (hwnd && msg > kFirstReportMessage) ? hwnd : nullptr;

    // The walk works on its own copy of the queues, so whatever a dispatched
    // message registers cannot disturb it.
    RecordMap textures, animations;
    textures.swap(pendingTextures_);
    animations.swap(pendingAnimations_);
    const uint32_t total = uint32_t(textures.size() + animations.size());
    uint32_t index = 0;

    if (reportTo) PostMessageA(reportTo, msg, 0, 0);
    if (!LoadQueuedMap(textures, RESOURCE_TEXTURE, reportTo, msg, total, index) ||
        !LoadQueuedMap(animations, RESOURCE_ANIMATION, reportTo, msg, total, index)) {
        FreeRecordMap(RESOURCE_TEXTURE, textures);
        FreeRecordMap(RESOURCE_ANIMATION, animations);
        ClearQueues();
        if (reportTo) PostMessageA(reportTo, msg, 3, 0);
        return 0;
    }
    if (reportTo) PostMessageA(reportTo, msg, 2, 0);
    return 1;
}

namespace Nuvex {

int LoadResources(HWND hwnd, UINT msg) {
    ResourceManager* manager = ResourceManager::Instance();
    return manager ? manager->LoadQueued(hwnd, msg) : 0;
}

}   // namespace Nuvex
