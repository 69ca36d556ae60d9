#pragma once
// The engine's random generator (a linear congruential one); engine start-up
// seeds it from the tick count.
#include <cstdint>

namespace Nuvex {

// A value in [a, b], both ends included. Not for concurrent callers.
float RandomFloat(float a, float b);
void SetRandomSeed(uint32_t seed);

}   // namespace Nuvex
