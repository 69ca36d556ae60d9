// The C++ runtime's per-thread exception records as the module keeps them
// (panel/ModuleRuntime.cpp, linked into this program as into the module),
// with the host having taken every TLS index first, and a table that fills.
#include "engine/core/Log.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <process.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

// Every TLS index the process has left, held as a host may hold them.
class AllTlsIndexes {
public:
    AllTlsIndexes() {
        for (DWORD index; (index = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken_.push_back(index);
    }
    ~AllTlsIndexes() {
        for (DWORD index : taken_) TlsFree(index);
    }
    AllTlsIndexes(const AllTlsIndexes&) = delete;
    AllTlsIndexes& operator=(const AllTlsIndexes&) = delete;

private:
    std::vector<DWORD> taken_;
};

struct Tally {
    std::atomic<long> caught{0};      // levels whose own exception came back to them
    std::atomic<long> unwinding{0};   // catch blocks that saw an exception in flight
    std::atomic<long> wrong{0};       // levels that got another level's exception
};

// Each level throws and, inside its catch block, goes one level deeper, so a
// thread holds `depth` caught exceptions at its deepest point. Back from the
// deeper levels, a level's own exception must still be the current one.
void Nest(int level, int depth, Tally& tally) {
    try {
        throw level;
    } catch (int thrown) {
        if (std::uncaught_exceptions() != 0) ++tally.unwinding;
        if (level + 1 < depth) Nest(level + 1, depth, tally);
        try {
            throw;
        } catch (int again) {
            ++(thrown == level && again == level ? tally.caught : tally.wrong);
        }
    }
}

// The threads of one row. Their handles stay open until the row ends, so
// that no ended thread's id is given to a later one: each thread is new to
// the module.
struct ThrowingRun {
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int depth = 0;
    Tally tally;
    std::vector<HANDLE> threads;

    ~ThrowingRun() {
        for (HANDLE thread : threads) CloseHandle(thread);
        if (go) CloseHandle(go);
    }
};

unsigned __stdcall NestWhenTold(void* arg) {
    auto* run = static_cast<ThrowingRun*>(arg);
    WaitForSingleObject(run->go, INFINITE);
    Nest(0, run->depth, run->tally);
    return 0;
}

// Starts `count` threads that nest at once and waits until they have all
// ended; false when one could not start or they did not end in time (a
// record two threads share can lose an exception and spin for ever).
bool RunRound(ThrowingRun& run, int count) {
    const size_t first = run.threads.size();
    for (int i = 0; i < count; ++i) {
        auto thread = _beginthreadex(nullptr, 1 << 20, &NestWhenTold, &run,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!thread) break;
        run.threads.push_back(reinterpret_cast<HANDLE>(thread));
    }
    const DWORD started = DWORD(run.threads.size() - first);
    SetEvent(run.go);
    const DWORD waited = WaitForMultipleObjects(started, run.threads.data() + first, TRUE, 90000);
    ResetEvent(run.go);
    return started == DWORD(count) && waited == WAIT_OBJECT_0;
}

struct ThrowingRow {
    const char* what;
    int threads;   // started together, in each round
    int rounds;    // each round's threads end before the next round starts
    int depth;
};

}   // namespace

TEST(ModuleRuntime, EveryThreadKeepsItsOwnExceptionsWithNoTlsIndexLeft) {
    const ThrowingRow rows[] = {
        {"threads throwing at once", 16, 1, 2000},
        // More threads in all than the module keeps records for at a time:
        // an ended thread's record must serve the threads after it.
        {"threads that end and others that follow", 16, 130, 2},
    };
    AllTlsIndexes host;
    for (const ThrowingRow& row : rows) {
        SCOPED_TRACE(row.what);
        auto run = std::unique_ptr<ThrowingRun>(new ThrowingRun);
        run->depth = row.depth;
        ASSERT_NE(nullptr, run->go);
        for (int round = 0; round < row.rounds; ++round) {
            if (!RunRound(*run, row.threads)) {
                run.release();   // a thread that hangs may still use it
                FAIL() << "round " << round << ": a thread did not start or did not end";
            }
        }
        const long levels = long(row.threads) * row.rounds * row.depth;
        EXPECT_EQ(levels, run->tally.caught.load());
        EXPECT_EQ(0, run->tally.wrong.load());
        EXPECT_EQ(0, run->tally.unwinding.load());
    }
}

namespace {

// A run of this program given this flag fills the table, logging to the
// engine log named after it.
constexpr char kFillFlag[] = "--fill-exception-table=";

using NtTerminateThreadFn = LONG(NTAPI*)(HANDLE, LONG);

// Takes an entry and ends with the system call alone, so the thread-end
// callbacks never run and the entry stays taken, as a killed thread leaves
// it; unlike a killed thread, its stack is given back, which a 32-bit
// process needs to get through thousands of them.
unsigned __stdcall ThrowOnceAndVanish(void*) {
    try {
        throw 1;
    } catch (int) {
    }
    static const auto terminate = reinterpret_cast<NtTerminateThreadFn>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtTerminateThread"));
    terminate(GetCurrentThread(), 0);
    return 1;
}

// Threads that each leave an entry taken, one after another (their handles,
// kept open, keep their ids from later threads), until one finds none and
// the process ends there; a debugger, which stops every thread at each of
// its events, keeps up with one live thread at a time. The exit codes below
// say the table did not fill.
[[noreturn]] void FillTheTable(const char* logName) {
    if (Nuvex::OpenLog(logName, 0, 0) != 1) ExitProcess(10);
    for (int n = 0; n < 4096; ++n) {   // twice the table
        const auto thread = reinterpret_cast<HANDLE>(
            _beginthreadex(nullptr, 64 << 10, &ThrowOnceAndVanish, nullptr,
                           STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
        if (!thread) ExitProcess(11);
        DWORD code = 1;
        if (WaitForSingleObject(thread, 30000) != WAIT_OBJECT_0 ||
            !GetExitCodeThread(thread, &code) || code != 0)
            ExitProcess(12);
    }
    ExitProcess(13);
}

struct DebuggedRun {
    bool ended = false;
    DWORD exitCode = 0;
    std::string debugOutput;   // every OutputDebugStringA text, in order
};

// Runs a command line as its debugger for at most `timeoutMs`; a process
// still running then is ended and counts as not ended.
DebuggedRun RunUnderDebugger(std::string commandLine, DWORD timeoutMs) {
    DebuggedRun run;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                        nullptr, nullptr, &si, &pi))
        return run;
    const DWORD start = GetTickCount();
    DEBUG_EVENT event;
    for (DWORD spent = 0; !run.ended && spent < timeoutMs; spent = GetTickCount() - start) {
        if (!WaitForDebugEvent(&event, timeoutMs - spent)) break;
        DWORD status = DBG_CONTINUE;
        const auto& text = event.u.DebugString;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT: CloseHandle(event.u.CreateProcessInfo.hFile); break;
        case LOAD_DLL_DEBUG_EVENT: CloseHandle(event.u.LoadDll.hFile); break;
        case OUTPUT_DEBUG_STRING_EVENT:
            if (!text.fUnicode) {
                std::string bytes(text.nDebugStringLength, '\0');
                ReadProcessMemory(pi.hProcess, text.lpDebugStringData, &bytes[0], bytes.size(),
                                  nullptr);
                run.debugOutput += bytes.c_str();
            }
            break;
        case EXCEPTION_DEBUG_EVENT:   // the process's own handlers take its exceptions
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            run.ended = true;
            run.exitCode = event.u.ExitProcess.dwExitCode;
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    if (!run.ended) {
        TerminateProcess(pi.hProcess, 99);
        DebugActiveProcessStop(pi.dwProcessId);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return run;
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

}   // namespace

// A process whose threads hold every entry of the table ends with abort's
// code as one more thread throws, and says why first: once to the debugger
// and once in the engine's log. The table is filled in a second run of this
// program, with this one as its debugger.
TEST(ModuleRuntime, AFullTableIsExplainedBeforeTheProcessEnds) {
    if (const char* flag = std::strstr(GetCommandLineA(), kFillFlag))
        FillTheTable(flag + sizeof kFillFlag - 1);

    const std::string logName = "fpruntime_full_" + std::to_string(GetCurrentProcessId());
    const std::string logPath = testsupport::ExeFolder() + "\\" + logName + "~0.log";
    DeleteFileA(logPath.c_str());
    char self[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameA(nullptr, self, sizeof self));
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const DebuggedRun run = RunUnderDebugger(std::string("\"") + self +
                                                 "\" --gtest_filter=" + test->test_suite_name() +
                                                 "." + test->name() + " " + kFillFlag + logName,
                                             90000);
    std::string log;
    testsupport::ReadWholeFile(logPath, &log);
    DeleteFileA(logPath.c_str());

    ASSERT_TRUE(run.ended) << "the run did not end in time";
    EXPECT_EQ(3u, run.exitCode) << "10: no log, 11: no thread, 12: a thread did not vanish, "
                                   "13: the table never filled";
    const std::string cause =
        "Can't keep a C++ exception record for one more thread: all 2048 entries of the "
        "module's table are held by threads that have not ended. The process ends now (exit "
        "code 3).";
    EXPECT_EQ(1u, Occurrences(run.debugOutput, "LOG: " + cause + "\r\n")) << run.debugOutput;
    EXPECT_EQ(1u, Occurrences(log, "] " + cause)) << log;
}
