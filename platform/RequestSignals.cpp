#include "platform/RequestSignals.h"

#include <new>
#include <vector>

namespace platform {
namespace {

// The requests WinInet may call about, by context value. A few at a time,
// and as many more as FTP calls left behind still hold.
class Registry {
public:
    Registry() { InitializeCriticalSection(&lock_); }
    ~Registry() { DeleteCriticalSection(&lock_); }
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // A new context value for `signals`; 0 when there is no room.
    DWORD_PTR Add(RequestSignals* signals) {
        Hold hold(this);
        if (++lastContext_ == 0) ++lastContext_;
        for (Entry& entry : entries_) {
            if (entry.signals) continue;
            entry = Entry{lastContext_, signals};
            return lastContext_;
        }
        try {
            entries_.push_back(Entry{lastContext_, signals});
        } catch (...) {
            return 0;
        }
        return lastContext_;
    }

    void Remove(DWORD_PTR context) {
        Hold hold(this);
        for (Entry& entry : entries_)
            if (entry.signals && entry.context == context) entry = Entry();
    }

    // Runs `action` on the signals of `context` under the lock, so that they
    // can't be removed meanwhile; nothing when there are none.
    template <class Action>
    void With(DWORD_PTR context, Action action) {
        Hold hold(this);
        for (Entry& entry : entries_)
            if (entry.signals && entry.context == context) action(entry.signals);
    }

private:
    struct Entry {
        DWORD_PTR context = 0;
        RequestSignals* signals = nullptr;
    };
    struct Hold {
        explicit Hold(Registry* r) : registry(r) { EnterCriticalSection(&r->lock_); }
        ~Hold() { LeaveCriticalSection(&registry->lock_); }
        Registry* registry;
    };

    CRITICAL_SECTION lock_;
    std::vector<Entry> entries_;
    DWORD_PTR lastContext_ = 0;
};

Registry g_registry;
std::atomic<long> g_callbacksRunning{0};
std::atomic<DWORD> g_lastCallbackReturn{0};

}   // namespace

std::unique_ptr<RequestSignals> RequestSignals::Make() {
    std::unique_ptr<RequestSignals> signals(new (std::nothrow) RequestSignals);
    if (!signals) return nullptr;
    signals->completed_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!signals->completed_) return nullptr;
    signals->context_ = g_registry.Add(signals.get());
    if (!signals->context_) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return signals;
}

RequestSignals::~RequestSignals() {
    if (context_) g_registry.Remove(context_);
    if (completed_) CloseHandle(completed_);
}

void CALLBACK RequestSignals::OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                                       DWORD length) {
    g_callbacksRunning.fetch_add(1, std::memory_order_acq_rel);
    // Context 0 names no signals: a session's, and an HTTP connection's
    // (WinInet calls for none of their doings). An FTP connection carries
    // its signals' context: its blocking calls report their connect here,
    // from the thread that makes them.
    if (context)
        g_registry.With(context, [&](RequestSignals* signals) { signals->Take(status, info, length); });
    g_lastCallbackReturn.store(GetTickCount(), std::memory_order_relaxed);
    g_callbacksRunning.fetch_sub(1, std::memory_order_acq_rel);
}

void RequestSignals::Take(DWORD status, LPVOID info, DWORD length) {
    switch (status) {
    case INTERNET_STATUS_REQUEST_COMPLETE: {
        const INTERNET_ASYNC_RESULT* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
        const bool told = result && length >= sizeof *result;
        result_ = told ? DWORD(result->dwResult) : 0;
        error_ = told ? result->dwError : DWORD(ERROR_INTERNET_INTERNAL_ERROR);
        SetEvent(completed_);
        break;
    }
    case INTERNET_STATUS_CONNECTING_TO_SERVER: {
        const DWORD now = GetTickCount();
        connectingSince_ = now ? now : 1;
        break;
    }
    case INTERNET_STATUS_CONNECTED_TO_SERVER:
        connected_ = true;
        break;
    default:
        break;
    }
}

bool RequestSignals::AwaitNoCallbackRunning(DWORD ms) {
    // A callback counted out still has its last instructions to run.
    const DWORD kWayOutMs = 50;
    const DWORD start = GetTickCount();
    while (g_callbacksRunning.load(std::memory_order_acquire) != 0) {
        if (GetTickCount() - start >= ms) return false;
        Sleep(1);
    }
    if (GetTickCount() - g_lastCallbackReturn.load(std::memory_order_relaxed) < kWayOutMs)
        Sleep(kWayOutMs);
    return true;
}

DWORD RequestSignals::AwaitEnd(HANDLE ended, DWORD start, const InternetTimeouts& timeouts,
                               const std::function<bool()>& keepWaiting) const {
    const DWORD kStepMs = 50;
    for (;;) {
        if (WaitForSingleObject(ended, kStepMs) == WAIT_OBJECT_0) return 0;
        if (keepWaiting && !keepWaiting()) return ERROR_INTERNET_OPERATION_CANCELLED;
        if (OutOfTime(start, timeouts)) return ERROR_INTERNET_TIMEOUT;
    }
}

DWORD RequestSignals::AwaitCompletion(DWORD start, const InternetTimeouts& timeouts,
                                      const std::function<bool()>& keepWaiting, bool* ok,
                                      DWORD* error) const {
    const DWORD given = AwaitEnd(completed_, start, timeouts, keepWaiting);
    if (given) return given;
    *ok = result_.load() != 0;
    *error = error_.load();
    return 0;
}

bool RequestSignals::OutOfTime(DWORD start, const InternetTimeouts& timeouts) const {
    const DWORD now = GetTickCount();
    const DWORD since = connectingSince_.load();
    const bool connectOverdue = since != 0 && !connected_.load() && now - since > timeouts.connectMs;
    return connectOverdue || now - start > timeouts.PatienceMs();
}

}   // namespace platform
