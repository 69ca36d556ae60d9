#include "host/WindowShot.h"

#include <zlib.h>

#include <cstdio>

namespace panelhost {

namespace {

// A screen-compatible DC with a 32-bit top-down section selected into it.
class SectionDc {
public:
    SectionDc(HDC screen, int width, int height) : dc_(CreateCompatibleDC(screen)) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        if (dc_) section_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (section_) old_ = SelectObject(dc_, section_);
    }
    ~SectionDc() {
        if (old_) SelectObject(dc_, old_);
        if (section_) DeleteObject(section_);
        if (dc_) DeleteDC(dc_);
    }
    SectionDc(const SectionDc&) = delete;
    SectionDc& operator=(const SectionDc&) = delete;

    HDC Dc() const { return section_ ? dc_ : nullptr; }
    const uint32_t* Bits() const { return static_cast<const uint32_t*>(bits_); }

private:
    HDC dc_;
    HBITMAP section_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

void PutBigEndian(std::string* out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(char(value >> shift));
}

void PutChunk(std::string* png, const char type[4], const std::string& data) {
    PutBigEndian(png, uint32_t(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png->append(typed);
    PutBigEndian(png,
                 uint32_t(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(typed.data()),
                                uInt(typed.size()))));
}

}   // namespace

WindowShot CaptureWindow(HWND hwnd) {
    WindowShot shot;
    RECT rect;
    if (!IsWindow(hwnd) || !GetWindowRect(hwnd, &rect)) return shot;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return shot;
    HDC screen = GetDC(nullptr);
    if (!screen) return shot;
    {
        SectionDc copy(screen, width, height);
        if (copy.Dc() &&
            BitBlt(copy.Dc(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY)) {
            GdiFlush();
            shot.width = width;
            shot.height = height;
            shot.pixels.assign(copy.Bits(), copy.Bits() + size_t(width) * height);
        }
    }
    ReleaseDC(nullptr, screen);
    return shot;
}

bool WritePng(const WindowShot& shot, const std::string& path) {
    if (shot.Empty()) return false;
    // Each row: filter byte 0, then R, G, B.
    std::string raw;
    raw.reserve(size_t(shot.height) * (1 + size_t(shot.width) * 3));
    for (int y = 0; y < shot.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < shot.width; ++x) {
            const uint32_t p = shot.pixels[size_t(y) * shot.width + x];
            raw.push_back(char(p >> 16));
            raw.push_back(char(p >> 8));
            raw.push_back(char(p));
        }
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
                  reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()), 9) != Z_OK)
        return false;
    packed.resize(packedSize);

    std::string header;
    PutBigEndian(&header, uint32_t(shot.width));
    PutBigEndian(&header, uint32_t(shot.height));
    header += std::string("\x08\x02\x00\x00\x00", 5);   // 8 bits, RGB, deflate, no interlace
    std::string png("\x89PNG\r\n\x1a\n", 8);
    PutChunk(&png, "IHDR", header);
    PutChunk(&png, "IDAT", packed);
    PutChunk(&png, "IEND", std::string());

    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}

}   // namespace panelhost
