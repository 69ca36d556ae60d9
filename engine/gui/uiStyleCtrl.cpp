#include "engine/gui/uiStyleCtrl.h"

#include <algorithm>

#include "engine/graphics/ISurface.h"
#include "engine/graphics/RectOps.h"
#include "engine/graphics/TextureRegion.h"
#include "engine/resources/AnimationPlayer.h"

namespace {

struct Piece {
    int x, y, w, h;
};

// Frame i of an eight-frame border stands where the nine-slice layout has
// piece kBorderSlot[i]: it is that layout without its centre (so its left
// edge runs down to its bottom-left corner, frame 5).
const int kBorderSlot[8] = {0, 1, 2, 3, 5, 6, 7, 8};

// The nine-slice layout within (left, top)-(right, bottom): p[i] holds the
// natural size of piece i and gets its place; edges and centre stretch.
void LayOutNine(int left, int top, int right, int bottom, Piece* p) {
    const int w = right - left, h = bottom - top;
    const int tlW = p[0].w, tlH = p[0].h, trW = p[2].w, trH = p[2].h;
    const int blW = p[6].w, blH = p[6].h, brW = p[8].w, brH = p[8].h;
    p[0] = {left, top, tlW, tlH};
    p[1] = {left + tlW, top, w - trW - tlW, p[1].h};
    p[2] = {right - trW, top, trW, trH};
    p[3] = {left, top + tlH, p[3].w, h - blH - tlH};
    p[4] = {left + p[3].w, top + p[1].h, w - p[5].w - p[3].w, h - p[7].h - p[1].h};
    p[5] = {right - p[5].w, top + trH, p[5].w, h - brH - trH};
    p[6] = {left, bottom - blH, blW, blH};
    p[7] = {left + blW, bottom - p[7].h, w - brW - blW, p[7].h};
    p[8] = {right - brW, bottom - brH, brW, brH};
}

// The bars and the corners; p[i] holds frame i's natural size.
void LayOutFew(int n, bool vertical, int left, int top, int right, int bottom, Piece* p) {
    const int w = right - left, h = bottom - top;
    p[0].x = left, p[0].y = top;
    if (n == 2) {
        // The second piece is placed by the first one's size.
        p[1].x = vertical ? left : right - p[0].w;
        p[1].y = vertical ? bottom - p[0].h : top;
    } else if (n == 3 && vertical) {
        p[1] = {left, top + p[0].h, p[1].w, h - p[2].h - p[0].h};
        p[2].x = left, p[2].y = bottom - p[2].h;
    } else if (n == 3) {
        p[1] = {left + p[0].w, top, w - p[2].w - p[0].w, p[1].h};
        p[2].x = right - p[2].w, p[2].y = top;
    } else if (n == 4) {
        p[1].x = right - p[1].w, p[1].y = top;
        p[2].x = left, p[2].y = bottom - p[2].h;
        p[3].x = right - p[3].w, p[3].y = bottom - p[3].h;
    }
}

bool IsStyleCount(int n) { return n == 2 || n == 3 || n == 4 || n == 8 || n == 9; }

}   // namespace

const RuntimeClass uiStyleCtrl::kRuntimeClass = {"uiStyleCtrl", sizeof(uiStyleCtrl),
                                                 &GUI::kRuntimeClass};

const RuntimeClass* uiStyleCtrl::GetRuntimeClass() const { return &kRuntimeClass; }

int uiStyleCtrl::OnDraw(int absX, int absY, int width, int height) {
    const int n = GetFrameCount();
    if (!IsStyleCount(n)) return GUI::OnDraw(absX, absY, width, height);
    const RECT area = Nuvex::RectOfSize(absX, absY, width, height);
    if (!TrackDrawRect(&area, nullptr, 0)) return 1;

    // Piece slot[i] is frame i's.
    int slot[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    if (n == 8) std::copy(kBorderSlot, kBorderSlot + 8, slot);
    Piece pieces[9] = {};
    TextureRegion regions[9];
    for (int i = 0; i < n; ++i) {
        const PlayerFrame* frame = GetFrame(i);
        regions[i] = PlayerRegion(*frame);
        pieces[slot[i]] = {0, 0, frame->width, frame->height};
    }
    if (n >= 8) {
        LayOutNine(area.left, area.top, area.right, area.bottom, pieces);
    } else {
        LayOutFew(n, vertical_ != 0, area.left, area.top, area.right, area.bottom, pieces);
    }

    ISurface* surface = GetSurface();
    if (!surface) return 1;
    for (int i = 0; i < n; ++i) {
        // A piece squeezed to nothing is left out: a size of 0 would draw it
        // at its natural size over its neighbours.
        const Piece& p = pieces[slot[i]];
        if (p.w <= 0 || p.h <= 0) continue;
        surface->DrawTexture(nullptr, p.x, p.y, p.w, p.h, 0, 0, &regions[i]);
    }
    return 1;
}
