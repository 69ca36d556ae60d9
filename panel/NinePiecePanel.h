#pragma once
// A bordered panel cut from up to nine regions of one texture: corners keep
// their natural size, edges and centre stretch to the panel's size. Each
// piece is a child element that the mouse passes through.
#include "engine/gui/GUI.h"

// The panel's piece order. Not the style element's frame order: here the
// bottom-right corner is 7 and the bottom edge 8.
enum NinePiece : int {
    kPieceTopLeft = 0,
    kPieceTopEdge = 1,
    kPieceTopRight = 2,
    kPieceLeftEdge = 3,
    kPieceCentre = 4,
    kPieceRightEdge = 5,
    kPieceBottomLeft = 6,
    kPieceBottomRight = 7,
    kPieceBottomEdge = 8,
    kPieceCount = 9,
};

// Where each piece lies in the texture `style`, by piece index; only the
// pieces marked present are made.
struct NinePieceRecord {
    int origin[kPieceCount][2];   // x, y
    int size[kPieceCount][2];     // width, height
    int present[kPieceCount];
    const char* style;

    // Marks a piece present, cut from (x, y, width, height) of the texture.
    void Cut(int piece, int x, int y, int width, int height) {
        origin[piece][0] = x;
        origin[piece][1] = y;
        size[piece][0] = width;
        size[piece][1] = height;
        present[piece] = 1;
    }
};

class NinePiecePanel : public GUI {
public:
    NinePiecePanel() = default;

    void OnSize(int width, int height) override;   // Layout

    // Makes and attaches every present piece at (0, 0). A piece that cannot
    // be made or attached is deleted at once and counts as absent. Returns 0.
    int CreatePieces(const NinePieceRecord& record);
    void Layout(int width, int height);
    GUI* Piece(int index) const {
        return index >= 0 && index < kPieceCount ? pieces_[index] : nullptr;
    }

private:
    GUI* pieces_[kPieceCount] = {};   // children, owned by the tree; null when absent
};
