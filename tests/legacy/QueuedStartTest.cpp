// The older build's window start: the resource manager's queue loaded one
// resource per pass of the start's message loop, with its progress reported
// to the window object, and what a failure or a quit message leaves.
#include "gui/GuiTestSupport.h"
#include "resources/ManagerFixture.h"

#include "engine/gui/BaseWnd.h"

using managertest::GifBytes;
using managertest::ManagerTest;
using managertest::TinyTga;

namespace {

using Progress = std::vector<std::pair<int, int>>;

// Records the progress it is told, what was loaded at each report,
// and whether the window showed.
class LoadingWnd : public BaseWnd {
public:
    void OnLoadProgress(GuiShell*, int kind, int percent) override {
        progress.emplace_back(kind, percent);
        shownWhileLoading = IsWindowVisible(GetHwnd()) != 0;
        std::string names;
        for (const char* name : {"t1", "t2"})
            if (ResourceManager::Current()->Lookup(RESOURCE_TEXTURE, name)) names += name;
        if (ResourceManager::Current()->Lookup(RESOURCE_ANIMATION, "a0")) names += "a0";
        loaded.push_back(names);
    }
    int OnInitialize(GuiShell*) override {
        ++initialised;
        shownAtInitialise = IsWindowVisible(GetHwnd()) != 0;
        return 1;
    }
    int OnStartShow(GuiShell*) override { return 0; }

    Progress progress;
    std::vector<std::string> loaded;
    bool shownWhileLoading = false, shownAtInitialise = false;
    int initialised = 0;
};

class QueuedStart : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        ASSERT_NE(nullptr, wnd.Create("loading", 120, 80, GUI_WINDOW_POPUP, nullptr, 0))
            << "no display?";
    }
    void TearDown() override {
        wnd.Destroy();
        ManagerTest::TearDown();
    }
    void Queue(int type, const char* name, const std::string& bytes) {
        ASSERT_EQ(1,
                  AddPath(type, (std::string("_GLOBAL.") + name).c_str(), Write(name, bytes), 0));
    }
    LoadingWnd wnd;
};

}   // namespace

TEST_F(QueuedStart, ThreeResourcesReportTheirProgressAndLoadTexturesFirstInNameOrder) {
    Queue(RESOURCE_ANIMATION, "a0", "<animation><aniframe/></animation>");
    for (const char* name : {"t2", "t1"}) Queue(RESOURCE_TEXTURE, name, TinyTga(2, 2, 0xFF00FF00));
    EXPECT_EQ(1, wnd.Start(1, 0, 30, 1));
    EXPECT_EQ((Progress{{0, 0}, {2, 33}, {2, 66}, {2, 100}, {1, 0}}), wnd.progress);
    EXPECT_EQ((std::vector<std::string>{"", "t1", "t1t2", "t1t2a0", "t1t2a0"}), wnd.loaded);
    EXPECT_TRUE(wnd.shownWhileLoading);   // shown while loading, though it shows nothing at start
    EXPECT_EQ(1, wnd.initialised);
    EXPECT_EQ(0, mgr->LoadNextQueued());   // nothing left: nothing done
    EXPECT_NE(nullptr, wnd.GetShell()->FrameThread());
    EXPECT_EQ(0, wnd.Start(1, 0, 30, 1));   // once only
}

TEST_F(QueuedStart, AnEmptyQueueReportsNothingAndShowsNothingBeforeInitialising) {
    EXPECT_EQ(1, wnd.Start(1, 0, 30, 1));
    EXPECT_TRUE(wnd.progress.empty());
    EXPECT_EQ(1, wnd.initialised);
    EXPECT_FALSE(wnd.shownAtInitialise);
}

TEST_F(QueuedStart, AFailedLoadEmptiesBothQueuesAndEndsTheStart) {
    Queue(RESOURCE_TEXTURE, "t1", TinyTga(1, 1, 0xFF000000));
    Queue(RESOURCE_TEXTURE, "t2", GifBytes());
    Queue(RESOURCE_TEXTURE, "t3", TinyTga(1, 1, 0xFF000000));
    Queue(RESOURCE_ANIMATION, "a0", "<animation><aniframe/></animation>");
    EXPECT_EQ(0, wnd.Start(1, 0, 30, 1));
    EXPECT_EQ(1u, log.Count("Can't build framework resources!"));
    EXPECT_EQ((Progress{{0, 0}, {2, 25}}), wnd.progress);
    EXPECT_EQ(0, mgr->GetQueuedCount());
    EXPECT_NE(nullptr, mgr->Lookup(RESOURCE_TEXTURE, "t1"));   // loaded before it: kept
    EXPECT_EQ(0, wnd.initialised);
    EXPECT_EQ(nullptr, wnd.GetShell()->FrameThread());
}

TEST_F(QueuedStart, AQuitMessageIsLeftForTheHostsLoop) {
    Queue(RESOURCE_TEXTURE, "t1", TinyTga(1, 1, 0xFF000000));
    PostQuitMessage(7);
    EXPECT_EQ(0, wnd.Start(1, 0, 30, 1));
    EXPECT_EQ(0, wnd.initialised);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
}
