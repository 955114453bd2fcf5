// Super Zorvane!: the game in a desktop window. Feeds the window keys, button clicks and
// wall-clock time, and draws it whenever something visible has changed.
#include <SDL.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "host/loop.h"
#include "host/program.h"
#include "image/image.h"
#include "sdl/desktop.h"
#include "sdl/display.h"
#include "sdl/gamepads.h"
#include "sdl/keymap.h"
#include "sdl/screen.h"
#include "sdl/speaker.h"

namespace {

using namespace zorvane;
using namespace zorvane::sdl;

// SIGHUP (a terminal closed) or SIGQUIT came: the game ends as after SIGTERM, through its
// loop, which writes the recording's last lines. (SDL turns SIGTERM and SIGINT into SDL_QUIT.)
volatile std::sig_atomic_t hungUp = 0;
extern "C" void onHangUp(int) { hungUp = 1; }

// No SA_RESTART: the signal cuts the loop's wait short.
void endOnHangUp() {
  struct sigaction action {};
  action.sa_handler = onHangUp;
  sigemptyset(&action.sa_mask);
  sigaction(SIGHUP, &action, nullptr);
  sigaction(SIGQUIT, &action, nullptr);
}

void setIcon(SDL_Window* window) {
  const image::Image icon = image::iconPicture(64);
  if (icon.pixels.empty()) return;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(icon.pixels.data()), icon.width, icon.height, 32,
                                                      icon.width * 4, SDL_PIXELFORMAT_RGB888);
  if (s) {
    SDL_SetWindowIcon(window, s);
    SDL_FreeSurface(s);
  }
}

// Opens the window at a whole-number scale of the display, or the whole screen.
SDL_Window* openWindow(const Options& options, const View& form, const std::string& title) {
  SDL_Rect usable{0, 0, 1024, 768};
  SDL_GetDisplayUsableBounds(0, &usable);
  const int scale = paint::openingScale(form, usable.w, usable.h, displayDpi(0));
  const paint::Placement opening = paint::placeAtScale(form, scale);
  const int width = opening.targetWidth, height = opening.targetHeight;
  SDL_Rect at{SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height};
  if (options.fullscreen) SDL_GetDisplayBounds(0, &at);  // the whole screen even with no window manager
  SDL_Window* window = SDL_CreateWindow(title.c_str(), at.x, at.y, at.w, at.h,
                                        options.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE);
  if (!window) {
    std::fprintf(stderr, "zorvane: cannot open a window: %s\n", SDL_GetError());
    return nullptr;
  }
  SDL_SetWindowMinimumSize(window, width / scale / 4, height / scale / 4);
  setIcon(window);
  return window;
}

// The SDL window as the loop's system: SDL's events in the session's terms, the picture in
// the window's own pixels.
class SdlSystem : public host::System {
 public:
  explicit SdlSystem(SDL_Window* window) : window(window), screen(window) {}

  bool open() { return screen.open(); }
  void wait(double ms, GamepadSlots& pads, const Take& take) override;
  void setTitle(const std::string& title) override { SDL_SetWindowTitle(window, title.c_str()); }
  bool newPixels() override { return screen.newPixels(); }
  bool show(const Paint& paint) override { return screen.show(paint, std::exchange(exposed, false)); }
  bool ended() const override { return hungUp || displayFailed(); }

 private:
  std::optional<host::Event> translate(const SDL_Event& e, GamepadSlots& pads);  // none for the window's own events

  SDL_Window* window;
  Screen screen;
  Gamepads gamepads;
  bool exposed = false;
};

void SdlSystem::wait(double ms, GamepadSlots& pads, const Take& take) {
  SDL_Event e;
  if (!SDL_WaitEventTimeout(&e, int(ms))) return;
  do {
    const std::optional<host::Event> event = translate(e, pads);
    if (event && !take(*event)) return;
  } while (SDL_PollEvent(&e));
}

std::optional<host::Event> SdlSystem::translate(const SDL_Event& e, GamepadSlots& pads) {
  using host::Event;
  switch (e.type) {
    case SDL_QUIT: return Event{Event::Close};
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) screen.resized();
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) exposed = true;
      if (e.window.event == SDL_WINDOWEVENT_LEAVE) return Event{Event::PointerLeft};
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) return Event{Event::FocusLost};
      return {};
    case SDL_KEYDOWN:
      return Event{Event::KeyDown, virtualKey(e.key.keysym.sym), e.key.repeat != 0};
    case SDL_KEYUP: return Event{Event::KeyUp, virtualKey(e.key.keysym.sym)};
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (e.button.button != SDL_BUTTON_LEFT && e.button.button != SDL_BUTTON_RIGHT) return {};
      return Event{e.type == SDL_MOUSEBUTTONDOWN ? Event::PointerDown : Event::PointerUp, 0, false, e.button.x,
                   e.button.y, e.button.button == SDL_BUTTON_RIGHT};
    case SDL_MOUSEMOTION: return Event{Event::PointerMove, 0, false, e.motion.x, e.motion.y};
    default: gamepads.handle(e, pads); return {};
  }
}

int run(const Options& options, Files& files) {
  const paint::Fonts& fonts = installedFonts();
  // Sound, when asked for: the cues start effects.
  std::unique_ptr<Speaker> speaker = options.sound ? Speaker::open() : nullptr;
  Session session(fonts, sessionOptions(options, files, cuesTo(speaker.get())));
  if (!options.edit.empty()) session.edit(std::move(files.editing), options.edit, files.editingText);
  SDL_Window* window = openWindow(options, session.view(), session.title());
  if (!window) return 1;
  int status = emptyOutputs(files) ? 0 : 1;
  {
    SdlSystem system(window);
    if (status == 0 && !system.open()) {
      std::fprintf(stderr, "zorvane: cannot draw the window: %s\n", SDL_GetError());
      status = 1;
    }
    if (status == 0) {
      const host::Clock clock;
      begin(session, options, files, clock.now());
      // A lost display ends the program at once: the recording's last lines are written first.
      onDisplayLost([&session] { session.close(); });
      host::run(system, session, clock, options, files.left, [&speaker] { return speaker && !speaker->idle(); });
      onDisplayLost(nullptr);
    }
    if (displayFailed()) status = 1;
  }
  if (speaker && std::getenv("ZORVANE_REPORT_SOUND"))
    std::fprintf(stderr, "zorvane: sound: %llu effects started, each within %.1f ms of its event\n",
                 static_cast<unsigned long long>(speaker->started()), speaker->worstLatency());
  closeWindow(window);
  return finalStatus(files, status);
}

}  // namespace

int main(int argc, char** argv) {
  // A pipe whose reader has gone or a file over its size limit fails the write (EPIPE,
  // EFBIG) instead of killing the game: the failure is told once and the game plays on.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  endOnHangUp();
  Options options;
  if (const int status = readCommandLine(argc, argv, options); status >= 0) return status;
  Files files;
  if (const int status = prepare(options, files)) return status;
  // Draw into the window's own pixels: under plain X this is far cheaper than a GL texture.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  handleXErrors();
  if (std::string error; !startVideo(error)) return say(error), 1;
  const int status = run(options, files);
  SDL_Quit();
  return status;
}
