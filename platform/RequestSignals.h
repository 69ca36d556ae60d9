#pragma once
// What WinInet tells of one asynchronous request: the end of each operation
// that went pending, and the closing of its handle. The request handle's
// context value points here and WinInet's own threads call in, so the
// holder keeps this until the handle's closing has been told: that is the
// last call WinInet makes for it.
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>

namespace platform {

class RequestSignals {
public:
    // Null when its events can't be made.
    static std::unique_ptr<RequestSignals> Make();
    ~RequestSignals();
    RequestSignals(const RequestSignals&) = delete;
    RequestSignals& operator=(const RequestSignals&) = delete;

    // The status callback of asynchronous sessions.
    static void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                  DWORD length);

    // The context value to give the request handle.
    DWORD_PTR Context() { return reinterpret_cast<DWORD_PTR>(this); }
    // Waits at most `ms` for the end of the operation that went pending:
    // true when it ended, with its result in *ok and *error.
    bool AwaitCompletion(DWORD ms, bool* ok, DWORD* error);
    // Waits until WinInet has told the handle's closing. An operation still
    // pending at the close ends first, at the latest at its time-out.
    void AwaitClosing();

private:
    RequestSignals() = default;

    HANDLE completed_ = nullptr;   // auto-reset: once per operation that went pending
    HANDLE closed_ = nullptr;      // manual-reset
    std::atomic<DWORD> result_{0};
    std::atomic<DWORD> error_{0};
};

}   // namespace platform
