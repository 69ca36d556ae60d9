// The interface object through the slot table alone: what each slot does
// without a window, the rules of the text slot, the one window an object
// makes, a module that is unloaded and loaded again, and an engine started
// again within one load.
#include "end_to_end/PanelHost.h"
#include "end_to_end/SampleGames.h"
#include "support/CurrentBuildOnly.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace e2e;

TEST_F(PanelHost, SlotsOfAnObjectWithoutAWindow) {
    IPanelInterface* p = module_.CreateInterface();
    IPanelInterface* other = module_.CreateInterface();
    ASSERT_NE(nullptr, p);
    ASSERT_NE(nullptr, other);
    EXPECT_NE(p, other);
    ExpectNoWindow(p);

    // The text slot refuses null and "", keeps at most 255 bytes and never
    // splits a character (zh is one); "(null)" stands for a null text.
    const std::string x(300, 'x'), a(254, 'a'), zh = "\xD6\xD0";
    const struct {
        std::string text, kept;
        int result;
    } texts[] = {{"(null)", "(null)", 0},  {"", "(null)", 0},
                 {"abc", "abc", 1},        {"", "abc", 0},
                 {"(null)", "abc", 0},     {"x", "x", 1},
                 {x, x.substr(0, 255), 1}, {a.substr(1) + zh, a.substr(1) + zh, 1},
                 {a + zh, a, 1},           {a + zh + "b", a, 1}};
    for (const auto& t : texts) {
        SCOPED_TRACE(std::to_string(t.text.size()) + " bytes: " + t.text.substr(0, 6));
        EXPECT_EQ(t.result, Slots(p)->SetText(p, t.text == "(null)" ? nullptr : t.text.c_str()));
        const char* kept = Slots(p)->GetText(p);
        EXPECT_EQ(t.kept, kept ? kept : "(null)");
    }

    // Released without ever making a window.
    Slots(p)->Release(p);
    Slots(other)->Release(other);
}

// One window per object, over a root that can be the work folder; after
// Destroy the object is as new.
TEST_F(PanelHost, AnObjectMakesOneWindowOverAUsableRoot) {
    CURRENT_BUILD_ONLY("the older start shows the window while it loads the skin");
    panel_ = module_.CreateInterface();
    ASSERT_NE(nullptr, panel_);
    const HWND host = host_.Handle();
    for (const std::string& bad : {std::string("relative\\root"), root_.Join("missing"),
                                   root_.Path() + "\\" + std::string(300, 'd')})
        EXPECT_EQ(nullptr, Slots()->Create(panel_, "Fetchpane", host, 0, bad.c_str())) << bad;
    EXPECT_EQ(0, ReceiverWindows());

    window_ = Slots()->Create(panel_, "Fetchpane", host, 0, root_.Path().c_str());
    ASSERT_NE(nullptr, window_);
    EXPECT_EQ(window_, Slots()->GetWindow(panel_));
    EXPECT_FALSE(IsWindowVisible(window_));   // hidden until the host shows it
    EXPECT_EQ(nullptr, Slots()->Create(panel_, "Fetchpane", host, 0, root_.Path().c_str()));
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_EQ(GetWindow(window_, GW_OWNER), host);
    EXPECT_EQ(1, ReceiverWindows());
    Slots()->Show(panel_, 1);
    EXPECT_TRUE(IsWindowVisible(window_));

    EXPECT_EQ(1, Slots()->Destroy(panel_, 0));
    EXPECT_FALSE(IsWindow(window_));
    ExpectNoWindow(panel_);
    EXPECT_EQ(0, ReceiverWindows());
    window_ = Slots()->Create(panel_, "Fetchpane", host, 0, root_.Path().c_str());
    EXPECT_NE(nullptr, window_);
    EXPECT_EQ(1, ReceiverWindows());
    ReleasePanel();
    EXPECT_EQ(0, ReceiverWindows());
}

namespace {

// The size of a loaded module's image.
SIZE_T ImageSize(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.SizeOfImage;
}

}   // namespace

// A host may unload the module and load it again, here at another address:
// the second load runs a panel whose tasks report to it as the first did.
TEST_F(PanelHost, TheModuleRunsAgainAfterItWasUnloadedAndLoadedElsewhere) {
    RunAPanelWithAFailingDownload();
    const HMODULE first = module_.Handle();
    const SIZE_T size = ImageSize(first);
    UnloadModule();

    void* taken = VirtualAlloc(first, size, MEM_RESERVE, PAGE_NOACCESS);
    LoadModule();
    if (taken) {
        EXPECT_NE(first, module_.Handle());
    }
    RunAPanelWithAFailingDownload();
    UnloadModule();
    if (taken) VirtualFree(taken, 0, MEM_RELEASE);
}

