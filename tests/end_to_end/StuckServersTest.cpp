// A host that lets the panel go while its downloads hang at servers that
// never let them progress: a port that drops SYNs (WinInet waits about
// 130 s in its connect) and a reply whose header never ends. The module's
// calls are given up, its threads end, and it is unmapped, while WinInet
// still holds the calls and ends them later in a host that runs on.
#include "end_to_end/PanelHost.h"

#include <algorithm>

namespace e2e {
namespace {

// The host's threads and the module's, not the system pool's workers.
int ThreadsOutsideThePool() { return int(ProcessThreads(false).size()); }

bool ModuleMapped() {
    HMODULE module = nullptr;
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              ShippedModulePath().c_str(), &module) != FALSE;
}

}   // namespace

TEST_F(PanelHost, UnloadingWhileDownloadsHangReturnsAtOnceAndUnmapsTheModule) {
    const std::string dropsSyns = servers::SynDropBase() + "/";
    // The header trickles for 20 s, then the server closes: WinInet ends the
    // call then, long after the module is gone.
    const DWORD kTrickleEndsMs = 20000;
    const int before = ThreadsOutsideThePool();
    OpenPanel(false);
    const DWORD begun = GetTickCount();
    ASSERT_EQ(1, Slots()->AddUpdateTask(panel_, dropsSyns.c_str(), "Starfall", PANEL_KIND_GAME));
    ASSERT_EQ(1, AddGame("Moonfall", "_headtrickle/20/"));
    testsupport::PumpFor(2000);   // one connecting, one waiting for the header
    ASSERT_EQ(0u, host_.Count(PANEL_NOTIFY_FAILED));
    ReleasePanel();
    const DWORD unloading = GetTickCount();
    UnloadModule();
    EXPECT_LT(GetTickCount() - unloading, 3000u);
    EXPECT_TRUE(testsupport::PumpUntil([] { return !ModuleMapped(); }, 20000))
        << "the module stayed mapped";
    EXPECT_TRUE(testsupport::PumpUntil([&] { return ThreadsOutsideThePool() <= before; }, 5000))
        << ThreadsOutsideThePool() << " threads outside the pool, " << before << " before";
    // WinInet ends the trickled call with nothing of the module left to
    // call: the host runs on.
    testsupport::PumpFor(kTrickleEndsMs + 5000 - (GetTickCount() - begun));
    EXPECT_FALSE(ModuleMapped());
}

// A host that loads the panel for each download, against a server whose
// SYNs are dropped: each load's worker ends with its unload, so the threads
// the host and the module hold stay few, however many connects WinInet's
// own pool still waits in.
TEST_F(PanelHost, LoadsAgainstADroppingServerKeepFewThreads) {
    const std::string dropsSyns = servers::SynDropBase() + "/";
    const int kRounds = 15;
    const int kMostAbove = 8;   // the panel's frame thread, three workers, and more
    UnloadModule();
    const int before = ThreadsOutsideThePool();
    int most = before;
    for (int round = 0; round < kRounds && !HasFatalFailure(); ++round) {
        LoadModule();
        OpenPanel(false);
        ASSERT_EQ(1, Slots()->AddUpdateTask(panel_, dropsSyns.c_str(), "Starfall", PANEL_KIND_GAME));
        testsupport::PumpFor(300);
        most = std::max(most, ThreadsOutsideThePool());
        ReleasePanel();
        UnloadModule();
        most = std::max(most, ThreadsOutsideThePool());
    }
    EXPECT_LE(most, before + kMostAbove);
    EXPECT_TRUE(testsupport::PumpUntil(
        [&] { return !ModuleMapped() && ThreadsOutsideThePool() <= before; }, 20000))
        << ThreadsOutsideThePool() << " threads outside the pool, " << before << " before";
}

}   // namespace e2e
