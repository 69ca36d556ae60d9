// fp_bench [blend|frame|frames|gui|ini|lists|md5|move|update]...: runs the named
// benchmarks, or all.
#include "tools/bench/Bench.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    struct Entry {
        const char* name;
        void (*run)();
    };
    const Entry entries[] = {
        {"blend", &RunBlendBench}, {"frame", &RunFrameBench}, {"frames", &RunFramesBench},
        {"gui", &RunGuiBench},     {"ini", &RunIniBench},     {"lists", &RunListBench},
        {"md5", &RunMd5Bench},     {"move", &RunMoveBench},   {"update", &RunUpdateBench},
    };
    for (const Entry& entry : entries) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i) wanted |= std::strcmp(argv[i], entry.name) == 0;
        if (!wanted) continue;
        std::printf("== %s ==\n", entry.name);
        entry.run();
        std::fflush(stdout);
    }
    return 0;
}
