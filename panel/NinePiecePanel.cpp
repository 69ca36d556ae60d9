#include "panel/NinePiecePanel.h"

#include <memory>
#include <new>

namespace {

const char kPieceName[] = "面板底边框";

int WidthOf(const GUI* piece) { return piece ? piece->GetWidth() : 0; }
int HeightOf(const GUI* piece) { return piece ? piece->GetHeight() : 0; }

// The first piece that is present.
const GUI* Either(const GUI* first, const GUI* second) { return first ? first : second; }

void Place(GUI* piece, int x, int y, int width, int height) {
    if (!piece) return;
    piece->SetStretch(1);
    piece->MoveTo(x, y);
    piece->Resize(width, height);
}

}   // namespace

void NinePiecePanel::OnSize(int width, int height) { Layout(width, height); }

int NinePiecePanel::CreatePieces(const NinePieceRecord& record) {
    for (int i = 0; i < kPieceCount; ++i) {
        if (!record.present[i] || pieces_[i]) continue;
        std::unique_ptr<GUI> piece(new (std::nothrow) GUI);
        if (!piece || !piece->CreateWithTexture(kPieceName, record.style, record.origin[i][0],
                                                record.origin[i][1], record.size[i][0],
                                                record.size[i][1], this, 0)) {
            continue;
        }
        piece->SetHitTestable(0);
        if (AddChild(piece.get(), 0, 0)) pieces_[i] = piece.release();
    }
    return 0;
}

void NinePiecePanel::Layout(int w, int h) {
    GUI* const* p = pieces_;
    // Corners at their natural size.
    if (GUI* c = p[kPieceTopLeft]) c->MoveTo(0, 0);
    if (GUI* c = p[kPieceTopRight]) c->MoveTo(w - c->GetWidth(), 0);
    if (GUI* c = p[kPieceBottomLeft]) c->MoveTo(0, h - c->GetHeight());
    if (GUI* c = p[kPieceBottomRight]) c->MoveTo(w - c->GetWidth(), h - c->GetHeight());

    // The insets of the stretched middle: a corner where there is one, else
    // the edge beside it.
    const int left = WidthOf(Either(p[kPieceTopLeft], p[kPieceLeftEdge]));
    const int right = w - WidthOf(Either(p[kPieceTopRight], p[kPieceRightEdge]));
    const int top = HeightOf(Either(p[kPieceTopLeft], p[kPieceTopEdge]));
    const int bottom = h - HeightOf(Either(p[kPieceBottomLeft], p[kPieceBottomEdge]));

    GUI* edge = p[kPieceTopEdge];
    Place(edge, left, 0, right - left, HeightOf(edge));
    edge = p[kPieceBottomEdge];
    Place(edge, left, h - HeightOf(edge), right - left, HeightOf(edge));
    edge = p[kPieceLeftEdge];
    Place(edge, 0, top, WidthOf(edge), bottom - top);
    edge = p[kPieceRightEdge];
    Place(edge, w - WidthOf(edge), top, WidthOf(edge), bottom - top);

    // The centre is drawn first, under the border.
    if (GUI* centre = p[kPieceCentre]) {
        Place(centre, left, top, right - left, bottom - top);
        centre->SendToBack();
    }
}
