// The game's random draw formulas.
#pragma once
#include <cmath>
#include <cstdint>

#include "platform/random.h"

namespace zorvane {

// A speed factor: 1 - r × spread, in (1 - spread, 1].
inline double speedFactor(RandomSource& random, double spread) {
  return 1 - static_cast<double>(random.draw()) * spread;
}

// floor(r × n): a whole number 0..n - 1 (the product in double is exact).
inline int16_t roll(RandomSource& random, int n) {
  return static_cast<int16_t>(std::floor(static_cast<double>(random.draw()) * n));
}

}  // namespace zorvane
