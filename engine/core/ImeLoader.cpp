#include "engine/core/ImeLoader.h"

namespace {

HMODULE g_library = nullptr;
Nuvex::ImeFunctions g_functions = {};
const char* g_libraryName = "IMM32.DLL";

template <typename Fn>
void BindIfMissing(Fn& slot, const char* name) {
    if (!slot)
        slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_library, name)));
}

}   // namespace

namespace Nuvex {

int LoadImeModule() {
    if (!g_library) {
        g_library = LoadLibraryA(g_libraryName);
        if (!g_library) return 0;
    }
    BindIfMissing(g_functions.getContext, "ImmGetContext");
    BindIfMissing(g_functions.releaseContext, "ImmReleaseContext");
    BindIfMissing(g_functions.setCompositionFont, "ImmSetCompositionFontA");
    BindIfMissing(g_functions.setCompositionWindow, "ImmSetCompositionWindow");
    if (g_functions.getContext && g_functions.releaseContext && g_functions.setCompositionFont &&
        g_functions.setCompositionWindow)
        return 1;
    g_functions = {};
    return 0;
}

int FreeImeModule() {
    if (g_library) FreeLibrary(g_library);
    g_library = nullptr;
    g_functions = {};
    return 1;
}

const ImeFunctions& ImeModule() { return g_functions; }

void SetImeLibraryName(const char* name) { g_libraryName = name ? name : "IMM32.DLL"; }

bool IsImeLibraryLoaded() { return g_library != nullptr; }

}   // namespace Nuvex
