// Super Zorvane!: the game in a desktop window. Feeds the window keys, button clicks and
// wall-clock time, and draws it whenever something visible has changed.
#include <SDL.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "app/program.h"
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

void reportFirstFrame() {
  // For the start-up benchmark: the wall-clock time of the first picture on the display.
  if (!std::getenv("ZORVANE_REPORT_FIRST_FRAME")) return;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::fprintf(stderr, "zorvane: first frame at %lld.%09ld\n", static_cast<long long>(ts.tv_sec), ts.tv_nsec);
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

// The window's loop: SDL's events to the session, its picture to the screen, its title to
// the window.
class Host {
 public:
  Host(const Options& options, SDL_Window* window, Session& session, Speaker* speaker, const bool& left)
      : options(options), window(window), session(session), speaker(speaker), left(left), screen(window) {}

  bool open() { return screen.open(); }
  double now() const { return clock.exact(); }  // the wall clock, ms since the window opened
  void run();

 private:
  void handle(const SDL_Event& e);
  void show();
  double wait() const;  // ms until the next step, an event, or at least once a second

  const Options& options;
  SDL_Window* window;
  Session& session;
  Speaker* speaker;
  const bool& left;  // the player has left the editor
  Screen screen;
  const WallClock clock;
  Gamepads pads;
  std::string title;
  bool exposed = false, first = true, running = true;
};

void Host::run() {
  // A lost display ends the program at once: the recording's last lines are written first.
  onDisplayLost([this] { session.close(); });
  const auto goOn = [this] { return running && !left && !hungUp && !displayFailed(); };
  while (goOn()) {
    session.advance(clock.exact());
    show();
    SDL_Event e;
    if (!SDL_WaitEventTimeout(&e, int(wait()))) continue;
    do {
      session.advance(clock.exact());  // ticks that fell due before this event come first
      handle(e);
    } while (goOn() && SDL_PollEvent(&e));
  }
  session.close();  // the recording's last wait and expect line, once
  onDisplayLost(nullptr);
}

double Host::wait() const { return sleepFor(session, clock.exact(), speaker && !speaker->idle()); }

void Host::show() {
  tellEnding(session, options);
  if (std::string now = session.title(); now != title) {
    title = std::move(now);
    SDL_SetWindowTitle(window, title.c_str());
  }
  if (screen.fresh()) session.repaintAll();
  const auto paint = [this](const paint::Target& t) -> const std::vector<paint::Rect>& { return session.paint(t); };
  if (screen.show(paint, exposed) && first) {
    reportFirstFrame();
    first = false;
  }
  exposed = false;
}

void Host::handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT: running = !session.mayLeave(); break;  // unsaved layouts: the first close warns
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) screen.resized();
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) exposed = true;
      if (e.window.event == SDL_WINDOWEVENT_LEAVE) session.pointerLeft();
      break;
    case SDL_KEYDOWN:
      session.keyDown(virtualKey(e.key.keysym.sym), e.key.repeat != 0);
      break;
    case SDL_KEYUP: session.keyUp(virtualKey(e.key.keysym.sym)); break;
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.button == SDL_BUTTON_LEFT || (session.editing() && e.button.button == SDL_BUTTON_RIGHT))
        session.pointerDown(e.button.x, e.button.y, e.button.button == SDL_BUTTON_RIGHT);
      break;
    case SDL_MOUSEMOTION: session.pointerMoved(e.motion.x, e.motion.y); break;
    case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_LEFT || (session.editing() && e.button.button == SDL_BUTTON_RIGHT))
        session.pointerUp(e.button.x, e.button.y);
      break;
    default: pads.handle(e, session.player()); break;
  }
}

int run(const Options& options, Files& files) {
  const paint::Fonts& fonts = installedFonts();
  // Sound, when asked for: the cues start effects.
  std::unique_ptr<Speaker> speaker = options.sound ? Speaker::open() : nullptr;
  Session session(fonts, sessionOptions(options, files, cuesTo(speaker.get())));
  if (!options.edit.empty()) session.edit(std::move(files.editing), options.edit);
  SDL_Window* window = openWindow(options, session.view(), session.title());
  if (!window) return 1;
  int status = emptyOutputs(files) ? 0 : 1;
  {
    Host host(options, window, session, speaker.get(), files.left);
    if (status == 0 && !host.open()) {
      std::fprintf(stderr, "zorvane: cannot draw the window: %s\n", SDL_GetError());
      status = 1;
    }
    if (status == 0) {
      begin(session, options, files, host.now());
      host.run();
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
