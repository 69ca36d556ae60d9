#include "update/support/WorkerThread.h"

#include "engine/core/ModuleThread.h"

ThreadControl::~ThreadControl() = default;

WorkerThread::WorkerThread() = default;

WorkerThread::~WorkerThread() {
    bool onOwnThread = false;
    {
        ScopedLock hold(&lock_);
        onOwnThread = control_ && thread_ && GetCurrentThreadId() == threadId_;
        if (onOwnThread) {
            // Deleted from its own Run: nothing can be waited for here. The
            // thread holds its own references and touches the object no more.
            control_->keepRunning_.store(false, std::memory_order_release);
            ScopedLock flags(&control_->lock_);
            control_->detached_.store(true, std::memory_order_release);
            CloseThreadHandle();
        }
    }
    if (onOwnThread) return;
    Stop();
    ScopedLock hold(&lock_);
    ReapFinishedThread();
}

void WorkerThread::SetWork(ThreadWork* work) {
    ScopedLock hold(&lock_);
    work_ = work;
}

bool WorkerThread::KeepRunning() const {
    ThreadControl* control = control_.Get();
    return control && control->KeepRunning();
}

bool WorkerThread::IsAlive() const {
    ThreadControl* control = control_.Get();
    return control && control->IsRunningPhase();
}

int WorkerThread::Result() const {
    ThreadControl* control = control_.Get();
    if (!control || control->phase_.load(std::memory_order_acquire) != ThreadControl::kFinished)
        return 0;
    return control->result_;
}

bool WorkerThread::Start() {
    ScopedLock hold(&lock_);
    if (IsAlive()) return false;
    ReapFinishedThread();

    RefPtr<ThreadControl> control(new ThreadControl);
    control->owner_ = this;
    control->work_ = work_;
    // Alive before the thread exists: a Stop right after Start must find the
    // thread and wait for it.
    control->keepRunning_.store(true, std::memory_order_release);
    control->phase_.store(ThreadControl::kRunning, std::memory_order_release);
    const RefPtr<ThreadControl> last = control_;
    control_ = control;   // before the thread runs: Run may ask KeepRunning()

    // The thread holds its own module reference (a detached thread must not
    // lose its code when the host unloads the module); without one, no thread.
    control->AddRef();   // the thread's reference
    unsigned id = 0;
    HANDLE thread = ModuleThread::Start(&WorkerThread::ThreadBody, control.Get(), &id);
    if (!thread) {
        control->keepRunning_.store(false, std::memory_order_release);
        control->phase_.store(ThreadControl::kIdle, std::memory_order_release);
        control->Release();
        control_ = last;
        return false;
    }
    thread_ = thread;
    threadId_ = id;
    return true;
}

void WorkerThread::ThreadBody(void* argument) {
    ThreadControl* control = static_cast<ThreadControl*>(argument);   // our reference

    bool attached;
    {
        ScopedLock flags(&control->lock_);
        attached = !control->detached_.load(std::memory_order_acquire);
    }
    int result = 0;
    if (attached) {
        try {
            result = control->work_ ? control->work_->Run(*control) : control->owner_->Run();
        } catch (...) {
            result = -1;   // an exception must not end the host's process
        }
    }
    // A stopped thread keeps no result: the swap fails once Stop has won.
    // Result() reads it only once the swap has published kFinished.
    control->result_ = result;
    int running = ThreadControl::kRunning;
    control->phase_.compare_exchange_strong(running, ThreadControl::kFinished,
                                            std::memory_order_acq_rel);
    control->Release();   // may free the control and the work: the module is still ours
}

bool WorkerThread::Stop() {
    PendingStop pending;
    if (!BeginStop(&pending)) return false;
    FinishStop(pending, stopTimeoutMs_);
    return true;
}

size_t WorkerThread::StopAll(const std::vector<WorkerThread*>& threads) {
    std::vector<PendingStop> pending(threads.size());
    std::vector<bool> live(threads.size(), false);
    DWORD bound = 0;
    for (size_t i = 0; i < threads.size(); ++i) {
        if (!threads[i] || !threads[i]->BeginStop(&pending[i])) continue;
        live[i] = true;
        if (threads[i]->stopTimeoutMs_ > bound) bound = threads[i]->stopTimeoutMs_;
    }
    const DWORD start = GetTickCount();
    size_t stopped = 0;
    for (size_t i = 0; i < threads.size(); ++i) {
        if (!live[i]) continue;
        const DWORD elapsed = GetTickCount() - start;
        FinishStop(pending[i], elapsed < bound ? bound - elapsed : 0);
        ++stopped;
    }
    return stopped;
}

bool WorkerThread::BeginStop(PendingStop* pending) {
    ScopedLock hold(&lock_);
    ThreadControl* control = control_.Get();
    if (!control) return false;
    if (thread_ && GetCurrentThreadId() == threadId_) {
        // Stop from the worker itself: it can't wait for itself.
        control->keepRunning_.store(false, std::memory_order_release);
        return false;
    }
    int running = ThreadControl::kRunning;
    if (!control->phase_.compare_exchange_strong(running, ThreadControl::kStopped,
                                                 std::memory_order_acq_rel)) {
        ReapFinishedThread();   // never started, or Run already returned
        return false;
    }
    control->keepRunning_.store(false, std::memory_order_release);
    // The wait happens outside the owner lock, on a handle the stop now
    // owns: a Start meanwhile makes a thread of its own.
    pending->control = control_;
    pending->thread = thread_;
    thread_ = nullptr;
    threadId_ = 0;
    return true;
}

void WorkerThread::FinishStop(PendingStop& pending, DWORD waitMs) {
    DWORD waited = pending.thread ? WaitForSingleObject(pending.thread, waitMs) : WAIT_OBJECT_0;
    if (waited != WAIT_OBJECT_0) {
        // Left behind: from here on the thread owns what it uses and
        // writes, sends and posts nothing more.
        ScopedLock flags(&pending.control->lock_);
        pending.control->detached_.store(true, std::memory_order_release);
    }
    if (pending.thread) CloseHandle(pending.thread);
    pending.thread = nullptr;
}

void WorkerThread::ReapFinishedThread() {
    // A thread whose Run returned is only running its exit path: it ends
    // within microseconds, holding its own module reference. The wait is
    // bounded all the same: under the loader lock no thread can end.
    if (!thread_) return;
    WaitForSingleObject(thread_, stopTimeoutMs_);
    CloseThreadHandle();
}

void WorkerThread::CloseThreadHandle() {
    if (thread_) CloseHandle(thread_);
    thread_ = nullptr;
    threadId_ = 0;
}
