#pragma once
// The panel module as a host holds it: loaded by name or path, its three
// exports bound by their plain names, unloaded when the holder goes. It
// knows the module only through the public header.
#include "fetchpane_api.h"

#include <string>

namespace panelhost {

class PanelModule {
public:
    PanelModule() = default;
    ~PanelModule() { Unload(); }
    PanelModule(const PanelModule&) = delete;
    PanelModule& operator=(const PanelModule&) = delete;

    // Loads the module and binds all three exports; false, with the reason
    // in Error(), when the module or an export is missing (nothing stays
    // loaded then).
    bool Load(const char* path);
    // FreeLibrary; the exports are forgotten. Harmless when not loaded.
    void Unload();

    bool Loaded() const { return module_ != nullptr; }
    HMODULE Handle() const { return module_; }
    const std::string& Error() const { return error_; }

    // The exports; a module that is not loaded answers 0 or null.
    int Init() const { return init_ ? init_() : 0; }
    int Exit() const { return exit_ ? exit_() : 0; }
    IPanelInterface* CreateInterface() const { return create_ ? create_() : nullptr; }

private:
    HMODULE module_ = nullptr;
    PanelModelInitFn init_ = nullptr;
    PanelModelExitFn exit_ = nullptr;
    PanelInterfaceCreateFn create_ = nullptr;
    std::string error_;
};

}   // namespace panelhost
