// The older build's queued loading, one resource at a time: its window start
// loads the queues between the messages it dispatches (WindowStart.cpp).
#include "engine/resources/ResourceManager.h"

int ResourceManager::GetQueuedCount() const { return int(PendingCount()); }

int ResourceManager::LoadNextQueued() {
    const bool textures = !pendingTextures_.empty();
    RecordMap& queue = textures ? pendingTextures_ : pendingAnimations_;
    if (!queue.empty()) {
        const RecordMap::iterator first = queue.begin();
        if (first->second && !LoadQueuedRecord(textures ? RESOURCE_TEXTURE : RESOURCE_ANIMATION,
                                               first->first, first->second)) {
            ClearQueues();
            return -1;
        }
        queue.erase(first);
    }
    return GetQueuedCount();
}

int Nuvex::LoadResources(HWND, UINT) { return ResourceManager::Instance() ? 1 : 0; }
