#include "update/support/CallThread.h"

#include "engine/core/ModuleThread.h"

#include <new>

RefPtr<CallThread> CallThread::Start() {
    RefPtr<CallThread> thread(new (std::nothrow) CallThread);
    if (!thread) return nullptr;
    thread->wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    thread->done_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!thread->wake_ || !thread->done_) return nullptr;
    thread->AddRef();   // the thread's own
    HANDLE handle = ModuleThread::Start(&CallThread::ThreadBody, thread.Get());
    if (!handle) {
        thread->Release();
        return nullptr;
    }
    CloseHandle(handle);
    return thread;
}

CallThread::~CallThread() {
    if (wake_) CloseHandle(wake_);
    if (done_) CloseHandle(done_);
}

bool CallThread::Run(std::function<void()> call, const std::function<bool(HANDLE)>& awaitDone) {
    {
        ScopedLock hold(&lock_);
        if (ending_ || busy_) return false;
        call_ = std::move(call);
        busy_ = true;
        // Set by the return of a call given up before: not this call's.
        ResetEvent(done_);
    }
    SetEvent(wake_);
    return awaitDone(done_);
}

void CallThread::Finish(std::function<void()> last) {
    {
        ScopedLock hold(&lock_);
        if (ending_) return;
        ending_ = true;
        last_ = std::move(last);
    }
    SetEvent(wake_);
}

bool CallThread::NextCall(std::function<void()>* call) {
    ScopedLock hold(&lock_);
    if (call_) {
        *call = std::move(call_);
        call_ = nullptr;
        return true;
    }
    if (!ending_) return true;
    *call = std::move(last_);
    last_ = nullptr;
    return false;
}

void CallThread::RunHere(std::function<void()>& call) {
    if (!call) return;
    try {
        call();
    } catch (...) {
        // An exception must not end the host's process.
    }
    call = nullptr;
}

void CallThread::ThreadBody(void* argument) {
    CallThread* self = static_cast<CallThread*>(argument);   // the thread's reference
    std::function<void()> call;
    for (;;) {
        WaitForSingleObject(self->wake_, INFINITE);
        bool more;
        while ((more = self->NextCall(&call)) && call) {
            RunHere(call);
            // Under the lock: no call is handed over between the two.
            ScopedLock hold(&self->lock_);
            self->busy_ = false;
            SetEvent(self->done_);
        }
        if (!more) break;
    }
    RunHere(call);   // what Finish gave
    self->Release();
}
