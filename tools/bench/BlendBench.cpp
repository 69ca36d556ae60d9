// Blend kernels on a 600 x 200 layer in Mpix/s, against memcpy of the same
// pixel blocks in the same run (the ceiling any per-pixel loop can reach).
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/RowKernels.h"

#include "tools/bench/Bench.h"
#include "tools/bench/BenchSupport.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <random>

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 200;
constexpr double kRoundSeconds = 0.05;
constexpr int kRounds = 7;

// The best of several timed rounds, in Mpix/s (the machine may be busy with
// other work; the fastest round is the one least disturbed by it).
double MeasureMpix(const std::function<void()>& pass) {
    pass();   // warm the caches
    double best = 0;
    for (int round = 0; round < kRounds; ++round) {
        int passes = 0;
        const double start = bench::NowSeconds();
        double elapsed = 0;
        do {
            pass();
            ++passes;
            elapsed = bench::NowSeconds() - start;
        } while (elapsed < kRoundSeconds);
        const double rate = double(kWidth) * kHeight * passes / elapsed / 1e6;
        if (rate > best) best = rate;
    }
    return best;
}

void RandomFill(Bitmap& bitmap, uint32_t seed) {
    std::mt19937 random(seed);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Pitch(); ++x) bitmap.Row(y)[x] = random();
}

}   // namespace

void RunBlendBench() {
    Bitmap layer(kWidth, kHeight, 0), target(kWidth, kHeight, 0);
    RandomFill(layer, 1);
    RandomFill(target, 2);
    const size_t blockBytes = layer.PixelBytes();

    const double memcpyRate = MeasureMpix(
        [&] { std::memcpy(target.GetPixels(), layer.GetPixels(), blockBytes); });
    std::printf("layer %d x %d, random pixels and alphas, %s kernels\n", kWidth, kHeight,
                RowKernels::VectorKernelsActive() ? "SSE2" : "scalar");
    std::printf("%-22s %9.1f Mpix/s  (reference)\n", "memcpy", memcpyRate);

    struct Kernel {
        const char* name;
        std::function<void()> pass;
    };
    const Kernel kernels[] = {
        {"copy", [&] { target.Copy(0, 0, &layer, 0, 0, kWidth, kHeight); }},
        {"alpha", [&] { target.BlitAlpha(0, 0, &layer, 0, 0, kWidth, kHeight); }},
        {"alpha opacity 200",
         [&] { target.BlitAlphaOpacity(0, 0, &layer, 0, 0, kWidth, kHeight, 200); }},
        {"tint", [&] { target.BlitTint(0, 0, &layer, 0, 0, kWidth, kHeight, 0xC0336699); }},
        {"add opacity 200", [&] { target.BlitAdd(0, 0, &layer, 0, 0, kWidth, kHeight, 200); }},
        {"add tint", [&] { target.BlitAddTint(0, 0, &layer, 0, 0, kWidth, kHeight, 0xC0336699); }},
        {"subtract opacity 200",
         [&] { target.BlitSubtract(0, 0, &layer, 0, 0, kWidth, kHeight, 200); }},
        {"subtract tint",
         [&] { target.BlitSubtractTint(0, 0, &layer, 0, 0, kWidth, kHeight, 0xC0336699); }},
        {"grey opacity 200", [&] { target.BlitGrey(0, 0, &layer, 0, 0, kWidth, kHeight, 200); }},
        {"blend rect", [&] { target.BlendRect(0, 0, kWidth, kHeight, 0x80336699); }},
    };
    for (const Kernel& kernel : kernels) {
        RandomFill(target, 2);
        const double rate = MeasureMpix(kernel.pass);
        std::printf("%-22s %9.1f Mpix/s  ratio to memcpy %.3f\n", kernel.name, rate,
                    rate / memcpyRate);
    }
}
