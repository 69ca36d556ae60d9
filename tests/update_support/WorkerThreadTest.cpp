// The worker-thread base: start and stop races, results, and a thread that
// Stop has to leave behind; the call thread that leaves a blocked call behind.
#include "update/support/CallThread.h"
#include "engine/core/ModuleThread.h"
#include "update/support/WorkerThread.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <atomic>
#include <memory>

namespace {

// An event handle that closes itself.
struct Event {
    HANDLE h = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Event() { CloseHandle(h); }
    void Set() { SetEvent(h); }
};

bool WaitFor(const std::atomic<bool>& flag, DWORD ms) {
    DWORD start = GetTickCount();
    while (!flag.load()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(1);
    }
    return true;
}

// Polls the flag like a cooperative task step.
class PollingThread : public WorkerThread {
public:
    ~PollingThread() override { Stop(); }
    std::atomic<bool> entered{false}, finished{false}, sawStopAtEntry{false};
    int value = 7;

protected:
    int Run() override {
        sawStopAtEntry = !KeepRunning();
        entered = true;
        while (KeepRunning()) Sleep(1);
        finished = true;
        return value;
    }
};

// Returns at once with a given value.
class QuickThread : public WorkerThread {
public:
    ~QuickThread() override { Stop(); }
    std::atomic<int> runs{0};

protected:
    int Run() override {
        ++runs;
        return 7;
    }
};

DWORD Elapsed(DWORD start) { return GetTickCount() - start; }

// A call thread's caller that waits for the call's return while `keepWaiting`
// says so, looking every 10 ms.
std::function<bool(HANDLE)> WaitWhile(std::function<bool()> keepWaiting) {
    return [keepWaiting](HANDLE done) {
        while (WaitForSingleObject(done, 10) != WAIT_OBJECT_0)
            if (!keepWaiting()) return false;
        return true;
    };
}
const auto kAlways = [] { return true; };

}   // namespace

TEST(WorkerThread, StopOnNewObjectReturnsFalseAtOnce) {
    QuickThread t;
    DWORD start = GetTickCount();
    EXPECT_FALSE(t.Stop());
    EXPECT_LT(Elapsed(start), 1000u);
    EXPECT_FALSE(t.IsAlive());
    EXPECT_EQ(nullptr, t.ThreadHandle());
}

TEST(WorkerThread, StartWhileRunningIsRefusedAndKeepsTheThread) {
    PollingThread t;
    ASSERT_TRUE(t.Start());
    HANDLE handle = t.ThreadHandle();
    unsigned id = t.ThreadId();
    ASSERT_TRUE(WaitFor(t.entered, 5000));
    EXPECT_FALSE(t.Start());
    EXPECT_EQ(handle, t.ThreadHandle());
    EXPECT_EQ(id, t.ThreadId());
    EXPECT_TRUE(t.IsAlive());
    EXPECT_TRUE(t.Stop());
}

TEST(WorkerThread, CooperativeRunStopsWithinItsNextPollAndStoresNoResult) {
    PollingThread t;
    ASSERT_TRUE(t.Start());
    ASSERT_TRUE(WaitFor(t.entered, 5000));
    DWORD start = GetTickCount();
    EXPECT_TRUE(t.Stop());
    EXPECT_LT(Elapsed(start), 1000u);
    EXPECT_TRUE(t.finished);    // Stop waited for the end of Run
    EXPECT_EQ(0, t.Result());   // a stopped Run leaves no result
    EXPECT_FALSE(t.IsAlive());
    EXPECT_FALSE(t.KeepRunning());
    EXPECT_EQ(nullptr, t.ThreadHandle());
    EXPECT_FALSE(t.Stop());
}

TEST(WorkerThread, RunEndingByItselfKeepsItsResultAndCanBeRestarted) {
    QuickThread t;
    ASSERT_TRUE(t.Start());
    HANDLE own = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), t.ThreadHandle(), GetCurrentProcess(), &own, 0,
                                FALSE, DUPLICATE_SAME_ACCESS));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(own, 5000));
    DWORD code = 1234;
    EXPECT_TRUE(GetExitCodeThread(own, &code));
    EXPECT_EQ(0u, code);   // the exit code is 0 whatever Run returned
    CloseHandle(own);
    EXPECT_EQ(7, t.Result());
    EXPECT_FALSE(t.IsAlive());
    EXPECT_FALSE(t.Stop());                 // nothing alive to stop
    EXPECT_EQ(nullptr, t.ThreadHandle());   // ...but the finished thread's handle is closed

    ASSERT_TRUE(t.Start());
    ASSERT_TRUE(testsupport::PumpUntil([&] { return t.runs.load() == 2 && !t.IsAlive(); }, 5000));
    EXPECT_EQ(7, t.Result());
}

