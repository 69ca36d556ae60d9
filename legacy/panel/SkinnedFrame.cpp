// The older build's skinned parts: plain elements made of nine-piece panels
// cut from the list's texture (panel/skin/regions.txt), the title bar placed
// inside the body's border.
#include "panel/SkinnedFrame.h"

#include <cstddef>

#include "panel/PanelVariant.h"
#include "panel/SkinStyles.h"

namespace {

// The first N pieces, in piece order, cut from the list's texture.
template <size_t N>
NinePieceRecord PiecesOf(const skin::Region (&regions)[N]) {
    NinePieceRecord record = {};
    for (size_t i = 0; i < N; ++i)
        record.Cut(int(i), regions[i].x, regions[i].y, regions[i].width, regions[i].height);
    record.style = skin::kListTexture;
    return record;
}

}   // namespace

int SkinnedFrame::CreateBody(const char* name, int width, int height) {
    return Create(name, width, height, nullptr, 0);
}

// Sized by the body's layout (PlaceTitleBar).
int SkinnedFrame::CreateTitleBar(const char* name) {
    return Create(name, 1, PanelVariant::kOlderTitleHeight, nullptr, 0);
}

void SkinnedFrame::CutPieces(Part part) {
    CreatePieces(part == kBody ? PiecesOf(skin::kOlderFramePieces)
                               : PiecesOf(skin::kOlderTitlePieces));
}

void SkinnedFrame::SizePieces(int width, int height) { NinePiecePanel::OnSize(width, height); }

void SkinnedFrame::PlaceTitleBar(GUI& titleBar, int bodyWidth) {
    titleBar.Resize(bodyWidth - PanelVariant::kOlderTitleNarrowing,
                    PanelVariant::kOlderTitleHeight);
    titleBar.MoveTo(PanelVariant::kOlderTitleInset, PanelVariant::kOlderTitleInset);
}
