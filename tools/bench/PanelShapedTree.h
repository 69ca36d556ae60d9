#pragma once
// An element tree shaped like the download panel, for the element and frame
// benchmarks: a nine-slice frame with a title bar and its two buttons, a list
// with a header of four labels and three rows (three labels, a progress bar
// with its fill and a selection layer each), and two buttons under the list.
// Its skin is registered from memory once per process.
#include <cstdint>

class GUI;
class uiTextCtrl;

namespace bench {

struct PanelShapedTree {
    // Builds the tree under root (a window's shell); false when the skin or
    // an element could not be made.
    bool Build(GUI& root);
    // The label a changing frame rewrites (a row's speed).
    uiTextCtrl* changing = nullptr;
    int elements = 0;
};

}   // namespace bench
