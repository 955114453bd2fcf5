// The platform under the game: the contract's clock rules, the catch-up step and the
// random source's range.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/draws.h"
#include "tests/core/game_fixture.h"

namespace zorvane {
namespace {

using testing::Game;

// The timer numbers and times the window fires by `until`.
std::vector<std::pair<int64_t, int>> firedBy(OpenForm1& f, int64_t until) {
  std::vector<std::pair<int64_t, int>> fired;
  while (const int n = f.advanceTo(until)) fired.emplace_back(f.now(), n);
  return fired;
}

TEST(Clock, CatchUpFiresOnceOnlyForTimersMoreThanOneIntervalLate) {
  using Fired = std::vector<std::pair<int64_t, int>>;
  {  // Exactly one interval late (due at 25 and 50): both ticks still come.
    Game g;
    g.form.catchup(50);
    EXPECT_EQ(firedBy(g.form, 50), (Fired{{25, 1}, {25, 2}, {50, 1}, {50, 2}, {50, 3}}));
  }
  {  // More than one interval late (the 25 ms timers): one tick, at the catch-up time, and
     // on from there; the logo timer, less than one interval late, fires at its due time.
    Game g;
    g.form.catchup(76);
    EXPECT_EQ(firedBy(g.form, 76), (Fired{{50, 3}, {76, 1}, {76, 2}}));
    EXPECT_EQ(firedBy(g.form, 101), (Fired{{100, 3}, {101, 1}, {101, 2}}));
    EXPECT_EQ(g.form.now(), 101);
  }
  {  // Without the catch-up step every missed tick comes, in clock order.
    Game g;
    EXPECT_EQ(firedBy(g.form, 76), (Fired{{25, 1}, {25, 2}, {50, 1}, {50, 2}, {50, 3}, {75, 1}, {75, 2}}));
  }
}

TEST(Clock, ATimerSetDuringAnEventFallsDueFromThatEvent) {
  Game g;
  OpenForm1& f = g.form;
  g.wait(30);
  f.keyDown(keys::P);  // at 30: the paddle and ball timers stop
  EXPECT_EQ(f.nextDue(), 50);
  g.wait(7);
  EXPECT_TRUE(f.click("pause"));  // at 37: they run again, due at 62
  EXPECT_EQ(f.nextDue(), 50);
  EXPECT_EQ(firedBy(f, 62), (std::vector<std::pair<int64_t, int>>{{50, 3}, {62, 1}, {62, 2}}));
  // advanceTo never moves the clock back.
  EXPECT_EQ(f.advanceTo(10), 0);
  EXPECT_EQ(f.now(), 62);
}

TEST(Random, AFixedSeedSpansZeroToOneAndRollsGiveEveryOutcome) {
  RandomSource r;
  r.seed(20240601);
  float lo = 1, hi = 0;
  for (int k = 0; k < 10000; ++k) {
    const float x = r.draw();
    ASSERT_GE(x, 0.0f);
    ASSERT_LT(x, 1.0f);
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
  EXPECT_LT(lo, 0.01f);
  EXPECT_GT(hi, 0.99f);
  int seen[2] = {0, 0};
  for (int k = 0; k < 200; ++k) ++seen[roll(r, 2)];
  EXPECT_GT(seen[0], 50);
  EXPECT_GT(seen[1], 50);
}

}  // namespace
}  // namespace zorvane
