#include "ManagerFixture.h"

#include "engine/core/WorkPath.h"

#include "engine/graphics/Texture.h"
#include "engine/resources/Animation.h"

#include <cstring>

using managertest::ManagerTest;
using managertest::TinyTga;

namespace {
std::string RawBytes(const ResourceRecord* record, size_t n) {
    return std::string(static_cast<const char*>(record->object), n);
}
}   // namespace

TEST_F(ManagerTest, RawResourceLoadsOnFirstLookupAndIsTagged) {
    std::string path = Write("data\\raw.bin", "payload");
    ASSERT_EQ(1, AddPath(RESOURCE_RAW, "Skin.raw", path, 0));
    EXPECT_EQ(1, mgr->Exists(RESOURCE_RAW, "Skin.raw"));

    ResourceRecord* record = mgr->Lookup(RESOURCE_RAW, "Skin.raw");
    ASSERT_NE(nullptr, record);
    EXPECT_EQ("payload", RawBytes(record, 7));
    EXPECT_STREQ(kMemoryResourceTag, record->path);
    EXPECT_EQ(record->object, Nuvex::GetResource(RESOURCE_RAW, "Skin.raw"));
}

TEST_F(ManagerTest, FailedLoadStaysRegisteredAndIsRetried) {
    std::string path = temp.Join("late.bin");
    ASSERT_EQ(1, AddPath(RESOURCE_RAW, "_GLOBAL.late", path, 0));
    const std::string failure = "Can't load '" + path + "' from local disk.";

    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_RAW, "late"));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_RAW, "late"));
    EXPECT_EQ(2u, log.Count(failure));
    EXPECT_EQ(1, mgr->Exists(RESOURCE_RAW, "_GLOBAL.late"));

    Write("late.bin", "now");
    ResourceRecord* record = mgr->Lookup(RESOURCE_RAW, "late");
    ASSERT_NE(nullptr, record);
    EXPECT_EQ("now", RawBytes(record, 3));
}

TEST_F(ManagerTest, QueuedTextureIsFoundOnlyAfterLoadQueued) {
    std::string path = Write("img\\btn.tga", TinyTga(3, 2, 0xFF102030));
    ASSERT_EQ(1, AddPath(RESOURCE_TEXTURE, "_GLOBAL.btn", path, 0));
    EXPECT_EQ(1, mgr->Exists(RESOURCE_TEXTURE, "_GLOBAL.btn"));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "btn"));
    EXPECT_EQ(1u, mgr->PendingCount());
    EXPECT_EQ(0u, LiveTextures());

    EXPECT_EQ(1, mgr->LoadQueued(nullptr, 0));
    EXPECT_EQ(0u, mgr->PendingCount());
    ResourceRecord* record = mgr->Lookup(RESOURCE_TEXTURE, "btn");
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(3, Nuvex::GetTextureWidth(record->Handle(), 1));
    EXPECT_EQ(2, Nuvex::GetTextureHeight(record->Handle()));
    EXPECT_STREQ(path.c_str(), record->path);   // a texture read from its path keeps it
}

TEST_F(ManagerTest, ImmediateTextureLoadsOnFirstLookup) {
    std::string path = Write("btn.tga", TinyTga(2, 2, 0xFFFFFFFF));
    ASSERT_EQ(1, AddPath(RESOURCE_TEXTURE, "_GLOBAL.btn", path, 1));
    EXPECT_EQ(0u, mgr->PendingCount());
    EXPECT_EQ(0u, LiveTextures());
    ASSERT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "btn"));
    EXPECT_EQ(1u, LiveTextures());
}

TEST_F(ManagerTest, AnimationFileReadOnceIsNotRetried) {
    std::string path = Write("anim.xml", "<animation size=\"1,1\"");
    ASSERT_EQ(1, AddPath(RESOURCE_ANIMATION, "_GLOBAL.anim", path, 1));

    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_ANIMATION, "anim"));
    EXPECT_TRUE(log.Contains("Can't load animate script! #"));
    EXPECT_EQ(1u, log.Count("RESNAME: _GLOBAL.anim FILENAME: MEMORY"));
    log.Clear();
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_ANIMATION, "anim"));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_EQ(1, mgr->Exists(RESOURCE_ANIMATION, "_GLOBAL.anim"));
}

