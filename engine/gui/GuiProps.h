#pragma once
// The property block behind every element: all state of the GUI base lives
// here, allocated apart from the element so that an element object is its
// table of operations and one pointer. Owned by its element; it owns the
// child lists' order records, the move path and the animation player, not the
// children themselves (the element destroys those), the host, the parent or
// the listener.
#include <windows.h>
#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "engine/resources/AnimationPlayer.h"

class GUI;
class GuiShell;
class GuiWatch;
struct TextRecord;

// State bits.
enum GuiState : uint8_t {
    GUI_VISIBLE = 0x01,         // drawn and hit-tested, with the subtree
    GUI_UPDATING = 0x02,        // gets OnUpdate each frame, with the subtree
    GUI_HIT_TESTABLE = 0x04,    // mouse hit tests may descend into it
    GUI_HIT_TEST_SELF = 0x08,   // answers hit tests itself (HitTestSelf)
    GUI_TIP_TARGET = 0x10,      // hit tests ask HitTip whether it shows a tip
    GUI_STRETCH = 0x20,         // its image is drawn at its size, not the frame's
    GUI_DRAGGABLE = 0x40,       // a left press and mouse moves drag it
};

// Flag bits.
enum GuiFlag : uint8_t {
    GUI_CREATED = 0x01,
    GUI_INITIALISED = 0x02,      // OnInitialize succeeded at the first attach
    GUI_DIRTY = 0x04,            // re-measure and invalidate at the next render
    GUI_SELF_HIT_GUARD = 0x10,   // HitTestSelf is running
    GUI_TIP_GUARD = 0x20,        // HitTip is running
    GUI_MOVE_GUARD = 0x40,       // a move is running: a nested one is refused
    GUI_SIZE_GUARD = 0x80,       // a resize is running: a nested one is refused
};

// The image an element shows.
enum GuiImageKind : int32_t {
    GUI_IMAGE_NONE = 0,
    GUI_IMAGE_PLAIN = 1,   // created without an image
    GUI_IMAGE_TEXTURE = 2,
    GUI_IMAGE_ANIMATION = 3,
};

constexpr int kGuiNameSize = 260;   // 259 bytes and the terminator

struct GuiMoveStep {
    int32_t dx;
    int32_t dy;
};

struct GuiProps {
    uint32_t signature[4] = {0x49554789u, 0x48A23725u, 0x149A3C85u, 0xC16CA0AAu};
    GuiShell* host = nullptr;
    TextRecord* text = nullptr;   // a text element's record; null for every other class
    uint8_t state = GUI_VISIBLE | GUI_UPDATING | GUI_HIT_TESTABLE;
    uint8_t flags = 0;
    char name[kGuiNameSize] = {};
    int32_t relX = 0, relY = 0;   // from the parent's top-left corner
    int32_t absX = 0, absY = 0;   // window client coordinates
    int32_t width = 0, height = 0;
    RECT dirtyRect = {0, 0, 0, 0};   // the window area it occupied when last measured
    HCURSOR cursor = nullptr;
    int32_t imageKind = GUI_IMAGE_NONE;
    char resourceName[kGuiNameSize] = {};
    int32_t userValue = 0;
    int32_t resortCount = 0;       // child list changes since drawOrder was copied
    GuiWatch* watches = nullptr;   // held on the element now
    std::vector<GUI*> children;    // insertion order; the last child is on top
    std::vector<GUI*> drawOrder;   // the order of updating and drawing
    GUI* parent = nullptr;
    GUI* listener = nullptr;                   // receives notifications; null = the parent
    std::list<GuiMoveStep> movePath;           // pending steps of an animated move
    std::unique_ptr<AnimationPlayer> player;   // made at the first image binding
};
