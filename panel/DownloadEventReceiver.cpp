#include "panel/DownloadEventReceiver.h"

#include <optional>

#include "engine/gui/GuiShell.h"
#include "panel/DownloadList.h"
#include "panel/DownloadMainFrame.h"
#include "update/DownloadItem.h"

const char DownloadEventReceiver::kClassName[] = "DownloadEventRecv";
const char DownloadEventReceiver::kTitle[] = "Ludorin.tervaldo";

namespace {

int g_liveReceivers = 0;   // UI thread only

// The module this code is in: the DLL, or the program that links it.
HINSTANCE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&OwnModule), &module);
    return module;
}

DownloadMainFrame* FrameOf(HWND hwnd) {
    return reinterpret_cast<DownloadMainFrame*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void Dispatch(DownloadMainFrame& frame, UINT message, WPARAM wParam, LPARAM lParam) {
    DownloadList* list = frame.List();
    DownloadItem* item = reinterpret_cast<DownloadItem*>(wParam);
    switch (message) {
    case WM_TASK_DOWNLOAD_BEGIN:
        if (list) list->SetItemBarStyle(item, 0);
        break;
    case WM_TASK_CHECK_BEGIN:
        if (list) list->SetItemBarStyle(item, 1);
        break;
    case WM_TASK_PROGRESS:
    case WM_TASK_CHECK_PROGRESS:
        if (list) list->Refresh();
        break;
    case WM_TASK_FINISHED: frame.OnTaskFinished(item); break;
    case WM_TASK_FAILED: frame.OnTaskFailed(item, int(lParam)); break;
    case WM_TASK_ITEM_RETIRED:
        if (list) list->FreeRetired(reinterpret_cast<DownloadItem*>(lParam));
        break;
    default:   // WM_TASK_DOWNLOAD_END, WM_TASK_CHECK_END and the rest
        break;
    }
}

}   // namespace

bool DownloadEventReceiver::RegisterReceiverClass() {
    HINSTANCE module = OwnModule();
    WNDCLASSA wc = {};
    if (GetClassInfoA(module, kClassName, &wc)) {
        if (wc.lpfnWndProc == &WindowProc) return true;
        // Left by an earlier copy of the module whose code is gone.
        UnregisterClassA(kClassName, module);
    }
    wc = WNDCLASSA{};
    wc.style = CS_CLASSDC;
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0;
}

void DownloadEventReceiver::UnregisterClassIfUnused() {
    if (g_liveReceivers == 0) UnregisterClassA(kClassName, OwnModule());
}

int DownloadEventReceiver::Create(DownloadMainFrame* frame) {
    if (hwnd_ || !RegisterReceiverClass()) return 0;
    // The panel is worked with the mouse, but on the host's thread the
    // cursor may be hidden: a lobby that hid it once (drawing its own), or a
    // machine that found no mouse at start, where the count begins at -1.
    // Raising the thread's display count once shows it over the panel; it is
    // never lowered again, so the host keeps seeing it.
    ShowCursor(TRUE);
    hwnd_ = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr,
                            nullptr, OwnModule(), nullptr);
    if (!hwnd_) return 0;
    ++g_liveReceivers;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, LONG_PTR(frame));
    ShowWindow(hwnd_, SW_HIDE);
    return 1;
}

DownloadEventReceiver::~DownloadEventReceiver() {
    if (!hwnd_) return;
    // The frame is going: messages still on their way find none.
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    --g_liveReceivers;
}

LRESULT CALLBACK DownloadEventReceiver::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                                   LPARAM lParam) {
    DownloadMainFrame* frame = FrameOf(hwnd);
    const bool taskMessage = (message >= WM_TASK_DOWNLOAD_BEGIN && message <= WM_TASK_CHECK_END) ||
                             message == WM_TASK_ITEM_RETIRED;
    if (frame && taskMessage) {
        try {
            // A host that closes the panel from a notification sent from
            // here deletes the window's tree only once this handling is done.
            // The older build's frame thread keeps off the tree meanwhile.
            std::optional<GuiShell::DispatchScope> scope;
            std::optional<GuiShell::TreeLock> tree;
            if (GuiShell* shell = frame->GetHost()) {
                scope.emplace(shell);
                tree.emplace(shell);
            }
            Dispatch(*frame, message, wParam, lParam);
        } catch (...) {
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
