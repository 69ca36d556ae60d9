#pragma once
// Which form of the module a build makes: the current build, or the older
// build of the same sources (FP_OLDER_BUILD, set by the build for every
// file). The values the two forms differ in are constants here, chosen with
// `if constexpr`, so every build compiles and checks both forms; only
// differences of structure (class layouts, slots, routines one form lacks)
// use the preprocessor. The panel's values are in panel/PanelVariant.h,
// the older build's own routines in legacy/.
#include <cstdint>

#if !defined(FP_OLDER_BUILD)
#error "FP_OLDER_BUILD is set by the build: 0 for the current module, 1 for the older one"
#endif

namespace BuildVariant {

constexpr bool kOlder = FP_OLDER_BUILD != 0;

// The interface version the engine's core start-up requires.
constexpr int kEngineInterfaceVersion = kOlder ? 0x020B045E : 0x20014;

// The version line of the engine log: "Nuvex Version: %d.%d.%d(Build%d)"
// in the current build, "Version: %d.%d.%d" (always written) in the older.
struct EngineVersion {
    int major, minor, patch, build;
};
constexpr EngineVersion kEngineVersion = kOlder ? EngineVersion{2, 11, 1118, 0}
                                                : EngineVersion{2, 20, 0, 20110331};

// The class record name of the element that is a window.
constexpr const char* kShellClassName = kOlder ? "GuiKernel" : "GuiShell";

// The word at offset 8 of an NVX file's header, written and required.
constexpr uint32_t kNvxHeaderWord = kOlder ? 1 : 16;

// A screenshot saves the whole pixel store, which a shrinking resize leaves
// larger than the canvas, in the older build; a copy of the canvas here.
constexpr bool kShotsTheWholePixelStore = kOlder;

}   // namespace BuildVariant
