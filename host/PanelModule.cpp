#include "host/PanelModule.h"

namespace panelhost {

namespace {

// GetProcAddress's result as the export's own type.
template <typename Fn>
Fn Bind(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}   // namespace

bool PanelModule::Load(const char* path) {
    Unload();
    error_.clear();
    module_ = LoadLibraryA(path);
    if (!module_) {
        error_ = "cannot load " + std::string(path) + " (error " + std::to_string(GetLastError()) +
                 ")";
        return false;
    }
    init_ = Bind<PanelModelInitFn>(module_, "PanelModelInit");
    exit_ = Bind<PanelModelExitFn>(module_, "PanelModelExit");
    create_ = Bind<PanelInterfaceCreateFn>(module_, "PanelInterfaceCreate");
    if (init_ && exit_ && create_) return true;
    error_ = std::string(path) + " lacks the export " +
             (!init_   ? "PanelModelInit"
              : !exit_ ? "PanelModelExit"
                       : "PanelInterfaceCreate");
    Unload();
    return false;
}

void PanelModule::Unload() {
    init_ = nullptr;
    exit_ = nullptr;
    create_ = nullptr;
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
}

}   // namespace panelhost
