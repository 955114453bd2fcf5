// The desktop window as the game sees it: its pixels.
#pragma once
#include <SDL.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>
#include <string_view>
#include <vector>

#include "paint/painter.h"
#include "platform/contract.h"

namespace zorvane::sdl {

// The desktop window's pixels: the picture is painted straight into its surface, and only
// the patches that changed are sent to the display.
class Screen {
 public:
  // Paints the picture into a target and returns the patches that changed.
  using Paint = std::function<const std::vector<paint::Rect>&(const paint::Target&)>;

  explicit Screen(SDL_Window* window) : window(window) { rects.reserve(64); }

  bool open();                                   // false: SDL_GetError() says why
  void resized();                                // the window's size changed: a new surface
  bool newPixels() { return std::exchange(renewed, false); }  // true once after a new surface: paint it all
  bool show(const Paint& paint, bool exposed);   // true: something was sent to the display

 private:
  SDL_Window* window;
  SDL_Surface* surface = nullptr;  // the window's own, until it is resized
  paint::PixelFormat format;
  std::vector<SDL_Rect> rects;
  bool renewed = false;
};

}  // namespace zorvane::sdl
