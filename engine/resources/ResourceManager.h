#pragma once
// The engine's one registry of named resources: raw data, textures,
// animations, sound effects and streams, registered from resource lists,
// loaded lazily at their first lookup or in one queued batch with progress
// messages, and released when the engine stops. UI thread only.
#include <windows.h>

#include "engine/core/HandleTable.h"
#include "engine/resources/ResourceNames.h"

#include <cstdint>
#include <map>
#include <string>

class IXmlParser;
class IAnimation;
class AnimationPlayer;

enum ResourceType {
    RESOURCE_RAW = 0,
    RESOURCE_TEXTURE = 1,
    RESOURCE_ANIMATION = 2,
    RESOURCE_EFFECT = 3,
    RESOURCE_STREAM = 4,
    RESOURCE_TYPE_COUNT = 5
};

// Path of a record whose data was already read (later lookups load nothing).
extern const char kMemoryResourceTag[];   // "[MEMORYRESOURCE]"

// One registered resource. The object is pointer-sized: a raw buffer, an
// IAnimation, or a 32-bit texture, effect or stream handle widened.
struct ResourceRecord {
    char path[Nuvex::kResourceNameSize];
    void* object;

    uint32_t Handle() const { return uint32_t(reinterpret_cast<uintptr_t>(object)); }
    void SetHandle(uint32_t handle) { object = reinterpret_cast<void*>(uintptr_t(handle)); }
    IAnimation* AnimationObject() const { return static_cast<IAnimation*>(object); }
};

// A new record for `path` (cut to 259 characters) with no object; null when
// memory is short. Records are freed with DeleteResourceRecord.
ResourceRecord* NewResourceRecord(const char* path);
void DeleteResourceRecord(ResourceRecord* record);

class ResourceManager {
public:
    // The singleton, made on first use; null when it cannot be made.
    static ResourceManager* Instance();
    // The singleton when one exists; never makes one.
    static ResourceManager* Current();
    // Frees every resource and the singleton (a later Instance makes a new
    // one); asked for during LoadQueued, it happens when that returns.
    static void Release();

    // Registers a record under a name; 1 when the record was stored (the map
    // owns it from then on), 0 when refused (the caller still owns it).
    int Add(int type, const char* name, ResourceRecord* record, int immediate);
    // Registered (or for textures and animations queued) under this name;
    // loads nothing.
    int Exists(int type, const char* qualifiedName) const;
    // The registered record, loaded on first use; null when unknown, not yet
    // loaded from the queue, or failing to load.
    ResourceRecord* Lookup(int type, const char* name);
    void* GetResourceObject(int type, const char* name);
    // Loads the record's object: data null = from the record's path; data
    // with size 0 = a new path; data with a size = the resource's bytes.
    int LoadRecord(ResourceRecord* record, int type, const char* name, const void* data,
                   uint32_t size);
    // The queues are loaded in each build's own way (ResourceQueue.cpp):
    // the current build loads every queued texture, then every queued
    // animation, reporting progress to hwnd with msg (above WM_USER only):
    // wParam 0 start, 1 progress (lParam index << 16 | total), 2 done,
    // 3 failed.
    int LoadQueued(HWND hwnd, UINT msg);
    // The older build loads them one resource at a time, at the start of a
    // window: the queued textures and animations left, and the load of the
    // next one (the smallest name, textures first) giving how many are left,
    // or -1 when it failed (both queues are then emptied).
    int GetQueuedCount() const;
    int LoadNextQueued();
    int ClearQueues();
    int ClearAll();
    // Writes a pack holding the list at listPath and every file it names.
    int BuildPack(const char* packPath, const char* password, const char* listPath);
    // Registers the resources of a list: size above 0 = the list's bytes,
    // size 0 = data is its path.
    int LoadResourceList(const void* data, uint32_t size, const char* password, int immediate);

    IAnimation* LoadAnimationScript(const char* resname, const void* data, uint32_t size);
    IAnimation* LoadPackedAnimation(const char* resname, const void* data, uint32_t size);

    int BindAnimation(AnimationPlayer* player, const char* resname, int first, int count);
    int BindTexture(AnimationPlayer* player, const char* resname, int left, int top, int width,
                    int height, int offsetX, int offsetY, int alpha, int method);

    int IsValidName(const char* text) const;
    int QualifyName(char* dst, const char* name) const;

    size_t PendingCount() const { return pendingTextures_.size() + pendingAnimations_.size(); }

    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

private:
    using RecordMap = std::map<std::string, ResourceRecord*>;
    struct LastHit {
        char name[Nuvex::kResourceNameSize];
        ResourceRecord* record;
    };

    ResourceManager();
    ~ResourceManager();
    int Create();

    // Drive and folder of a list's path, with the trailing separator, into
    // folder (260 bytes; "" for a bare name); returns the file name part.
    static const char* SplitListPath(const char* path, char* folder);
    RecordMap* PendingMap(int type);
    void ForgetLastHits();
    static void FreeObject(int type, ResourceRecord* record);
    static void FreeRecordMap(int type, RecordMap& map);
    // The current build's walk of the queues (LoadQueued).
    int WalkQueues(HWND hwnd, UINT msg);
    int LoadQueuedMap(RecordMap& queue, int type, HWND reportTo, UINT msg, uint32_t total,
                      uint32_t& index);
    // Loads a queued record and moves it into its type's map (slot cleared);
    // 0 when it could not be loaded (the slot keeps it).
    int LoadQueuedRecord(int type, const std::string& name, ResourceRecord*& slot);
    IAnimation* LoadAnimationBytes(const char* name, const void* bytes, uint32_t size);

    IXmlParser* parser_ = nullptr;
    RecordMap pendingTextures_;
    RecordMap pendingAnimations_;
    RecordMap typeMaps_[RESOURCE_TYPE_COUNT];
    LastHit lastHit_[RESOURCE_TYPE_COUNT];
    HandleTable handles_;   // allocated with the manager; nothing uses its slots
    unsigned char nameChars_[256];
    bool loadingQueue_ = false;
    bool releasePending_ = false;   // Release asked for during LoadQueued
};

namespace Nuvex {
int BuildPack(const char* packPath, const char* password, const char* listPath);
int LoadResourceList(const void* data, uint32_t size, const char* password, int immediate);
// Loads the queued resources (ResourceManager::LoadQueued). The older build
// leaves them to its window start, which loads them one at a time: there it
// loads nothing and returns 1 when the manager exists.
int LoadResources(HWND hwnd, UINT msg);
void* GetResource(int type, const char* name);
IAnimation* GetAnimation(const char* name);
}   // namespace Nuvex
