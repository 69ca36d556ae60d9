#include "engine/graphics/FontPool.h"

#include <cstring>
#include <new>

#include "engine/core/HandleTable.h"
#include "engine/core/MbcsText.h"
#include "engine/graphics/XFont.h"

namespace Nuvex {

uint32_t CreateXFont(const char* face, int height, uint32_t flags, int spare) {
    if (!face) return 0;
    LOGFONTA description;
    std::memset(&description, 0, sizeof description);
    description.lfHeight = height;
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    mbcs::CopyFitting(description.lfFaceName, sizeof description.lfFaceName, face);
    return CreateXFontIndirect(&description, flags, spare);
}

uint32_t CreateXFontIndirect(const LOGFONTA* description, uint32_t flags, int /*spare*/) {
    if (!description) return 0;
    std::unique_ptr<XFont> font(new (std::nothrow) XFont);
    if (!font) return 0;
    HWND desktop = GetDesktopWindow();
    HDC reference = GetDC(desktop);
    const int realized = font->Realize(reference, description, flags);
    if (reference) ReleaseDC(desktop, reference);
    if (!realized) return 0;
    return AddXFont(std::move(font));
}

uint32_t AddXFont(std::unique_ptr<XFont> font) {
    if (!font) return 0;
    const int32_t id = Pools().xfont.Add(font.get());
    if (id <= 0) return 0;
    font.release();
    return uint32_t(id);
}

XFont* GetXFont(uint32_t handle) { return static_cast<XFont*>(Pools().xfont.Get(handle)); }

int ReleaseXFont(uint32_t handle) {
    XFont* font = GetXFont(handle);
    if (!font || !Pools().xfont.Remove(handle)) return 0;
    delete font;
    return 1;
}

int DestroyFont(uint32_t handle) { return ReleaseXFont(handle); }

uint64_t MeasureText(uint32_t handle, int wrapWidth, uint32_t flags, const char* text, int count) {
    XFont* font = GetXFont(handle);
    if (!font || !text || !*text) return 0;
    const int previous = font->SetWrapWidth(wrapWidth);
    const SIZE extent = font->GetTextExtent(flags, text, count);
    font->SetWrapWidth(previous);
    return uint64_t(uint32_t(extent.cx)) | (uint64_t(uint32_t(extent.cy)) << 32);
}

}   // namespace Nuvex
