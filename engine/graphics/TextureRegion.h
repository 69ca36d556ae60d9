#pragma once
// Names a region of a texture of the texture pool, with an opacity; copied by
// value wherever it is kept.
#include <cstdint>

struct TextureRegion {
    uint32_t texture;   // texture pool id, 0 = none
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    uint8_t opacity;   // 0..255
    uint8_t reserved[3];
};
static_assert(sizeof(TextureRegion) == 24, "TextureRegion is a 24-byte record");
