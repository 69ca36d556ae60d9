// The current build's log modes: 0 a line, 1 a line also echoed to the
// debugger output, 2 the text formatted and returned only.
#include "engine/core/LogModes.h"

#include <windows.h>

const char* LogModes::Deliver(int mode, const char* text) {
    if (mode == 2) return text;
    DeliverLine(text);
    if (mode == 1) {
        OutputDebugStringA("LOG: ");
        OutputDebugStringA(text);
        OutputDebugStringA("\r\n");
    }
    return text;
}
