// The engine's own image file: a 48-byte header and the whole pixel block of
// a Bitmap (spare pixels included), raw or as one zlib stream.
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/ByteOrder.h"
#include "engine/graphics/DecoderSupport.h"
#include "engine/core/BuildVariant.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <memory>

using ByteOrder::LoadLE32;
using ByteOrder::StoreLE32;

namespace {

constexpr uint32_t kFileHeaderBytes = 48;
// The word at offset 8; the older build's differs, so neither build reads
// the other's files.
constexpr uint32_t kHeaderWord = BuildVariant::kNvxHeaderWord;
constexpr uint8_t kRaw = 0;
constexpr uint8_t kZlib = 1;
constexpr uint8_t kNoPixels = 2;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

bool WriteAll(HANDLE file, const void* data, uint32_t bytes) {
    DWORD written = 0;
    return WriteFile(file, data, bytes, &written, nullptr) && written == bytes;
}

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return h_; }

private:
    HANDLE h_;
};

}   // namespace

bool Bitmap::WriteNvx(HANDLE file, uint8_t compression) const {
    const uint8_t* payload = reinterpret_cast<const uint8_t*>(pixels_);
    uint32_t payloadBytes = pixels_ ? PixelBytes() : 0;

    std::unique_ptr<uint8_t, FreeDeleter> packed;
    if (compression == kZlib && pixels_) {
        uLongf packedBytes = compressBound(payloadBytes);
        packed.reset(static_cast<uint8_t*>(std::malloc(packedBytes)));
        if (!packed) return false;
        if (compress(packed.get(), &packedBytes, payload, payloadBytes) != Z_OK) return false;
        payload = packed.get();
        payloadBytes = uint32_t(packedBytes);
    }

    uint8_t header[kFileHeaderBytes] = {};
    StoreLE32(header + 0, kMagic);
    StoreLE32(header + 4, kVersion);
    StoreLE32(header + 8, kHeaderWord);
    StoreLE32(header + 16, kFileHeaderBytes);
    StoreLE32(header + 20, uint32_t(width_));
    StoreLE32(header + 24, uint32_t(height_));
    StoreLE32(header + 28, uint32_t(pitchBytes_));
    header[32] = 4;
    header[33] = 32;
    header[34] = compression;
    StoreLE32(header + 36, payloadBytes);
    if (!WriteAll(file, header, kFileHeaderBytes)) return false;
    FlushFileBuffers(file);

    if (pixels_) {
        if (!WriteAll(file, payload, payloadBytes)) return false;
        FlushFileBuffers(file);
    }
    return true;
}

bool Bitmap::SaveNvx(const char* path, uint8_t compression) const {
    if (!path) return false;
    FileHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) return false;
    return WriteNvx(file.Get(), compression);
}

namespace Nuvex {

Bitmap* LoadNvx(const void* data, uint32_t size) {
    if (!data || size <= kFileHeaderBytes) return nullptr;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (LoadLE32(bytes + 0) != Bitmap::kMagic || LoadLE32(bytes + 4) != Bitmap::kVersion ||
        LoadLE32(bytes + 8) != kHeaderWord || LoadLE32(bytes + 16) != kFileHeaderBytes)
        return nullptr;
    const uint32_t width = LoadLE32(bytes + 20);
    const uint32_t height = LoadLE32(bytes + 24);
    const uint32_t rowBytes = LoadLE32(bytes + 28);
    const uint8_t compression = bytes[34];
    const uint32_t dataBytes = LoadLE32(bytes + 36);
    if (width == 0 || height == 0 || rowBytes < width || dataBytes > size - kFileHeaderBytes)
        return nullptr;
    // Sizes of 2^31 and above would turn negative: the constructor refuses
    // them together with every block it cannot hold.
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return nullptr;
    // The block is made only once the payload can fill it: raw byte for
    // byte, zlib up to deflate's limit, no pixel data not at all (only a
    // small image may be left blank or short).
    const uint64_t claimed = ((uint64_t(width) + 3) / 4 * 4 + 4) * 4 * height;
    const uint64_t perDataByte = compression == kZlib       ? DecoderSupport::kMostInflatedPerByte
                                 : compression == kNoPixels ? 0
                                                            : 1;
    if (!DecoderSupport::DataCanFill(width, height, claimed, dataBytes, perDataByte))
        return nullptr;

    Bitmap* bitmap = nullptr;
    try {
        bitmap = new Bitmap(int32_t(width), int32_t(height), 0);
    } catch (...) {
        return nullptr;
    }
    std::unique_ptr<Bitmap> holder(bitmap);
    const uint8_t* payload = bytes + kFileHeaderBytes;
    uint8_t* block = reinterpret_cast<uint8_t*>(bitmap->GetPixels());
    const uint32_t blockBytes = bitmap->PixelBytes();
    if (compression == kZlib) {
        // A stream that ends early leaves a small block partly blank, as a
        // short raw payload does, but no large one.
        uLongf produced = blockBytes;
        if (uncompress(block, &produced, payload, dataBytes) != Z_OK ||
            !DecoderSupport::DataCanFill(width, height, blockBytes, produced, 1))
            return nullptr;
    } else if (compression != kNoPixels) {
        // A longer payload than the block is cut at the block's end.
        std::memcpy(block, payload, dataBytes < blockBytes ? dataBytes : blockBytes);
    }
    return holder.release();
}

}   // namespace Nuvex
