#pragma once
// Textures from image files: the file is read the way every resource is (the
// disk first, then the attached packs), and graphics decodes the bytes.
#include <cstdint>

namespace Nuvex {

// size non-zero: dataOrPath points to size bytes of image data owned by the
// caller (only read). size 0: dataOrPath is a file name read with LoadFile.
// Returns the new texture id, 0 on failure.
uint32_t LoadTexture(const void* dataOrPath, uint32_t size);

}   // namespace Nuvex
