// The tick path allocates nothing: every heap allocation of this program is counted, and
// 100,000 timer ticks of a game in play make none.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "platform/keys.h"
#include "tests/core/test_door.h"

namespace {
bool counting = false;
long allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  if (counting) ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace zorvane {
namespace {

TEST(TickPath, HundredThousandTicksAllocateNothing) {
  OpenForm1 f;
  f.fixSeed(1);
  f.Show();
  // A paddle spanning the playfield brings the ball back every time.
  auto widen = [&] {
    f.fields().paddle.Left = f.fields().boardLeft - 1;
    f.fields().paddle.Width = f.fields().boardRight - f.fields().boardLeft + 2;
  };
  widen();
  f.keyDown(keys::Left);
  long ticks = 0, balls = 0;
  int64_t until = f.now();
  while (ticks < 100000) {
    until += 25;
    counting = true;
    while (const int n = f.advanceTo(until)) {
      ++ticks;
      balls += n == 2;
    }
    counting = false;
    // Between ticks, as a player would: the next level, or a new game.
    if (f.fields().nextlevel.Visible) f.click("nextlevel"), widen();
    if (f.fields().gameover.Visible) f.click("gameover"), widen(), f.keyDown(keys::Left);
  }
  EXPECT_EQ(allocations, 0);
  EXPECT_GT(balls, 30000);
  EXPECT_GT(f.fields().currentScore + f.fields().bestScore, 0);  // the ball met bricks on the way
}

}  // namespace
}  // namespace zorvane
