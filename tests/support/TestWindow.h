#pragma once
// A visible top-most popup that paints nothing of its own: the tests present
// pixels on it and read them back.
#include <windows.h>

namespace testsupport {

class TestWindow {
public:
    TestWindow(int width, int height);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    DWORD Error() const { return error_; }   // why creation failed (hwnd() null)

private:
    HWND hwnd_ = nullptr;
    DWORD error_ = 0;
};

}   // namespace testsupport
