#pragma once
// The win32-threads MinGW runtime has no std::mutex; GoogleTest only needs
// its Notification helper from it, so this gives it one over a Win32 event.
// Force-included while building GoogleTest and the tests.
#ifdef __cplusplus
#include <windows.h>
namespace testing {
namespace internal {
class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};
}   // namespace internal
}   // namespace testing
#define GTEST_HAS_NOTIFICATION_ 1
#endif
