#include "end_to_end/PanelHost.h"

#include "end_to_end/SampleGames.h"
#include "host/SkinInstall.h"

#include <tlhelp32.h>

namespace e2e {

namespace {

const int kPanelX = 300, kPanelY = 420, kPanelW = 600, kPanelH = 200;

}   // namespace

std::string ShippedModulePath() {
    const std::string tests = testsupport::ExeFolder();
    return tests.substr(0, tests.rfind('\\')) + "\\ship\\Fetchpane.dll";
}

std::vector<DWORD> ProcessThreads(bool poolWorkers) {
    using QueryThread = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    const int kStartAddress = 9;   // ThreadQuerySetWin32StartAddress
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const QueryThread query = reinterpret_cast<QueryThread>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationThread")));
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId()) continue;
        bool inPool = false;
        HANDLE thread = poolWorkers || !query
                            ? nullptr
                            : OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        void* start = nullptr;
        HMODULE from = nullptr;
        if (thread && query(thread, kStartAddress, &start, sizeof start, nullptr) == 0)
            inPool = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                            GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                        static_cast<LPCSTR>(start), &from) &&
                     from == ntdll;
        if (thread) CloseHandle(thread);
        if (!inPool) ids.push_back(entry.th32ThreadID);
    }
    CloseHandle(snapshot);
    return ids;
}

void PanelHost::SetUp() {
    REQUIRE_TEST_SERVERS();
    ASSERT_TRUE(host_.Handle());
    ASSERT_TRUE(skininstall::CopyTree(SampleGames() + "\\server", served_.Path()));
    ASSERT_TRUE(skininstall::CopyTree(SampleGames() + "\\root", root_.Path()));
    ASSERT_TRUE(skininstall::Install(root_.Path()));
    LoadModule();
}

void PanelHost::TearDown() {
    host_.onNotify = nullptr;
    ReleasePanel();
    UnloadModule();
}

void PanelHost::LoadModule() {
    ASSERT_TRUE(module_.Load(ShippedModulePath().c_str())) << module_.Error();
    ASSERT_EQ(1, module_.Init());
    started_ = true;
}

void PanelHost::UnloadModule() {
    if (started_) {
        EXPECT_EQ(1, module_.Exit());
    }
    started_ = false;
    module_.Unload();
}

void PanelHost::OpenPanel(bool show) {
    panel_ = module_.CreateInterface();
    ASSERT_NE(nullptr, panel_);
    window_ = Slots()->Create(panel_, "Fetchpane", host_.Handle(), 0, root_.Path().c_str());
    ASSERT_NE(nullptr, window_);
    ASSERT_EQ(1, Slots()->Move(panel_, kPanelX, kPanelY, kPanelW, kPanelH));
    if (show) Slots()->Show(panel_, 1);
}

void PanelHost::RunAPanelWithAFailingDownload() {
    const std::string dead = servers::DeadBase() + "/";
    OpenPanel(false);
    host_.Clear();
    ASSERT_EQ(1, Slots()->AddUpdateTask(panel_, dead.c_str(), "Starfall", PANEL_KIND_GAME));
    EXPECT_TRUE(WaitFor(PANEL_NOTIFY_FAILED, 30000)) << host_.Lines();
    ReleasePanel();
}

void PanelHost::ReleasePanel() {
    if (panel_) Slots()->Release(panel_);
    panel_ = nullptr;
    window_ = nullptr;
}

std::string PanelHost::GamesUrl(const char* route) const {
    return servers::HttpBase() + "/" + route + served_.Name() + "/";
}

int PanelHost::AddGame(const std::string& game, const char* route) {
    return Slots()->AddUpdateTask(panel_, GamesUrl(route).c_str(), game.c_str(), PANEL_KIND_GAME);
}

bool PanelHost::WaitUntilDownloading(const std::string& game, DWORD timeoutMs) {
    return WaitForServerLine("FETCHPANE_HTTP_LOG", game, ".zip ", timeoutMs);
}

