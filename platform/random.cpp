#include "platform/random.h"

#include <chrono>

namespace zorvane {

float RandomSource::draw() {
  if (!queue.empty()) {
    const float r = queue.front();
    queue.pop_front();
    return r;
  }
  // 24 random bits scaled by 2^-24: exact in single precision and never 1.
  return static_cast<float>(engine() >> 40) * 0x1p-24f;
}

void RandomSource::Randomize() {
  if (!seeds.empty()) {
    seed(seeds.front());
    seeds.pop_front();
    return;
  }
  if (seedFixed) return;
  seed(static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

void RandomSource::seed(uint64_t value) { engine.seed(value); }

void RandomSource::fixSeed(uint64_t value) {
  seed(value);
  seedFixed = true;
}

}  // namespace zorvane
