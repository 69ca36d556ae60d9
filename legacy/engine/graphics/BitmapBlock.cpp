// The older build's pixels: allocated alone, with no block header, a flag
// byte kept while they are held, and every refusal a bare int 0.
#include "engine/graphics/Bitmap.h"

#include <cstdlib>

void Bitmap::Refuse(const char*, Bitmap*) { throw 0; }

void Bitmap::AllocatePixels(size_t pixelBytes, bool zeroed) {
    pixels_ = static_cast<uint32_t*>(zeroed ? std::calloc(1, pixelBytes) : std::malloc(pixelBytes));
    if (!pixels_) Refuse(nullptr, this);
    allocated_ = 1;
}

void Bitmap::Destroy() {
    if (pixels_) {
        std::free(pixels_);
        pixels_ = nullptr;
        allocated_ = 0;
    }
}
