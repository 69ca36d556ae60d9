// The current build's skinned parts: style elements that draw the pieces of
// their skin style themselves. (The older build's are nine-piece panels:
// legacy/panel/SkinnedFrame.cpp.)
#include "panel/SkinnedFrame.h"

#include "panel/SkinStyles.h"

int SkinnedFrame::CreateBody(const char* name, int width, int height) {
    return CreateWithAnimation(name, skin::kBodyStyle, width, height, nullptr, 0);
}

// At its style's size.
int SkinnedFrame::CreateTitleBar(const char* name) {
    return CreateWithAnimation(name, skin::kTitleBarStyle, 0, 0, nullptr, 0);
}

void SkinnedFrame::CutPieces(Part) {}

void SkinnedFrame::SizePieces(int, int) {}

// Across the body, at its style's height.
void SkinnedFrame::PlaceTitleBar(GUI& titleBar, int bodyWidth) {
    titleBar.Resize(bodyWidth, 0);
    titleBar.MoveTo(0, 0);
}
