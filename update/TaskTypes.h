#pragma once
// What an update task, its working core and its host share: the kinds of
// task, the host's server records and the service type of a server URL.
// The kinds and records are the host's, from the public header (include/),
// which stands on nothing of the module.
#include <cstddef>
#include <cstdint>

#include "fetchpane_api.h"

// The host's kinds, under the task's names.
enum TaskKind : int32_t {
    TASK_KIND_LOBBY = PANEL_KIND_LOBBY,   // the lobby itself, installed into the work folder
    TASK_KIND_GAME = PANEL_KIND_GAME,     // one game, installed under "Games"
    // Any other kind fetches, checks and downloads but installs nothing.
};

// One record of the host's server list, as the public header defines it.
// Only the group and the URL are read; the URL is read as the character
// pointer that the host's string object holds, and copied at once.
using ServerRecord = PanelServerRecord;

// The number of whole records the host's vector holds from `first` on.
size_t WholeRecordCount(const PanelServerList* records);

// Whether a record's URL holds a control byte (platform/InternetUrl.h): the
// host's list is then refused as a whole.
bool AnyServerUrlHoldsControlByte(const PanelServerList* records);

// The URL's service type (platform/InternetUrl.h numbering); a URL that
// can't be split counts as FTP (1).
unsigned ServiceTypeOf(const char* url);
