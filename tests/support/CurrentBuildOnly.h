#pragma once
// Marks a shared case that holds for the current build only, with the reason
// the older build differs, as the first statement of the case:
//
//     TEST(Suite, Name) {
//         CURRENT_BUILD_ONLY("the older build's lines carry the time alone");
//
// The older build's tree registers a marked case as disabled: ctest lists it
// among the tests not run, and counts only the cases that ran
// (tests/CMakeLists.txt reads the marks). Run by hand in that build, the case
// is skipped with its reason.
#include <gtest/gtest.h>

#define CURRENT_BUILD_ONLY(reason) \
    if (FP_OLDER_BUILD) GTEST_SKIP() << "current build only: " << (reason)
