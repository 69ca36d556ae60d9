#pragma once
// Helpers the engine's window object uses around its window thread, its frame
// thread and its locks; failures are logged with the message's name.
#include <windows.h>
#include <cstdint>

struct HeldHandle {
    HANDLE handle = nullptr;
};

// Holds a critical section it has entered until Release (or destruction).
class LockGuard {
public:
    LockGuard() = default;
    explicit LockGuard(CRITICAL_SECTION* cs) : cs_(cs) {
        if (cs_) EnterCriticalSection(cs_);
    }
    ~LockGuard() { Release(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
    void Release();
    bool Holds() const { return cs_ != nullptr; }

private:
    CRITICAL_SECTION* cs_ = nullptr;
};

namespace Nuvex {
// Posts to the thread that owns window; non-zero when posted.
int PostToWindowThread(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
// The same for a known thread id (0 counts as a failed post).
int PostToThread(DWORD threadId, uint32_t message, WPARAM wParam, LPARAM lParam);
int WaitForHandle(HeldHandle* holder, uint32_t milliseconds);
int CloseHeldHandle(HeldHandle* holder);
void DeleteLock(CRITICAL_SECTION* lock);
}   // namespace Nuvex
