#pragma once
// The panel's values that differ in the older build of the module (the
// engine's, and where else the older build differs, are in
// engine/core/BuildVariant.h): its button code, the folder its skin lies in,
// and its frame's window region and title bar.
#include <cstdint>

#include "engine/core/BuildVariant.h"

namespace PanelVariant {

constexpr bool kOlder = BuildVariant::kOlder;

// What a uiButton notifies when it fires.
constexpr uint32_t kButtonClickCode = kOlder ? 0x210 : 0x220;

// The skin's loose list and pack under the work folder.
constexpr const char* kSkinListPath = kOlder ? "Res\\Fetchpane\\Index.xml"
                                             : "Skins\\Fetchpane\\Index.xml";
constexpr const char* kSkinPackPath = kOlder ? "Res\\Fetchpane.skin" : "Skins\\Fetchpane.skin";

// The corner ellipse of the window region the main frame gives its window.
constexpr int kRegionEllipse = kOlder ? 9 : 3;

// The older build's title bar: at (1, 1), three pixels narrower than the
// frame and 22 high (the current one spans the frame at its style's height;
// each build's SkinnedFrame.cpp places it).
constexpr int kOlderTitleInset = 1;
constexpr int kOlderTitleNarrowing = 3;
constexpr int kOlderTitleHeight = 22;

}   // namespace PanelVariant
