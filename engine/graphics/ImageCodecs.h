#pragma once
// Foreign image formats. Decoders read a whole file image from memory into a
// new Bitmap (32-bit B, G, R, A, top row first) or return null; they never
// throw, never read past `size` and never change the caller's data. A header
// that claims more pixels than the file's data can fill is refused before
// memory is committed for them. The PNG and JPEG decoders share one scratch
// area, so decode on one thread only.
//
// Writers take an open FILE*, a pixel block, its pitch in pixels, the width
// and the height, so that they can serve any pixel block; they return false
// on a library or write error and leave closing the file to the caller.
#include <cstdint>
#include <cstdio>

class Bitmap;

namespace Nuvex {

Bitmap* LoadBmp(const void* data, uint32_t size);
Bitmap* LoadTga(const void* data, uint32_t size);
Bitmap* LoadPng(const void* data, uint32_t size);
Bitmap* LoadJpeg(const void* data, uint32_t size);

bool WriteBmp(FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height);
bool WriteTga(FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height);
// rgba false drops the alpha byte and writes RGB.
bool WritePng(FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height,
              bool rgba);
// RGB, quality 80, baseline.
bool WriteJpeg(FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height);

}   // namespace Nuvex
