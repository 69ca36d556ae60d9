// Draws the module's skin with the engine as the panel lays it out (current
// build above, older build below), with the list's texts in the window's
// font, and saves it as a PNG. Run through tools/skin-preview.
#include <windows.h>

#include "engine/core/WorkPath.h"
#include "engine/graphics/FontPool.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/XFont.h"
#include "engine/resources/AnimationPlayer.h"
#include "engine/resources/ResourceManager.h"
#include "host/SkinInstall.h"
#include "panel/PanelExports.h"
#include "panel/PanelSkin.h"
#include "panel/SkinStyles.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

const int kW = 600, kH = 200, kGap = 10;

// Draws skin pieces and texts through one animation player, as elements do.
class Painter {
public:
    explicit Painter(ISurface& surface) : surface_(surface) {}

    SIZE FrameSize(const char* style, int frame) {
        Bind(style, frame);
        return SIZE{player_.GetWidth(1), player_.GetHeight(1)};
    }
    // Natural size when w and h are 0, else tiled over w x h.
    void Frame(const char* style, int frame, int x, int y, int w = 0, int h = 0) {
        Bind(style, frame);
        player_.Draw(&surface_, x, y, w, h);
    }
    void Region(const skin::Region& r, int x, int y, int w = 0, int h = 0) {
        ResourceManager::Instance()->BindTexture(&player_, skin::kListTexture, r.x, r.y, r.width,
                                                 r.height, 0, 0, 255, 0);
        player_.Draw(&surface_, x, y, w, h);
    }
    // The frame shown only as far as `shown` pixels, as the progress fill does.
    void Clipped(const char* style, int x, int y, int shown) {
        surface_.SetClip(x, y, shown, FrameSize(style, 0).cy);
        Frame(style, 0, x, y);
        surface_.SetClip(0, 0, 0, 0);
    }
    // A label box: left-aligned or centred, vertically centred.
    void Label(const char* text, int x, int y, int w, int h, bool centred) {
        XFont* font = Nuvex::GetXFont(surface_.GetFont());
        const SIZE size = font->GetTextExtent(0, text, 0);
        surface_.DrawText(nullptr, x + (centred ? (w - size.cx) / 2 : 0), y + (h - size.cy) / 2, 0,
                          0, 0xFF000000, 0, text, 0);
    }

private:
    void Bind(const char* style, int frame) {
        ResourceManager::Instance()->BindAnimation(&player_, style, 0, 0);
        player_.SetFrame(frame, 1, 1);
    }
    ISurface& surface_;
    AnimationPlayer player_;
};

// The 9-frame style layout (corners, stretched edges, centre).
void StyleNine(Painter& p, const char* style, int x, int y, int w, int h) {
    int W[9], H[9];
    for (int i = 0; i < 9; ++i) {
        const SIZE s = p.FrameSize(style, i);
        W[i] = s.cx;
        H[i] = s.cy;
    }
    p.Frame(style, 0, x, y);
    p.Frame(style, 1, x + W[0], y, w - W[2] - W[0], H[1]);
    p.Frame(style, 2, x + w - W[2], y);
    p.Frame(style, 3, x, y + H[0], W[3], h - H[6] - H[0]);
    p.Frame(style, 4, x + W[3], y + H[1], w - W[5] - W[3], h - H[7] - H[1]);
    p.Frame(style, 5, x + w - W[5], y + H[2], W[5], h - H[8] - H[2]);
    p.Frame(style, 6, x, y + h - H[6]);
    p.Frame(style, 7, x + W[6], y + h - H[7], w - W[8] - W[6], H[7]);
    p.Frame(style, 8, x + w - W[8], y + h - H[8]);
}

// The nine-piece panel layout over present pieces (null = absent).
void NinePiece(Painter& p, const skin::Region* const piece[9], int x, int y, int w, int h) {
    auto W = [&](int i) { return piece[i] ? piece[i]->width : 0; };
    auto H = [&](int i) { return piece[i] ? piece[i]->height : 0; };
    const int left = piece[0] ? W(0) : W(3), right = w - (piece[2] ? W(2) : W(5));
    const int top = piece[0] ? H(0) : H(1), bottom = h - (piece[6] ? H(6) : H(8));
    const struct {
        int i, px, py, pw, ph;
    } places[] = {
        {4, left, top, right - left, bottom - top},   // the centre goes to the back
        {0, 0, 0, 0, 0},
        {1, left, 0, right - left, H(1)},
        {2, w - W(2), 0, 0, 0},
        {3, 0, top, W(3), bottom - top},
        {5, w - W(5), top, W(5), bottom - top},
        {6, 0, h - H(6), 0, 0},
        {7, w - W(7), h - H(7), 0, 0},
        {8, left, h - H(8), right - left, H(8)},
    };
    for (const auto& at : places)
        if (piece[at.i]) p.Region(*piece[at.i], x + at.px, y + at.py, at.pw, at.ph);
}

struct Row {
    const char* status;
    const char* size;
    float fraction;   // 0: no bar
    bool checking;
    const char* speed;
};

