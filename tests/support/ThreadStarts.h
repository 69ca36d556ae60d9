#pragma once
// 32-bit wine can crash a process that exits while one of its threads is
// still starting (seen about once in 200 runs of a program whose last test
// took a millisecond, with GoogleTest's per-thread watcher thread just made).
// Every thread that has started passes this program's thread-attach
// callback; a test program waits for the others before it ends.
#include <windows.h>

namespace testsupport {

// Waits until every other thread of the process has started or ended, at
// most `timeoutMs`; false when one had not.
bool WaitForThreadStarts(DWORD timeoutMs);

}   // namespace testsupport
