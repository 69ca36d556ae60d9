#include "engine/core/ThreadUtils.h"

#include "engine/core/Log.h"
#include "engine/core/MessageNames.h"

void LockGuard::Release() {
    if (cs_) LeaveCriticalSection(cs_);
    cs_ = nullptr;
}

namespace Nuvex {

int PostToThread(DWORD threadId, uint32_t message, WPARAM wParam, LPARAM lParam) {
    // Thread 0 is no thread (some systems accept a post to it all the same).
    if (threadId != 0) {
        if (int posted = PostThreadMessageA(threadId, message, wParam, lParam)) return posted;
    } else {
        SetLastError(ERROR_INVALID_THREAD_ID);
    }
    DWORD error = GetLastError();
    // The log shows the parameters as 32-bit values, as a 32-bit build has them.
    int wp = int(wParam);
    int lp = int(lParam);
    const char* name = GetMessageName(message);
    if (name && name[0]) {
        WriteLog(0,
                 "::PostThreadMessage(THREAD-ID:%d(0x%08X), MSG:%s(0x%04X), WPARAM:%d(0x%08X), "
                 "LPARAM:%d(0x%08X)) function fails, last error code value: %d.",
                 int(threadId), unsigned(threadId), name, message, wp, unsigned(wp), lp,
                 unsigned(lp), int(error));
    } else {
        WriteLog(0,
                 "::PostThreadMessage(THREAD-ID:%d(0x%08X), MSG:%d(0x%04X), WPARAM:%d(0x%08X), "
                 "LPARAM:%d(0x%08X)) function fails, last error code value: %d.",
                 int(threadId), unsigned(threadId), int(message), message, wp, unsigned(wp), lp,
                 unsigned(lp), int(error));
    }
    SetLastError(error);   // the caller may still ask why
    return 0;
}

int PostToWindowThread(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return PostToThread(thread, message, wParam, lParam);
}

int WaitForHandle(HeldHandle* holder, uint32_t milliseconds) {
    if (!holder || !holder->handle) return 0;
    switch (WaitForSingleObject(holder->handle, milliseconds)) {
    case WAIT_OBJECT_0: return 1;
    case WAIT_ABANDONED:
        WriteLog(0,
                 "The specified object is a mutex object that was not released by the thread "
                 "that owned the mutex object before the owning thread terminated. Ownership of "
                 "the mutex object is granted to the calling thread, and the mutex is set to "
                 "nonsignaled.");
        return 0;
    case WAIT_TIMEOUT:
        WriteLog(0, "The time-out interval elapsed, and the object's state is nonsignaled.");
        return 0;
    default: return 0;
    }
}

int CloseHeldHandle(HeldHandle* holder) {
    if (!holder || !holder->handle) return 0;
    int result = CloseHandle(holder->handle);
    holder->handle = nullptr;
    return result;
}

void DeleteLock(CRITICAL_SECTION* lock) {
    if (lock) DeleteCriticalSection(lock);
}

}   // namespace Nuvex
