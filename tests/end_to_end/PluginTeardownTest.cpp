// A lobby whose plug-in owns a panel and tears it down in its own DllMain,
// under the loader lock, as the lobby frees the plug-in: while the lock is
// held no thread can start or end, so the module may wait for no thread's
// end there. Each way of tearing down returns within 3 s, the module is
// unmapped once its threads are out, no code of it runs after that, and the
// lobby's process ends cleanly; so does a lobby that ends with the panel
// live. Each lobby is a run of this program of its own.
#include "end_to_end/PanelHost.h"
#include "end_to_end/SampleGames.h"
#include "end_to_end/plugin/TeardownPlugin.h"
#include "support/ThreadStarts.h"
#include "host/SkinInstall.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace e2e {
namespace {

// What the lobby run is told, through its environment.
constexpr char kWayVar[] = "FP_LOBBY_WAY";
constexpr char kQueuedVar[] = "FP_LOBBY_QUEUED";
constexpr char kRootVar[] = "FP_LOBBY_ROOT";
constexpr char kUrlVar[] = "FP_LOBBY_URL";
constexpr char kResultVar[] = "FP_LOBBY_RESULT";

// Exit codes of a lobby run that did not get as far as its end.
constexpr DWORD kNoPlugin = 20, kNotOpened = 21, kCrashed = 77;

LONG WINAPI EndOnCrash(EXCEPTION_POINTERS*) {
    TerminateProcess(GetCurrentProcess(), kCrashed);
    return EXCEPTION_EXECUTE_HANDLER;
}

bool Mapped(HMODULE* module) {
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              ShippedModulePath().c_str(), module) != FALSE;
}

SIZE_T ImageSize(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew)
        ->OptionalHeader.SizeOfImage;
}

// The lobby: opens the plug-in's panel, lets it run, and frees the plug-in
// (or ends with the panel live). Once the module is unmapped its range is
// reserved, so that any code of it still run faults and ends the process
// with kCrashed. Writes what it measured and ends with code 0.
[[noreturn]] void RunLobby() {
    SetUnhandledExceptionFilter(&EndOnCrash);
    const int way = std::atoi(testsupport::EnvVar(kWayVar).c_str());
    const bool queued = testsupport::EnvVar(kQueuedVar) == "1";
    panelhost::HostWindow host("lobby", 320, 200, false);
    const std::string pluginPath = testsupport::ExeFolder() + "\\" + teardownplugin::kFileName;
    HMODULE plugin = LoadLibraryA(pluginPath.c_str());
    const auto open = plugin ? reinterpret_cast<teardownplugin::OpenFn>(reinterpret_cast<void*>(
                                   GetProcAddress(plugin, teardownplugin::kOpenExport)))
                             : nullptr;
    if (!open) ExitProcess(kNoPlugin);
    if (open(ShippedModulePath().c_str(), host.Handle(), testsupport::EnvVar(kRootVar).c_str(),
             testsupport::EnvVar(kUrlVar).c_str(), way, queued) != 1)
        ExitProcess(kNotOpened);
    // The panel runs its frames and its download; with `queued` its start
    // is left queued, for the plug-in's DllMain to handle under the lock.
    if (!queued) testsupport::PumpFor(1500);

    DWORD teardownMs = 0, unmappedMs = 0;
    bool unmapped = false;
    if (way != teardownplugin::kLeftLive) {
        HMODULE module = nullptr;
        if (!Mapped(&module)) ExitProcess(kNotOpened);
        const SIZE_T size = ImageSize(module);
        const DWORD freeing = GetTickCount();
        FreeLibrary(plugin);
        teardownMs = GetTickCount() - freeing;
        unmapped = testsupport::PumpUntil([&] { return !Mapped(&module); }, 20000);
        unmappedMs = GetTickCount() - freeing;
        if (unmapped) VirtualAlloc(module, size, MEM_RESERVE, PAGE_NOACCESS);
        testsupport::PumpFor(1000);   // a thread still in the module's code faults now
    }
    char line[128];
    std::snprintf(line, sizeof line, "%lu %d %lu\n", static_cast<unsigned long>(teardownMs),
                  unmapped ? 1 : 0, static_cast<unsigned long>(unmappedMs));
    testsupport::WriteWholeFile(testsupport::EnvVar(kResultVar), line);
    testsupport::WaitForThreadStarts(5000);
    ExitProcess(0);
}

