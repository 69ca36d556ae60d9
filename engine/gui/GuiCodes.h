#pragma once
// The numbers elements and windows exchange: notification codes, button event
// kinds, the mouse codes that bubble to the parents, the keep-coordinate
// value of moves and the engine's two private window messages.
#include <windows.h>
#include <cstdint>

// Codes an element sends through GUI::Notify (to its listener, else its
// parent). The panel's controls add their own codes on the same channel.
enum GuiNotify : uint32_t {
    GUI_NOTIFY_MOUSE_ENTER = 0x21,
    GUI_NOTIFY_MOUSE_LEAVE = 0x23,
    GUI_NOTIFY_LBUTTON = 0x24,   // wParam kind, lParam GuiPackPoint(x, y)
    GUI_NOTIFY_RBUTTON = 0x25,
    GUI_NOTIFY_MBUTTON = 0x26,
    GUI_NOTIFY_ANIMATION_END = 0x50,
    GUI_NOTIFY_MOVE_END = 0x60,
};

// What happened to a mouse button, as OnLButton/OnRButton/OnMButton see it.
enum GuiButtonKind : int {
    GUI_BUTTON_UP = 0,
    GUI_BUTTON_DOWN = 1,
    GUI_BUTTON_CLICK = 2,   // released on the element that took the press
    GUI_BUTTON_DOUBLE_CLICK = 3,
    GUI_BUTTON_CAPTURE_LOST = 4,   // the press ended elsewhere (x and y are 0)
};

// Codes given to OnMouseMessage, which bubbles them up through the parents.
enum GuiMouseCode : int {
    GUI_MOUSE_LEFT_DOWN = 289,
    GUI_MOUSE_LEFT_UP = 290,
    GUI_MOUSE_LEFT_CLICK = 291,
    GUI_MOUSE_LEFT_DOUBLE = 292,
    GUI_MOUSE_RIGHT_DOWN = 293,
    GUI_MOUSE_MIDDLE_DOWN = 297,
    GUI_MOUSE_MOVE = 301,
};

// A coordinate of this value given to a move keeps that coordinate.
constexpr int32_t kKeepCoordinate = INT32_MIN;

// Posted by a window's frame thread: update, draw and signal the frame done.
constexpr UINT WM_GUI_FRAME = WM_USER + 100;
// Posted by the start of a window: start its frame thread.
constexpr UINT WM_GUI_START = WM_USER + 101;

// The lParam of a button notification: y in the high and x in the low 16
// bits, built in 32 bits and sign-extended, so negative local coordinates
// come back through GET_X_LPARAM and GET_Y_LPARAM on every build.
inline LPARAM GuiPackPoint(int x, int y) {
    return LPARAM(int32_t((uint32_t(y) << 16) | (uint32_t(x) & 0xFFFFu)));
}
