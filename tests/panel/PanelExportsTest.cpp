// The module's two start and stop exports, called as the host calls them.
#include "panel/DownloadApp.h"
#include "panel/DownloadWinApp.h"
#include "panel/PanelExports.h"
#include "engine/core/EngineGlobals.h"
#include "engine/core/HandleTable.h"
#include "engine/core/Log.h"
#include "engine/core/WorkPath.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <process.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> LogFilesNamed(const char* base) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    std::string pattern = testsupport::ExeFolder() + "\\*" + base + "*.log";
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

}   // namespace

TEST(PanelModel, InitStartsTheEngineWithoutALogFile) {
    testsupport::LogCapture capture;
    auto before = LogFilesNamed("Fetchpane");
    EXPECT_EQ(1, PanelModelInit());
    EXPECT_FALSE(Nuvex::IsLogOpen());
    EXPECT_EQ(1u, capture.Count("VORN'S GAME ENGINE."));
    EXPECT_EQ(1u, capture.Count("Nuvex Version: 2.20.0(Build20110331)"));
    // Linked into a program, the module is the program itself.
    EXPECT_EQ(GetModuleHandleA(nullptr), Nuvex::GetModuleInstance());
    EXPECT_EQ(testsupport::ExeFolder(), Nuvex::GetWorkPath(nullptr, 0));
    EXPECT_EQ(65536u, Nuvex::Pools().texture.Capacity());
    EXPECT_EQ(1, PanelModelExit());
    EXPECT_EQ(1u, capture.Count("Successful release."));
    EXPECT_EQ(before, LogFilesNamed("Fetchpane"));
}

TEST(PanelModel, ExitWithoutInitReturnsOneAndAllowsALaterInit) {
    EXPECT_EQ(1, PanelModelExit());
    EXPECT_EQ(1, PanelModelExit());
    EXPECT_EQ(1, PanelModelInit());
    EXPECT_EQ(1, PanelModelExit());
}

TEST(PanelModel, ASecondInitAfterExitStartsTheEngineAgain) {
    testsupport::LogCapture capture;
    ASSERT_EQ(1, PanelModelInit());
    EXPECT_EQ(1, PanelModelExit());
    EXPECT_EQ(1, PanelModelInit());
    EXPECT_EQ(2u, capture.Count("VORN'S GAME ENGINE."));
    EXPECT_EQ(0u, capture.Count("Can't init graph system."));
    EXPECT_EQ(1, PanelModelExit());
}

TEST(PanelModel, ApplicationObjects) {
    DownloadWinApp& winApp = TheDownloadWinApp();
    EXPECT_EQ(nullptr, winApp.Instance());   // no module entry point in a program
    EXPECT_TRUE(winApp.InitInstance());
    EXPECT_EQ(1, TheDownloadApp().OnInitGlobalResources());
    EXPECT_STREQ("BaseApp", TheDownloadApp().GetRuntimeClass()->name);

    DownloadWinApp other;
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_TRUE(other.Start(self));
    EXPECT_EQ(self, other.Instance());
    other.Stop();
}

namespace {

// The shipped module of this build, beside the test programs' folder.
std::string BuiltModulePath() {
    std::string tests = testsupport::ExeFolder();
    return tests.substr(0, tests.rfind('\\')) + "\\panel\\Fetchpane.dll";
}

LONG WINAPI FailOnCrash(EXCEPTION_POINTERS* info) {
    std::printf("crash: exception 0x%08lX at %p\n", info->ExceptionRecord->ExceptionCode,
                info->ExceptionRecord->ExceptionAddress);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

struct HostThread {
    std::string module;
    int init = -1;
    int exit = -1;
    bool freed = false;
};

// A host thread that loads the module, starts and stops the engine, unloads
// the module and then carries on until it ends.
unsigned __stdcall LoadUseAndUnload(void* arg) {
    auto* host = static_cast<HostThread*>(arg);
    HMODULE module = LoadLibraryA(host->module.c_str());
    if (!module) return 1;
    using Export = int (*)();
    auto init = reinterpret_cast<Export>(
        reinterpret_cast<void*>(GetProcAddress(module, "PanelModelInit")));
    auto exit = reinterpret_cast<Export>(
        reinterpret_cast<void*>(GetProcAddress(module, "PanelModelExit")));
    if (init && exit) {
        host->init = init();
        host->exit = exit();
    }
    host->freed = FreeLibrary(module) != 0;
    return 0;
}

}   // namespace

TEST(PanelModel, AHostThreadMayEndAfterTheModuleIsUnloaded) {
    HostThread host;
    host.module = BuiltModulePath();
    ASSERT_TRUE(testsupport::FileExists(host.module))
        << host.module << " (build the Fetchpane target)";
    // A thread that ends by calling into the unloaded module must fail the
    // test at once, not wait for a debugger.
    SetUnhandledExceptionFilter(&FailOnCrash);
    HANDLE thread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &LoadUseAndUnload, &host, 0, nullptr));
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 60000));
    DWORD code = 99;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(0u, code);
    EXPECT_EQ(1, host.init);
    EXPECT_EQ(1, host.exit);
    EXPECT_TRUE(host.freed);
}
