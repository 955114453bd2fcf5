#include "sdl/screen.h"

#include <cstdio>
#include <vector>

namespace zorvane::sdl {

bool Screen::open() {
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (!surface) return false;
  renderer = SDL_CreateSoftwareRenderer(surface);
  if (!renderer) return false;
  painter = std::make_unique<Painter>(renderer, fonts);
  width = surface->w;
  height = surface->h;
  return true;
}

void Screen::close() {
  painter.reset();  // its cached text belongs to the renderer
  if (renderer) SDL_DestroyRenderer(renderer);
  renderer = nullptr;
}

void Screen::resized() {
  close();
  if (!open()) std::fprintf(stderr, "zorvane: cannot draw the window: %s\n", SDL_GetError());
}

bool Screen::show(const View& w, std::string_view pressed, bool exposed) {
  if (!painter) return false;
  const std::vector<SDL_Rect>& patches = painter->draw(w, placement(w), pressed);
  if (!patches.empty()) {
    SDL_RenderFlush(renderer);
    SDL_UpdateWindowSurfaceRects(window, patches.data(), int(patches.size()));
    return true;
  }
  if (exposed) SDL_UpdateWindowSurface(window);
  return exposed;
}

}  // namespace zorvane::sdl
