#include "panel/PanelNotify.h"

#include <cstring>

#include "engine/core/MbcsText.h"

namespace {

// Shared by every panel of the process: a send made from inside a host's
// handler rewrites what that handler's record shows.
PanelNotifyRecord g_record;

constexpr size_t kTextSize = 260;

}   // namespace

LRESULT SendPanelNotify(HWND host, HWND panel, int code, int arg, const char* text) {
    if (!host) return 0;
    char copy[kTextSize] = {};
    if (text) Nuvex::mbcs::CopyFitting(copy, kTextSize, text);
    g_record.code = code;
    g_record.arg = arg;
    g_record.text = text ? copy : nullptr;
    return SendMessageA(host, WM_PANEL_NOTIFY, WPARAM(panel), LPARAM(&g_record));
}
