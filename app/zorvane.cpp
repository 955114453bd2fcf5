// Super Zorvane!: the game in a desktop window. Feeds the window keys, button clicks and
// wall-clock time, and draws it whenever something visible has changed.
#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "app/options.h"
#include "app/output_file.h"
#include "drive/driver.h"
#include "drive/player.h"
#include "drive/seek.h"
#include "image/image.h"
#include "platform/pointer.h"
#include "script/recorder.h"
#include "script/script.h"
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

// The most commands and timer ticks of a watched recording played between two looks at the
// window's events: a few milliseconds' work, so that the window answers at once.
constexpr uint64_t watchSlice = 500;

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

// A watched recording's clock: game time runs at `speed` times the wall clock from where
// it was last set, or stands still while paused.
struct WatchClock {
  static constexpr double slowest = 0.25, fastest = 8;
  int64_t base = 0;      // game time when last set
  double wallBase = 0;   // wall-clock ms then
  double speed = 1;
  bool paused = false;

  int64_t target(double wall) const { return paused ? base : base + int64_t(std::floor((wall - wallBase) * speed)); }
  double wallAt(int64_t game) const { return paused ? -1.0 : wallBase + double(game - base) / speed; }
  void set(int64_t game, double wall) { base = game, wallBase = wall; }
};

// The title while a recording plays: how fast, and the keys that steer the playback.
std::string watchTitle(const std::string& title, const WatchClock& c) {
  char speed[16];
  std::snprintf(speed, sizeof speed, "%g", c.speed);
  return title + (c.paused ? " \u2014 recording paused" : " \u2014 playing a recording at " + std::string(speed) + "\u00d7") +
         " (Space: " + (c.paused ? "play on" : "pause") + ", Left/Right: 10 s back/on, Up/Down: faster/slower)";
}

// The wall-clock time now in UTC, for the first line of a recording: "2026-12-09 02:30:33 UTC".
std::string utcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  char text[40] = "";
  if (gmtime_r(&now, &utc)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
  return text;
}

// What the window writes and plays, made ready before it opens.
struct Session {
  OutputFile recording, trace;  // open when asked for
  Script script;                // the recording to watch, when asked for
  SharedLayouts layouts;        // the player's own layouts, when asked for
};

// Opens the files and reads the script the options name. Returns 0, or the exit status
// after one line on standard error.
int prepare(const Options& options, Session& session) {
  std::string error;
  int status = 0;
  if (!options.watch.empty()) status = loadScript(options.watch, session.script, error);
  if (Layouts own; status == 0 && !options.layouts.empty() && (status = loadLayouts(options.layouts, own, error)) == 0)
    session.layouts = std::make_shared<const Layouts>(std::move(own));
  if (status == 0 && !options.record.empty() && !session.recording.open(options.record, error)) status = 1;
  if (status == 0 && !options.trace.empty() && !session.trace.open(options.trace, error)) status = 1;
  if (status != 0) std::fprintf(stderr, "zorvane: %s\n", error.c_str());
  return status;
}

// Once the window is open the game will start: the files written lose their old lines.
bool emptyOutputs(Session& session) {
  std::string error;
  if (session.recording.empty(error) && session.trace.empty(error)) return true;
  std::fprintf(stderr, "zorvane: %s\n", error.c_str());
  return false;
}

