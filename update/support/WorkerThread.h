#pragma once
// A worker-thread base: Start runs the work once on a new thread, Stop asks
// it to end and waits a bounded time.
//
// Stop never kills a thread (a thread killed inside WinInet, USER32 or the C
// runtime can leave process-wide locks held and hang the host later). When
// the wait runs out, the thread is detached instead: from then on it
// - owns what it still uses: the ThreadControl and the ThreadWork it runs are
//   reference-counted, and the thread holds its own references;
// - touches nothing its owner frees and sends or posts nothing more: every
//   write into the owner's memory and every send or post goes through
//   ThreadControl::IfRunning (or IfAttached), which refuses once detached;
// - keeps the module loaded until it ends: it is a ModuleThread
//   (engine/core/ModuleThread.h), which holds a module reference of its own.
//
// Work that may block past Stop's bound (network reads) must therefore live
// in a ThreadWork given with SetWork, not in the WorkerThread subclass: the
// owner deletes the WorkerThread as soon as Stop returns.
#include <windows.h>
#include <atomic>
#include <utility>
#include <vector>
#include "update/support/CriticalSectionLock.h"
#include "engine/core/RefCounted.h"

class WorkerThread;
class ThreadControl;

// Work that stays valid after its owner is gone. The thread holds its own
// reference from Start until it ends.
class ThreadWork : public RefCounted {
public:
    // Runs on the worker thread; polls control.KeepRunning() once per step.
    virtual int Run(ThreadControl& control) = 0;
};

// The state one started thread shares with its owner. One per Start.
class ThreadControl : public RefCounted {
public:
    // False once Stop was called: the work winds down at its next poll.
    bool KeepRunning() const { return keepRunning_.load(std::memory_order_acquire); }
    // True once Stop gave up waiting: the owner may already have freed
    // everything it lent the thread.
    bool IsDetached() const { return detached_.load(std::memory_order_acquire); }

    // Runs `action` under the lock while the thread is still wanted (keep
    // running set, not detached) and returns true; otherwise runs nothing and
    // returns false. Use it for every write into memory the owner frees and
    // for every message the thread sends or posts. A send inside it must be
    // bounded (SendMessageTimeout in steps of ~100 ms, given up once
    // KeepRunning() is false): Stop clears keep-running without the lock, but
    // needs the lock to detach.
    template <class Action>
    bool IfRunning(Action&& action) {
        ScopedLock hold(&lock_);
        if (!KeepRunning() || IsDetached()) return false;
        std::forward<Action>(action)();
        return true;
    }

    // As IfRunning, but also after Stop was called, as long as Stop is still
    // waiting (the owner's memory is valid until Stop returns).
    template <class Action>
    bool IfAttached(Action&& action) {
        ScopedLock hold(&lock_);
        if (IsDetached()) return false;
        std::forward<Action>(action)();
        return true;
    }

    CriticalSectionLock& Lock() { return lock_; }

private:
    friend class WorkerThread;
    ThreadControl() = default;
    ~ThreadControl() override;

    // The thread's life: Start sets kRunning before the thread exists; then
    // whichever comes first, Run returning (kFinished) or Stop (kStopped),
    // wins one compare-and-swap, so each end is decided exactly once.
    enum Phase { kIdle, kRunning, kFinished, kStopped };
    bool IsRunningPhase() const { return phase_.load(std::memory_order_acquire) == kRunning; }

    CriticalSectionLock lock_;
    std::atomic<int> phase_{kIdle};
    std::atomic<bool> keepRunning_{false};
    std::atomic<bool> detached_{false};
    int result_ = 0;                  // written before kFinished is published
    RefPtr<ThreadWork> work_;         // null: the thread calls owner_->Run()
    WorkerThread* owner_ = nullptr;   // used only to call Run, never once detached
};

class WorkerThread {
public:
    // The host's UI thread waits no longer than this for a worker to stop;
    // a worker blocked in a call that won't return sooner is detached.
    static constexpr DWORD kStopTimeoutMs = 500;

    WorkerThread();
    // Stops a thread that is still alive (bounded, as Stop) and waits for a
    // finished one to exit. A subclass whose Run uses its own members must
    // call Stop in its own destructor: they are gone before this one runs.
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts a new thread unless one is alive (or no module reference can be
    // had for it); true when it was started. The
    // alive and keep-running flags are set before the thread exists, so a Stop
    // right after Start always finds and waits for it.
    bool Start();
    // Clears keep-running and waits up to the stop time-out for the thread to
    // end; when it does not, detaches it (see the top of this file). True when
    // a live thread was stopped; false when none was alive (never started, or
    // Run already returned). Called on the worker thread itself it only clears
    // keep-running and returns false.
    bool Stop();
    // Stop for several threads at once: every keep-running flag is cleared
    // first, then all of them are waited for within one stop time-out (the
    // longest of theirs), so stuck threads cost one bound, not one each.
    // Null entries are skipped. Returns how many live threads were stopped.
    static size_t StopAll(const std::vector<WorkerThread*>& threads);

    bool KeepRunning() const;
    bool IsAlive() const;
    // Run's value, stored when Run returned by itself; 0 when it was stopped.
    int Result() const;
    HANDLE ThreadHandle() const { return thread_; }
    unsigned ThreadId() const { return threadId_; }

    // For tests that cannot wait the full bound.
    void SetStopTimeout(DWORD ms) { stopTimeoutMs_ = ms; }

protected:
    // The thread body when no ThreadWork was given: runs on the worker
    // thread, polls KeepRunning() once per step and must return within the
    // stop time-out once it is false.
    virtual int Run() { return 0; }
    // The work the next Start runs in place of Run (null: Run).
    void SetWork(ThreadWork* work);
    // The control block of the current (or last) thread; null before Start.
    ThreadControl* Control() const { return control_.Get(); }

private:
    // A Stop under way: the thread's control and its handle, now owned here.
    struct PendingStop {
        RefPtr<ThreadControl> control;
        HANDLE thread = nullptr;
    };
    // Clears keep-running and takes the handle; false when there is nothing
    // to wait for.
    bool BeginStop(PendingStop* pending);
    // Waits up to `waitMs`, then detaches a thread still running.
    static void FinishStop(PendingStop& pending, DWORD waitMs);

    static void ThreadBody(void* argument);
    void ReapFinishedThread();
    void CloseThreadHandle();

    CriticalSectionLock lock_;   // orders Start and Stop of owners
    RefPtr<ThreadControl> control_;
    RefPtr<ThreadWork> work_;
    HANDLE thread_ = nullptr;
    unsigned threadId_ = 0;
    DWORD stopTimeoutMs_ = kStopTimeoutMs;
};
