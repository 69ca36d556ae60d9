#pragma once
// The texture pool: decoded images kept as Bitmaps under ids 1..65535
// (0 = none) in Nuvex::Pools().texture.
#include <cstdint>

class Bitmap;

namespace Nuvex {

// Decodes size bytes of image data owned by the caller (only read) and keeps
// the bitmap under a new id. The format is picked by the first bytes (NVX,
// PNG, JPEG, BMP, TGA). Returns the id, 0 on failure. Reading an image file
// from the disk or a pack belongs to the resources, a floor above.
uint32_t LoadTextureData(const void* data, uint32_t size);
int DestroyTexture(uint32_t id);   // 1, or 0 for no such texture
// Width when exact is non-zero, else the padded pitch; 0 for no such texture.
int GetTextureWidth(uint32_t id, int exact);
int GetTextureHeight(uint32_t id);
// The bitmap behind an id, null for 0, out of range or a free slot (owner
// thread only, like every lookup of the pools).
Bitmap* GetTextureById(uint32_t id);

}   // namespace Nuvex
