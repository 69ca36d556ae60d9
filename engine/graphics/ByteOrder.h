#pragma once
// Little-endian fields of the image file headers, read and written byte by
// byte so neither alignment nor the host's byte order matters.
#include <cstdint>

namespace ByteOrder {

inline uint16_t LoadLE16(const uint8_t* at) { return uint16_t(at[0] | at[1] << 8); }

inline uint32_t LoadLE32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

inline void StoreLE32(uint8_t* at, uint32_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
    at[2] = uint8_t(value >> 16);
    at[3] = uint8_t(value >> 24);
}

}   // namespace ByteOrder
