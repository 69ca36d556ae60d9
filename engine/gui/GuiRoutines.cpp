// The element routines each build has in its own form (the older build's,
// with its extra slot, are under legacy/): where a drag puts an element, and
// how an element deletes its children.
#include "engine/gui/GUI.h"

int GUI::DragTo(const POINT* point) { return MoveToAbsolute(point->x, point->y); }

void GUI::DestroyChildren() { DeleteChildList(true); }