TEST_F(ManagerTest, GoodAnimationLoadsThroughLookup) {
    std::string path = Write("anim.xml",
                             "<animation size=\"4, 5\"><aniframe texture=\"btn\"/></animation>");
    ASSERT_EQ(1, AddPath(RESOURCE_ANIMATION, "_GLOBAL.anim", path, 1));
    IAnimation* animation = Nuvex::GetAnimation("anim");
    ASSERT_NE(nullptr, animation);
    EXPECT_EQ(4, animation->GetWidth());
    EXPECT_EQ(1, animation->GetFrameCount());
    EXPECT_STREQ("_GLOBAL.btn", animation->GetFrame(0)->GetTexture());
    EXPECT_STREQ(kMemoryResourceTag, mgr->Lookup(RESOURCE_ANIMATION, "anim")->path);
}

// The last hit compares names exactly, as the maps do.
TEST_F(ManagerTest, LastHitComparesNamesExactly) {
    ASSERT_EQ(1, AddPath(RESOURCE_RAW, "_GLOBAL.btn", Write("lower.bin", "lower"), 0));
    ASSERT_EQ(1, AddPath(RESOURCE_RAW, "_GLOBAL.BTN", Write("upper.bin", "upper"), 0));
    ASSERT_EQ(1, AddPath(RESOURCE_RAW, "Skin.Btn", Write("skin.bin", "skin!"), 0));

    ResourceRecord* lower = mgr->Lookup(RESOURCE_RAW, "btn");
    ASSERT_NE(nullptr, lower);
    ResourceRecord* upper = mgr->Lookup(RESOURCE_RAW, "BTN");
    ASSERT_NE(nullptr, upper);
    EXPECT_NE(lower, upper);
    EXPECT_EQ("upper", RawBytes(upper, 5));

    ASSERT_NE(nullptr, mgr->Lookup(RESOURCE_RAW, "Skin.Btn"));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_RAW, "skin.btn"));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_RAW, "Skin.BTN"));
}

// Add never reports success without storing its record.
TEST_F(ManagerTest, DuplicateAddIsRefusedWithTheTypeName) {
    std::string tga = Write("btn.tga", TinyTga(2, 2, 0xFF000000));
    ASSERT_EQ(1, AddPath(RESOURCE_TEXTURE, "_GLOBAL.btn", tga, 1));
    ASSERT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "btn"));
    EXPECT_EQ(0, AddPath(RESOURCE_TEXTURE, "_GLOBAL.btn", tga, 1));
    EXPECT_EQ(1u, log.Count("添加资源错误, 资源管理器中已存在名称为 _GLOBAL.btn 的纹理资源!"));

    // Queued twice, or queued and then immediate: one record only.
    ASSERT_EQ(1, AddPath(RESOURCE_TEXTURE, "_GLOBAL.q", tga, 0));
    EXPECT_EQ(0, AddPath(RESOURCE_TEXTURE, "_GLOBAL.q", tga, 0));
    EXPECT_EQ(0, AddPath(RESOURCE_TEXTURE, "_GLOBAL.q", tga, 1));
    EXPECT_EQ(1u, mgr->PendingCount());

    // A registered resource that fails to load is still a duplicate.
    ASSERT_EQ(1, AddPath(RESOURCE_RAW, "_GLOBAL.gone", temp.Join("gone.bin"), 0));
    EXPECT_EQ(0, AddPath(RESOURCE_RAW, "_GLOBAL.gone", temp.Join("other.bin"), 0));
    EXPECT_EQ(1u, log.Count("添加资源错误, 资源管理器中已存在名称为 _GLOBAL.gone 的用户资源!"));

    // Effects never load without the audio library; the name still counts.
    ASSERT_EQ(1, AddPath(RESOURCE_EFFECT, "_GLOBAL.click", temp.Join("click.wav"), 0));
    EXPECT_EQ(0, AddPath(RESOURCE_EFFECT, "_GLOBAL.click", temp.Join("click.wav"), 0));
    EXPECT_EQ(1u, log.Count("添加资源错误, 资源管理器中已存在名称为 _GLOBAL.click 的音效资源!"));
}

