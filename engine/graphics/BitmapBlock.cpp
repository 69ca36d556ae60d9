// The current build's pixel block: a 32-byte header (magic, version, header
// size, a zero word, width, height, pitch, pitch in bytes) and the pixels
// behind it, allocated and freed as one. (The older build's bitmap holds its
// pixels alone: legacy/engine/graphics/BitmapBlock.cpp.)
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/ByteOrder.h"

#include <cstdlib>

using ByteOrder::StoreLE32;

namespace {

constexpr uint32_t kHeaderBytes = 32;
const char kNoMemory[] = "Can't new Alphas or new Pixels!";

}   // namespace

void Bitmap::Refuse(const char* message, Bitmap* bitmap) {
    throw Nuvex::BitmapException{message, bitmap};
}

void Bitmap::AllocatePixels(size_t pixelBytes, bool zeroed) {
    const size_t blockBytes = pixelBytes + kHeaderBytes;
    uint8_t* block = static_cast<uint8_t*>(zeroed ? std::calloc(1, blockBytes)
                                                  : std::malloc(blockBytes));
    if (!block) Refuse(kNoMemory, this);
    pixels_ = reinterpret_cast<uint32_t*>(block + kHeaderBytes);
    block_ = block;
    StoreLE32(block_ + 0, kMagic);
    StoreLE32(block_ + 4, kVersion);
    StoreLE32(block_ + 8, kHeaderBytes);
    StoreLE32(block_ + 12, 0);
    StoreLE32(block_ + 16, uint32_t(width_));
    StoreLE32(block_ + 20, uint32_t(height_));
    StoreLE32(block_ + 24, uint32_t(pitch_));
    StoreLE32(block_ + 28, uint32_t(pitchBytes_));
}

void Bitmap::Destroy() {
    if (block_ && pixels_) {
        std::free(block_);
        block_ = nullptr;
        pixels_ = nullptr;
    }
}

const uint8_t* Bitmap::Block() const { return block_; }