TEST(WorkerThread, StopRightAfterStartAlwaysWaitsForTheThread) {
    int sawStop = 0;
    for (int i = 0; i < 100; ++i) {
        auto t = std::make_unique<PollingThread>();
        ASSERT_TRUE(t->Start());
        ASSERT_TRUE(t->Stop()) << "round " << i;     // the thread counts as alive from Start on
        EXPECT_TRUE(t->finished) << "round " << i;   // and Run has ended before Stop returns
        if (t->sawStopAtEntry) ++sawStop;
        t.reset();   // freed at once: nothing may still run on it
    }
    EXPECT_GT(sawStop,
              0);   // the usual order: Run begins after the Stop and sees keep-running false
}

TEST(WorkerThread, DestructorStopsALiveThread) {
    std::atomic<bool> finished{false};
    struct Local : WorkerThread {
        std::atomic<bool>* finished;
        ~Local() override { Stop(); }
        int Run() override {
            while (KeepRunning()) Sleep(1);
            *finished = true;
            return 0;
        }
    };
    {
        Local t;
        t.finished = &finished;
        ASSERT_TRUE(t.Start());
    }
    EXPECT_TRUE(finished);
}

TEST(WorkerThread, StopFromTheWorkerItselfDoesNotWaitForItself) {
    struct SelfStopping : WorkerThread {
        std::atomic<bool> stopResult{true}, done{false}, keepAfter{true};
        DWORD took = 0;
        ~SelfStopping() override { Stop(); }
        int Run() override {
            DWORD start = GetTickCount();
            stopResult = Stop();
            took = GetTickCount() - start;
            keepAfter = KeepRunning();
            done = true;
            return 3;
        }
    } t;
    ASSERT_TRUE(t.Start());
    ASSERT_TRUE(WaitFor(t.done, 5000));
    EXPECT_FALSE(t.stopResult);
    EXPECT_FALSE(t.keepAfter);   // but it asked Run to wind down
    EXPECT_LT(t.took, 1000u);
}

TEST(WorkerThread, AnExceptionInRunEndsOnlyTheRun) {
    struct Throwing : WorkerThread {
        ~Throwing() override { Stop(); }
        int Run() override { throw 5; }
    } t;
    ASSERT_TRUE(t.Start());
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !t.IsAlive(); }, 5000));
    EXPECT_EQ(-1, t.Result());
}

// ---- Detaching a thread that outlives Stop's bound ----

namespace {

// What the stuck work observes, kept in memory the test owns for good.
struct Observed {
    std::atomic<bool> resumed{false};
    std::atomic<bool> wroteOwner{false};
    std::atomic<bool> posted{false};
    std::atomic<bool> ownBufferIntact{false};
    std::atomic<bool> workDestroyed{false};
    std::atomic<bool> destroyedBeforeDone{false};
    std::atomic<bool> done{false};
};

// Memory the owner lends the thread and frees when Stop returns. "Freeing"
// marks it, so a late write shows instead of corrupting the heap.
struct Lent {
    std::atomic<bool> freed{false};
    std::atomic<bool> writtenAfterFree{false};
    int value = 0;
    void Write(int v) {
        if (freed) writtenAfterFree = true;
        value = v;
    }
};

// Blocks on an event without polling the flag, like a read on a dead server.
class StuckWork : public ThreadWork {
public:
    StuckWork(HANDLE release, Observed* observed, Lent* lent, HWND window)
        : release_(release),
          observed_(observed),
          lent_(lent),
          window_(window),
          buffer_(new char[4096]) {
        memset(buffer_.get(), 0x5A, 4096);
    }
    ~StuckWork() override {
        if (!observed_->done) observed_->destroyedBeforeDone = true;
        observed_->workDestroyed = true;
    }
    int Run(ThreadControl& control) override {
        WaitForSingleObject(release_, 60000);
        observed_->resumed = true;
        // Its own memory is still valid...
        bool intact = true;
        for (int i = 0; i < 4096; ++i) intact = intact && buffer_[i] == 0x5A;
        observed_->ownBufferIntact = intact;
        // ...but the owner's is not, and no message may go out any more.
        if (control.IfAttached([&] { lent_->Write(1); })) observed_->wroteOwner = true;
        if (control.IfRunning([&] { PostMessageA(window_, WM_APP + 7, 0, 0); }))
            observed_->posted = true;
        observed_->done = true;
        return 0;
    }

private:
    HANDLE release_;
    Observed* observed_;
    Lent* lent_;
    HWND window_;
    std::unique_ptr<char[]> buffer_;
};

class StuckTask : public WorkerThread {
public:
    StuckTask(HANDLE release, Observed* observed, Lent* lent, HWND window) {
        SetWork(RefPtr<ThreadWork>(new StuckWork(release, observed, lent, window)).Get());
    }
    ~StuckTask() override { Stop(); }
};

void CheckDetached(DWORD stopTimeout) {
    static Observed observed;   // outlives the thread whatever happens
    static Lent lent;
    Event release;
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
    ASSERT_NE(nullptr, window);

    auto task = std::make_unique<StuckTask>(release.h, &observed, &lent, window);
    if (stopTimeout != WorkerThread::kStopTimeoutMs) task->SetStopTimeout(stopTimeout);
    ASSERT_TRUE(task->Start());
    Sleep(50);
    DWORD start = GetTickCount();
    EXPECT_TRUE(task->Stop());
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited + 20, stopTimeout);     // it did wait its bound...
    EXPECT_LT(waited, stopTimeout + 5000);   // ...and then returned
    EXPECT_FALSE(task->IsAlive());
    task.reset();   // the owner frees everything it lent
    lent.freed = true;
    EXPECT_FALSE(observed.workDestroyed);   // the thread still holds its work

