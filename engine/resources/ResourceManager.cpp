#include "engine/resources/ResourceManager.h"

#include "engine/core/Log.h"
#include "engine/core/WorkPath.h"
#include "engine/graphics/Texture.h"
#include "engine/resources/Animation.h"
#include "engine/resources/ResourcePacks.h"
#include "engine/resources/TextureFiles.h"
#include "engine/resources/Sound.h"
#include "engine/resources/XmlParser.h"

#include <cstring>
#include <new>

const char kMemoryResourceTag[] = "[MEMORYRESOURCE]";

namespace {

ResourceManager* g_manager = nullptr;

const uint32_t kHandleSlots = 0x10000;

void CopyBounded(char* dst, const char* src) {
    size_t n = std::strlen(src);
    if (n > Nuvex::kResourceNameSize - 1) n = Nuvex::kResourceNameSize - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

bool IsValidType(int type) { return type >= 0 && type < RESOURCE_TYPE_COUNT; }

}   // namespace

ResourceRecord* NewResourceRecord(const char* path) {
    ResourceRecord* record = new (std::nothrow) ResourceRecord;
    if (!record) return nullptr;
    std::memset(record, 0, sizeof *record);
    if (path) CopyBounded(record->path, path);
    return record;
}

void DeleteResourceRecord(ResourceRecord* record) { delete record; }

// --- life ---------------------------------------------------------------

ResourceManager::ResourceManager() {
    std::memset(lastHit_, 0, sizeof lastHit_);
    std::memcpy(nameChars_, Nuvex::ResourceNameTable(), sizeof nameChars_);
}

ResourceManager::~ResourceManager() {
    ClearAll();
    handles_.Destroy();
}

int ResourceManager::Create() {
    if (!handles_.Allocate(kHandleSlots)) return 0;
    parser_ = CreateXmlParser();
    return parser_ ? 1 : 0;
}

ResourceManager* ResourceManager::Instance() {
    if (g_manager) return g_manager;
    ResourceManager* made = new (std::nothrow) ResourceManager();
    if (!made) return nullptr;
    if (!made->Create()) {
        delete made;
        return nullptr;
    }
    g_manager = made;
    return g_manager;
}

ResourceManager* ResourceManager::Current() { return g_manager; }

void ResourceManager::Release() {
    if (g_manager && g_manager->loadingQueue_) {
        g_manager->releasePending_ = true;
        return;
    }
    ResourceManager* manager = g_manager;
    g_manager = nullptr;
    delete manager;   // the destructor clears everything it holds
}

// --- names ----------------------------------------------------------------

int ResourceManager::IsValidName(const char* text) const {
    return Nuvex::CheckNameChars(nameChars_, text, 0) == 0 ? 1 : 0;
}

int ResourceManager::QualifyName(char* dst, const char* name) const {
    return Nuvex::QualifyResourceName(dst, name);
}

// --- registry -------------------------------------------------------------

ResourceManager::RecordMap* ResourceManager::PendingMap(int type) {
    if (type == RESOURCE_TEXTURE) return &pendingTextures_;
    if (type == RESOURCE_ANIMATION) return &pendingAnimations_;
    return nullptr;
}

int ResourceManager::Add(int type, const char* name, ResourceRecord* record, int immediate) {
    if (!record) return 0;
    if (!IsValidType(type)) {
        WriteLog(0, "Resource type error! -> {%s}{%s}", name ? name : "", record->path);
        return 0;
    }
    // Stored under the name lookups use: a key that no lookup can reach
    // would only hold its record until shutdown.
    char qualified[Nuvex::kResourceNameSize];
    if (!QualifyName(qualified, name)) {
        WriteLog(0, "Resource name error! -> {%s}{%s}", name ? name : "", record->path);
        return 0;
    }
    if (Exists(type, qualified)) {
        WriteLog(0, "添加资源错误, 资源管理器中已存在名称为 %s 的%s资源!", name,
                 Nuvex::ResourceTypeNameCn(type));
        return 0;
    }
    RecordMap* target = immediate ? nullptr : PendingMap(type);
    if (!target) target = &typeMaps_[type];
    try {
        target->emplace(qualified, record);
    } catch (...) {
        return 0;
    }
    return 1;
}

int ResourceManager::Exists(int type, const char* qualifiedName) const {
    char qualified[Nuvex::kResourceNameSize];
    if (!IsValidType(type) || !QualifyName(qualified, qualifiedName)) return 0;
    if (typeMaps_[type].count(qualified)) return 1;
    if (type == RESOURCE_TEXTURE) return pendingTextures_.count(qualified) ? 1 : 0;
    if (type == RESOURCE_ANIMATION) return pendingAnimations_.count(qualified) ? 1 : 0;
    return 0;
}

ResourceRecord* ResourceManager::Lookup(int type, const char* name) {
    char qualified[Nuvex::kResourceNameSize];
    if (!IsValidType(type) || !QualifyName(qualified, name)) return nullptr;
    // The last hit compares exactly, like the maps: names differing only in
    // case are different resources.
    LastHit& hit = lastHit_[type];
    if (hit.record && std::strcmp(hit.name, qualified) == 0) return hit.record;

    RecordMap::iterator found = typeMaps_[type].find(qualified);
    if (found == typeMaps_[type].end() || !found->second) return nullptr;
    ResourceRecord* record = found->second;
    if (!record->object && !LoadRecord(record, type, qualified, nullptr, 0)) return nullptr;

    CopyBounded(hit.name, qualified);
    hit.record = record;
    return record;
}

void* ResourceManager::GetResourceObject(int type, const char* name) {
    ResourceRecord* record = Lookup(type, name);
    return record ? record->object : nullptr;
}

IAnimation* ResourceManager::LoadAnimationBytes(const char* name, const void* bytes,
                                                uint32_t size) {
    if (!name) name = "";
    if (size == 0) {
        WriteLog(0, "加载动画 %s 时动画数据异常!", name);
        return nullptr;
    }
    static const unsigned char kPackedMagic[4] = {0x89, 0x41, 0x4E, 0x49};
    if (size >= sizeof kPackedMagic && std::memcmp(bytes, kPackedMagic, sizeof kPackedMagic) == 0)
        return LoadPackedAnimation(name, bytes, size);
    return LoadAnimationScript(name, bytes, size);
}

int ResourceManager::LoadRecord(ResourceRecord* record, int type, const char* name,
                                const void* data, uint32_t size) {
    if (!record) return 0;
    if (record->object) return 1;
    const void* bytes = nullptr;
    if (!data) {
        size = 0;
    } else if (size == 0) {
        CopyBounded(record->path, static_cast<const char*>(data));
    } else {
        bytes = data;
    }
    const char* source = record->path;
    if (!bytes && std::strcmp(source, kMemoryResourceTag) == 0) return 0;

    switch (type) {
    case RESOURCE_RAW:
        // Raw data is only ever read from a file.
        if (!bytes) {
            uint32_t read = 0;
            record->object = Nuvex::LoadFile(source, &read, 0);
            if (record->object) size = read;
        }
        break;
    case RESOURCE_TEXTURE:
        record->SetHandle(bytes ? Nuvex::LoadTexture(bytes, size) : Nuvex::LoadTexture(source, 0));
        break;
    case RESOURCE_ANIMATION:
        if (bytes) {
            record->object = LoadAnimationBytes(name, bytes, size);
        } else {
            uint32_t read = 0;
            void* file = Nuvex::LoadFile(source, &read, 0);
            if (file) {
                size = read;
                record->object = LoadAnimationBytes(name, file, read);
                Nuvex::FreeBuffer(file);
            }
        }
        break;
    case RESOURCE_EFFECT:
        record->SetHandle(bytes ? Nuvex::LoadEffect(bytes, size) : Nuvex::LoadEffect(source, 0));
        break;
    case RESOURCE_STREAM:
        record->SetHandle(bytes ? Nuvex::LoadStream(bytes, size) : Nuvex::LoadStream(source, 0));
        break;
    default: return 0;
    }
    if (size > 0) CopyBounded(record->path, kMemoryResourceTag);
    return record->object ? 1 : 0;
}

// --- queued loading -------------------------------------------------------

int ResourceManager::LoadQueuedRecord(int type, const std::string& name, ResourceRecord*& slot) {
    ResourceRecord* record = slot;
    if (!record->object && !LoadRecord(record, type, name.c_str(), nullptr, 0)) return 0;
    slot = nullptr;
    RecordMap& loaded = typeMaps_[type];
    bool stored = false;
    if (!loaded.count(name)) {
        try {
            loaded.emplace(name, record);
            stored = true;
        } catch (...) {
        }
    }
    if (!stored) {
        // The name is registered already (or there is no room): the older
        // record stays and this one is released, not leaked.
        FreeObject(type, record);
        DeleteResourceRecord(record);
    }
    return 1;
}

// --- release --------------------------------------------------------------

void ResourceManager::FreeObject(int type, ResourceRecord* record) {
    if (!record || !record->object) return;
    switch (type) {
    case RESOURCE_RAW: Nuvex::FreeBuffer(record->object); break;
    case RESOURCE_TEXTURE: Nuvex::DestroyTexture(record->Handle()); break;
    case RESOURCE_ANIMATION: delete record->AnimationObject(); break;
    case RESOURCE_EFFECT: Nuvex::FreeEffect(record->Handle()); break;
    case RESOURCE_STREAM: Nuvex::FreeStream(record->Handle()); break;
    default: break;
    }
    record->object = nullptr;
}

void ResourceManager::FreeRecordMap(int type, RecordMap& map) {
    for (RecordMap::value_type& entry : map) {
        FreeObject(type, entry.second);
        DeleteResourceRecord(entry.second);
    }
    map.clear();
}

void ResourceManager::ForgetLastHits() { std::memset(lastHit_, 0, sizeof lastHit_); }

int ResourceManager::ClearQueues() {
    FreeRecordMap(RESOURCE_TEXTURE, pendingTextures_);
    FreeRecordMap(RESOURCE_ANIMATION, pendingAnimations_);
    return 1;
}

int ResourceManager::ClearAll() {
    ForgetLastHits();
    for (int type = RESOURCE_TEXTURE; type <= RESOURCE_STREAM; ++type)
        FreeRecordMap(type, typeMaps_[type]);
    // Raw buffers belong to the manager as well.
    FreeRecordMap(RESOURCE_RAW, typeMaps_[RESOURCE_RAW]);
    ClearQueues();
    if (parser_) {
        parser_->Release();
        parser_ = nullptr;
    }
    return 1;
}

// --- engine interface -----------------------------------------------------

namespace Nuvex {

int BuildPack(const char* packPath, const char* password, const char* listPath) {
    ResourceManager* manager = ResourceManager::Instance();
    return manager ? manager->BuildPack(packPath, password, listPath) : 0;
}

int LoadResourceList(const void* data, uint32_t size, const char* password, int immediate) {
    ResourceManager* manager = ResourceManager::Instance();
    return manager ? manager->LoadResourceList(data, size, password, immediate) : 0;
}

void* GetResource(int type, const char* name) {
    ResourceManager* manager = ResourceManager::Instance();
    return manager ? manager->GetResourceObject(type, name) : nullptr;
}

IAnimation* GetAnimation(const char* name) {
    return static_cast<IAnimation*>(GetResource(RESOURCE_ANIMATION, name));
}

}   // namespace Nuvex
