// Message names for the log, the logged post failures, waits and releases.
#include "engine/core/MessageNames.h"
#include "engine/core/ThreadUtils.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <process.h>

#include <cstdio>
#include <string>

using testsupport::LogCapture;

TEST(MessageNames, TableHoldsTheSdkNamesInOrder) {
    ASSERT_EQ(197u, Nuvex::MessageNameCount());
    for (size_t i = 1; i < Nuvex::MessageNameCount(); ++i)
        EXPECT_LT(Nuvex::MessageNameNumber(i - 1), Nuvex::MessageNameNumber(i)) << i;
    EXPECT_EQ(0u, Nuvex::MessageNameNumber(0));
    EXPECT_EQ(0x8000u, Nuvex::MessageNameNumber(196));
    struct Known {
        uint32_t message;
        const char* name;
    } known[] = {
        {0x0000, "WM_NULL"},       {0x0002, "WM_DESTROY"},   {0x0010, "WM_CLOSE"},
        {0x003D, "WM_GETOBJECT"},  {0x0100, "WM_KEYDOWN"},   {0x010F, "WM_IME_COMPOSITION"},
        {0x01E1, "MN_GETHMENU"},   {0x0200, "WM_MOUSEMOVE"}, {0x0281, "WM_IME_SETCONTEXT"},
        {0x02A3, "WM_MOUSELEAVE"}, {0x0317, "WM_PRINT"},     {0x037F, "WM_AFXLAST"},
        {0x038F, "WM_PENWINLAST"}, {0x8000, "WM_APP"},
    };
    for (const Known& k : known)
        EXPECT_STREQ(k.name, Nuvex::GetMessageName(k.message)) << k.message;
    for (uint32_t absent : {0x0118u, 0x020Au, 0x0400u, 0x0464u, 0x7FFFu, 0x8001u, 0xFFFFFFFFu})
        EXPECT_EQ(nullptr, Nuvex::GetMessageName(absent)) << absent;
}

namespace {

unsigned __stdcall QuitAtOnce(void*) { return 0; }

// The id of a thread that has ended: posting to it fails.
DWORD EndedThreadId() {
    unsigned id = 0;
    HANDLE h = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &QuitAtOnce, nullptr, 0, &id));
    EXPECT_NE(nullptr, h);
    WaitForSingleObject(h, 10000);
    CloseHandle(h);
    return id;
}

// The logged line up to the error code, which is the system's own.
std::string Expected(DWORD thread, const std::string& msg, int wp, int lp) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "::PostThreadMessage(THREAD-ID:%d(0x%08X), MSG:%s, WPARAM:%d(0x%08X), "
                  "LPARAM:%d(0x%08X)) function fails, last error code value: ",
                  int(thread), unsigned(thread), msg.c_str(), wp, unsigned(wp), lp, unsigned(lp));
    return text;
}

// Splits a logged failure into its text before the code and the code.
void CheckFailureLine(const std::string& line, const std::string& expectedStart, DWORD error) {
    ASSERT_EQ(expectedStart, line.substr(0, expectedStart.size()));
    EXPECT_EQ(std::to_string(error) + ".", line.substr(expectedStart.size()));
    EXPECT_NE(0u, error);
}

}   // namespace

TEST(PostToThread, AFailedPostLogsTheMessageName) {
    LogCapture capture;
    DWORD thread = EndedThreadId();
    EXPECT_EQ(0, Nuvex::PostToThread(thread, WM_DESTROY, 17, -2));
    DWORD error = GetLastError();
    ASSERT_EQ(1u, capture.Lines().size());
    CheckFailureLine(capture.Lines()[0], Expected(thread, "WM_DESTROY(0x0002)", 17, -2), error);
}

TEST(PostToThread, AMessageWithoutANameIsLoggedByNumberTwice) {
    LogCapture capture;
    DWORD thread = EndedThreadId();
    EXPECT_EQ(0, Nuvex::PostToThread(thread, 0x0464, 0, 0x12345678));
    DWORD error = GetLastError();
    ASSERT_EQ(1u, capture.Lines().size());
    CheckFailureLine(capture.Lines()[0], Expected(thread, "1124(0x0464)", 0, 0x12345678), error);
}