namespace {

// The kernel handles the process holds: the handle values the system takes
// (GetProcessHandleCount answers 0 under wine).
int OpenHandles() {
    int count = 0;
    for (ULONG_PTR value = 4; value <= 0x10000; value += 4) {
        DWORD flags = 0;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

// The process's handles counted at rest: no thread running but those it had
// when the counting began. The module's downloads use asynchronous WinInet,
// whose calls run on the system's thread pool; under wine a worker ends
// after five idle seconds, and under load a second one joins now and then.
// A worker holds an event for the network calls it made and gives it back
// as it ends, but only while WinInet is loaded: the module keeps WinInet
// loaded once it has used it, or each worker that outlived an unload would
// keep its event for good. Each count first waits for the workers to end.
class HandlesAtRest {
public:
    HandlesAtRest() : own_(ProcessThreads()) {}

    // Waits at most 20 seconds for the threads started since to end.
    int Count() const {
        testsupport::PumpUntil([this] { return !OthersRun(); }, 20000);
        return OpenHandles();
    }
    bool OthersRun() const {
        for (DWORD id : ProcessThreads())
            if (std::find(own_.begin(), own_.end(), id) == own_.end()) return true;
        return false;
    }

private:
    std::vector<DWORD> own_;
};

}   // namespace

// A host that loads the panel only while it needs it: each load, panel,
// download and unload gives back every handle it took. The first round is
// the warm-up: it leaves what a process keeps for good from its first
// download, WinInet's cookie index (a Section) and the system libraries that
// stay loaded. Every later round must add nothing: a handle kept per load
// fails.
TEST_F(PanelHost, LoadingAndUnloadingTwentyTimesKeepsNoHandle) {
    const HandlesAtRest handles;
    RunAPanelWithAFailingDownload();
    UnloadModule();
    const int before = handles.Count();
    for (int round = 0; round < 20 && !HasFatalFailure(); ++round) {
        LoadModule();
        RunAPanelWithAFailingDownload();
        UnloadModule();
    }
    EXPECT_EQ(before, handles.Count()) << (handles.OthersRun() ? "a thread still runs" : "");
}

// A host may stop the engine and start it again without unloading the
// module (it can't always: see below): each start runs a panel whose
// download reports, and gives back every handle it took. The first start's
// round is the warm-up, as above.
TEST_F(PanelHost, TheEngineStartsAgainWithinOneLoadAndKeepsNoHandle) {
    const HandlesAtRest handles;
    RunAPanelWithAFailingDownload();
    ASSERT_EQ(1, module_.Exit());
    const int before = handles.Count();
    for (int round = 0; round < 5 && !HasFatalFailure(); ++round) {
        ASSERT_EQ(1, module_.Init());
        RunAPanelWithAFailingDownload();
        ASSERT_EQ(1, module_.Exit());
    }
    EXPECT_EQ(before, handles.Count()) << (handles.OthersRun() ? "a thread still runs" : "");
    started_ = false;
}

// A lobby closes the panel on downloads stuck at an FTP server that accepts
// and never answers, and opens it again at once: the FTP calls left behind
// keep the module loaded, so the new load is the same module, whose second
// engine start must run a download to its end.
TEST_F(PanelHost, APanelOpensAgainAtOnceWhileDownloadsOfTheLastOneHang) {
    const std::string mute = servers::FtpMuteBase() + "/";
    OpenPanel(false);
    for (const char* game : {"Starfall", "Moonfall"})
        ASSERT_EQ(1, Slots()->AddUpdateTask(panel_, mute.c_str(), game, PANEL_KIND_GAME));
    testsupport::PumpFor(2000);   // both wait for the server's answer
    ReleasePanel();
    UnloadModule();
    HMODULE stillLoaded = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   ShippedModulePath().c_str(), &stillLoaded))
        << "the stuck downloads ended already";

    LoadModule();
    EXPECT_EQ(stillLoaded, module_.Handle());
    host_.Clear();
    OpenPanel(false);
    ASSERT_EQ(1, AddGame("Starfall"));
    ASSERT_TRUE(WaitFor(PANEL_NOTIFY_FINISHED, 60000)) << host_.Lines();
    ExpectNotifications("FINISHED (0 left) \"Starfall\"\n");
    ExpectInstalled(root_.Path(), "Starfall");
}
