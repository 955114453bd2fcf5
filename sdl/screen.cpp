#include "sdl/screen.h"

#include <cstdio>

namespace zorvane::sdl {

bool Screen::open() {
  surface = SDL_GetWindowSurface(window);
  if (!surface || surface->format->BytesPerPixel != 4) return surface = nullptr, false;
  const SDL_PixelFormat& f = *surface->format;
  format = paint::PixelFormat{f.Rshift, f.Gshift, f.Bshift, f.Amask};
  renewed = true;
  return true;
}

void Screen::resized() {
  if (!open()) std::fprintf(stderr, "zorvane: cannot draw the window: %s\n", SDL_GetError());
}

bool Screen::show(const Paint& paint, bool exposed) {
  if (!surface) return false;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
  const paint::Target target{static_cast<uint32_t*>(surface->pixels), surface->w, surface->h, surface->pitch / 4, format};
  const std::vector<paint::Rect>& patches = paint(target);
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  if (!patches.empty()) {
    rects.clear();
    for (const paint::Rect& r : patches) rects.push_back(SDL_Rect{r.x, r.y, r.w, r.h});
    SDL_UpdateWindowSurfaceRects(window, rects.data(), int(rects.size()));
    return true;
  }
  if (exposed) SDL_UpdateWindowSurface(window);
  return exposed;
}

}  // namespace zorvane::sdl
