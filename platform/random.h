// The game's one source of random draws: single-precision values in [0, 1).
#pragma once
#include <cstdint>
#include <deque>
#include <random>

namespace zorvane {

class RandomSource {
 public:
  float draw();                            // next draw: from the queue, else the generator
  void Randomize();                        // start-up: reseed from the clock, unless the seed is fixed
  void seed(uint64_t value);               // reseed the generator
  void fixSeed(uint64_t value);            // replays: seed once, Randomize becomes a no-op
  void enqueue(float r) { queue.push_back(r); }  // a given draw, used before the generator
  size_t queued() const { return queue.size(); }

 private:
  std::mt19937_64 engine{1};
  std::deque<float> queue;
  bool seedFixed = false;
};

}  // namespace zorvane
