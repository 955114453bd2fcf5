// The game's one source of random draws: single-precision values in [0, 1).
#pragma once
#include <cstdint>
#include <deque>
#include <random>

namespace zorvane {

class RandomSource {
 public:
  float draw();                            // next draw: from the queue, else the generator
  void Randomize();                        // start-up: the next queued seed, else the clock unless fixed
  void seed(uint64_t value);               // reseed the generator
  void fixSeed(uint64_t value);            // replays: seed once; with no seed queued, Randomize keeps it
  void enqueue(float r) { queue.push_back(r); }  // a given draw, used before the generator
  size_t queued() const { return queue.size(); }
  void enqueueSeed(uint64_t value) { seeds.push_back(value); }  // for one Randomize, in order
  size_t queuedSeeds() const { return seeds.size(); }

 private:
  std::mt19937_64 engine{1};
  std::deque<float> queue;
  std::deque<uint64_t> seeds;  // replays: the seed of each start-up's Randomize, in order
  bool seedFixed = false;
};

}  // namespace zorvane
