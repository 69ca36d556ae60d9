// Saving a Bitmap as BMP, PNG, JPEG or TGA: open the path, run the writer
// over the bitmap's own pixels, close.
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/ImageCodecs.h"

#include <cstdio>

namespace {

template <typename Writer>
bool SaveWith(const char* path, const Bitmap& bitmap, Writer write) {
    if (!path || !bitmap.GetPixels()) return false;
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const bool written = write(file, bitmap.GetPixels(), bitmap.Pitch(), bitmap.Width(),
                               bitmap.Height());
    // Buffered data may only fail to reach the disk when the file is closed.
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

}   // namespace

bool Bitmap::SaveBmp(const char* path) const { return SaveWith(path, *this, Nuvex::WriteBmp); }

bool Bitmap::SaveTga(const char* path) const { return SaveWith(path, *this, Nuvex::WriteTga); }

bool Bitmap::SaveJpeg(const char* path) const { return SaveWith(path, *this, Nuvex::WriteJpeg); }

bool Bitmap::SavePng(const char* path) const {
    return SaveWith(
        path, *this,
        [](FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height) {
            return Nuvex::WritePng(file, pixels, pitch, width, height, true);
        });
}
