#pragma once
// The one message the panel sends its host: WM_PANEL_NOTIFY with the
// panel window and the module's notify record (fetchpane_api.h).
#include <windows.h>

#include "fetchpane_api.h"

// Fills the module's one record and sends it to `host` (nothing without a
// host). The text is copied first, at most 259 bytes cut on a character
// boundary; the host sees it only during the call. Returns the host's
// answer.
LRESULT SendPanelNotify(HWND host, HWND panel, int code, int arg, const char* text);
