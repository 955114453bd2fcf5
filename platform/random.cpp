#include "platform/random.h"

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
  // The seed is an input like time and keys: the live window hands in one it read from the
  // clock, a replay the script's. With none handed in, the generator runs on as it stands.
  if (seeds.empty()) return;
  seed(seeds.front());
  seeds.pop_front();
}

void RandomSource::enqueue(std::deque<float> draws) {
  if (queue.empty())
    queue = std::move(draws);
  else
    queue.insert(queue.end(), draws.begin(), draws.end());
}

void RandomSource::seed(uint64_t value) { engine.seed(value); }

}  // namespace zorvane
