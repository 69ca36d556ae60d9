#pragma once
// The names the panel's controls look up in its skin, and the regions they
// cut from the list's texture. The skin itself lives in panel/skin (drawn by
// tools/make-skin); panel/skin/regions.txt lists the same regions.
namespace skin {

// Animations.
constexpr const char kBodyStyle[] = "Default.BodyStyle";           // 9 pieces
constexpr const char kTitleBarStyle[] = "Default.TitleBarStyle";   // 3 pieces
constexpr const char kCancelButton[] = "Default.btncancel";        // 4 states each
constexpr const char kCancelAllButton[] = "Default.btnallcancel";
constexpr const char kMinimiseButton[] = "Default.btnmin";
constexpr const char kCloseButton[] = "Default.btnclose";
constexpr const char kBarTrack[] = "Default.ProcessBarBg";
constexpr const char kBarFill[] = "Default.ProcessBar";
constexpr const char kBarFillChecking[] = "Default.ProcessBarGreen";

// The list's texture and what is cut from it.
constexpr const char kListTexture[] = "Default.download";

struct Region {
    int x, y, width, height;
};

constexpr Region kListTopEdge{0, 23, 484, 43};       // header and row 0
constexpr Region kListCentre{0, 68, 484, 22};        // row 1
constexpr Region kListBottomEdge{0, 114, 484, 23};   // row 2 and the border
constexpr Region kRowSelection{0, 138, 484, 22};     // rows 0 and 1
constexpr Region kLastRowSelection{0, 161, 484, 22};

// The older build's title bar and main frame, cut from the rows the list
// leaves free, in the nine-piece panel's piece order (0 top-left, 1 top
// edge, 2 top-right, 3 left edge, 4 centre, 5 right edge, 6 bottom-left,
// 7 bottom-right, 8 bottom edge). The title bar has pieces 0-2 only.
constexpr Region kOlderTitlePieces[3] = {{0, 0, 120, 22}, {120, 0, 1, 22}, {121, 0, 8, 22}};
constexpr Region kOlderFramePieces[9] = {
    {0, 90, 8, 24}, {8, 90, 8, 24}, {16, 90, 8, 24}, {24, 90, 8, 8}, {32, 90, 8, 8},
    {40, 90, 8, 8}, {48, 90, 8, 8}, {56, 90, 8, 8},  {64, 90, 8, 8},
};

}   // namespace skin
