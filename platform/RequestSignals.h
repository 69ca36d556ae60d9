#pragma once
// What WinInet tells of one request: the end of each operation that went
// pending, and how far its connect has come.
//
// WinInet's threads call in through OnStatus with the request's context
// value. That value is a number registered here, never a pointer: a notice
// that comes after the signals are gone finds nothing and does nothing, so
// the signals can go as soon as their holder is done, whatever WinInet still
// has under way. The holder takes the callback off a handle before closing
// it, so that WinInet's late notices for a request given up reach no module
// code at all.
//
// WinInet gives no word when a callback has returned, yet the module must
// not be unmapped under one. Every callback counts itself in and out, and
// the module's unload waits for the count to fall to zero
// (AwaitNoCallbackRunning).
//
// A call that went out of the module's hands, pending in WinInet or
// blocking on a thread of its own, is waited for on the module's own clock
// (AwaitEnd): given up once its caller stops waiting, once its connect has
// not connected within the connect time-out, or once it has run past the
// session's patience.
#include "platform/InternetSession.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <functional>
#include <memory>

namespace platform {

class RequestSignals {
public:
    // Null when its event can't be made or it can't be registered.
    static std::unique_ptr<RequestSignals> Make();
    // Unregisters: a notice that comes later does nothing.
    ~RequestSignals();
    RequestSignals(const RequestSignals&) = delete;
    RequestSignals& operator=(const RequestSignals&) = delete;

    // The status callback of the module's sessions.
    static void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                  DWORD length);
    // Waits at most `ms` until no callback is running, then a little longer
    // when one has just returned (it may still be on its way out of the
    // module's code). For the module's unload; false when the wait ran out.
    static bool AwaitNoCallbackRunning(DWORD ms);

    // The context value to give the request (never 0).
    DWORD_PTR Context() const { return context_; }
    // Waits for the end of a call begun at `start`, which whoever runs it
    // tells by setting `ended`, looking every 50 ms whether to give it up:
    // once `keepWaiting` (null: always) says no, or once the call is out of
    // the module's time (OutOfTime). 0 when it ended; otherwise the error
    // it is given up with, ERROR_INTERNET_OPERATION_CANCELLED or
    // ERROR_INTERNET_TIMEOUT.
    DWORD AwaitEnd(HANDLE ended, DWORD start, const InternetTimeouts& timeouts,
                   const std::function<bool()>& keepWaiting) const;
    // AwaitEnd for the operation of this request that went pending, which
    // WinInet ends through this request's notices: once ended, WinInet's
    // result and error word (the latter is the byte count of a query for
    // available data that succeeded).
    DWORD AwaitCompletion(DWORD start, const InternetTimeouts& timeouts,
                          const std::function<bool()>& keepWaiting, bool* ok, DWORD* error) const;
    // True once a call begun at `start` is out of the module's time: its
    // connect has not connected within the connect time-out, or it has run
    // past the patience.
    bool OutOfTime(DWORD start, const InternetTimeouts& timeouts) const;

private:
    RequestSignals() = default;
    // The action of one notice, under the table's lock.
    void Take(DWORD status, LPVOID info, DWORD length);

    DWORD_PTR context_ = 0;
    HANDLE completed_ = nullptr;   // auto-reset: once per operation that went pending
    std::atomic<DWORD> result_{0};
    std::atomic<DWORD> error_{0};
    std::atomic<DWORD> connectingSince_{0};   // tick, 0 until the connect began
    std::atomic<bool> connected_{false};
};

}   // namespace platform
