// The desktop window as the game sees it: its pixels, and the wall clock its time comes from.
#pragma once
#include <SDL.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/contract.h"
#include "sdl/fonts.h"
#include "sdl/painter.h"
#include "sdl/placement.h"

namespace zorvane::sdl {

// Milliseconds since the window was first shown, from the monotonic counter.
class WallClock {
 public:
  double exact() const { return double(SDL_GetPerformanceCounter() - start) * 1000.0 / double(frequency); }
  int64_t now() const { return int64_t(std::floor(exact())); }

 private:
  Uint64 start = SDL_GetPerformanceCounter();
  Uint64 frequency = SDL_GetPerformanceFrequency();
};

// The desktop window's pixels: the software renderer draws straight into its surface, and
// only the patches that changed are sent to the display.
class Screen {
 public:
  Screen(SDL_Window* window, FontBook& fonts) : window(window), fonts(fonts) {}
  ~Screen() { close(); }
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  bool open();                                   // false: SDL_GetError() says why
  void close();
  void resized();                                // the window's size changed: a new surface
  Placement placement(const View& w) const { return fitToTarget(w, width, height); }
  bool show(const View& w, std::string_view pressed, bool exposed);  // true: something was sent to the display

 private:
  SDL_Window* window;
  FontBook& fonts;
  SDL_Renderer* renderer = nullptr;
  std::unique_ptr<Painter> painter;
  int width = 0, height = 0;
};

}  // namespace zorvane::sdl