int run(const Options& options, Session& session) {
  std::string warnings;
  const paint::Fonts& fonts = paint::Fonts::installed(&warnings);
  for (size_t at = 0, end; (end = warnings.find('\n', at)) != std::string::npos; at = end + 1)
    std::fprintf(stderr, "zorvane: %s\n", warnings.substr(at, end - at).c_str());
  // A file that stops taking lines (a full disk) is reported once; the game plays on.
  auto writeTo = [](OutputFile& file, std::string_view lines) {
    if (file.write(lines)) return true;
    if (file.isOpen() && !file.reported())
      std::fprintf(stderr, "zorvane: cannot write %s: %s\n", printable(file.name(), 200).c_str(),
                   file.failure().c_str());
    return false;
  };
  Recorder recorder([&](std::string_view lines) { return writeTo(session.recording, lines); },
                    {.version = ZORVANE_VERSION, .recordedAt = utcNow()});
  DriverOptions driverOptions;
  // Every start-up's seed, read from the clock as it is handed in.
  driverOptions.seeds = [] { return uint64_t(std::chrono::system_clock::now().time_since_epoch().count()); };
  if (session.recording.isOpen()) driverOptions.recorder = &recorder;
  if (session.trace.isOpen()) driverOptions.traceSink = [&](std::string_view lines) { writeTo(session.trace, lines); };
  Driver live(std::move(driverOptions));
  const View& form = live.view();
  const bool watch = !options.watch.empty();
  // The title says when the layouts are the player's own, and whose file they come from.
  const std::string title = std::string(form.title()) +
                            (session.layouts ? " \u2014 your own layouts from " + shownName(options.layouts) : "");
  WatchClock watchClock;
  watchClock.speed = options.speed;

  SDL_Rect usable{0, 0, 1024, 768};
  SDL_GetDisplayUsableBounds(0, &usable);
  const int scale = paint::openingScale(form, usable.w, usable.h, displayDpi(0));
  const paint::Placement opening = paint::placeAtScale(form, scale);
  const int width = opening.targetWidth, height = opening.targetHeight;
  SDL_Rect at{SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height};
  if (options.fullscreen) SDL_GetDisplayBounds(0, &at);  // the whole screen even with no window manager
  SDL_Window* window = SDL_CreateWindow((watch ? watchTitle(title, watchClock) : title).c_str(), at.x, at.y, at.w, at.h,
                                        options.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE);
  if (!window) {
    std::fprintf(stderr, "zorvane: cannot open a window: %s\n", SDL_GetError());
    return 1;
  }
  SDL_SetWindowMinimumSize(window, width / scale / 4, height / scale / 4);
  setIcon(window);

  int status = emptyOutputs(session) ? 0 : 1;
  {
    Screen screen(window, fonts);
    if (status == 0 && !screen.open()) {
      std::fprintf(stderr, "zorvane: cannot draw the window: %s\n", SDL_GetError());
      status = 1;
    }
    ScriptPlayer player(std::move(session.script));
    player.limit(watchSlice);
    if (session.layouts) live.useLayouts(session.layouts);
    if (watch)
      player.start(live);
    else
      live.start();
    bool watching = watch && player.playing();
    std::optional<Seeker> seeker;  // snapshots for jumps, while a recording plays
    if (watching) seeker.emplace(live, player);
    if (watch && !watching) SDL_SetWindowTitle(window, title.c_str());
    const WallClock clock;
    // Sound and the mouse, when asked for: the cues start effects; the pointer holds keys.
    std::unique_ptr<Speaker> speaker = options.sound ? Speaker::open() : nullptr;
    if (speaker) live.cuesTo([&](std::span<const Cue> cues) { speaker->play(cues); });
    PointerSteering mouse;
    bool pointerLive = false;  // the pointer moved in the window, and has not left it since
    int64_t offset = 0;  // live game time = wall-clock ms - offset (a watched game ran on its own clock)
    Gamepads pads;
    std::string pressed;        // the button the mouse went down on
    bool pressedInside = false;  // the pointer is still over it
    bool exposed = false, first = true, running = status == 0;
    // A lost display ends the program at once: the recording's last lines are written first.
    onDisplayLost([&] { live.close(); });
    auto goOn = [&] { return running && !hungUp && !displayFailed(); };

    // The recording has ended: the player takes over from here, on the wall clock.
    auto handOver = [&] {
      watching = false;
      offset = int64_t(std::floor(clock.exact())) - live.now();
      SDL_SetWindowTitle(window, title.c_str());
      if (player.miss())
        std::fprintf(stderr, "zorvane: %s, %s\n", printable(options.watch).c_str(), describe(*player.miss()).c_str());
    };
    // One time step: the watched script up to its clock, or the live step.
    auto timeStep = [&] {
      if (!watching) {
        live.step(clock.now() - offset);
        return;
      }
      if (!seeker->playTo(watchClock.target(clock.exact()))) handOver();
    };
    // While a recording plays: Space pauses, Left and Right jump 10 s, Up and Down change
    // the speed; other keys do nothing.
    auto steerPlayback = [&](const SDL_KeyboardEvent& k) {
      const SDL_Keycode key = k.keysym.sym;
      if (key == SDLK_SPACE && !k.repeat) {
        watchClock.paused = !watchClock.paused;
      } else if (key == SDLK_UP || key == SDLK_DOWN) {
        watchClock.speed = std::clamp(watchClock.speed * (key == SDLK_UP ? 2 : 0.5), WatchClock::slowest, WatchClock::fastest);
      } else if (key == SDLK_LEFT || key == SDLK_RIGHT) {
        if (!seeker->jumpTo(seeker->time() + (key == SDLK_LEFT ? -10000 : 10000))) return handOver();
      } else {
        return;
      }
      watchClock.set(seeker->time(), clock.exact());
      SDL_SetWindowTitle(window, watchTitle(title, watchClock).c_str());
    };
    // When the next time step is due, in wall-clock ms; -1 when nothing is timed. A jump
    // still on its way goes on at once.
    auto nextStep = [&]() -> double {
      if (watching && seeker->jumping()) return clock.exact();
      if (watching) return watchClock.wallAt(player.nextTime(live));
      const int64_t due = live.nextDue();
      return due < 0 ? -1.0 : double(due + offset);
    };

    auto buttonAt = [&](int x, int y) { return paint::buttonAt(form, screen.placement(form), x, y); };
    // The pointer is read afresh each time, so a paused game resumes from where it is now,
    // and a new ball on the paddle is steered (and served) at once, the paddle moving there
    // at its own speed.
    auto steerByPointer = [&] {
      const Driver::Paddle f = live.paddle();
      int px = 0;
      SDL_GetMouseState(&px, nullptr);
      const paint::Placement p = screen.placement(form);
      const float x = static_cast<float>((px - p.x) / p.scale * paint::unitsPerPixel);
      mouse.steer(!watching && pointerLive, x, {f.centre, f.step, f.moving, f.inPlay}, live);
    };
    auto handle = [&](const SDL_Event& e) {
      switch (e.type) {
        case SDL_QUIT: running = false; break;
        case SDL_WINDOWEVENT:
          if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) screen.resized();
          if (e.window.event == SDL_WINDOWEVENT_EXPOSED) exposed = true;
          if (e.window.event == SDL_WINDOWEVENT_LEAVE) pointerLive = false;
          break;
        case SDL_KEYDOWN:
          if (watching)
            steerPlayback(e.key);
          else
            live.keyDown(virtualKey(e.key.keysym.sym));
          break;
        case SDL_KEYUP:
          if (!watching) live.keyUp(virtualKey(e.key.keysym.sym));
          break;
        case SDL_MOUSEBUTTONDOWN:
          if (e.button.button == SDL_BUTTON_LEFT && !watching) {
            pressed = buttonAt(e.button.x, e.button.y);
            pressedInside = !pressed.empty();
          }
          break;
        case SDL_MOUSEMOTION:
          if (!pressed.empty()) pressedInside = buttonAt(e.motion.x, e.motion.y) == pressed;
          pointerLive = options.mouse;
          break;
        case SDL_MOUSEBUTTONUP:
          if (e.button.button == SDL_BUTTON_LEFT && !pressed.empty()) {
            // The click may unload and show the window again: keep no control across it.
            const std::string name = pressed;
            pressed.clear();
            pressedInside = false;
            if (buttonAt(e.button.x, e.button.y) == name) live.click(name);
          }
          break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
        case SDL_CONTROLLERAXISMOTION:
          if (!watching) pads.handle(e, live);
          break;
        default: pads.handle(e, live); break;
      }
    };

    while (goOn()) {
      timeStep();
      if (options.mouse) steerByPointer();
      const bool quiet = !speaker || speaker->idle();
      if (screen.show(form, pressedInside ? std::string_view(pressed) : std::string_view(), exposed) && first) {
        reportFirstFrame();
        first = false;
      }
      exposed = false;

      // Wake for the next step, an event, or at least once a second (the recording's flush).
      SDL_Event e;
      const double due = nextStep();
      const double wait = due < 0 ? 1000.0 : std::ceil(due - clock.exact());
      const double most = quiet ? 1000.0 : 50.0;  // a sounding effect is looked at again soon, to pause
      if (!SDL_WaitEventTimeout(&e, wait > 0 ? int(std::min(wait, most)) : 0)) continue;
      do {
        timeStep();  // ticks that fell due before this event come first
        handle(e);
        if (options.mouse) steerByPointer();
      } while (goOn() && SDL_PollEvent(&e));
    }
    live.close();  // the recording's last wait and expect line, once
    onDisplayLost(nullptr);
    if (displayFailed()) status = 1;
    if (speaker && std::getenv("ZORVANE_REPORT_SOUND"))
      std::fprintf(stderr, "zorvane: sound: %llu effects started, each within %.1f ms of its event\n",
                   static_cast<unsigned long long>(speaker->started()), speaker->worstLatency());
  }
  closeWindow(window);
  // A recording or a trace that could not be written: the game played on, but failed.
  if (session.recording.failed() || session.trace.failed()) status = 1;
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // A pipe whose reader has gone or a file over its size limit fails the write (EPIPE,
  // EFBIG) instead of killing the game: the failure is told once and the game plays on.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  endOnHangUp();
  Options options;
  std::string error;
  if (!parseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "zorvane: %s (%s)\n", error.c_str(), usageLine);
    return 2;
  }
  if (options.help || options.version) {
    options.help ? printHelp() : printVersion();
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    std::fprintf(stderr, "zorvane: cannot write to standard output: %s\n", std::strerror(errno));
    return 1;
  }
  if (!distinctFiles(options, error)) {
    std::fprintf(stderr, "zorvane: %s\n", error.c_str());
    return 2;
  }
  Session session;
  if (const int status = prepare(options, session)) return status;
  // Draw into the window's own pixels: under plain X this is far cheaper than a GL texture.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  handleXErrors();
  if (!startVideo(error)) {
    std::fprintf(stderr, "zorvane: %s\n", error.c_str());
    return 1;
  }
  const int status = run(options, session);
  SDL_Quit();
  return status;
}
