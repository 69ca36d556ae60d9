#pragma once
// Runs blocking calls one at a time on a thread of its own, so that the
// caller's wait stays bounded when a call does not: a call that outlasts
// the caller's patience is left behind, and the thread ends as soon as it
// returns. WinInet's blocking FTP calls need this: they heed no time-out,
// and closing a handle under one of them is not safe.
//
// The thread holds a reference to this object and is a ModuleThread
// (engine/core/ModuleThread.h), which holds one to the module: a call left
// behind keeps its code, and whatever its function object holds, while its
// caller goes on or the host unloads the module. A call must therefore
// write only into what its function object holds, never into the caller's
// frame.
#include <windows.h>

#include <functional>

#include "engine/core/RefCounted.h"
#include "update/support/CriticalSectionLock.h"

class CallThread : public RefCounted {
public:
    // Null when no thread, or no module reference for it, can be had.
    static RefPtr<CallThread> Start();

    // Hands `call` to the thread and has `awaitDone` wait for its return:
    // it is given the event the thread sets when the call has returned, and
    // says whether it waited that out. True when it did. False when it gave
    // up, or when the thread is told to end or still busy with a call given
    // up before: the call is then left to finish by itself (or not run at
    // all). The event says only this call's return: a call given up that
    // returns later leaves nothing in it for the next. A caller that gives
    // up a call lets the thread end.
    bool Run(std::function<void()> call, const std::function<bool(HANDLE done)>& awaitDone);
    // Lets the thread end once the call under way, if any, has returned;
    // `last` runs on the thread before it ends, unwaited for, and what it
    // holds is given up there. Only the first Finish counts: a later one
    // changes nothing, and its own `last` is dropped at once, on the
    // caller's thread.
    void Finish(std::function<void()> last = nullptr);

private:
    CallThread() = default;
    ~CallThread() override;

    static void ThreadBody(void* argument);
    // Takes the next call; false (with the last one) once the thread is to end.
    bool NextCall(std::function<void()>* call);
    // Runs a call and gives up what it holds, on this thread.
    static void RunHere(std::function<void()>& call);

    CriticalSectionLock lock_;
    HANDLE wake_ = nullptr;   // auto-reset: a call was handed over, or the end
    HANDLE done_ = nullptr;   // manual reset, under the lock: the call handed over has returned
    std::function<void()> call_;
    std::function<void()> last_;
    bool busy_ = false;   // a call was handed over and has not returned
    bool ending_ = false;
};
