#include "platform/HttpRequest.h"

#include "platform/RequestSignals.h"

namespace platform {
namespace {

bool QueryText(HINTERNET request, DWORD info, std::string* out) {
    if (!request) return false;
    char buffer[2048];
    DWORD size = sizeof buffer - 1;
    DWORD index = 0;
    if (!HttpQueryInfoA(request, info, buffer, &size, &index)) return false;
    buffer[size < sizeof buffer ? size : sizeof buffer - 1] = '\0';
    *out = buffer;
    return true;
}

// When the callback can't be taken off a handle whose call is still
// pending, that call's late notices reach this module's code: it must never
// be unmapped.
void KeepThisModuleLoaded() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&RequestSignals::OnStatus), &self);
}

}   // namespace

HttpRequest::HttpRequest() = default;

HttpRequest::~HttpRequest() { Close(); }

void HttpRequest::Close() {
    if (handle_) {
        HINTERNET handle = handle_.Release();
        const bool taken =
            InternetSetStatusCallbackA(handle, nullptr) != INTERNET_INVALID_STATUS_CALLBACK;
        InternetCloseHandle(handle);
        if (pending_) {
            // WinInet itself stays: the session pinned it (InternetSession::Open).
            if (!taken) KeepThisModuleLoaded();
            available_ = nullptr;   // WinInet may still write there
        }
    }
    // A notice still on its way finds the signals unregistered.
    signals_.reset();
    if (available_) HeapFree(GetProcessHeap(), 0, available_);
    available_ = nullptr;
    pending_ = false;
}

bool HttpRequest::AwaitPending(InternetError* error) {
    pending_ = true;
    bool ok = false;
    DWORD code = 0;
    const DWORD given = signals_->AwaitCompletion(GetTickCount(), timeouts_, keepWaiting_, &ok,
                                                  &code);
    if (given) {
        SetInternetError(error, given);
        return false;
    }
    pending_ = false;
    if (ok) return true;
    SetInternetError(error, code ? code : DWORD(ERROR_INTERNET_INTERNAL_ERROR));
    return false;
}

bool HttpRequest::Send(InternetError* error) {
    if (!handle_ || !signals_ || pending_) {
        SetInternetError(error, ERROR_INVALID_HANDLE);
        return false;
    }
    if (HttpSendRequestA(handle_.Get(), nullptr, 0, nullptr, 0)) return true;
    if (GetLastError() != ERROR_IO_PENDING) {
        CaptureInternetError(error);
        return false;
    }
    return AwaitPending(error);
}

// Takes what has arrived, never waiting inside the read: with nothing there
// the read goes pending without the buffer and tells when bytes have come.
bool HttpRequest::ReadArrived(void* buffer, DWORD size, DWORD* got, bool* waited,
                              InternetError* error) {
    *got = 0;
    *waited = false;
    if (!handle_ || !signals_ || pending_) {
        SetInternetError(error, ERROR_INVALID_HANDLE);
        return false;
    }
    for (;;) {
        INTERNET_BUFFERSA buffers = {};
        buffers.dwStructSize = sizeof buffers;
        buffers.lpvBuffer = buffer;
        buffers.dwBufferLength = size;
        if (InternetReadFileExA(handle_.Get(), &buffers, IRF_NO_WAIT, signals_->Context())) {
            *got = buffers.dwBufferLength;
            bool atEnd = true;
            if (*got > 0 || size == 0) return true;
            // Nothing taken may also mean nothing there yet.
            if (!AtEnd(&atEnd, waited, error)) return false;
            if (atEnd) return true;
        } else if (GetLastError() != ERROR_IO_PENDING) {
            CaptureInternetError(error);
            return false;
        } else {
            *waited = true;
            if (!AwaitPending(error)) return false;
        }
    }
}

bool HttpRequest::AtEnd(bool* atEnd, bool* waited, InternetError* error) {
    if (!available_) available_ = static_cast<DWORD*>(HeapAlloc(GetProcessHeap(), 0, sizeof(DWORD)));
    if (!available_) {
        SetInternetError(error, ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    *available_ = 0;
    // The context of this call is reserved: WinInet reports its end with
    // the request's own.
    if (InternetQueryDataAvailable(handle_.Get(), available_, 0, 0)) {
        *atEnd = *available_ == 0;
        return true;
    }
    if (GetLastError() != ERROR_IO_PENDING) {
        CaptureInternetError(error);
        return false;
    }
    // Bytes came, or the body ended: the next read tells which.
    *waited = true;
    *atEnd = false;
    return AwaitPending(error);
}

bool HttpRequest::QueryStatusCode(DWORD* status) const {
    if (!handle_) return false;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD index = 0;
    if (!HttpQueryInfoA(handle_.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &value,
                        &size, &index))
        return false;
    *status = value;
    return true;
}

bool HttpRequest::QueryContentLength(unsigned long long* length) const {
    std::string text;
    return QueryText(handle_.Get(), HTTP_QUERY_CONTENT_LENGTH, &text) &&
           ParseDecimalCount(text, length);
}

bool HttpRequest::QueryLocation(std::string* location) const {
    return QueryText(handle_.Get(), HTTP_QUERY_LOCATION, location);
}

}   // namespace platform
