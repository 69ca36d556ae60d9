#pragma once
// The engine's skin-style element: the frames of its animation are not
// played but laid out together as the pieces of a resizable frame. The frame
// count picks the layout: 2 or 3 a bar along one axis, 4 the corners, 8 a
// border without centre, 9 a nine-slice frame; any other count draws like a
// plain element. Edges and the centre are tiled to their stretched size.
// The older build has no style element: its uiStyleCtrl.cpp (under legacy/)
// builds nothing, and nothing of that build includes this header.
#include "engine/gui/GUI.h"

class uiStyleCtrl : public GUI {
public:
    uiStyleCtrl() = default;

    const RuntimeClass* GetRuntimeClass() const override;
    int OnDraw(int absX, int absY, int width, int height) override;

    // For 2 and 3 frames: pieces top to bottom instead of left to right.
    void SetVertical(int on) { vertical_ = on ? 1 : 0; }
    int IsVertical() const { return vertical_; }

    static const RuntimeClass kRuntimeClass;

private:
    int vertical_ = 0;
};

#if defined(__i386__)
static_assert(sizeof(uiStyleCtrl) == 12, "a style element adds one field to the element");
#endif
