#include "platform/RequestSignals.h"

#include <new>

namespace platform {

std::unique_ptr<RequestSignals> RequestSignals::Make() {
    std::unique_ptr<RequestSignals> signals(new (std::nothrow) RequestSignals);
    if (!signals) return nullptr;
    signals->completed_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    signals->closed_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!signals->completed_ || !signals->closed_) return nullptr;
    return signals;
}

RequestSignals::~RequestSignals() {
    if (completed_) CloseHandle(completed_);
    if (closed_) CloseHandle(closed_);
}

void CALLBACK RequestSignals::OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                                       DWORD length) {
    // WinInet calls for no handle whose context is 0: the session's and its
    // connections'.
    RequestSignals* signals = reinterpret_cast<RequestSignals*>(context);
    if (!signals) return;
    if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
        const INTERNET_ASYNC_RESULT* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
        const bool told = result && length >= sizeof *result;
        signals->result_ = told ? DWORD(result->dwResult) : 0;
        signals->error_ = told ? result->dwError : DWORD(ERROR_INTERNET_INTERNAL_ERROR);
        SetEvent(signals->completed_);
    } else if (status == INTERNET_STATUS_HANDLE_CLOSING) {
        // The holder may free this as soon as it is set: nothing after it.
        SetEvent(signals->closed_);
    }
}

bool RequestSignals::AwaitCompletion(DWORD ms, bool* ok, DWORD* error) {
    if (WaitForSingleObject(completed_, ms) != WAIT_OBJECT_0) return false;
    *ok = result_.load() != 0;
    *error = error_.load();
    return true;
}

void RequestSignals::AwaitClosing() { WaitForSingleObject(closed_, INFINITE); }

}   // namespace platform
