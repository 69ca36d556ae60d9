#include "ManagerFixture.h"

#include "engine/graphics/Texture.h"

using managertest::GifBytes;
using managertest::ManagerTest;
using managertest::MessageRecorder;
using managertest::TinyTga;

namespace {
using Seen = std::vector<std::pair<WPARAM, LPARAM>>;
const UINT kMsg = MessageRecorder::kMsg;
}   // namespace

class LoadQueuedTest : public ManagerTest {
protected:
    void QueueTexture(const char* name, const std::string& bytes) {
        std::string file = std::string(name) + ".img";
        ASSERT_EQ(1, AddPath(RESOURCE_TEXTURE, (std::string("_GLOBAL.") + name).c_str(),
                             Write(file, bytes), 0));
    }
    MessageRecorder window;
};

TEST_F(LoadQueuedTest, ProgressProtocolWithAnIdleWindow) {
    for (const char* name : {"a", "b", "c"}) QueueTexture(name, TinyTga(1, 1, 0xFF000000));
    bool firstLoadedAtStart = false;
    window.onMessage = [&](WPARAM w, LPARAM) {
        if (w == 0) firstLoadedAtStart = mgr->Lookup(RESOURCE_TEXTURE, "a") != nullptr;
    };

    EXPECT_EQ(1, mgr->LoadQueued(window.hwnd(), kMsg));
    // The start message waits for the window, so the first item dispatches it
    // and the second posts its progress, which the third dispatches.
    EXPECT_EQ((Seen{{0, 0}, {1, 0x00010003}}), window.seen);
    EXPECT_TRUE(firstLoadedAtStart);
    window.Drain();
    EXPECT_EQ((Seen{{0, 0}, {1, 0x00010003}, {2, 0}}), window.seen);
    for (const char* name : {"a", "b", "c"})
        EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, name));
    EXPECT_EQ(0u, mgr->PendingCount());
}

TEST_F(LoadQueuedTest, EachItemDispatchesOrPostsNeverBoth) {
    for (const char* name : {"a", "b", "c", "d", "e"})
        QueueTexture(name, TinyTga(1, 1, 0xFF000000));
    EXPECT_EQ(1, mgr->LoadQueued(window.hwnd(), kMsg));
    window.Drain();
    EXPECT_EQ((Seen{{0, 0}, {1, 0x00010005}, {1, 0x00030005}, {2, 0}}), window.seen);
}

TEST_F(LoadQueuedTest, AFailureInTheMiddleStopsAndDropsTheRest) {
    QueueTexture("a", TinyTga(1, 1, 0xFF000000));
    QueueTexture("b", GifBytes());
    QueueTexture("c", TinyTga(1, 1, 0xFF000000));
    ASSERT_EQ(1, AddPath(RESOURCE_ANIMATION, "_GLOBAL.anim",
                         Write("anim.xml", "<animation><aniframe/></animation>"), 0));

    EXPECT_EQ(0, mgr->LoadQueued(window.hwnd(), kMsg));
    window.Drain();
    EXPECT_EQ((Seen{{0, 0}, {3, 0}}), window.seen);
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "a"));
    EXPECT_EQ(0, mgr->Exists(RESOURCE_TEXTURE, "_GLOBAL.b"));
    EXPECT_EQ(0, mgr->Exists(RESOURCE_TEXTURE, "_GLOBAL.c"));
    EXPECT_EQ(0, mgr->Exists(RESOURCE_ANIMATION, "_GLOBAL.anim"));
    EXPECT_EQ(0u, mgr->PendingCount());
    EXPECT_EQ(1u, LiveTextures());   // nothing of the dropped items stays alive
}

TEST_F(LoadQueuedTest, TexturesLoadBeforeAnimationsEachInNameOrder) {
    // The animation's name sorts first, yet the textures load before it; "b"
    // fails, so the later texture "c" and the animation are never loaded.
    ASSERT_EQ(1, AddPath(RESOURCE_ANIMATION, "_GLOBAL.0anim",
                         Write("anim.xml", "<animation><aniframe/></animation>"), 0));
    QueueTexture("c", TinyTga(1, 1, 0xFF000000));
    QueueTexture("b", GifBytes());
    QueueTexture("a", TinyTga(1, 1, 0xFF000000));
    EXPECT_EQ(0, mgr->LoadQueued(nullptr, 0));
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "a"));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "c"));
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_ANIMATION, "0anim"));
}

TEST_F(LoadQueuedTest, NoWindowOrALowMessagePostsNothing) {
    QueueTexture("a", TinyTga(1, 1, 0xFF000000));
    EXPECT_EQ(1, mgr->LoadQueued(window.hwnd(), 0x400));
    QueueTexture("b", TinyTga(1, 1, 0xFF000000));
    EXPECT_EQ(1, mgr->LoadQueued(nullptr, kMsg));
    window.Drain();
    EXPECT_TRUE(window.seen.empty());
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "a"));
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "b"));
}