struct LobbyRun {
    bool ended = false;
    DWORD exitCode = 0;
    std::string result;   // "teardown-ms unmapped unmapped-after-ms"
};

// Runs this case again as the lobby, told through its environment; one that
// has not ended after `timeoutMs` is ended and counts as not ended.
LobbyRun RunLobbyProcess(int way, bool queued, const std::string& root, const std::string& url,
                         const std::string& resultPath, DWORD timeoutMs) {
    LobbyRun run;
    DeleteFileA(resultPath.c_str());
    const std::pair<const char*, std::string> told[] = {{kWayVar, std::to_string(way)},
                                                        {kQueuedVar, queued ? "1" : "0"},
                                                        {kRootVar, root},
                                                        {kUrlVar, url},
                                                        {kResultVar, resultPath}};
    for (const auto& var : told) SetEnvironmentVariableA(var.first, var.second.c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string commandLine = std::string("\"") + self +
                              "\" --gtest_filter=" + test->test_suite_name() + "." + test->name();
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &si, &pi);
    for (const auto& var : told) SetEnvironmentVariableA(var.first, nullptr);
    if (!started) return run;
    run.ended = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!run.ended) TerminateProcess(pi.hProcess, 99);
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    testsupport::ReadWholeFile(resultPath, &run.result);
    return run;
}

}   // namespace

// Every way of tearing the panel down inside the plug-in's DllMain, each
// with a download under way: with the frame thread running, and with it
// made under the lock from the panel's start still queued (a thread that
// can't start there, so can't even say it is done), and the lobby that
// ends with the panel live.
TEST(PanelPlugin, TornDownInItsDllMainThePanelReturnsAndTheLobbyEndsCleanly) {
    if (!testsupport::EnvVar(kWayVar).empty()) RunLobby();
    REQUIRE_TEST_SERVERS();
    testsupport::TempFolder root;
    servers::ServedFolder served("plugin");
    ASSERT_TRUE(skininstall::CopyTree(SampleGames() + "\\server", served.Path()));
    ASSERT_TRUE(skininstall::CopyTree(SampleGames() + "\\root", root.Path()));
    ASSERT_TRUE(skininstall::Install(root.Path()));
    // 1 KB every 50 ms: the download is busy for a minute.
    const std::string url = servers::HttpBase() + "/_slow/" + served.Name() + "/";
    const std::string resultPath = root.Join("lobby.txt");

    const struct {
        const char* what;
        int way;
        bool queued;
    } rows[] = {
        {"the release slot and PanelModelExit", teardownplugin::kReleaseAndExit, false},
        {"the destroy slot alone", teardownplugin::kDestroySlot, false},
        {"PanelModelExit alone", teardownplugin::kExitAlone, false},
        {"the release slot and PanelModelExit, the panel's start handled under the lock",
         teardownplugin::kReleaseAndExit, true},
        {"the lobby ends with the panel live", teardownplugin::kLeftLive, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const LobbyRun run = RunLobbyProcess(row.way, row.queued, root.Path(), url, resultPath,
                                             30000);
        ASSERT_TRUE(run.ended) << "the lobby hung";
        EXPECT_EQ(0u, run.exitCode) << kNoPlugin << ": no plug-in, " << kNotOpened << ": no panel, "
                                    << kCrashed << ": a crash";
        unsigned long teardownMs = 0, unmappedMs = 0;
        int unmapped = 0;
        ASSERT_EQ(
            3, std::sscanf(run.result.c_str(), "%lu %d %lu", &teardownMs, &unmapped, &unmappedMs))
            << run.result;
        std::printf(
            "[ measured ] %s: FreeLibrary of the plug-in %lu ms, module unmapped %lu ms "
            "after it, exit code %lu\n",
            row.what, teardownMs, unmappedMs, static_cast<unsigned long>(run.exitCode));
        if (row.way == teardownplugin::kLeftLive) continue;
        EXPECT_LT(teardownMs, 3000u);
        EXPECT_EQ(1, unmapped) << "the module stayed mapped";
    }
}

}   // namespace e2e