bool PanelHost::WaitUntilAbandoned(const std::string& game, DWORD timeoutMs) {
    return WaitForServerLine("FETCHPANE_HTTP_LEFT_LOG", game, "", timeoutMs);
}

bool PanelHost::WaitForServerLine(const char* logName, const std::string& game, const char* needle,
                                  DWORD timeoutMs) {
    const std::string folder = "/" + served_.Name() + "/Update/Games/" + game + "/";
    return testsupport::PumpUntil(
        [&] {
            for (const std::string& line : servers::LogLines(logName, folder))
                if (line.find(needle) != std::string::npos) return true;
            return false;
        },
        timeoutMs);
}

bool PanelHost::WaitFor(int code, DWORD timeoutMs, size_t count) {
    return testsupport::PumpUntil([&] { return host_.Count(code) >= count; }, timeoutMs);
}

void PanelHost::Click(POINT at) {
    // Only the panel that is clicked goes on top: every other test's panel
    // stays below it.
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    POINT screen = at;
    ClientToScreen(window_, &screen);
    SetCursorPos(screen.x, screen.y);
    ASSERT_EQ(window_, WindowFromPoint(screen)) << "the panel is covered at the click";
    const LPARAM where = MAKELPARAM(at.x, at.y);
    SendMessageA(window_, WM_MOUSEMOVE, 0, where);
    SendMessageA(window_, WM_LBUTTONDOWN, MK_LBUTTON, where);
    SetCursorPos(screen.x, screen.y);
    SendMessageA(window_, WM_LBUTTONUP, 0, where);
}

int PanelHost::ReceiverWindows() {
    int count = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, "DownloadEventRecv", "Ludorin.tervaldo"); w;
         w = FindWindowExA(nullptr, w, "DownloadEventRecv", "Ludorin.tervaldo")) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        count += process == GetCurrentProcessId();
    }
    return count;
}

void PanelHost::ExpectNotifications(const std::string& lines) {
    EXPECT_EQ(lines, host_.Lines());
    for (const panelhost::Notification& n : host_.Notifications()) EXPECT_EQ(window_, n.panel);
}

void PanelHost::ExpectNoWindow(IPanelInterface* p) {
    const IPanelInterfaceVtbl* s = Slots(p);
    const std::string url = GamesUrl();
    const PanelServerRecord record = {0, 0, nullptr, url.c_str()};
    const PanelServerList servers = {nullptr, &record, &record + 1, nullptr};
    EXPECT_EQ(nullptr, s->GetWindow(p));
    for (int result :
         {s->Destroy(p, 0), s->Move(p, 0, 0, 600, 200), s->Show(p, 1), s->ShowAt(p, 0, 0, p),
          s->Spare(p), s->AddUpdateTask(p, url.c_str(), "Starfall", PANEL_KIND_GAME),
          s->AddUpdateTaskByServers(p, &servers, 0, "Starfall", PANEL_KIND_GAME)})
        EXPECT_EQ(0, result);
}

void PanelHost::CloseInsideTheNextNotification(bool release) {
    closeWithRelease_ = release;
    destroyedInside_ = -1;
    host_.onNotify = [this](const panelhost::Notification&) {
        if (closeWithRelease_) {
            ReleasePanel();
        } else {
            destroyedInside_ = Slots()->Destroy(panel_, 0);
        }
    };
}

void PanelHost::ExpectClosedInside(HWND window) {
    host_.onNotify = nullptr;
    testsupport::PumpFor(300);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, ReceiverWindows());
    EXPECT_EQ(1u, host_.Notifications().size()) << host_.Lines();
    if (closeWithRelease_) return;
    EXPECT_EQ(1, destroyedInside_);
    ExpectNoWindow(panel_);
    ReleasePanel();
}

}   // namespace e2e
