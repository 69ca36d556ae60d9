#pragma once
// The notification codes the panel's own controls send on the engine's
// element channel (GUI::Notify), beside the engine's codes in GuiCodes.h.
#include <cstdint>

#include "panel/PanelVariant.h"

enum PanelElementNotify : uint32_t {
    // A uiButton fired; wParam is the button's enabled flag, lParam 0
    // (0x210 in the older build).
    GUI_NOTIFY_BUTTON_CLICK = PanelVariant::kButtonClickCode,
    // A row of the download list was clicked; wParam 1, lParam the row index.
    GUI_NOTIFY_ROW_CLICK = 0x10243,
};
