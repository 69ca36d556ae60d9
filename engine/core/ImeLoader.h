#pragma once
// The input-method library, loaded by name at start-up and bound all or
// nothing, so a system without it still runs.
#include <windows.h>
#include <imm.h>

namespace Nuvex {

using ImmGetContextFn = HIMC(WINAPI*)(HWND);
using ImmReleaseContextFn = BOOL(WINAPI*)(HWND, HIMC);
using ImmSetCompositionFontAFn = BOOL(WINAPI*)(HIMC, LPLOGFONTA);
using ImmSetCompositionWindowFn = BOOL(WINAPI*)(HIMC, LPCOMPOSITIONFORM);

struct ImeFunctions {
    ImmGetContextFn getContext;
    ImmReleaseContextFn releaseContext;
    ImmSetCompositionFontAFn setCompositionFont;
    ImmSetCompositionWindowFn setCompositionWindow;
};

// 1 when all four functions are bound; otherwise 0 with none bound (the
// library stays loaded).
int LoadImeModule();
int FreeImeModule();   // always 1
const ImeFunctions& ImeModule();

// Test seam: the library LoadImeModule loads (null restores "IMM32.DLL").
void SetImeLibraryName(const char* name);
bool IsImeLibraryLoaded();

}   // namespace Nuvex
