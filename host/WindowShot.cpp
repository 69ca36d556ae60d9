#include "host/WindowShot.h"

#include "engine/graphics/ImageCodecs.h"

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
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = Nuvex::WritePng(file, shot.pixels.data(), shot.width, shot.width,
                                         shot.height, false);
    return std::fclose(file) == 0 && written;
}

}   // namespace panelhost
