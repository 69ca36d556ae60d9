#pragma once
// The engine's text label: one text in one font and colour, aligned inside
// the element's rectangle, and by default sized to the text's extent. The
// text is ANSI double-byte text counted in characters. Its state lives in a
// text record hung in the element's property block.
#include <cstdint>

#include "engine/gui/GUI.h"

class uiTextCtrl : public GUI {
public:
    uiTextCtrl();
    ~uiTextCtrl() override;

    const RuntimeClass* GetRuntimeClass() const override;
    // The element's own image, then the text at the alignments.
    int OnDraw(int absX, int absY, int width, int height) override;

    // The first count characters of text (0 = all) become the label's text,
    // laid out again (and sized to it with auto-size on). Returns the
    // characters stored. A null or empty text empties the label and returns
    // 0; so does a text that cannot be stored, which keeps the old one.
    int SetText(const char* text, int count);
    uint32_t SetColor(uint32_t colour);   // the old colour
    // -1 left/top, 0 centre, 1 right/bottom; other values are clamped.
    void SetAlign(int horizontal, int vertical);
    void SetAutoSize(int on);
    // 0 takes the window surface's default font (stays 0 without a window).
    // Returns the old font.
    uint32_t SetFont(uint32_t font);

    const char* GetText() const;
    int GetTextChars() const;
    uint32_t GetColor() const;
    uint32_t GetFont() const;
    int GetAlignH() const;
    int GetAlignV() const;
    int GetAutoSize() const;
    // The extent of the last layout.
    int GetTextWidth() const;
    int GetTextHeight() const;

    static const RuntimeClass kRuntimeClass;

private:
    TextRecord* Record() const { return Props()->text; }
    int Layout(int autoSize, int width);
};

#if defined(__i386__)
static_assert(sizeof(uiTextCtrl) == 8, "a text element keeps its state in the block");
#endif
