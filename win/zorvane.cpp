// zorvane.exe: the game in a window of its own on Windows. The same command line, the same
// driver, recordings and traces as the Linux window; keys arrive as Windows' virtual key
// codes, which are the game's own.
#include "win/system.h"
// after windows.h:
#include <timeapi.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/output_file.h"
#include "drive/driver.h"
#include "image/files.h"
#include "paint/text.h"
#include "platform/gamepad.h"
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

int play(const Options& options, Outputs& outputs) {
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

  win::Window window(fonts);
  if (!window.open(view, std::string(view.title()), options.fullscreen, error)) return say(error), 1;
  if (!outputs.emptied()) return 1;

  std::unique_ptr<win::Speaker> speaker = std::make_unique<win::Speaker>();
  if (!options.sound || !speaker->open()) speaker.reset();
  if (speaker) game.cuesTo([&](std::span<const Cue> cues) { speaker->play(cues); });
  win::Pads pads;
  PointerSteering mouse;
  bool pointerIn = false, resting = true;
  std::string pressed;
  bool pressedInside = false;
  const win::WallClock clock;
  game.start();

  const auto buttonAt = [&](int x, int y) { return paint::buttonAt(view, window.placement(view), x, y); };
  int lastX = 0;
  // With --mouse the paddle goes where the pointer is, while it is over the window and the
  // game plays; a ball back on the paddle waits for the pointer's next move.
  const auto followPointer = [&] {
    const Driver::Paddle paddle = game.paddle();
    if (mouse.steering() && !paddle.moving) mouse.forget();
    if (paddle.ballRests && !resting) pointerIn = false;
    resting = paddle.ballRests;
    if (!pointerIn || !paddle.inPlay) return mouse.release(game);
    const paint::Placement p = window.placement(view);
    mouse.follow(float((lastX - p.x) / p.scale * paint::unitsPerPixel), paddle.centre, paddle.step, game);
  };

  for (bool running = true; running;) {
    game.step(clock.now());
    pads.poll(game);
    if (options.mouse) followPointer();
    window.show(view, pressedInside ? std::string_view(pressed) : std::string_view());
    const int64_t due = game.nextDue();
    double sleep = due < 0 ? 1000 : std::min(1000.0, std::ceil(double(due) - clock.exact()));
    if (speaker && !speaker->idle()) sleep = std::min(sleep, 50.0);
    sleep = std::min(sleep, pads.pollEvery());
    for (const win::Event& e : window.wait(sleep)) {
      game.step(clock.now());  // ticks due before the event come first
      switch (e.kind) {
        case win::Event::Close: running = false; break;
        case win::Event::KeyDown: game.keyDown(e.key); break;
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
  if (!options.watch.empty()) return say("--watch is not yet in the Windows build"), 2;
  Outputs outputs;
  if (!outputs.open(options)) return 1;
  timeBeginPeriod(1);  // the timers' waits to the millisecond
  const int status = play(options, outputs);
  timeEndPeriod(1);
  return status;
}
