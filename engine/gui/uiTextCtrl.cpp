#include "engine/gui/uiTextCtrl.h"

#include <new>

#include "engine/graphics/FontPool.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/RectOps.h"
#include "engine/gui/TextBuffer.h"

// The label's state. No operation of the engine changes the background,
// the wrap width, the ellipsis or the wrap-to-element flag: they keep these
// values.
struct TextRecord {
    TextBuffer text;
    uint32_t font = 0;
    uint32_t colour = 0xFFFFFFFFu;
    uint32_t background = 0;
    int wrapWidth = 0;
    int alignH = -1;
    int alignV = -1;
    int ellipsis = 0;
    int wrapToElement = 0;
    int autoSize = 1;
    int laidWidth = 0;
    int laidHeight = 0;
};

namespace {

constexpr uint32_t kEllipsisFlag = 16;

int Clamp(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// The offset of an extent inside a length for an alignment (truncated).
int AlignOffset(int align, int length, int extent) {
    if (align == 0) return (length - extent) / 2;
    return align > 0 ? length - extent : 0;
}

}   // namespace

const RuntimeClass uiTextCtrl::kRuntimeClass = {"uiTextCtrl", sizeof(uiTextCtrl),
                                                &GUI::kRuntimeClass};

// Without its record the label stays empty: every operation then does nothing.
uiTextCtrl::uiTextCtrl() { Props()->text = new (std::nothrow) TextRecord; }

uiTextCtrl::~uiTextCtrl() {
    delete Props()->text;
    Props()->text = nullptr;
}

const RuntimeClass* uiTextCtrl::GetRuntimeClass() const { return &kRuntimeClass; }

int uiTextCtrl::Layout(int autoSize, int width) {
    TextRecord& t = *Record();
    t.autoSize = autoSize;
    const int layoutWidth = t.wrapToElement ? width : t.wrapWidth;
    const uint64_t extent = Nuvex::MeasureText(t.font, layoutWidth, t.ellipsis ? kEllipsisFlag : 0,
                                               t.text.Data(), t.text.Chars());
    t.laidWidth = int(uint32_t(extent));
    t.laidHeight = int(uint32_t(extent >> 32));
    return autoSize;
}

int uiTextCtrl::SetText(const char* text, int count) {
    TextRecord* t = Record();
    if (!t) return 0;
    if (!text || !*text) {
        t->text.Clear();
        Invalidate(nullptr, nullptr, 0);
        return 0;
    }
    const int stored = t->text.Assign(text, count);
    if (!stored) return 0;
    SetFont(t->font);
    return stored;
}

uint32_t uiTextCtrl::SetColor(uint32_t colour) {
    TextRecord* t = Record();
    if (!t) return 0;
    Invalidate(nullptr, nullptr, 0);
    const uint32_t old = t->colour;
    t->colour = colour;
    return old;
}

void uiTextCtrl::SetAlign(int horizontal, int vertical) {
    TextRecord* t = Record();
    if (!t) return;
    Invalidate(nullptr, nullptr, 0);
    t->alignH = Clamp(horizontal);
    t->alignV = Clamp(vertical);
}

void uiTextCtrl::SetAutoSize(int on) {
    TextRecord* t = Record();
    if (!t) return;
    Invalidate(nullptr, nullptr, 0);
    if (Layout(on, GetWidth())) Resize(t->laidWidth, t->laidHeight);
}

uint32_t uiTextCtrl::SetFont(uint32_t font) {
    TextRecord* t = Record();
    if (!t) return 0;
    const uint32_t old = t->font;
    if (!font) {
        ISurface* surface = GetSurface();
        font = surface ? surface->GetDefaultFont() : 0;
    }
    t->font = font;
    Invalidate(nullptr, nullptr, 0);
    if (Layout(t->autoSize, GetWidth())) Resize(t->laidWidth, t->laidHeight);
    return old;
}

int uiTextCtrl::OnDraw(int absX, int absY, int width, int height) {
    GUI::OnDraw(absX, absY, width, height);
    ISurface* surface = GetSurface();
    TextRecord* t = Record();
    if (!surface || !t) return 1;
    const RECT area = Nuvex::RectOfSize(absX, absY, width, height);
    if (!TrackDrawRect(&area, nullptr, 0)) return 1;
    if (!t->font) SetFont(0);
    const uint32_t previous = surface->SetFont(t->font);
    const int x = absX + AlignOffset(t->alignH, width, t->laidWidth);
    const int y = absY + AlignOffset(t->alignV, height, t->laidHeight);
    surface->DrawText(nullptr, x, y, t->wrapToElement ? width : t->wrapWidth,
                      t->ellipsis ? kEllipsisFlag : 0, t->colour, t->background, t->text.Data(),
                      t->text.Chars());
    surface->SetFont(previous);
    return 1;
}

const char* uiTextCtrl::GetText() const { return Record() ? Record()->text.Data() : ""; }
int uiTextCtrl::GetTextChars() const { return Record() ? Record()->text.Chars() : 0; }
uint32_t uiTextCtrl::GetColor() const { return Record() ? Record()->colour : 0; }
uint32_t uiTextCtrl::GetFont() const { return Record() ? Record()->font : 0; }
int uiTextCtrl::GetAlignH() const { return Record() ? Record()->alignH : -1; }
int uiTextCtrl::GetAlignV() const { return Record() ? Record()->alignV : -1; }
int uiTextCtrl::GetAutoSize() const { return Record() ? Record()->autoSize : 0; }
int uiTextCtrl::GetTextWidth() const { return Record() ? Record()->laidWidth : 0; }
int uiTextCtrl::GetTextHeight() const { return Record() ? Record()->laidHeight : 0; }
