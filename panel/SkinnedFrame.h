#pragma once
// The base of the panel's main frame and title bar, and how each takes its
// skin (each build's SkinnedFrame.cpp). In the current build it is the
// engine's style element, drawn from a skin style given at creation; the
// older build has no style element and cuts both from the list's texture as
// nine-piece panels (panel/skin/regions.txt).
#include "engine/core/BuildVariant.h"

#if FP_OLDER_BUILD   // no style element in the older build: a nine-piece base
#include "panel/NinePiecePanel.h"
using SkinnedFrameBase = NinePiecePanel;
#else
#include "engine/gui/uiStyleCtrl.h"
using SkinnedFrameBase = uiStyleCtrl;
#endif

class SkinnedFrame : public SkinnedFrameBase {
public:
    enum Part { kBody, kTitleBar };

    // The main frame's body, at (width, height).
    int CreateBody(const char* name, int width, int height);
    // The title bar, as high as its skin makes it.
    int CreateTitleBar(const char* name);

protected:
    // At the start of OnCreate, before any other child: the part's pieces.
    void CutPieces(Part part);
    // In OnSize: the pieces laid out at the new size.
    void SizePieces(int width, int height);
    // The title bar along the top of a body this wide.
    static void PlaceTitleBar(GUI& titleBar, int bodyWidth);
};
