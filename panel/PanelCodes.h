#pragma once
// The notification codes the panel's own controls send on the engine's
// element channel (GUI::Notify), beside the engine's codes in GuiCodes.h.
#include <cstdint>

enum PanelElementNotify : uint32_t {
    // A uiButton fired; wParam is the button's enabled flag, lParam 0.
    GUI_NOTIFY_BUTTON_CLICK = 0x220,
    // A row of the download list was clicked; wParam 1, lParam the row index.
    GUI_NOTIFY_ROW_CLICK = 0x10243,
};
