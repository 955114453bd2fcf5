// zorvane.exe: the game in a window of its own on Windows. The same command line, the same
// driver, recordings and traces as the Linux window; keys arrive as Windows' virtual key
// codes, which are the game's own.
#include "win/system.h"
// after windows.h:
#include <timeapi.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/output_file.h"
#include "drive/driver.h"
#include "drive/player.h"
#include "drive/seek.h"
#include "image/files.h"
#include "paint/text.h"
#include "platform/gamepad.h"
#include "platform/keys.h"
#include "platform/pointer.h"
#include "script/recorder.h"
#include "script/script.h"
#include "win/pads.h"
#include "win/speaker.h"
#include "win/window.h"

namespace {

using namespace zorvane;

void say(const std::string& line) { std::fprintf(stderr, "zorvane: %s\n", printable(line).c_str()); }

// "2026-12-09 02:30:33 UTC", for a recording's first line.
std::string recordedAt() {
  SYSTEMTIME t{};
  GetSystemTime(&t);
  char text[40];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  return text;
}

// For the start-up benchmark: the wall-clock time of the first picture, in Unix seconds.
void reportFirstFrame() {
  if (!std::getenv("ZORVANE_REPORT_FIRST_FRAME")) return;
  FILETIME f{};
  GetSystemTimePreciseAsFileTime(&f);
  const uint64_t since1601 = uint64_t(f.dwHighDateTime) << 32 | f.dwLowDateTime;  // 100 ns steps
  const uint64_t unix100ns = since1601 - 116444736000000000ull;
  std::fprintf(stderr, "zorvane: first frame at %llu.%07llu00\n", static_cast<unsigned long long>(unix100ns / 10000000),
               static_cast<unsigned long long>(unix100ns % 10000000));
}

// The files the options name, opened before the window; a line about the one that fails.
struct Outputs {
  OutputFile recording, trace;
  bool open(const Options& o) {
    std::string error;
    if ((o.record.empty() || recording.open(o.record, error)) && (o.trace.empty() || trace.open(o.trace, error)))
      return true;
    say(error);
    return false;
  }
  bool emptied() {
    std::string error;
    if (recording.empty(error) && trace.empty(error)) return true;
    say(error);
    return false;
  }
  // Lines that do not fit (a full disk) are told once; the game plays on.
  static bool put(OutputFile& file, std::string_view lines) {
    if (file.write(lines)) return true;
    if (file.isOpen() && !file.reported()) say("cannot write " + file.name() + ": " + file.failure());
    return false;
  }
};

// A recording watched in the window (--watch): its game time runs at `speed` times the wall
// clock from the moment it was last set, or stands still while paused. Space pauses, Left
// and Right jump 10 s, Up and Down double or halve the speed; the player has the game once
// it ends.
struct Playback {
  std::unique_ptr<ScriptPlayer> player;
  std::unique_ptr<Seeker> seeker;
  int64_t fromGame = 0;
  double fromWall = 0, speed = 1;
  bool paused = false;

