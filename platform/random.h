// The game's one source of random draws: single-precision values in [0, 1).
#pragma once
#include <cstdint>
#include <deque>
#include <random>

namespace zorvane {

class RandomSource {
 public:
  float draw();                            // next draw: from the queue, else the generator
  void Randomize();                        // start-up: reseeds with the next handed-in seed; with none, keeps the generator
  void seed(uint64_t value);               // reseed the generator
  void enqueue(float r) { queue.push_back(r); }  // a given draw, used before the generator
  void enqueue(std::deque<float> draws);   // given draws, in order; a long queue is taken over, not copied
  size_t queued() const { return queue.size(); }  // given draws not yet taken
  void enqueueSeed(uint64_t value) { seeds.push_back(value); }  // for one Randomize, in order
  size_t queuedSeeds() const { return seeds.size(); }  // seeds handed in and not yet taken
  void dropSeeds() { seeds.clear(); }      // the seeds handed in and not yet taken

 private:
  std::mt19937_64 engine{1};
  std::deque<float> queue;
  std::deque<uint64_t> seeds;  // the seed of each coming start-up's Randomize, in order
};

}  // namespace zorvane