    release.Set();   // the stuck call returns
    ASSERT_TRUE(WaitFor(observed.done, 10000));
    ASSERT_TRUE(WaitFor(observed.workDestroyed, 10000));   // released when the thread ends
    EXPECT_TRUE(observed.ownBufferIntact);
    EXPECT_FALSE(observed.wroteOwner);
    EXPECT_FALSE(lent.writtenAfterFree);
    EXPECT_FALSE(observed.posted);
    EXPECT_FALSE(observed.destroyedBeforeDone);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, window, WM_APP + 7, WM_APP + 7, PM_REMOVE));
    DestroyWindow(window);
}

}   // namespace

TEST(WorkerThread, StuckWorkIsDetachedAndOwnsWhatItUses) { CheckDetached(300); }

TEST(WorkerThread, StuckWorkIsDetachedAfterTheFullStopBound) {
    CheckDetached(WorkerThread::kStopTimeoutMs);
}

TEST(WorkerThread, DetachedThreadKeepsTheModuleLoadedUntilItEnds) {
    // The thread's module reference: taken at Start, dropped when the thread
    // ends. Under test the module is the program itself, whose count never
    // reaches zero; what matters is that the thread ends through it cleanly.
    Event release;
    static Observed observed;
    static Lent lent;
    auto task = std::make_unique<StuckTask>(release.h, &observed, &lent, nullptr);
    task->SetStopTimeout(100);
    ASSERT_TRUE(task->Start());
    HANDLE own = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), task->ThreadHandle(), GetCurrentProcess(),
                                &own, 0, FALSE, DUPLICATE_SAME_ACCESS));
    EXPECT_TRUE(task->Stop());
    task.reset();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(own, 0));
    release.Set();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(own, 10000));
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeThread(own, &code));
    EXPECT_EQ(0u, code);
    CloseHandle(own);
}

TEST(WorkerThread, StopFreesAWorkerHoldingTheLockInABoundedSend) {
    // The worker sends to a window of the stopping thread while holding the
    // control lock; Stop, blocked in its wait, pumps nothing, so the send can
    // only end by its time-out, after which the worker sees keep-running clear.
    struct Sender : ThreadWork {
        HWND window;
        std::atomic<bool>* sending;
        int Run(ThreadControl& control) override {
            while (control.KeepRunning()) {
                control.IfRunning([&] {
                    *sending = true;
                    DWORD_PTR answer = 0;
                    while (control.KeepRunning() &&
                           !SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 100, &answer)) {
                    }
                });
            }
            return 0;
        }
    };
    struct Task : WorkerThread {
        explicit Task(ThreadWork* w) { SetWork(w); }
        ~Task() override { Stop(); }
    };
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
    ASSERT_NE(nullptr, window);
    std::atomic<bool> sending{false};
    RefPtr<Sender> work(new Sender);
    work->window = window;
    work->sending = &sending;
    Task task(work.Get());
    ASSERT_TRUE(task.Start());
    ASSERT_TRUE(WaitFor(sending, 5000));
    DWORD start = GetTickCount();
    EXPECT_TRUE(task.Stop());
    EXPECT_LT(GetTickCount() - start, 2000u);   // well inside the bound: no detach needed
    DestroyWindow(window);
}

