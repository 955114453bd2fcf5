// zorvane.exe: the game in a window of its own on Windows, a host over the session as the
// Linux window is: the same command line, recordings and traces. Keys arrive as Windows'
// virtual key codes, which are the game's own.
#include "win/system.h"
// after windows.h:
#include <timeapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "image/files.h"
#include "win/pads.h"
#include "win/speaker.h"
#include "win/window.h"

namespace {

using namespace zorvane;

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

// The window's loop: its messages to the session, the session's picture to the screen, its
// title to the window, the gamepads read in between.
class Host {
 public:
  Host(const Options& options, win::Window& window, Session& session, win::Speaker* speaker, const bool& left)
      : options(options), window(window), session(session), speaker(speaker), left(left) {}

  double now() const { return clock.exact(); }  // the wall clock, ms since the window opened
  void run();

 private:
  void handle(const win::Event& e);
  void show();
  double wait();  // ms until the next step, a message, a look at the pads, or at least once a second

  const Options& options;
  win::Window& window;
  Session& session;
  win::Speaker* speaker;
  const bool& left;  // the player has left the editor
  const win::WallClock clock;
  win::Pads pads;
  std::string title;
  bool first = true, running = true;
};

void Host::run() {
  while (running && !left) {
    session.advance(clock.exact());
    pads.poll(session.player());
    show();
    for (const win::Event& e : window.wait(wait())) {
      session.advance(clock.exact());  // ticks that fell due before this message come first
      handle(e);
    }
  }
  session.close();  // the recording's last wait and expect line
}

double Host::wait() {
  return std::min(sleepFor(session, clock.exact(), speaker && !speaker->idle()), pads.pollEvery());
}

void Host::show() {
  tellEnding(session, options);
  if (std::string now = session.title(); now != title) window.setTitle(title = std::move(now));
  if (window.fresh()) session.repaintAll();
  const auto paint = [this](const paint::Target& t) -> const std::vector<paint::Rect>& { return session.paint(t); };
  if (window.show(paint) && std::exchange(first, false)) reportFirstFrame();
}

void Host::handle(const win::Event& e) {
  switch (e.kind) {
    case win::Event::Close: running = !session.mayLeave(); break;  // unsaved layouts: the first close warns
    case win::Event::KeyDown: session.keyDown(e.key, e.repeat); break;
    case win::Event::KeyUp: session.keyUp(e.key); break;
    case win::Event::PointerDown:
      if (!e.other || session.editing()) session.pointerDown(e.x, e.y, e.other);
      break;
    case win::Event::PointerMove: session.pointerMoved(e.x, e.y); break;
    case win::Event::PointerUp:
      if (!e.other || session.editing()) session.pointerUp(e.x, e.y);
      break;
    case win::Event::PointerLeft: session.pointerLeft(); break;
  }
}

int play(const Options& options, Files& files) {
  const paint::Fonts& fonts = installedFonts();
  // Sound, when asked for: the cues start effects.
  auto speaker = std::make_unique<win::Speaker>();
  if (!options.sound || !speaker->open()) speaker.reset();
  Session session(fonts, sessionOptions(options, files, cuesTo(speaker.get())));
  if (!options.edit.empty()) session.edit(std::move(files.editing), options.edit);
  win::Window window;
  if (std::string error; !window.open(session.view(), session.title(), options.fullscreen, error))
    return say(error), 1;
  if (!emptyOutputs(files)) return 1;
  Host host(options, window, session, speaker.get(), files.left);
  begin(session, options, files, host.now());
  // Logging off or shutting down ends the process: the recording's last lines come first.
  window.onSessionEnd([&] {
    session.close();
    ExitProcess(UINT(finalStatus(files, 0)));
  });
  host.run();
  return finalStatus(files, 0);
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
  if (const int status = readCommandLine(int(arguments.size()), argv.data(), options); status >= 0) return status;
  Files files;
  if (const int status = prepare(options, files)) return status;
  timeBeginPeriod(1);  // the timers' waits to the millisecond
  const int status = play(options, files);
  timeEndPeriod(1);
  return status;
}
