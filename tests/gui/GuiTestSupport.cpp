#include "gui/GuiTestSupport.h"

#include <windowsx.h>

#include <cstdio>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "graphics/DrawingTestSupport.h"
#include "engine/graphics/SurfacePool.h"

namespace guitest {

std::string Journal::Seen(const std::string& prefixes) const {
    std::istringstream in(prefixes);
    const std::vector<std::string> wanted{std::istream_iterator<std::string>(in), {}};
    std::string out;
    for (const std::string& line : lines) {
        bool take = wanted.empty();
        for (const std::string& p : wanted) take = take || line.compare(0, p.size(), p) == 0;
        if (take) out += (out.empty() ? "" : " ") + line;
    }
    return out;
}

int Probe::live = 0;

void Probe::RunOnce(std::function<void()>& action) {
    std::function<void()> run;
    run.swap(action);
    if (run) run();
}

// The actions of these two may delete the probe: nothing of it is touched
// after.
int Probe::OnUpdate(float delta) {
    Log("OnUpdate");
    deltas.push_back(delta);
    GUI::OnUpdate(delta);
    const int result = updateResult;
    RunOnce(onUpdate);
    return result;
}

int Probe::OnDraw(int x, int y, int w, int h) {
    Log("OnDraw");
    if (throwOnDraw) throw std::runtime_error("probe");
    const int result = GUI::OnDraw(x, y, w, h) ? drawResult : 0;
    RunOnce(onDraw);
    return result;
}

int Probe::OnNotify(GUI* sender, uint32_t code, WPARAM wParam, LPARAM lParam) {
    const Probe* from = dynamic_cast<const Probe*>(sender);
    char line[128];
    std::snprintf(line, sizeof line, "%s.OnNotify(%s,%u,%d,%d,%d)", tag.c_str(),
                  from ? from->tag.c_str() : "?", code, int(wParam), GET_X_LPARAM(lParam),
                  GET_Y_LPARAM(lParam));
    if (journal) journal->lines.push_back(line);
    return int(code);
}

Probe* MakeProbe(const std::string& tag, Journal* journal, int width, int height) {
    Probe* probe = new Poisoned<Probe>(tag, journal);
    EXPECT_EQ(1, probe->Create(tag.c_str(), width, height, nullptr, 0));
    return probe;
}

std::string Text(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
    return text;
}

// --- the off-screen shell

OffscreenShell::OffscreenShell(int width, int height) {
    drawtest::EnsurePools();
    window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    const uint32_t id = Nuvex::CreateSurface(window_, width, height);
    EXPECT_NE(0u, id) << "no surface (is DISPLAY set?)";
    shell_.reset(new GuiShell(nullptr, 0));
    EXPECT_EQ(1, shell_->AttachSurface(id));
}

OffscreenShell::~OffscreenShell() {
    shell_.reset();
    if (window_) DestroyWindow(window_);
}

RECT OffscreenShell::Frame() {
    ISurface& s = surface();
    s.BeginScene(0);
    shell_->RenderTree();
    RECT dirty;
    s.GetDirtyRect(&dirty);
    s.EndScene();
    s.Present(nullptr, 0);
    return dirty;
}

std::vector<CanvasCommandView> OffscreenShell::Commands(uint16_t kind) {
    std::vector<CanvasCommandView> out;
    CanvasDC& canvas = *surface().WindowCanvas();
    for (uint32_t i = 0; i < canvas.CommandCount(); ++i) {
        CanvasCommandView view;
        if (canvas.ViewCommand(i, &view) && view.command->kind == kind) out.push_back(view);
    }
    return out;
}

// --- the pointer

namespace {
POINT g_pointer = {-100, -100};
HWND g_pointerWindow = nullptr;
BOOL WINAPI FakeCursorPos(LPPOINT point) { return *point = g_pointer, TRUE; }
HWND WINAPI FakeWindowFromPoint(POINT) { return g_pointerWindow; }
const GuiShell::PointerQuery kFakePointer = {&FakeCursorPos, &FakeWindowFromPoint};
}   // namespace

void PointerAt(HWND hwnd, int clientX, int clientY) {
    GuiShell::SetPointerQuery(&kFakePointer);
    g_pointer = {clientX, clientY};
    ClientToScreen(hwnd, &g_pointer);
    g_pointerWindow = hwnd;
}

void PointerOutside() {
    GuiShell::SetPointerQuery(&kFakePointer);
    g_pointer = {-100, -100};
    g_pointerWindow = nullptr;
}

LRESULT SendMouse(HWND hwnd, UINT message, int clientX, int clientY, WPARAM wParam) {
    PointerAt(hwnd, clientX, clientY);
    return SendMessageA(hwnd, message, wParam, MAKELPARAM(clientX, clientY));
}

}   // namespace guitest
