// Texture functions of the graphics pools: decode an image by its first bytes
// and keep the Bitmap under an id.
#include "engine/graphics/Texture.h"

#include "engine/core/HandleTable.h"
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/DecoderSupport.h"
#include "engine/graphics/ImageCodecs.h"

#include <memory>

namespace {

using DecoderSupport::LoadLE16;
using DecoderSupport::LoadLE32;

constexpr uint32_t kPngSignature0 = 0x474E5089;   // 0x89 'P' 'N' 'G'
constexpr uint32_t kPngSignature1 = 0x0A1A0A0D;
constexpr uint16_t kJpegStart = 0xD8FF;      // FF D8
constexpr uint16_t kBmpStart = 0x4D42;       // "BM"
constexpr uint32_t kTgaStart = 0x00020000;   // no id, no colour map, type 2

// Picks the decoder by the first bytes; never reads past size.
Bitmap* Decode(const uint8_t* data, uint32_t size) {
    if (size >= 4 && LoadLE32(data) == Bitmap::kMagic) return Nuvex::LoadNvx(data, size);
    if (size >= 8 && LoadLE32(data) == kPngSignature0 && LoadLE32(data + 4) == kPngSignature1)
        return Nuvex::LoadPng(data, size);
    if (size >= 2 && LoadLE16(data) == kJpegStart) return Nuvex::LoadJpeg(data, size);
    if (size >= 2 && LoadLE16(data) == kBmpStart) return Nuvex::LoadBmp(data, size);
    if (size >= 4 && LoadLE32(data) == kTgaStart) return Nuvex::LoadTga(data, size);
    return nullptr;
}

}   // namespace

namespace Nuvex {

uint32_t LoadTextureData(const void* data, uint32_t size) {
    if (!data) return 0;
    std::unique_ptr<Bitmap> bitmap(Decode(static_cast<const uint8_t*>(data), size));
    if (!bitmap) return 0;
    const int32_t id = Pools().texture.Add(bitmap.get());
    if (id <= 0) return 0;
    bitmap.release();
    return uint32_t(id);
}

int DestroyTexture(uint32_t id) {
    Bitmap* bitmap = GetTextureById(id);
    if (!bitmap || !Pools().texture.Remove(id)) return 0;
    bitmap->Destroy();
    delete bitmap;
    return 1;
}

int GetTextureWidth(uint32_t id, int exact) {
    const Bitmap* bitmap = GetTextureById(id);
    if (!bitmap) return 0;
    return exact ? bitmap->Width() : bitmap->Pitch();
}

int GetTextureHeight(uint32_t id) {
    const Bitmap* bitmap = GetTextureById(id);
    return bitmap ? bitmap->Height() : 0;
}

Bitmap* GetTextureById(uint32_t id) { return static_cast<Bitmap*>(Pools().texture.Get(id)); }

}   // namespace Nuvex
