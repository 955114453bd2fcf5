// The window's frame path makes no heap allocation of ours once running: every
// `operator new` is counted while a game plays on with the ball in flight, and each
// incremental frame after the ticks must count none, except a frame that opens a font for
// the first time (the next-level button's face when a level is cleared): that is loading,
// once per face. (SDL's own malloc is not counted.)
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "game/form1.h"
#include "platform/keys.h"
#include "sdl/painter.h"

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

namespace zorvane::sdl {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int frames = 5000;  // the sanitizers make each frame far slower
#else
constexpr int frames = 100000;
#endif

TEST(Frames, IncrementalFramesAllocateNothing) {
  std::unique_ptr<FontBook> fonts = FontBook::files(standardFontFiles());
  Form1 form;
  form.fixSeed(1);
  form.Show();
  form.keyDown(keys::Left);
  for (int k = 0; k < 8; ++k) form.Timer2_Timer();
  form.paddle.Left = form.boardLeft - 1;  // the paddle spans the playfield: the ball stays in flight
  form.paddle.Width = form.boardRight - form.boardLeft + 2;
  const Placement p = placeAtScale(form, 1);
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, p.targetWidth, p.targetHeight, 32, SDL_PIXELFORMAT_RGB888);
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
  {
    Painter painter(renderer, *fonts);
    painter.draw(form, p);
    long inFrames = 0, inTicks = 0, framesThatAllocated = 0, painted = 0, fontFrames = 0;
    for (int i = 0; i < frames; ++i) {
      const long before = allocations;
      counting = true;
      form.Timer2_Timer();
      form.Timer3_Timer();
      const long ticked = allocations;
      const size_t fontsBefore = fonts->fontsAsked();
      painted += !painter.draw(form, p).empty();
      counting = false;
      inTicks += ticked - before;
      if (fonts->fontsAsked() != fontsBefore) {
        ++fontFrames;
        continue;
      }
      inFrames += allocations - ticked;
      framesThatAllocated += allocations != ticked;
    }
    std::printf("%d frames (%ld painted something, %ld opened a font): %ld allocations in frames (%ld frames), %ld in ticks; score %s\n",
                frames, painted, fontFrames, inFrames, framesThatAllocated, inTicks, form.showscore.Caption.c_str());
    EXPECT_GT(painted, frames / 2);
    EXPECT_EQ(inFrames, 0);
    EXPECT_LE(fontFrames, 3);
  }
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(surface);
}

}  // namespace
}  // namespace zorvane::sdl
