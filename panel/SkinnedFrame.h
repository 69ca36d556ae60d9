#pragma once
// The base of the panel's main frame and title bar. In the current build it
// is the engine's style element, drawn from a skin style given at creation;
// the older build has no style element and cuts both from the list's texture
// as nine-piece panels (panel/skin/regions.txt).
#if FP_OLDER_BUILD
#include <cstddef>

#include "panel/NinePiecePanel.h"
#include "panel/SkinStyles.h"

using SkinnedFrame = NinePiecePanel;

// The first N pieces, in piece order, cut from the list's texture.
template <size_t N>
NinePieceRecord OlderFramePieces(const skin::Region (&regions)[N]) {
    NinePieceRecord record = {};
    for (size_t i = 0; i < N; ++i)
        record.Cut(int(i), regions[i].x, regions[i].y, regions[i].width, regions[i].height);
    record.style = skin::kListTexture;
    return record;
}
#else
#include "engine/gui/uiStyleCtrl.h"

using SkinnedFrame = uiStyleCtrl;
#endif
