// The older build's own element routines: its last slot, the move to a
// window point its drags use, and the deletion of the children that its
// element destructor makes.
#include "engine/gui/GUI.h"
#include "engine/gui/GuiProps.h"

int GUI::CreateDefault(const char* name, int width, int height, GUI* listener) {
    return Create(name, width, height, listener, 0);
}

// Every value is a coordinate here: kKeepCoordinate keeps nothing. The sums
// wrap as 32-bit values.
int GUI::MoveToWindowPoint(const POINT* point) {
    if (!point) return 0;
    const uint32_t x = uint32_t(point->x) + uint32_t(p_->relX) - uint32_t(p_->absX);
    const uint32_t y = uint32_t(point->y) + uint32_t(p_->relY) - uint32_t(p_->absY);
    return MoveTo(int32_t(x), int32_t(y));
}

int GUI::DragTo(const POINT* point) { return MoveToWindowPoint(point); }

void GUI::DeleteChildren() { DeleteChildList(false); }

void GUI::DestroyChildren() { DeleteChildren(); }
