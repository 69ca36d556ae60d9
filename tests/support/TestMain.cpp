// Entry point of every test program: the environment is checked first, so a
// wrong code page fails loudly instead of passing double-byte tests wrongly.
#include "support/TestSupport.h"
#include "support/ThreadStarts.h"
#include "engine/core/Log.h"

#include <gtest/gtest.h>
#include <cstdio>

namespace testsupport {
int WINAPI SuppressedMessageBox(HWND, LPCSTR text, LPCSTR title, UINT type);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GetACP() != 936) {
        std::fprintf(stderr,
                     "tests need the ANSI code page 936 (run under tools/wine-run); got %u\n",
                     GetACP());
        return 2;
    }
    Nuvex::SetMessageBoxFunction(&testsupport::SuppressedMessageBox);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    const int result = RUN_ALL_TESTS();
    // ctest names each case from the sources: a name the program does not
    // hold (a stale build) must fail, not pass as an empty run.
    if (::testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
        std::fprintf(stderr, "no test matches the filter: rebuild the test program\n");
        return 3;
    }
    if (!testsupport::WaitForThreadStarts(5000))
        std::fprintf(stderr, "a thread was still starting as the program ended\n");
    return result;
}
