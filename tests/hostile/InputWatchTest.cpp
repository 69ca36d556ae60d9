// The watch itself: each way an input can break a bound, done on purpose,
// must end or fail the program with the input named. These cases run only
// through the checks registered beside the program (tests/CMakeLists.txt),
// which expect them to fail and look for the input's name in what they say.
#include "HostileFeed.h"
#include "InputWatch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

namespace {

void FeedOne(const hostile::Target& target) {
    hostile::Feed({"watch check", 1, 0, {"sample"}, {}, {}}, target);
}

}   // namespace

TEST(InputWatch, DISABLED_AnAbort) {
    FeedOne([](const std::string&) -> bool { std::abort(); });
}

TEST(InputWatch, DISABLED_ACrash) {
    FeedOne([](const std::string&) {
        const char* volatile nowhere = nullptr;
        return *nowhere != 0;
    });
}

TEST(InputWatch, DISABLED_AHang) {
    hostile::WatchLimits limits;
    limits.hangMs = 1000;
    ASSERT_TRUE(hostile::StartWatch(limits));
    FeedOne([](const std::string&) {
        Sleep(INFINITE);
        return true;
    });
}

TEST(InputWatch, DISABLED_ALargeRequest) {
    FeedOne([](const std::string&) {
        void* volatile block = malloc(size_t(100) << 20);   // volatile: not optimised away
        free(block);
        return true;
    });
}
