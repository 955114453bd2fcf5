// The random source: queued draws first, then the generator; Randomize and its seed queue.
#include <gtest/gtest.h>

#include <vector>

#include "platform/random.h"

namespace zorvane {
namespace {

std::vector<float> drawsOf(RandomSource& r, int n) {
  std::vector<float> out;
  for (int i = 0; i < n; ++i) out.push_back(r.draw());
  return out;
}

RandomSource seededWith(uint64_t seed) {
  RandomSource r;
  r.seed(seed);
  return r;
}

TEST(RandomSource, RandomizeTakesTheQueuedSeedsInOrderThenKeepsTheGenerator) {
  RandomSource r;
  r.seed(1);
  r.enqueueSeed(5);
  r.enqueueSeed(9);
  EXPECT_EQ(r.queuedSeeds(), 2u);

  RandomSource five = seededWith(5), nine = seededWith(9);
  r.Randomize();
  EXPECT_EQ(drawsOf(r, 3), drawsOf(five, 3));
  r.Randomize();
  EXPECT_EQ(r.queuedSeeds(), 0u);
  EXPECT_EQ(drawsOf(r, 3), drawsOf(nine, 3));
  r.Randomize();  // the queue is empty: the generator runs on where it stands
  EXPECT_EQ(drawsOf(r, 3), drawsOf(nine, 3));
  r.enqueueSeed(5);
  r.dropSeeds();
  r.Randomize();  // a seed dropped before its start-up is not taken
  EXPECT_EQ(drawsOf(r, 3), drawsOf(nine, 3));
}

TEST(RandomSource, QueuedDrawsComeBeforeTheReseededGenerator) {
  RandomSource r;
  r.seed(1);
  r.enqueue(0.5f);
  r.enqueueSeed(7);
  r.Randomize();
  RandomSource seven = seededWith(7);
  EXPECT_EQ(r.draw(), 0.5f);
  EXPECT_EQ(r.draw(), seven.draw());
}

}  // namespace
}  // namespace zorvane
