// Demo host: a small lobby that does the module's main job. It loads
// Fetchpane.dll by name, as the lobby does, opens the panel over a root
// folder with the skin installed, and updates one game from an update
// server while the panel shows the progress. Then it tells what it saw:
// every notification, the files the update installed and the time taken,
// with a picture of the panel taken halfway through the download.
//
// Usage: FetchpaneHost ROOT URL [GAME [SHOT.png [SECONDS]]]
//   ROOT     the host's root folder, drive-lettered (the game installs into
//            ROOT\Games\GAME)
//   URL      the update server (it serves Update/Games/GAME/GAME.xml)
//   GAME     the game's name (default Starfall)
//   SHOT     where the picture goes (default ROOT\panel.png)
//   SECONDS  how long to wait for the outcome (default 120)
#include "host/FolderSnapshot.h"
#include "host/HostWindow.h"
#include "host/PanelModule.h"
#include "host/SkinInstall.h"
#include "host/WindowShot.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace panelhost;

namespace {

struct Options {
    std::string root, url, game = "Starfall", shot;
    DWORD seconds = 120;
};

// One picture of the panel and how far the download was when it was taken.
struct Moment {
    DWORD ms = 0;
    uint64_t received = 0;
    WindowShot shot;
};

const UINT kTickMs = 250;
const int kPanelX = 40, kPanelY = 60, kPanelW = 600, kPanelH = 200;

class Demo {
public:
    explicit Demo(const Options& options)
        : options_(options),
          gameFolder_(options.root + "\\Games\\" + options.game),
          downloadFolder_(options.root + "\\Update\\Games\\" + options.game),
          host_("Fetchpane demo host", kPanelX * 2 + kPanelW, kPanelY * 2 + kPanelH, true) {}

    int Run() {
        before_ = TakeSnapshot(gameFolder_);
        const bool started = Start();
        const bool finished = started && Update();
        Report(started);
        Stop();
        return finished ? 0 : 1;
    }

private:
    bool Start();
    bool Update();
    void Tick();
    void PrintProgress(const Moment& now);
    void Report(bool started);
    void ReportFiles();
    void SaveShot();
    void Stop();
    DWORD Elapsed() const { return GetTickCount() - start_; }
    const IPanelInterfaceVtbl* Slots() const { return PANEL_VTBL(panel_); }

    Options options_;
    std::string gameFolder_, downloadFolder_;
    HostWindow host_;
    PanelModule module_;
    IPanelInterface* panel_ = nullptr;
    HWND panelWindow_ = nullptr;
    bool engineStarted_ = false;
    FolderSnapshot before_;
    DWORD start_ = 0, took_ = 0, lastPrint_ = 0;
    std::vector<Moment> moments_;
};

std::string Seconds(DWORD ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%6.2f s", ms / 1000.0);
    return text;
}

bool Demo::Start() {
    if (!host_.Handle()) return std::printf("cannot make the host window\n"), false;
    if (!skininstall::Install(options_.root))
        return std::printf("cannot install the skin into %s\n", options_.root.c_str()), false;
    if (!module_.Load("Fetchpane.dll")) return std::printf("%s\n", module_.Error().c_str()), false;
    char modulePath[MAX_PATH] = {};
    GetModuleFileNameA(module_.Handle(), modulePath, MAX_PATH);
    std::printf("loaded %s\n", modulePath);
    engineStarted_ = module_.Init() == 1;
    std::printf("PanelModelInit -> %d\n", engineStarted_ ? 1 : 0);
    if (!engineStarted_) return false;
    panel_ = module_.CreateInterface();
    if (!panel_) return std::printf("PanelInterfaceCreate -> null\n"), false;
    panelWindow_ = Slots()->Create(panel_, "Fetchpane", host_.Handle(), 0, options_.root.c_str());
    if (!panelWindow_)
        return std::printf("Create -> null (root %s)\n", options_.root.c_str()), false;
    Slots()->Move(panel_, kPanelX, kPanelY, kPanelW, kPanelH);
    Slots()->Show(panel_, 1);
    std::printf("panel window over %s\n", options_.root.c_str());
    return true;
}

// Adds the game and runs the host's message loop until the panel reports
// its outcome or the time is up.
bool Demo::Update() {
    start_ = GetTickCount();
    const int added = Slots()->AddUpdateTask(panel_, options_.url.c_str(), options_.game.c_str(),
                                             PANEL_KIND_GAME);
    std::printf("%s  AddUpdateTask(\"%s\", \"%s\", game) -> %d\n", Seconds(0).c_str(),
                options_.url.c_str(), options_.game.c_str(), added);
    if (added != 1) return false;
    const UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, nullptr);
    host_.onNotify = [this](const Notification& n) {
        std::printf("%s  %s\n", Seconds(n.tick - start_).c_str(), Describe(n).c_str());
    };
    MSG msg;
    while (!host_.Find(PANEL_NOTIFY_FINISHED) && !host_.Find(PANEL_NOTIFY_FAILED) &&
           Elapsed() < options_.seconds * 1000 && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == timer) Tick();
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    KillTimer(nullptr, timer);
    took_ = Elapsed();
    std::fflush(stdout);
    return host_.Find(PANEL_NOTIFY_FINISHED) != nullptr;
}

