#include "support/TestWindow.h"

namespace testsupport {

TestWindow::TestWindow(int width, int height) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FetchpaneTestWindow";
    RegisterClassA(&wc);   // a second registration fails harmlessly
    hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, wc.lpszClassName, "",
                            WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                            wc.hInstance, nullptr);
    if (!hwnd_) error_ = GetLastError();
}

TestWindow::~TestWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

}   // namespace testsupport