// A thread that can't hold the module is never started: once detached, its
// code could be unmapped under it.
TEST(WorkerThread, NoThreadStartsWithoutAModuleReference) {
    ModuleThread::SetReferenceSource([]() -> HMODULE { return nullptr; });
    QuickThread worker;
    const bool started = worker.Start();
    RefPtr<CallThread> calls = CallThread::Start();
    ModuleThread::SetReferenceSource(nullptr);
    EXPECT_FALSE(started);
    EXPECT_FALSE(worker.IsAlive());
    EXPECT_FALSE(calls);
    EXPECT_TRUE(worker.Start());
}

// A call that outlasts its caller's patience is left behind: the caller is
// back within one step, the thread runs nothing more, and what the call and
// the last one hold is given up on that thread once the call returns.
TEST(CallThread, ACallGivenUpFinishesOnItsOwnThread) {
    struct Held : RefCounted {
        std::atomic<DWORD>* freedOn;
        explicit Held(std::atomic<DWORD>* f) : freedOn(f) {}
        ~Held() override { *freedOn = GetCurrentThreadId(); }
    };
    RefPtr<CallThread> calls = CallThread::Start();
    ASSERT_TRUE(calls);
    DWORD callThread = 0;
    EXPECT_TRUE(calls->Run([&] { callThread = GetCurrentThreadId(); }, WaitWhile(kAlways)));
    ASSERT_NE(0u, callThread);
    EXPECT_NE(GetCurrentThreadId(), callThread);

    Event release;
    std::atomic<DWORD> freedOn{0};
    RefPtr<Held> held(new Held(&freedOn));
    const DWORD start = GetTickCount();
    HANDLE releaseHandle = release.h;
    EXPECT_FALSE(calls->Run([releaseHandle, held] { WaitForSingleObject(releaseHandle, 10000); },
                            WaitWhile([&] { return Elapsed(start) < 200; })));
    EXPECT_LT(Elapsed(start), 1000u);
    std::atomic<bool> ran{false};
    EXPECT_FALSE(calls->Run([&] { ran = true; }, WaitWhile(kAlways)));   // still busy
    calls->Finish([held] {});
    // Only the first Finish counts: a later one's last step goes at once.
    std::atomic<DWORD> laterFreedOn{0};
    RefPtr<Held> later(new Held(&laterFreedOn));
    calls->Finish([later] {});
    later = nullptr;
    EXPECT_EQ(GetCurrentThreadId(), laterFreedOn.load());
    held = nullptr;
    calls = nullptr;
    EXPECT_EQ(0u, freedOn.load());   // the call still holds it
    release.Set();
    const DWORD waited = GetTickCount();
    while (!freedOn.load() && Elapsed(waited) < 5000) Sleep(1);
    EXPECT_EQ(callThread, freedOn.load());
    EXPECT_FALSE(ran.load());
}

// A call given up still says so when it returns, later: the next call the
// thread takes must be waited for by its own return, not by that word.
TEST(CallThread, TheNextCallWaitsForItsOwnReturnAfterOneGivenUp) {
    RefPtr<CallThread> calls = CallThread::Start();
    ASSERT_TRUE(calls);
    Event release;
    HANDLE releaseHandle = release.h;
    auto returned = std::make_shared<std::atomic<int>>(0);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(calls->Run(
        [releaseHandle, returned] {
            WaitForSingleObject(releaseHandle, 10000);
            *returned = 1;
        },
        WaitWhile([&] { return Elapsed(start) < 100; })));
    release.Set();
    ASSERT_TRUE(testsupport::PumpUntil([&] { return returned->load() == 1; }, 5000));

    // Refused while the thread still ends the call given up; then taken.
    bool taken = false, waited = false;
    const DWORD asked = GetTickCount();
    while (!taken && Elapsed(asked) < 5000) {
        waited = calls->Run(
            [returned] {
                Sleep(300);
                *returned = 2;
            },
            [&](HANDLE done) {
                taken = true;
                return WaitForSingleObject(done, 5000) == WAIT_OBJECT_0;
            });
        if (!taken) Sleep(1);
    }
    ASSERT_TRUE(taken);
    EXPECT_TRUE(waited);
    EXPECT_EQ(2, returned->load()) << "Run returned before its call did";
    calls->Finish();
}
