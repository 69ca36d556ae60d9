// Demo host: loads the panel module the way the lobby does and drives it.
#include <windows.h>
#include <cstdio>

namespace {

using ModelFn = int (*)();

int Run(const char* modulePath) {
    HMODULE module = LoadLibraryA(modulePath);
    if (!module) {
        std::printf("cannot load %s (error %lu)\n", modulePath, GetLastError());
        return 1;
    }
    auto init = reinterpret_cast<ModelFn>(GetProcAddress(module, "PanelModelInit"));
    auto exit = reinterpret_cast<ModelFn>(GetProcAddress(module, "PanelModelExit"));
    if (!init || !exit) {
        std::printf("%s lacks the panel exports\n", modulePath);
        FreeLibrary(module);
        return 1;
    }
    int started = init();
    std::printf("PanelModelInit -> %d\n", started);
    int stopped = exit();
    std::printf("PanelModelExit -> %d\n", stopped);
    FreeLibrary(module);
    return (started == 1 && stopped == 1) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const char* modulePath = argc > 1 ? argv[1] : "Fetchpane.dll";
    return Run(modulePath);
}