// Every tick: a picture of the panel; every second: how much has arrived.
void Demo::Tick() {
    Moment now;
    now.ms = Elapsed();
    now.received = TotalSize(TakeSnapshot(downloadFolder_));
    now.shot = CaptureWindow(panelWindow_);
    PrintProgress(now);
    if (!now.shot.Empty() && moments_.size() < 4 * options_.seconds) moments_.push_back(now);
}

void Demo::PrintProgress(const Moment& now) {
    if (now.ms - lastPrint_ < 1000) return;
    lastPrint_ = now.ms;
    std::printf("%s  %llu KB of archives received\n", Seconds(now.ms).c_str(),
                static_cast<unsigned long long>(now.received / 1024));
    std::fflush(stdout);
}

void Demo::Report(bool started) {
    std::printf("\nnotifications seen: %u\n", unsigned(host_.Notifications().size()));
    for (const Notification& n : host_.Notifications())
        std::printf("  %s at %s\n", Describe(n).c_str(), Seconds(n.tick - start_).c_str());
    if (!started) return;
    ReportFiles();
    std::printf("time taken: %.2f s\n", took_ / 1000.0);
    SaveShot();
}

void Demo::ReportFiles() {
    std::printf("files under %s:\n", gameFolder_.c_str());
    const FolderSnapshot after = TakeSnapshot(gameFolder_);
    for (const auto& file : after)
        std::printf("  %-9s %-22s %8llu bytes\n", Change(before_, file.first, file.second),
                    file.first.c_str(), static_cast<unsigned long long>(file.second.size));
    std::string digest;
    FILE* check = std::fopen((gameFolder_ + "\\version.check").c_str(), "rb");
    if (check) {
        char text[64] = {};
        digest.assign(text, std::fread(text, 1, sizeof text - 1, check));
        std::fclose(check);
    }
    std::printf("version.check: %s\n", digest.empty() ? "(none)" : digest.c_str());
}

// The picture taken when about half of what was fetched had arrived.
void Demo::SaveShot() {
    uint64_t most = 0;
    for (const Moment& m : moments_) most = m.received > most ? m.received : most;
    const uint64_t half = most / 2;
    auto distance = [half](const Moment& m) {
        return m.received > half ? m.received - half : half - m.received;
    };
    const Moment* best = nullptr;
    for (const Moment& m : moments_)
        if (m.received > 0 && (!best || distance(m) < distance(*best))) best = &m;
    if (!best) {
        std::printf("screenshot: none (no picture taken while downloading)\n");
        return;
    }
    const bool written = WritePng(best->shot, options_.shot);
    std::printf("screenshot: %s (at %.2f s, %llu of %llu KB received)%s\n", options_.shot.c_str(),
                best->ms / 1000.0, static_cast<unsigned long long>(best->received / 1024),
                static_cast<unsigned long long>(most / 1024), written ? "" : ": cannot write");
}

void Demo::Stop() {
    if (panel_) Slots()->Release(panel_);
    panel_ = nullptr;
    if (engineStarted_) std::printf("PanelModelExit -> %d\n", module_.Exit());
    module_.Unload();
}

bool ParseOptions(int argc, char** argv, Options* options) {
    if (argc < 3) return false;
    options->root = argv[1];
    options->url = argv[2];
    if (argc > 3) options->game = argv[3];
    options->shot = argc > 4 ? argv[4] : options->root + "\\panel.png";
    if (argc > 5) options->seconds = DWORD(std::strtoul(argv[5], nullptr, 10));
    return options->root.size() > 2 && options->root[1] == ':' && options->seconds > 0;
}

}   // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::printf(
            "usage: FetchpaneHost ROOT URL [GAME [SHOT.png [SECONDS]]]\n"
            "  ROOT is drive-lettered, e.g. C:\\Lobby\n");
        return 2;
    }
    return Demo(options).Run();
}
