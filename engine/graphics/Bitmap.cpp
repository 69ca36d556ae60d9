#include "engine/graphics/Bitmap.h"
#include "engine/graphics/ByteOrder.h"

#include <cstdlib>
#include <cstring>
#include <limits>

using ByteOrder::StoreLE32;

namespace {

const char kInvalidSize[] = "Invalid bitmap size.";
const char kNoMemory[] = "Can't new Alphas or new Pixels!";

// Construction failures: the exception with its text, or in the older build
// a bare 0.
[[noreturn]] void Refuse(const char* message, Bitmap* bitmap) {
    if constexpr (BuildVariant::kOlder) throw 0;
    throw Nuvex::BitmapException{message, bitmap};
}

}   // namespace

#if defined(__i386__)
// Six fields (block, pixels and the four sizes; in the older build a flag
// byte, the sizes and the pixels): glyphs append their metrics right after.
static_assert(sizeof(Bitmap) == 24, "Bitmap holds its six fields and nothing else");
#endif

Bitmap::Bitmap(int32_t width, int32_t height, uint32_t fill)
    : width_(width), height_(height), pitch_(0), pitchBytes_(0) {
    // Sizes come from file headers: compute in 64 bits and keep every block
    // below 2 GiB, which a 32-bit process could not hold anyway.
    if (width <= 0 || height <= 0) Refuse(kInvalidSize, this);
    // Pixels per stored row: the width rounded up to four, and four more.
    const int64_t pitch = (int64_t(width) + 3) / 4 * 4 + 4;
    // Compared by division: row bytes (up to 2^33) times a height near 2^31
    // would pass 2^63 and wrap, and a 32-bit size_t would cut the wrapped
    // value down to a tiny block.
    const int64_t maxBytes = std::numeric_limits<int32_t>::max();
    const int64_t rowBytes = pitch * 4;
    if (rowBytes > maxBytes || height > maxBytes / rowBytes) Refuse(kInvalidSize, this);
    const int64_t pixelBytes = rowBytes * height;
    pitch_ = int32_t(pitch);
    pitchBytes_ = int32_t(pitch * 4);

    const size_t blockBytes = size_t(pixelBytes) + kBlockHeaderBytes;
    // A zero fill takes zeroed pages straight from the allocator.
    uint8_t* block = static_cast<uint8_t*>(fill == 0 ? std::calloc(1, blockBytes)
                                                     : std::malloc(blockBytes));
    if (!block) Refuse(kNoMemory, this);
    pixels_ = reinterpret_cast<uint32_t*>(block + kBlockHeaderBytes);
#if FP_OLDER_BUILD
    allocated_ = 1;
#else
    block_ = block;
    StoreLE32(block_ + 0, kMagic);
    StoreLE32(block_ + 4, kVersion);
    StoreLE32(block_ + 8, kBlockHeaderBytes);
    StoreLE32(block_ + 12, 0);
    StoreLE32(block_ + 16, uint32_t(width_));
    StoreLE32(block_ + 20, uint32_t(height_));
    StoreLE32(block_ + 24, uint32_t(pitch_));
    StoreLE32(block_ + 28, uint32_t(pitchBytes_));
#endif
    if (fill != 0) Fill(fill);
}

Bitmap::~Bitmap() { Destroy(); }

void Bitmap::Destroy() {
#if FP_OLDER_BUILD
    if (pixels_) {
        std::free(pixels_);
        pixels_ = nullptr;
        allocated_ = 0;
    }
#else
    if (block_ && pixels_) {
        std::free(block_);
        block_ = nullptr;
        pixels_ = nullptr;
    }
#endif
}

bool Bitmap::ClipRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const {
    return ClipToSize(width_, height_, x, y, w, h);
}

uint32_t Bitmap::Fill(uint32_t colour) {
    if (!pixels_) return colour;
    uint32_t* p = pixels_;
    uint32_t* const end = pixels_ + size_t(pitch_) * size_t(height_);
    while (p != end) *p++ = colour;
    return colour;
}