// The list at (6, 28) of a frame at (x, y): border pieces, header, rows.
void List(Painter& p, int x, int y, const Row* rows, int count, int selected) {
    x += 6;
    y += 28;
    const skin::Region* pieces[9] = {
        nullptr, &skin::kListTopEdge,   nullptr, nullptr, &skin::kListCentre, nullptr, nullptr,
        nullptr, &skin::kListBottomEdge};
    NinePiece(p, pieces, x, y, 484, 88);
    p.Label("名称", x + 5, y + 5, 105, 18, true);
    p.Label("大小(KB)", x + 114, y + 5, 57, 18, true);
    p.Label("进度", x + 182, y + 5, 200, 18, true);
    p.Label("速度(KB/S)", x + 405, y + 5, 70, 18, true);
    for (int i = 0; i < count; ++i) {
        const int ry = y + 21 + 22 * i;
        if (i == selected) p.Region(i == 2 ? skin::kLastRowSelection : skin::kRowSelection, x, ry);
        p.Label(rows[i].status, x + 5, ry + 3, 105, 18, false);
        p.Label(rows[i].size, x + 114, ry + 3, 57, 18, true);
        p.Label(rows[i].speed, x + 405, ry + 3, 70, 18, true);
        if (rows[i].fraction > 0) {
            p.Frame(skin::kBarTrack, 0, x + 182, ry + 5);
            const int width = p.FrameSize(skin::kBarTrack, 0).cx;
            p.Clipped(rows[i].checking ? skin::kBarFillChecking : skin::kBarFill, x + 182, ry + 5,
                      std::max(1, int(rows[i].fraction * float(width))));
        }
    }
}

// Title bar buttons flush right with a 5-pixel margin; cancel buttons at
// (w - 198, h - 35) and (w - 98, h - 35).
void Buttons(Painter& p, int titleX, int titleY, int titleW, int y, int captionState,
             int buttonState) {
    const int closeW = p.FrameSize(skin::kCloseButton, 0).cx,
              minW = p.FrameSize(skin::kMinimiseButton, 0).cx;
    p.Frame(skin::kCloseButton, 0, titleX + titleW - closeW - 5, titleY);
    p.Frame(skin::kMinimiseButton, captionState, titleX + titleW - closeW - minW - 5, titleY);
    p.Frame(skin::kCancelButton, buttonState, kW - 198, y + kH - 35);
    p.Frame(skin::kCancelAllButton, buttonState, kW - 98, y + kH - 35);
}

void CurrentPanel(Painter& p) {
    StyleNine(p, skin::kBodyStyle, 0, 0, kW, kH);
    const SIZE left = p.FrameSize(skin::kTitleBarStyle, 0),
               right = p.FrameSize(skin::kTitleBarStyle, 2);
    p.Frame(skin::kTitleBarStyle, 0, 0, 0);
    p.Frame(skin::kTitleBarStyle, 1, left.cx, 0, kW - left.cx - right.cx, left.cy);
    p.Frame(skin::kTitleBarStyle, 2, kW - right.cx, 0);
    const Row rows[] = {{"正在下载星落", "3.42 MB", 0.62f, false, "356 KB/S"},
                        {"分析更新列表中", "", 0.35f, true, "0 KB/S"},
                        {"正在连接服务器", "", 0.01f, false, "0 KB/S"}};
    List(p, 0, 0, rows, 3, 0);
    Buttons(p, 0, 0, kW, 0, 1, 0);
}

// The older build: frame and title bar cut from the list's texture, the
// title bar at (1, 1) sized (w - 3) x 22; here idle, its buttons disabled.
void OlderPanel(Painter& p, int y) {
    const skin::Region* frame[9];
    for (int i = 0; i < 9; ++i) frame[i] = &skin::kOlderFramePieces[i];
    NinePiece(p, frame, 0, y, kW, kH);
    const skin::Region* title[9] = {&skin::kOlderTitlePieces[0], &skin::kOlderTitlePieces[1],
                                    &skin::kOlderTitlePieces[2]};
    NinePiece(p, title, 1, y + 1, kW - 3, 22);
    List(p, 0, y, nullptr, 0, -1);
    Buttons(p, 1, y + 1, kW - 3, y, 0, 3);
}

// The skin installed into <build>\preview_root, its pack made anew.
bool LoadSkin() {
    const std::string root = skininstall::DefaultSource() + "\\..\\preview_root";
    CreateDirectoryA(root.c_str(), nullptr);
    if (!skininstall::Install(root) || !Nuvex::SetWorkPath(root.c_str())) return false;
    DeleteFileA((root + "\\" + PanelSkin::kPackPath).c_str());
    return PanelSkin::Load() == 1;
}

int Draw(const char* path) {
    const int h = 2 * kH + kGap;
    HWND window = CreateWindowExA(0, "STATIC", "skin", WS_POPUP, 0, 0, kW, h, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ISurface surface;
    if (!window || !surface.Startup(window, kW, h)) {
        std::printf("no window or surface (is DISPLAY set?)\n");
        return 1;
    }
    surface.InvalidateAll();
    surface.BeginScene(0);
    surface.SetClearColor(0xFF7F8790);
    Painter painter(surface);
    CurrentPanel(painter);
    OlderPanel(painter, kH + kGap);
    surface.EndScene();
    const int saved = surface.SaveScreenshot(path, SHOT_PNG);
    surface.Shutdown();
    DestroyWindow(window);
    std::printf(saved ? "wrote %s\n" : "could not write %s\n", path);
    return saved ? 0 : 1;
}

}   // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: fp_skin_preview OUT.png\n");
        return 2;
    }
    if (GetACP() != 936) std::printf("code page %u, not 936: the texts come out wrong\n", GetACP());
    const bool loaded = PanelModelInit() == 1 && LoadSkin();
    const int result = loaded ? Draw(argv[1]) : 1;
    if (!loaded) std::printf("the skin did not load\n");
    PanelModelExit();
    return result;
}
