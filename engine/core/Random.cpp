#include "engine/core/Random.h"

namespace {

uint32_t g_randomSeed = 0;

}   // namespace

namespace Nuvex {

float RandomFloat(float a, float b) {
    g_randomSeed = g_randomSeed * 214013u + 2531011u;
    const float k = 1.0f / 65535.0f;
    long double r = (long double)a + ((long double)b - (long double)a) *
                                         (long double)(g_randomSeed >> 16) * (long double)k;
    return float(r);
}

void SetRandomSeed(uint32_t seed) { g_randomSeed = seed; }

}   // namespace Nuvex
