// Super Zorvane!: the game in a desktop window. Feeds the window keys, button clicks and
// wall-clock time, and draws it whenever something visible has changed.
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "game/form1.h"
#include "sdl/fonts.h"
#include "sdl/icon.h"
#include "sdl/keymap.h"
#include "sdl/pacing.h"
#include "sdl/painter.h"

namespace {

using namespace zorvane;
using namespace zorvane::sdl;

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

  bool open() {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (!surface) return false;
    renderer = SDL_CreateSoftwareRenderer(surface);
    if (!renderer) return false;
    painter = std::make_unique<Painter>(renderer, fonts);
    width = surface->w;
    height = surface->h;
    return true;
  }
  void close() {
    painter.reset();  // its cached text belongs to the renderer
    if (renderer) SDL_DestroyRenderer(renderer);
    renderer = nullptr;
  }
  void resized() {
    close();
    if (!open()) std::fprintf(stderr, "zorvane: cannot draw the window: %s\n", SDL_GetError());
  }

  Placement placement(const Window& w) const { return fitToTarget(w, width, height); }

  // Returns true when something was sent to the display.
  bool show(const Window& w, std::string_view pressed, bool exposed) {
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

 private:
  SDL_Window* window;
  FontBook& fonts;
  SDL_Renderer* renderer = nullptr;
  std::unique_ptr<Painter> painter;
  int width = 0, height = 0;
};

void setIcon(SDL_Window* window, FontBook& fonts) {
  Image icon = iconPicture(64, fonts);
  if (icon.pixels.empty()) return;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(icon.pixels.data(), icon.width, icon.height, 32,
                                                      icon.width * 4, SDL_PIXELFORMAT_RGB888);
  if (s) {
    SDL_SetWindowIcon(window, s);
    SDL_FreeSurface(s);
  }
}

void reportFirstFrame() {
  // For the start-up benchmark: the wall-clock time of the first picture on the display.
  if (!std::getenv("ZORVANE_REPORT_FIRST_FRAME")) return;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::fprintf(stderr, "zorvane: first frame at %lld.%09ld\n", static_cast<long long>(ts.tv_sec), ts.tv_nsec);
}

int run() {
  std::unique_ptr<FontBook> fonts = FontBook::system();
  Form1 form;

  SDL_Rect usable{0, 0, 1024, 768};
  SDL_GetDisplayUsableBounds(0, &usable);
  float dpi = 96;
  if (SDL_GetDisplayDPI(0, &dpi, nullptr, nullptr) != 0) dpi = 96;
  const int scale = openingScale(form, usable.w, usable.h, dpi);
  const int width = int(std::nearbyint(form.clientWidth() * scale / 15));
  const int height = int(std::nearbyint(form.clientHeight() * scale / 15));
  SDL_Window* window = SDL_CreateWindow(std::string(form.title()).c_str(), SDL_WINDOWPOS_UNDEFINED,
                                        SDL_WINDOWPOS_UNDEFINED, width, height, SDL_WINDOW_RESIZABLE);
  if (!window) {
    std::fprintf(stderr, "zorvane: cannot open a window: %s\n", SDL_GetError());
    return 1;
  }
  SDL_SetWindowMinimumSize(window, width / scale / 4, height / scale / 4);
  setIcon(window, *fonts);

  int status = 0;
  {
    Screen screen(window, *fonts);
    if (!screen.open()) {
      std::fprintf(stderr, "zorvane: cannot draw the window: %s\n", SDL_GetError());
      status = 1;
    }
    form.Show();
    const WallClock clock;
    std::string pressed;        // the button the mouse went down on
    bool pressedInside = false;  // the pointer is still over it
    bool exposed = false, first = true, running = status == 0;

    auto buttonAt = [&](int x, int y) { return Painter::buttonAt(form, screen.placement(form), x, y); };
    auto handle = [&](const SDL_Event& e) {
      switch (e.type) {
        case SDL_QUIT: running = false; break;
        case SDL_WINDOWEVENT:
          if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) screen.resized();
          if (e.window.event == SDL_WINDOWEVENT_EXPOSED) exposed = true;
          break;
        case SDL_KEYDOWN: form.keyDown(virtualKey(e.key.keysym.sym)); break;
        case SDL_KEYUP: form.keyUp(virtualKey(e.key.keysym.sym)); break;
        case SDL_MOUSEBUTTONDOWN:
          if (e.button.button == SDL_BUTTON_LEFT) {
            pressed = buttonAt(e.button.x, e.button.y);
            pressedInside = !pressed.empty();
          }
          break;
        case SDL_MOUSEMOTION:
          if (!pressed.empty()) pressedInside = buttonAt(e.motion.x, e.motion.y) == pressed;
          break;
        case SDL_MOUSEBUTTONUP:
          if (e.button.button == SDL_BUTTON_LEFT && !pressed.empty()) {
            // The click may unload and show the window again: keep no control across it.
            const std::string name = pressed;
            pressed.clear();
            pressedInside = false;
            if (buttonAt(e.button.x, e.button.y) == name) form.click(name);
          }
          break;
      }
    };

    while (running) {
      runTimers(form, clock.now());
      if (screen.show(form, pressedInside ? std::string_view(pressed) : std::string_view(), exposed) && first) {
        reportFirstFrame();
        first = false;
      }
      exposed = false;

      SDL_Event e;
      const int64_t due = form.nextDue();
      int got = 0;
      if (due < 0) {
        got = SDL_WaitEvent(&e);
      } else {
        const double wait = std::ceil(double(due) - clock.exact());
        got = SDL_WaitEventTimeout(&e, wait > 0 ? int(std::min(wait, 1000.0)) : 0);
      }
      if (!got) continue;
      do {
        runTimers(form, clock.now());  // ticks that fell due before this event come first
        handle(e);
      } while (running && SDL_PollEvent(&e));
    }
  }
  SDL_DestroyWindow(window);
  return status;
}

}  // namespace

int main(int, char**) {
  // Draw into the window's own pixels: under plain X this is far cheaper than a GL texture.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "zorvane: cannot start SDL: %s\n", SDL_GetError());
    return 1;
  }
  const int status = run();
  SDL_Quit();
  return status;
}