TEST_F(ManagerTest, AddRefusesBadTypesNamesAndRecords) {
    EXPECT_EQ(0, mgr->Add(RESOURCE_RAW, "_GLOBAL.x", nullptr, 0));
    std::string path = temp.Join("x.bin");
    EXPECT_EQ(0, AddPath(7, "_GLOBAL.x", path, 0));
    EXPECT_EQ(1u, log.Count("Resource type error! -> {_GLOBAL.x}{" + path + "}"));
    EXPECT_EQ(0, AddPath(RESOURCE_RAW, "a.b.c", path, 0));
    EXPECT_EQ(0, AddPath(RESOURCE_RAW, "a/b", path, 0));
    // A bare name is stored under the name lookups use.
    ASSERT_EQ(1, AddPath(RESOURCE_RAW, "bare", Write("x.bin", "x"), 0));
    EXPECT_EQ(1, mgr->Exists(RESOURCE_RAW, "_GLOBAL.bare"));
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_RAW, "bare"));
}

// The packed-animation magic is tested only on data long enough to hold it.
TEST_F(ManagerTest, AnimationMagicTestChecksTheLength) {
    ASSERT_EQ(1, AddPath(RESOURCE_ANIMATION, "_GLOBAL.short", Write("short.ani", "\x89\x41"), 1));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_ANIMATION, "short"));
    EXPECT_TRUE(log.Contains("Can't load animate script! #"));
    EXPECT_FALSE(log.Contains("数据头"));

    log.Clear();
    ASSERT_EQ(1, AddPath(RESOURCE_ANIMATION, "_GLOBAL.packed",
                         Write("packed.ani", std::string("\x89\x41\x4E\x49\x01\x02", 6)), 1));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_ANIMATION, "packed"));
    EXPECT_EQ(1u, log.Count("获取动画 _GLOBAL.packed 的数据头失败!"));

    log.Clear();
    EXPECT_EQ(nullptr, mgr->LoadPackedAnimation("x", "\x89", 1));
    EXPECT_EQ(nullptr, mgr->LoadPackedAnimation("x", "<ani", 4));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_EQ(nullptr, mgr->LoadPackedAnimation("x", nullptr, 0));
    EXPECT_EQ(nullptr, mgr->LoadPackedAnimation("x", "\x89\x41\x4E\x49", 0));
    EXPECT_EQ(2u, log.Count("加载动画 x 时动画数据异常!"));

    // Three bytes of the magic handed in memory go to the script reader.
    ResourceRecord* record = NewResourceRecord("");
    log.Clear();
    EXPECT_EQ(0, mgr->LoadRecord(record, RESOURCE_ANIMATION, "_GLOBAL.three", "\x89\x41\x4E", 3));
    EXPECT_EQ(1u, log.Count("RESNAME: _GLOBAL.three FILENAME: MEMORY"));
    DeleteResourceRecord(record);
}

TEST_F(ManagerTest, EmptyAnimationFileIsReportedNotReadAsAPath) {
    ASSERT_EQ(1, AddPath(RESOURCE_ANIMATION, "_GLOBAL.empty", Write("empty.xml", ""), 1));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_ANIMATION, "empty"));
    EXPECT_EQ(1u, log.Count("加载动画 _GLOBAL.empty 时动画数据异常!"));
}

TEST_F(ManagerTest, LoadRecordSources) {
    std::string path = Write("r.bin", "abc");
    ResourceRecord* record = NewResourceRecord("elsewhere.bin");
    ASSERT_NE(nullptr, record);
    // Data with size 0 is a new path.
    EXPECT_EQ(1, mgr->LoadRecord(record, RESOURCE_RAW, "_GLOBAL.r", path.c_str(), 0));
    EXPECT_STREQ(kMemoryResourceTag, record->path);
    void* loaded = record->object;
    EXPECT_EQ(1, mgr->LoadRecord(record, RESOURCE_RAW, "_GLOBAL.r", nullptr, 0));
    EXPECT_EQ(loaded, record->object);
    Nuvex::FreeBuffer(record->object);
    record->object = nullptr;
    // The memory tag loads nothing.
    log.Clear();
    EXPECT_EQ(0, mgr->LoadRecord(record, RESOURCE_RAW, "_GLOBAL.r", nullptr, 0));
    EXPECT_TRUE(log.Lines().empty());
    // A texture from bytes in memory.
    std::string tga = TinyTga(1, 1, 0xFF00FF00);
    ResourceRecord* texture = NewResourceRecord("t.tga");
    EXPECT_EQ(1, mgr->LoadRecord(texture, RESOURCE_TEXTURE, "_GLOBAL.t", tga.data(),
                                 uint32_t(tga.size())));
    EXPECT_STREQ(kMemoryResourceTag, texture->path);
    Nuvex::DestroyTexture(texture->Handle());
    DeleteResourceRecord(texture);
    DeleteResourceRecord(record);
}

