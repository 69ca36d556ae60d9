// The older build hands the mode to the log as a kind: 0 a line, 1 a line
// and a warning box, 2 the box alone, 3 nothing, 4 and above an error box
// alone. Without a log it does nothing and returns an empty text (the line
// hook, a test seam, still sees the lines).
#include "engine/core/LogModes.h"

#include <windows.h>

#include "engine/core/Log.h"

const char* LogModes::Deliver(int kind, const char* text) {
    const bool open = Nuvex::IsLogOpen();
    if (kind < 2) DeliverLine(text);
    if (!open) return "";
    OutputDebugStringA("LOG: ");
    OutputDebugStringA(text);
    if (kind == 1 || kind == 2) Nuvex::ShowMessageBox(nullptr, text, "Warning", MB_ICONWARNING);
    if (kind >= 4) Nuvex::ShowMessageBox(nullptr, text, "Error", MB_ICONERROR);
    return text;
}
