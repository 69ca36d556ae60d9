#include "gui/GuiTestSupport.h"

#include <windowsx.h>

#include <cstdio>

#include "drawing/DrawingTestSupport.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/SurfacePool.h"
#include "engine/resources/ResourceManager.h"

namespace guitest {

std::vector<std::string> Journal::Only(const std::vector<std::string>& prefixes) const {
    std::vector<std::string> out;
    for (const std::string& line : lines)
        for (const std::string& p : prefixes)
            if (line.compare(0, p.size(), p) == 0) {
                out.push_back(line);
                break;
            }
    return out;
}

int Probe::live = 0;

namespace {
std::string Args(int a, int b) { return "(" + std::to_string(a) + "," + std::to_string(b) + ")"; }
std::string Args(int a, int b, int c) {
    return "(" + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + ")";
}
void RunOnce(std::function<void()>& action) {
    if (!action) return;
    std::function<void()> run;
    run.swap(action);
    run();
}
}   // namespace

Probe::Probe(const std::string& t, Journal* j) : tag(t), journal(j) { ++live; }
Probe::~Probe() {
    --live;
    Log("delete");
}

int Probe::OnInitialize(int w, int h, int32_t* kind) {
    Log("OnInitialize");
    return GUI::OnInitialize(w, h, kind);
}
int Probe::OnCreate(int, int) {
    Log("OnCreate");
    return createResult;
}
int Probe::OnUpdate(float delta) {
    Log("OnUpdate");
    GUI::OnUpdate(delta);
    RunOnce(onUpdate);
    return updateResult;
}
int Probe::OnDraw(int x, int y, int w, int h) {
    Log("OnDraw");
    GUI::OnDraw(x, y, w, h);
    return drawResult;
}
void Probe::OnSize(int w, int h) {
    Log("OnSize" + Args(w, h));
    GUI::OnSize(w, h);
}
void Probe::OnShow(int visible) {
    Log("OnShow(" + std::to_string(visible) + ")");
    GUI::OnShow(visible);
}
void Probe::OnMove(int x, int y) {
    Log("OnMove" + Args(x, y));
    RunOnce(onMove);
}
void Probe::OnMoveEnd() {
    Log("OnMoveEnd");
    GUI::OnMoveEnd();
}
void Probe::OnRelease(int flag) { Log("OnRelease(" + std::to_string(flag) + ")"); }
void Probe::OnMouseEnter() {
    Log("OnMouseEnter");
    GUI::OnMouseEnter();
}
void Probe::OnMouseLeave() {
    Log("OnMouseLeave");
    GUI::OnMouseLeave();
}
void Probe::OnMouseMove(int x, int y) { Log("OnMouseMove" + Args(x, y)); }
void Probe::OnLButton(int x, int y, int kind) {
    Log("OnLButton" + Args(x, y, kind));
    GUI::OnLButton(x, y, kind);
    RunOnce(onLButton);
}
void Probe::OnRButton(int x, int y, int kind) {
    Log("OnRButton" + Args(x, y, kind));
    GUI::OnRButton(x, y, kind);
}
void Probe::OnMouseMessage(int x, int y, int code) {
    Log("OnMouseMessage" + Args(x, y, code));
    GUI::OnMouseMessage(x, y, code);
}
void Probe::OnMouseWheel(int x, int y, int up) {
    Log("OnMouseWheel" + Args(x, y, up));
    GUI::OnMouseWheel(x, y, up);
}
void Probe::OnDragEnd() {
    Log("OnDragEnd");
    GUI::OnDragEnd();
}
void Probe::OnFocus(int reason, int gained) { Log("OnFocus" + Args(reason, gained)); }
int Probe::OnNotify(GUI* sender, uint32_t code, WPARAM wParam, LPARAM lParam) {
    const Probe* from = dynamic_cast<const Probe*>(sender);
    char line[128];
    std::snprintf(line, sizeof line, "OnNotify(%s,%u,%d,%d,%d)", from ? from->tag.c_str() : "?",
                  code, int(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    Log(line);
    return int(code);
}

Probe* MakeProbe(const std::string& tag, Journal* journal, int width, int height) {
    Probe* probe = new Probe(tag, journal);
    EXPECT_EQ(1, probe->Create(tag.c_str(), width, height, nullptr, 0));
    return probe;
}

RECT AbsRect(const GUI& e) {
    return {e.GetAbsX(), e.GetAbsY(), e.GetAbsX() + e.GetWidth(), e.GetAbsY() + e.GetHeight()};
}

bool SameRect(const RECT& r, int l, int t, int rr, int b) {
    return r.left == l && r.top == t && r.right == rr && r.bottom == b;
}

// --- the off-screen shell

OffscreenShell::OffscreenShell(int width, int height) {
    drawtest::EnsurePools();
    window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(nullptr, window_);
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

std::vector<CanvasCommandView> OffscreenShell::Commands() {
    std::vector<CanvasCommandView> out;
    CanvasDC& c = canvas();
    for (uint32_t i = 0; i < c.CommandCount(); ++i) {
        CanvasCommandView view;
        if (c.ViewCommand(i, &view)) out.push_back(view);
    }
    return out;
}

// --- resources

SkinResources::SkinResources() {
    drawtest::EnsurePools();
    EXPECT_NE(nullptr, ResourceManager::Instance());
}

SkinResources::~SkinResources() { ResourceManager::Release(); }

uint32_t SkinResources::AddTexture(const char* name, int w, int h, uint32_t colour) {
    const uint32_t id = drawtest::AddTexture(drawtest::FilledBitmap(w, h, colour));
    ResourceRecord* record = NewResourceRecord(kMemoryResourceTag);
    record->SetHandle(id);
    if (!ResourceManager::Instance()->Add(RESOURCE_TEXTURE, name, record, 1)) {
        DeleteResourceRecord(record);
        return 0;
    }
    return id;
}

bool SkinResources::AddAnimation(const char* name, const char* texture,
                                 const std::vector<std::string>& rects, const char* size) {
    std::string script = "<animation";
    if (size) script += std::string(" size=\"") + size + "\"";
    script += ">";
    for (const std::string& r : rects)
        script += std::string("<aniframe alpha=\"255\" texture=\"") + texture + "\" rectangle=\"" +
                  r + "\"/>";
    script += "</animation>";
    // Registered first, then loaded from the script's bytes.
    ResourceManager* manager = ResourceManager::Instance();
    ResourceRecord* record = NewResourceRecord(kMemoryResourceTag);
    if (!manager->Add(RESOURCE_ANIMATION, name, record, 1)) {
        DeleteResourceRecord(record);
        return false;
    }
    return manager->LoadRecord(record, RESOURCE_ANIMATION, name, script.data(),
                               uint32_t(script.size())) != 0;
}

}   // namespace guitest
