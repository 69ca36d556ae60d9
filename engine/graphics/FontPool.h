#pragma once
// Fonts live in the font pool (Nuvex::Pools().xfont) and are named by their
// handle everywhere; 0 means none.
#include <windows.h>
#include <cstdint>
#include <memory>

class XFont;

namespace Nuvex {

// LOGFONTA with the height, normal weight, the default character set and the
// face (cut to 31 bytes, never inside a double-byte character). 0 on failure.
uint32_t CreateXFont(const char* face, int height, uint32_t flags, int spare);
// Realises the description against the desktop and adds the font to the pool.
uint32_t CreateXFontIndirect(const LOGFONTA* description, uint32_t flags, int spare);
// Adds a font made elsewhere (one built with given metrics, say); the pool
// owns it from now on. 0 when the pool is full (the font is then destroyed).
uint32_t AddXFont(std::unique_ptr<XFont> font);
// Removes the font from the pool and destroys it; 1, or 0 for no such font.
int ReleaseXFont(uint32_t handle);
int DestroyFont(uint32_t handle);   // the same operation
// The font behind a handle, null for 0, out of range or a free slot.
XFont* GetXFont(uint32_t handle);
// The extent of the text with the given wrap width, the width in the low
// 32 bits and the height in the high ones; 0 for no such font or no text.
uint64_t MeasureText(uint32_t handle, int wrapWidth, uint32_t flags, const char* text, int count);

}   // namespace Nuvex
