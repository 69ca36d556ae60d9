#include "update/support/CallThread.h"

#include "update/support/ModuleReference.h"

#include <process.h>

#include <new>

namespace {

// What the thread is given: its object and its module reference.
struct ThreadStart {
    CallThread* thread;
    HMODULE module;
};

}   // namespace

RefPtr<CallThread> CallThread::Start() {
    RefPtr<CallThread> thread(new (std::nothrow) CallThread);
    if (!thread) return nullptr;
    thread->wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    thread->done_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!thread->wake_ || !thread->done_) return nullptr;
    HMODULE module = TakeModuleReference();
    ThreadStart* start = module ? new (std::nothrow) ThreadStart{thread.Get(), module} : nullptr;
    if (!start) {
        if (module) FreeLibrary(module);
        return nullptr;
    }
    thread->AddRef();   // the thread's own
    const uintptr_t handle = _beginthreadex(nullptr, 0, &CallThread::ThreadProc, start, 0, nullptr);
    if (!handle) {
        delete start;
        thread->Release();
        FreeLibrary(module);
        return nullptr;
    }
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    return thread;
}

CallThread::~CallThread() {
    if (wake_) CloseHandle(wake_);
    if (done_) CloseHandle(done_);
}

bool CallThread::Run(std::function<void()> call, const std::function<bool()>& keepWaiting) {
    const DWORD kStepMs = 50;
    {
        ScopedLock hold(&lock_);
        if (ending_ || busy_) return false;
        call_ = std::move(call);
        busy_ = true;
    }
    SetEvent(wake_);
    for (;;) {
        if (WaitForSingleObject(done_, kStepMs) == WAIT_OBJECT_0) return true;
        if (!keepWaiting()) return false;
    }
}

void CallThread::Finish(std::function<void()> last) {
    {
        ScopedLock hold(&lock_);
        ending_ = true;
        if (!last_) last_ = std::move(last);
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

unsigned __stdcall CallThread::ThreadProc(void* argument) {
    const ThreadStart start = *static_cast<ThreadStart*>(argument);
    delete static_cast<ThreadStart*>(argument);
    CallThread* self = start.thread;
    std::function<void()> call;
    for (;;) {
        WaitForSingleObject(self->wake_, INFINITE);
        bool more;
        while ((more = self->NextCall(&call)) && call) {
            RunHere(call);
            {
                ScopedLock hold(&self->lock_);
                self->busy_ = false;
            }
            SetEvent(self->done_);
        }
        if (!more) break;
    }
    RunHere(call);   // what Finish gave
    self->Release();
    FreeLibraryAndExitThread(start.module, 0);
}
