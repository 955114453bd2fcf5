// The floor under the window's cost: a program that does the least a window showing the
// game could do. It opens a window of the game's size, wakes whenever the game's timers
// fall due (a game runs beside it, its ball kept in flight, nothing drawn) and sends one
// 16 × 16 patch of changed pixels to the X server each time. bench/window_cost.sh measures
// it as it measures the game:  ZORVANE_PROGRAM=floor bench/window_cost.sh build/release
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "paint/geometry.h"
#include "platform/keys.h"
#include "tests/core/test_door.h"

int main() {
  using namespace zorvane;
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return std::fprintf(stderr, "window floor: %s\n", SDL_GetError()), 1;
  OpenForm1 form;
  form.fixSeed(1);
  form.Show();
  const paint::Placement p = paint::placeAtScale(form, 1);
  SDL_Window* window = SDL_CreateWindow("Super Zorvane! floor", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                        p.targetWidth, p.targetHeight, 0);
  SDL_Surface* surface = window ? SDL_GetWindowSurface(window) : nullptr;
  if (!surface) return std::fprintf(stderr, "window floor: %s\n", SDL_GetError()), 1;
  SDL_FillRect(surface, nullptr, 0x00ff00);
  SDL_UpdateWindowSurface(window);
  if (std::getenv("ZORVANE_REPORT_FIRST_FRAME")) {  // as the game reports it, for the start-up figure
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::fprintf(stderr, "floor: first frame at %lld.%09ld\n", static_cast<long long>(ts.tv_sec), ts.tv_nsec);
  }
  form.keyDown(keys::Left);  // serve, and let the paddle span the playfield: the ball stays in flight
  const Uint64 start = SDL_GetPerformanceCounter(), frequency = SDL_GetPerformanceFrequency();
  auto now = [&] { return double(SDL_GetPerformanceCounter() - start) * 1000.0 / double(frequency); };
  Uint32 shade = 0;
  for (bool running = true; running;) {
    form.fields().paddle.Left = form.fields().boardLeft - 1;
    form.fields().paddle.Width = form.fields().boardRight - form.fields().boardLeft + 2;
    const int64_t due = form.nextDue();
    const double wait = due < 0 ? 1000.0 : std::ceil(double(due) - now());
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, wait > 0 ? int(std::min(wait, 1000.0)) : 0)) {
      do running = running && e.type != SDL_QUIT;
      while (SDL_PollEvent(&e));
      continue;
    }
    while (form.advanceTo(int64_t(std::floor(now())))) {
    }
    shade = (shade + 0x010101) & 0xffffff;
    const SDL_Rect patch{0, 0, 16, 16};
    SDL_FillRect(surface, &patch, shade);
    SDL_UpdateWindowSurfaceRects(window, &patch, 1);
  }
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