TEST_F(LoadQueuedTest, AnEmptyQueueReportsStartAndEnd) {
    EXPECT_EQ(1, mgr->LoadQueued(window.hwnd(), kMsg));
    window.Drain();
    EXPECT_EQ((Seen{{0, 0}, {2, 0}}), window.seen);
}

TEST_F(LoadQueuedTest, QueuedAnimationsLoadAndAreTagged) {
    ASSERT_EQ(1, AddPath(RESOURCE_ANIMATION, "_GLOBAL.anim",
                         Write("anim.xml", "<animation><aniframe/><aniframe/></animation>"), 0));
    EXPECT_EQ(1, mgr->LoadQueued(nullptr, 0));
    ResourceRecord* record = mgr->Lookup(RESOURCE_ANIMATION, "anim");
    ASSERT_NE(nullptr, record);
    EXPECT_STREQ(kMemoryResourceTag, record->path);
    ASSERT_NE(nullptr, Nuvex::GetAnimation("anim"));
}

// A message dispatched by the walk cannot start a second walk.
TEST_F(LoadQueuedTest, ReentryIsRefused) {
    for (const char* name : {"a", "b"}) QueueTexture(name, TinyTga(1, 1, 0xFF000000));
    int nested = -1;
    window.onMessage = [&](WPARAM w, LPARAM) {
        if (w == 0) {
            nested = mgr->LoadQueued(window.hwnd(), kMsg);
        }
    };
    EXPECT_EQ(1, mgr->LoadQueued(window.hwnd(), kMsg));
    EXPECT_EQ(0, nested);
    window.Drain();
    EXPECT_EQ((Seen{{0, 0}, {1, 0x00010002}, {2, 0}}), window.seen);
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "b"));
}

// A queued record whose name got registered meanwhile is released, not leaked.
TEST_F(LoadQueuedTest, ADroppedQueuedRecordIsReleased) {
    QueueTexture("a", TinyTga(1, 1, 0xFF000000));
    QueueTexture("c", TinyTga(1, 1, 0xFF000000));
    std::string wide = Write("wide.tga", TinyTga(4, 1, 0xFF000000));
    window.onMessage = [&](WPARAM w, LPARAM) {
        if (w == 0) {
            EXPECT_EQ(1, AddPath(RESOURCE_TEXTURE, "_GLOBAL.c", wide, 1));
        }
    };
    EXPECT_EQ(1, mgr->LoadQueued(window.hwnd(), kMsg));
    EXPECT_EQ(1u, LiveTextures());   // only "a": the queued "c" was loaded and released
    ResourceRecord* c = mgr->Lookup(RESOURCE_TEXTURE, "c");
    ASSERT_NE(nullptr, c);
    EXPECT_EQ(4, Nuvex::GetTextureWidth(c->Handle(), 1));   // the first registration stays
}

TEST_F(LoadQueuedTest, ResourcesQueuedDuringTheWalkWaitForTheNextOne) {
    QueueTexture("a", TinyTga(1, 1, 0xFF000000));
    std::string late = Write("late.tga", TinyTga(1, 1, 0xFF000000));
    window.onMessage = [&](WPARAM w, LPARAM) {
        if (w == 0) {
            EXPECT_EQ(1, AddPath(RESOURCE_TEXTURE, "_GLOBAL.late", late, 0));
        }
    };
    EXPECT_EQ(1, mgr->LoadQueued(window.hwnd(), kMsg));
    EXPECT_EQ(1u, mgr->PendingCount());
    window.onMessage = nullptr;
    EXPECT_EQ(1, mgr->LoadQueued(nullptr, 0));
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "late"));
}

TEST_F(LoadQueuedTest, EngineEntryPointForwards) {
    QueueTexture("a", TinyTga(1, 1, 0xFF000000));
    EXPECT_EQ(1, Nuvex::LoadResources(window.hwnd(), kMsg));
    EXPECT_NE(nullptr, Nuvex::GetResource(RESOURCE_TEXTURE, "a"));
}

TEST_F(LoadQueuedTest, AReleaseAskedForDuringTheWalkWaitsForItsEnd) {
    for (const char* name : {"a", "b"}) QueueTexture(name, TinyTga(1, 1, 0xFF000000));
    window.onMessage = [&](WPARAM w, LPARAM) {
        if (w == 0) {
            ResourceManager::Release();
        }
    };
    EXPECT_EQ(1, mgr->LoadQueued(window.hwnd(), kMsg));
    EXPECT_EQ(nullptr, ResourceManager::Current());
    EXPECT_EQ(0u, LiveTextures());
}
