#include "host/HostWindow.h"

#include <cstdio>

namespace panelhost {

namespace {

const char kClassName[] = "FetchpaneHostWindow";

// Registered once per process; a class left by an earlier run of this
// program's code is the same procedure.
bool RegisterHostClass(WNDPROC procedure) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}   // namespace

HostWindow::HostWindow(const char* title, int width, int height, bool visible) {
    if (!RegisterHostClass(&HostWindow::WindowProc)) return;
    hwnd_ = CreateWindowExA(0, kClassName, title, WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr,
                            nullptr, GetModuleHandleA(nullptr), this);
    if (hwnd_ && visible) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
}

HostWindow::~HostWindow() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

size_t HostWindow::Count(int code) const {
    size_t n = 0;
    for (const Notification& seen : seen_) n += seen.code == code;
    return n;
}

const Notification* HostWindow::Find(int code) const {
    for (const Notification& seen : seen_)
        if (seen.code == code) return &seen;
    return nullptr;
}

std::string HostWindow::Lines() const {
    std::string lines;
    for (const Notification& seen : seen_) lines += Describe(seen) + "\n";
    return lines.empty() ? "(no notifications)\n" : lines;
}

void HostWindow::Keep(HWND panel, const PanelNotifyRecord* record) {
    Notification n;
    n.panel = panel;
    n.tick = GetTickCount();
    if (record) {
        n.code = record->code;
        n.arg = record->arg;
        n.hasText = record->text != nullptr;
        if (record->text) n.text = record->text;
    }
    seen_.push_back(n);
    if (onNotify) onNotify(seen_.back());
}

LRESULT CALLBACK HostWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_PANEL_NOTIFY && self) {
        self->Keep(reinterpret_cast<HWND>(wParam),
                   reinterpret_cast<const PanelNotifyRecord*>(lParam));
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

std::string NotifyCodeName(int code) {
    switch (code) {
    case PANEL_NOTIFY_TITLEBAR: return "TITLEBAR";
    case PANEL_NOTIFY_FINISHED: return "FINISHED";
    case PANEL_NOTIFY_CANCELLED: return "CANCELLED";
    case PANEL_NOTIFY_FAILED: return "FAILED";
    case PANEL_NOTIFY_ALL_CANCELLED: return "ALL_CANCELLED";
    default: {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%04X", code);
        return hex;
    }
    }
}

std::string Describe(const Notification& n) {
    char arg[64];
    if (n.code == PANEL_NOTIFY_FAILED)
        std::snprintf(arg, sizeof arg, "state %d, %d left", PANEL_FAILED_STATE(n.arg),
                      PANEL_FAILED_ITEMS_LEFT(n.arg));
    else if (n.code == PANEL_NOTIFY_FINISHED || n.code == PANEL_NOTIFY_CANCELLED)
        std::snprintf(arg, sizeof arg, "%d left", n.arg);
    else
        std::snprintf(arg, sizeof arg, "arg %d", n.arg);
    std::string line = NotifyCodeName(n.code) + " (" + arg + ")";
    if (n.hasText) line += " \"" + n.text + "\"";
    return line;
}

}   // namespace panelhost
