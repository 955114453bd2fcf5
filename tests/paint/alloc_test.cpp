// The window's frame path makes no heap allocation of ours once running: every
// `operator new` is counted while a game plays on with the ball in flight, and each
// incremental frame after the ticks must count none.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "paint/painter.h"
#include "platform/keys.h"
#include "tests/core/test_door.h"

namespace {
std::atomic<long> allocations{0};
std::atomic<bool> counting{false};
}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace zorvane::paint {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int frames = 5000;  // the sanitizers make each frame far slower
#else
constexpr int frames = 100000;
#endif

TEST(Frames, IncrementalFramesAllocateNothing) {
  const Fonts& fonts = Fonts::installed();
  OpenForm1 form;
  form.fixSeed(1);
  form.Show();
  form.keyDown(keys::Left);
  for (int k = 0; k < 8; ++k) form.Timer2_Timer();
  form.paddle.Left = form.boardLeft - 1;  // the paddle spans the playfield: the ball stays in flight
  form.paddle.Width = form.boardRight - form.boardLeft + 2;
  const Placement p = placeAtScale(form, 1);
  std::vector<uint32_t> pixels(size_t(p.targetWidth) * p.targetHeight);
  const Target target{pixels.data(), p.targetWidth, p.targetHeight, p.targetWidth, xrgb};
  Painter painter(fonts);
  painter.draw(form, p, target);
  long inFrames = 0, inTicks = 0, framesThatAllocated = 0, painted = 0;
  for (int i = 0; i < frames; ++i) {
    const long before = allocations;
    counting = true;
    form.Timer2_Timer();
    form.Timer3_Timer();
    const long ticked = allocations;
    painted += !painter.draw(form, p, target).empty();
    counting = false;
    inTicks += ticked - before;
    inFrames += allocations - ticked;
    framesThatAllocated += allocations != ticked;
  }
  std::printf("%d frames (%ld painted something): %ld allocations in frames (%ld frames), %ld in ticks; score %s\n",
              frames, painted, inFrames, framesThatAllocated, inTicks, form.showscore.Caption.c_str());
  EXPECT_GT(painted, frames / 2);
  EXPECT_EQ(inFrames, 0);
}

}  // namespace
}  // namespace zorvane::paint