// Raw buffers belong to the manager: ClearAll frees them, and no lookup can
// reach a freed record afterwards.
TEST_F(ManagerTest, ClearAllFreesEveryResourceIncludingRawBuffers) {
    const size_t big = 4u << 20;   // a block the heap takes straight from the system
    ASSERT_EQ(1, AddPath(RESOURCE_RAW, "_GLOBAL.big", Write("big.bin", std::string(big, 'b')), 0));
    ASSERT_EQ(1,
              AddPath(RESOURCE_TEXTURE, "_GLOBAL.t", Write("t.tga", TinyTga(1, 1, 0xFF000000)), 1));
    ResourceRecord* raw = mgr->Lookup(RESOURCE_RAW, "big");
    ASSERT_NE(nullptr, raw);
    ASSERT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "t"));
    EXPECT_EQ(1u, LiveTextures());
    const void* buffer = raw->object;
    MEMORY_BASIC_INFORMATION info = {};
    ASSERT_NE(0u, VirtualQuery(buffer, &info, sizeof info));
    ASSERT_EQ(DWORD(MEM_COMMIT), info.State);

    EXPECT_EQ(1, mgr->ClearAll());
    EXPECT_EQ(0u, LiveTextures());
    ASSERT_NE(0u, VirtualQuery(buffer, &info, sizeof info));
    EXPECT_NE(DWORD(MEM_COMMIT), info.State);
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_RAW, "big"));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "t"));
    EXPECT_EQ(0, mgr->Exists(RESOURCE_RAW, "_GLOBAL.big"));
}

TEST_F(ManagerTest, ClearQueuesReleasesQueuedResources) {
    std::string tga = Write("a.tga", TinyTga(1, 1, 0xFF000000));
    ASSERT_EQ(1, AddPath(RESOURCE_TEXTURE, "_GLOBAL.a", tga, 0));
    ASSERT_EQ(1, AddPath(RESOURCE_ANIMATION, "_GLOBAL.b", temp.Join("b.xml"), 0));
    EXPECT_EQ(2u, mgr->PendingCount());
    EXPECT_EQ(1, mgr->ClearQueues());
    EXPECT_EQ(0u, mgr->PendingCount());
    EXPECT_EQ(0, mgr->Exists(RESOURCE_TEXTURE, "_GLOBAL.a"));
}

// A record's object is pointer-sized: a handle in it survives the 64-bit build.
TEST_F(ManagerTest, RecordObjectIsPointerSized) {
    static_assert(sizeof(ResourceRecord::object) == sizeof(void*), "pointer-sized object");
    ResourceRecord record = {};
    record.SetHandle(0xFFFFFFFFu);
    EXPECT_EQ(0xFFFFFFFFu, record.Handle());
    record.SetHandle(7);
    EXPECT_EQ(7u, record.Handle());

    ASSERT_EQ(1,
              AddPath(RESOURCE_TEXTURE, "_GLOBAL.t", Write("t.tga", TinyTga(5, 1, 0xFF000000)), 1));
    void* object = Nuvex::GetResource(RESOURCE_TEXTURE, "t");
    ASSERT_NE(nullptr, object);
    uint32_t id = uint32_t(reinterpret_cast<uintptr_t>(object));
    EXPECT_EQ(5, Nuvex::GetTextureWidth(id, 1));
}

TEST_F(ManagerTest, ReleaseAllowsANewManager) {
    ASSERT_EQ(1, AddPath(RESOURCE_RAW, "_GLOBAL.x", Write("x.bin", "x"), 0));
    EXPECT_EQ(mgr, ResourceManager::Current());
    ResourceManager::Release();
    EXPECT_EQ(nullptr, ResourceManager::Current());
    ResourceManager::Release();   // a second release does nothing
    mgr = ResourceManager::Instance();
    ASSERT_NE(nullptr, mgr);
    EXPECT_EQ(0, mgr->Exists(RESOURCE_RAW, "_GLOBAL.x"));
    EXPECT_EQ(mgr, ResourceManager::Instance());
}
