// A C++ host's view of the panel: the class, and the table beside it.
#include "fetchpane_api.h"

int HostAddGames(IPanelInterface* panel, const PanelServerList* servers) {
    PanelInterfaceCreateFn create = 0;
    (void)create;
    return panel->AddUpdateTaskByServers(servers, 1, "Demo", PANEL_KIND_GAME) +
           PANEL_VTBL(panel)->AddUpdateTask(panel, "http://127.0.0.1/", "Demo", PANEL_KIND_GAME);
}