TEST(PostToWindowThread, PostsToTheWindowsThreadAndFailsForNoWindow) {
    LogCapture capture;
    HWND window = CreateWindowExA(0, "STATIC", "post", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);   // needs no display
    ASSERT_NE(nullptr, window);
    EXPECT_NE(0, Nuvex::PostToWindowThread(window, WM_APP + 5, 1, 2));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_APP + 5, WM_APP + 5, PM_REMOVE));
    EXPECT_EQ(nullptr, msg.hwnd);   // a thread message
    EXPECT_EQ(WPARAM(1), msg.wParam);
    DestroyWindow(window);
    EXPECT_TRUE(capture.Lines().empty());

    // No window means no thread: a failure, whatever the system does with thread 0.
    EXPECT_EQ(0, Nuvex::PostToWindowThread(window, WM_CLOSE, 0, 0));
    ASSERT_EQ(1u, capture.Lines().size());
    EXPECT_EQ(0u, capture.Lines()[0].find(
                      "::PostThreadMessage(THREAD-ID:0(0x00000000), MSG:WM_CLOSE(0x0010)"))
        << capture.Lines()[0];
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_CLOSE, WM_CLOSE, PM_REMOVE));
}

TEST(WaitForHandle, SignalledTimedOutAndEmpty) {
    LogCapture capture;
    HeldHandle empty;
    EXPECT_EQ(0, Nuvex::WaitForHandle(&empty, INFINITE));
    EXPECT_EQ(0, Nuvex::WaitForHandle(nullptr, 0));
    EXPECT_TRUE(capture.Lines().empty());

    HeldHandle event{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    ASSERT_NE(nullptr, event.handle);
    EXPECT_EQ(0, Nuvex::WaitForHandle(&event, 10));
    ASSERT_EQ(1u, capture.Lines().size());
    EXPECT_EQ("The time-out interval elapsed, and the object's state is nonsignaled.",
              capture.Lines()[0]);
    SetEvent(event.handle);
    EXPECT_EQ(1, Nuvex::WaitForHandle(&event, 10));
    EXPECT_NE(0, Nuvex::CloseHeldHandle(&event));
    EXPECT_EQ(nullptr, event.handle);
    EXPECT_EQ(0, Nuvex::CloseHeldHandle(&event));
    EXPECT_EQ(1u, capture.Lines().size());
}

namespace {

unsigned __stdcall TakeAndAbandon(void* arg) {
    WaitForSingleObject(static_cast<HANDLE>(arg), INFINITE);
    return 0;   // ends still owning the mutex
}

}   // namespace

TEST(WaitForHandle, AnAbandonedMutexIsLogged) {
    LogCapture capture;
    HeldHandle mutex{CreateMutexA(nullptr, FALSE, nullptr)};
    ASSERT_NE(nullptr, mutex.handle);
    HANDLE t = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &TakeAndAbandon, mutex.handle, 0, nullptr));
    ASSERT_NE(nullptr, t);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 10000));
    CloseHandle(t);
    EXPECT_EQ(0, Nuvex::WaitForHandle(&mutex, 1000));
    ASSERT_EQ(1u, capture.Lines().size());
    EXPECT_EQ(0u, capture.Lines()[0].find(
                      "The specified object is a mutex object that was not released"));
    Nuvex::CloseHeldHandle(&mutex);
}

TEST(LockGuard, ReleaseLeavesTheLockOnce) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    {
        LockGuard guard(&cs);
        EXPECT_TRUE(guard.Holds());
        guard.Release();
        EXPECT_FALSE(guard.Holds());
        guard.Release();   // nothing more to leave
    }
    // Free again: another thread could take it now.
    EXPECT_TRUE(TryEnterCriticalSection(&cs));
    LeaveCriticalSection(&cs);
    Nuvex::DeleteLock(&cs);
}
