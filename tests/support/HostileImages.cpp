#include "support/HostileImages.h"

#include <zlib.h>

namespace testsupport {

namespace {

void PutBE16(std::string& out, uint32_t v) {
    out += char(v >> 8);
    out += char(v);
}

void PutBE32(std::string& out, uint32_t v) {
    PutBE16(out, v >> 16);
    PutBE16(out, v);
}

void PutLE16(std::string& out, uint32_t v) {
    out += char(v);
    out += char(v >> 8);
}

void PutLE32(std::string& out, uint32_t v) {
    PutLE16(out, v);
    PutLE16(out, v >> 16);
}

std::string Zlib(const std::string& raw) {
    std::string packed(compressBound(uLong(raw.size())), '\0');
    uLongf size = uLongf(packed.size());
    compress(reinterpret_cast<Bytef*>(&packed[0]), &size,
             reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    packed.resize(size);
    return packed;
}

void AppendChunk(std::string& out, const char* type, const std::string& data) {
    PutBE32(out, uint32_t(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    PutBE32(out,
            uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

// A JPEG marker segment: the marker, its length and its body.
void AppendSegment(std::string& out, uint8_t marker, const std::string& body) {
    out += char(0xFF);
    out += char(marker);
    PutBE16(out, uint32_t(body.size() + 2));
    out += body;
}

// A Huffman table of one code, "0", for symbol 0 (a DC difference of 0, or
// an AC end of block).
std::string OneCodeTable(uint8_t classAndId) {
    std::string table(1, char(classAndId));
    table += char(1);
    table += std::string(15, '\0');
    table += char(0);
    return table;
}

}   // namespace

std::string PngClaiming(uint32_t width, uint32_t height, uint32_t junkBytes) {
    std::string out = "\x89PNG\r\n\x1A\n";
    std::string header;
    PutBE32(header, width);
    PutBE32(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);   // 8-bit RGBA, no interlace
    AppendChunk(out, "IHDR", header);
    AppendChunk(out, "IDAT", Zlib(std::string(4 * (1 + 16), '\0')));
    if (junkBytes) AppendChunk(out, "IDAT", std::string(junkBytes, '\0'));
    AppendChunk(out, "IEND", "");
    return out;
}

std::string JpegClaiming(uint16_t width, uint16_t height, uint32_t dataBytes, bool progressive,
                         uint32_t commentBytes) {
    std::string out = "\xFF\xD8";
    AppendSegment(out, 0xDB, std::string(1, '\0') + std::string(64, '\x01'));
    std::string frame(1, char(8));
    PutBE16(frame, height);
    PutBE16(frame, width);
    frame += std::string("\x01\x01\x11\x00", 4);   // one component, 1 x 1, table 0
    AppendSegment(out, progressive ? 0xC2 : 0xC0, frame);
    AppendSegment(out, 0xC4, OneCodeTable(0x00) + OneCodeTable(0x10));
    for (uint32_t left = commentBytes; left > 0;) {
        const uint32_t part = left < 60000 ? left : 60000;
        AppendSegment(out, 0xFE, std::string(part, 'c'));
        left -= part;
    }
    // Component 1 with tables 0; spectral range 0-63, or DC alone.
    std::string scan("\x01\x01\x00\x00", 4);
    scan += char(progressive ? 0 : 63);
    scan += char(0);
    AppendSegment(out, 0xDA, scan);
    out += std::string(dataBytes, '\0');
    out += "\xFF\xD9";
    return out;
}

std::string NvxClaiming(uint32_t width, uint32_t height, uint8_t compression, uint32_t headerWord) {
    const std::string payload = compression == 0   ? std::string(8, '\x7F')
                                : compression == 1 ? Zlib(std::string(64, '\0'))
                                                   : std::string();
    std::string out;
    PutLE32(out, 0x58564E89);
    PutLE32(out, 0x020004B8);
    PutLE32(out, headerWord);
    PutLE32(out, 0);
    PutLE32(out, 48);
    PutLE32(out, width);
    PutLE32(out, height);
    PutLE32(out, ((width + 3) / 4 * 4 + 4) * 4);
    out += std::string("\x04\x20", 2);
    out += char(compression);
    out += char(0);
    PutLE32(out, uint32_t(payload.size()));
    out += std::string(8, '\0');
    // A payload of none still leaves the file longer than its header.
    return out + (payload.empty() ? std::string(1, '\0') : payload);
}

std::string BmpClaiming(int32_t width, int32_t height) {
    const uint32_t pixels = 64;
    std::string out = "BM";
    PutLE32(out, 54 + pixels);
    PutLE32(out, 0);
    PutLE32(out, 54);
    PutLE32(out, 40);
    PutLE32(out, uint32_t(width));
    PutLE32(out, uint32_t(-height));
    PutLE16(out, 1);
    PutLE16(out, 32);
    PutLE32(out, 0);
    PutLE32(out, pixels);
    out += std::string(16, '\0');
    return out + std::string(pixels, '\x40');
}

std::string TgaClaiming(uint16_t width, uint16_t height, uint8_t type) {
    std::string out(2, '\0');
    out += char(type);
    out += std::string(9, '\0');
    PutLE16(out, width);
    PutLE16(out, height);
    out += char(32);
    out += char(0x28);
    return out + std::string(64, '\x40');
}

void FixPngCrcs(uint8_t* png, size_t size) {
    size_t at = 8;
    while (at + 12 <= size) {
        const uint32_t length = uint32_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 |
                                png[at + 3];
        if (length > size - at - 12) return;
        const uint32_t crc = uint32_t(crc32(0, png + at + 4, uInt(length + 4)));
        const size_t c = at + 8 + length;
        png[c] = uint8_t(crc >> 24), png[c + 1] = uint8_t(crc >> 16),
        png[c + 2] = uint8_t(crc >> 8), png[c + 3] = uint8_t(crc);
        at = c + 4;
    }
}

}   // namespace testsupport
