// The random source: queued draws first, then the generator; Randomize and its seed queue.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
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

// Given draws are packed (a byte for two decimals, five bytes for any other) and come back
// bit for bit; a copy of the source (a snapshot of the game) shares them, and one that takes
// more draws after copying leaves the other as it was.
TEST(RandomSource, GivenDrawsComeBackExactlyAndCopiesShareThem) {
  const struct {
    float value;
    size_t bytes;
  } cases[] = {{0.0f, 1}, {0.5f, 1}, {0.25f, 1}, {0.01f, 1}, {0.99f, 1}, {0.07f, 1}, {0.125f, 5}, {1e-9f, 5},
               {std::nextafter(1.0f, 0.0f), 5}, {1e-45f, 5}, {std::nextafter(0.5f, 1.0f), 5}};
  Draws given;
  size_t bytes = 0;
  for (const auto& c : cases) given.push_back(c.value), bytes += c.bytes;
  EXPECT_EQ(given.bytes(), bytes);
  RandomSource r;
  r.enqueue(given);
  RandomSource copy = r;
  EXPECT_TRUE(copy.given().shares(given));
  copy.enqueue(0.75f);  // its own bytes from now on
  EXPECT_FALSE(copy.given().shares(given));
  for (RandomSource* source : {&r, &copy}) {
    for (const auto& c : cases) EXPECT_EQ(std::bit_cast<uint32_t>(source->draw()), std::bit_cast<uint32_t>(c.value));
  }
  EXPECT_EQ(copy.draw(), 0.75f);
  EXPECT_EQ(r.queued(), 0u);
  EXPECT_EQ(r.draw(), seededWith(1).draw());  // then the generator
}

}  // namespace
}  // namespace zorvane