  bool on() const { return seeker != nullptr; }
  int64_t gameAt(double wall) const { return paused ? fromGame : fromGame + int64_t(std::floor((wall - fromWall) * speed)); }
  double wallFor(int64_t game) const { return paused ? -1 : fromWall + double(game - fromGame) / speed; }
  std::string title(const std::string& name) const {
    char times[16];
    std::snprintf(times, sizeof times, "%g", speed);
    return name + (paused ? " \u2014 recording paused" : " \u2014 playing a recording at " + std::string(times) + "\u00d7") +
           " (Space: " + (paused ? "play on" : "pause") + ", Left/Right: 10 s back/on, Up/Down: faster/slower)";
  }
  // A key while it plays; false once a jump has run past the end.
  bool steer(int16_t key, bool repeat, double wall) {
    if (key == keys::Space && !repeat) paused = !paused;
    else if (key == keys::Up || key == keys::Down) speed = std::clamp(key == keys::Up ? speed * 2 : speed / 2, 0.25, 8.0);
    else if (key == keys::Left || key == keys::Right) {
      if (!seeker->jumpTo(seeker->time() + (key == keys::Left ? -10000 : 10000))) return false;
    } else {
      return true;  // other keys do nothing while it plays
    }
    fromGame = seeker->time(), fromWall = wall;
    return true;
  }
};

int play(const Options& options, Outputs& outputs, Script script, SharedLayouts layouts) {
  std::string warnings, error;
  const paint::Fonts& fonts = paint::Fonts::installed(&warnings);
  for (size_t at = 0, end; (end = warnings.find('\n', at)) != std::string::npos; at = end + 1)
    say(warnings.substr(at, end - at));

  Recorder recorder([&](std::string_view lines) { return Outputs::put(outputs.recording, lines); },
                    {.version = ZORVANE_VERSION, .recordedAt = recordedAt()});
  DriverOptions setup;
  setup.seeds = [] { return uint64_t(std::chrono::system_clock::now().time_since_epoch().count()); };
  if (outputs.recording.isOpen()) setup.recorder = &recorder;
  if (outputs.trace.isOpen()) setup.traceSink = [&](std::string_view lines) { Outputs::put(outputs.trace, lines); };
  Driver game(std::move(setup));
  const View& view = game.view();

  // The title says when the layouts are the player's own, and whose file they come from.
  const std::string title =
      std::string(view.title()) + (layouts ? " \u2014 your own layouts from " + shownName(options.layouts) : "");
  win::Window window(fonts);
  if (!window.open(view, title, options.fullscreen, error)) return say(error), 1;
  if (!outputs.emptied()) return 1;

  std::unique_ptr<win::Speaker> speaker = std::make_unique<win::Speaker>();
  if (!options.sound || !speaker->open()) speaker.reset();
  if (speaker) game.cuesTo([&](std::span<const Cue> cues) { speaker->play(cues); });
  win::Pads pads;
  PointerSteering mouse;
  bool pointerIn = false;
  std::string pressed;
  bool pressedInside = false;
  const win::WallClock clock;
  if (layouts) game.useLayouts(layouts);
  Playback watched;
  int64_t offset = 0;  // live game time = wall-clock ms - offset (a watched game ran on its own clock)
  if (options.watch.empty()) {
    game.start();
  } else {
    watched.player = std::make_unique<ScriptPlayer>(std::move(script));
    watched.player->limit(500);  // a few ms of work between two looks at the messages
    watched.player->start(game);
    watched.speed = options.speed;
    if (watched.player->playing()) watched.seeker = std::make_unique<Seeker>(game, *watched.player);
    window.setTitle(watched.on() ? watched.title(title) : title);
  }
  // The recording has ended: the player has the game from here, on the wall clock.
  const auto handOver = [&] {
    watched.seeker.reset();
    offset = clock.now() - game.now();
    window.setTitle(title);
    if (watched.player->miss()) say(options.watch + ", " + describe(*watched.player->miss()));
  };
  const auto timeStep = [&] {
    if (!watched.on()) return game.step(clock.now() - offset);
    if (!watched.seeker->playTo(watched.gameAt(clock.exact()))) handOver();
  };

  const auto buttonAt = [&](int x, int y) { return paint::buttonAt(view, window.placement(view), x, y); };
  int lastX = 0;
  // With --mouse the paddle goes where the pointer is, while it is over the window and the
  // game plays.
  const auto followPointer = [&] {
    const Driver::Paddle f = game.paddle();
    const paint::Placement p = window.placement(view);
    mouse.steer(!watched.on() && pointerIn, float((lastX - p.x) / p.scale * paint::unitsPerPixel),
                {f.centre, f.step, f.moving, f.inPlay}, game);
  };


  for (bool running = true, first = true; running;) {
    timeStep();
    if (!watched.on()) pads.poll(game);
    if (options.mouse) followPointer();
    window.show(view, pressedInside ? std::string_view(pressed) : std::string_view());
    if (std::exchange(first, false)) reportFirstFrame();
    const int64_t due = watched.on() ? -1 : game.nextDue();
    double wake = due < 0 ? -1 : double(due + offset);
    if (watched.on()) wake = watched.seeker->jumping() ? clock.exact() : watched.wallFor(watched.player->nextTime(game));
    double sleep = wake < 0 ? 1000 : std::min(1000.0, std::ceil(wake - clock.exact()));
    if (speaker && !speaker->idle()) sleep = std::min(sleep, 50.0);
    sleep = std::min(sleep, pads.pollEvery());
    for (const win::Event& e : window.wait(sleep)) {
      timeStep();  // ticks due before the event come first
      if (watched.on() && e.kind != win::Event::Close && e.kind != win::Event::KeyDown) continue;
      switch (e.kind) {
        case win::Event::Close: running = false; break;
        case win::Event::KeyDown:
          if (!watched.on()) game.keyDown(e.key);
          else if (!watched.steer(e.key, e.repeat, clock.exact())) handOver();
          else window.setTitle(watched.title(title));
          break;
        case win::Event::KeyUp: game.keyUp(e.key); break;
        case win::Event::PointerDown:
          pressed = buttonAt(e.x, e.y);
          pressedInside = !pressed.empty();
          break;
        case win::Event::PointerMove:
          if (!pressed.empty()) pressedInside = buttonAt(e.x, e.y) == pressed;
          pointerIn = options.mouse, lastX = e.x;
          break;
        case win::Event::PointerUp:
          if (!pressed.empty()) {
            const std::string name = std::exchange(pressed, std::string());
            pressedInside = false;
            if (buttonAt(e.x, e.y) == name) game.click(name);
          }
          break;
        case win::Event::PointerLeft: pointerIn = false; break;
      }
      if (options.mouse) followPointer();
    }
  }
  game.close();
  return 0;
}

}  // namespace

int main() {
  // A player who starts it from a console sees its messages there.
  if (!GetStdHandle(STD_ERROR_HANDLE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
  std::vector<std::string> arguments = image::arguments();
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  Options options;
  std::string error;
  if (!parseOptions(int(arguments.size()), argv.data(), options, error)) {
    std::fprintf(stderr, "zorvane: %s (%s)\n", error.c_str(), usageLine);
    return 2;
  }
  if (options.help || options.version) {
    options.help ? printHelp() : printVersion();
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (!distinctFiles(options, error)) return say(error), 2;
  Script script;
  if (!options.watch.empty())
    if (const int status = loadScript(options.watch, script, error)) return say(error), status;
  SharedLayouts layouts;
  if (Layouts own; !options.layouts.empty()) {
    if (const int status = loadLayouts(options.layouts, own, error)) return say(error), status;
    layouts = std::make_shared<const Layouts>(std::move(own));
  }
  Outputs outputs;
  if (!outputs.open(options)) return 1;
  timeBeginPeriod(1);  // the timers' waits to the millisecond
  const int status = play(options, outputs, std::move(script), std::move(layouts));
  timeEndPeriod(1);
  return status;
}
