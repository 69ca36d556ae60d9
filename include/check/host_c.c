/* A C host's view of the panel: the slots through the table. */
#include "fetchpane_api.h"

int host_c_add_game(IPanelInterface* panel, const char* url, const char* name) {
    return panel->lpVtbl->AddUpdateTask(panel, url, name, PANEL_KIND_GAME) &&
           PANEL_VTBL(panel)->Show(panel, 1);
}

int host_c_failed_state(const PanelNotifyRecord* record) {
    return record->code == PANEL_NOTIFY_FAILED ? PANEL_FAILED_STATE(record->arg) : 0;
}
