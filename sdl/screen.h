// The desktop window as the game sees it: its pixels, and the wall clock its time comes from.
#pragma once
#include <SDL.h>

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "paint/painter.h"
#include "platform/contract.h"

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

// The desktop window's pixels: the painter draws straight into its surface, and only the
// patches that changed are sent to the display.
class Screen {
 public:
  Screen(SDL_Window* window, const paint::Fonts& fonts) : window(window), painter(fonts) { rects.reserve(64); }

  bool open();                                   // false: SDL_GetError() says why
  void resized();                                // the window's size changed: a new surface
  paint::Placement placement(const View& w) const {
    return surface ? paint::fitToTarget(w, surface->w, surface->h) : paint::Placement{};
  }
  bool show(const View& w, std::string_view pressed, bool exposed);  // true: something was sent to the display

 private:
  SDL_Window* window;
  SDL_Surface* surface = nullptr;  // the window's own, until it is resized
  paint::PixelFormat format;
  paint::Painter painter;
  std::vector<SDL_Rect> rects;
};

}  // namespace zorvane::sdl
