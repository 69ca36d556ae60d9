// The C++ runtime's per-thread exception records as the module keeps them
// (panel/ModuleRuntime.cpp, linked into this program as into the module),
// with the host having taken every TLS index first.
#include <gtest/gtest.h>
#include <process.h>
#include <windows.h>

#include <atomic>
#include <exception>
#include <memory>
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
