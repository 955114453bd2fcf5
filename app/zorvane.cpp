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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <memory>
#include <optional>
#include <string>

#include "app/options.h"
#include "app/output_file.h"
#include "image/image.h"
#include "script/script.h"
#include "session/session.h"
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

// The wall-clock time now in UTC, for the first line of a recording: "2026-12-09 02:30:33 UTC".
std::string utcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  char text[40] = "";
  if (gmtime_r(&now, &utc)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
  return text;
}

// What the window writes and plays, made ready before it opens.
struct Files {
  OutputFile recording, trace;  // open when asked for
  Script script;                // the recording to watch, when asked for
  std::string text;             // its game lines, copied to the recording when both are asked for
  SharedLayouts layouts;        // the player's own layouts, when asked for
  Layouts editing;              // the layouts of the file to edit, when it exists
  bool left = false;            // the player has left the editor
};

// Writes the layout file whole or not at all: a new file beside it, then renamed over it. The
// old file stays as it was when anything fails. Returns "" when saved, else why not.
std::string saveWhole(const std::string& path, std::string_view text) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return "it is not a regular file";
  const std::string temporary = path + ".saving-" + std::to_string(::getpid());
  const int f = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0644);
  if (f < 0) return std::strerror(errno);
  std::string why;
  for (std::string_view left = text; why.empty() && !left.empty();) {
    const ssize_t n = ::write(f, left.data(), left.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) why = n < 0 ? std::strerror(errno) : "nothing was written";
    else left.remove_prefix(size_t(n));
  }
  if (why.empty() && ::fsync(f) != 0) why = std::strerror(errno);
  if (::close(f) != 0 && why.empty()) why = std::strerror(errno);
  if (why.empty() && ::rename(temporary.c_str(), path.c_str()) != 0) why = std::strerror(errno);
  if (!why.empty()) ::unlink(temporary.c_str());
  return why;
}

// Opens the files and reads the script the options name. Returns 0, or the exit status
// after one line on standard error.
int prepare(const Options& options, Files& files) {
  std::string error;
  int status = 0;
  if (!options.watch.empty())
    status = loadScript(options.watch, files.script, error, options.record.empty() ? nullptr : &files.text);
  if (Layouts own; status == 0 && !options.layouts.empty() && (status = loadLayouts(options.layouts, own, error)) == 0)
    files.layouts = std::make_shared<const Layouts>(std::move(own));
  // The file to edit need not exist yet; one that does is read as --layouts reads it, and only
  // a regular file, which a save can replace.
  if (struct stat st{}; status == 0 && !options.edit.empty() && ::stat(options.edit.c_str(), &st) == 0) {
    if (S_ISREG(st.st_mode))
      status = loadLayouts(options.edit, files.editing, error);
    else
      status = 1, error = "cannot edit " + printable(options.edit, 200) + ": not a regular file";
  }
  if (status == 0 && !options.record.empty() && !files.recording.open(options.record, error)) status = 1;
  if (status == 0 && !options.trace.empty() && !files.trace.open(options.trace, error)) status = 1;
  if (status != 0) std::fprintf(stderr, "zorvane: %s\n", error.c_str());
  return status;
}

// Once the window is open the game will start: the files written lose their old lines.
bool emptyOutputs(Files& files) {
  std::string error;
  if (files.recording.empty(error) && files.trace.empty(error)) return true;
  std::fprintf(stderr, "zorvane: %s\n", error.c_str());
  return false;
}

// A file that stops taking lines (a full disk) is reported once; the game plays on.
bool writeTo(OutputFile& file, std::string_view lines) {
  if (file.write(lines)) return true;
  if (file.isOpen() && !file.reported())
    std::fprintf(stderr, "zorvane: cannot write %s: %s\n", printable(file.name(), 200).c_str(), file.failure().c_str());
  return false;
}

// The session's side of the window: its files, its sound and how the pointer steers.
SessionOptions sessionOptions(const Options& options, Files& files, Speaker* speaker) {
  SessionOptions s;
  // Every start-up's seed, read from the clock as it is handed in.
  s.seeds = [] { return uint64_t(std::chrono::system_clock::now().time_since_epoch().count()); };
  if (files.recording.isOpen()) s.record = [&files](std::string_view lines) { return writeTo(files.recording, lines); };
  if (files.trace.isOpen()) s.trace = [&files](std::string_view lines) { writeTo(files.trace, lines); };
  s.heading = {.version = ZORVANE_VERSION, .recordedAt = utcNow()};
  if (speaker) s.cues = [speaker](std::span<const Cue> cues) { speaker->play(cues); };
  s.steering = options.mouse ? Steering::Hover : Steering::None;
  s.slice = watchSlice;
  if (!options.edit.empty()) {
    s.save = [&options](std::string_view text) { return saveWhole(options.edit, text); };
    s.leave = [&files] { files.left = true; };
  }
  return s;
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

double Host::wait() const {
  const double due = session.nextWake(clock.exact());
  const double wait = due < 0 ? 1000.0 : std::ceil(due - clock.exact());
  const bool quiet = !speaker || speaker->idle();
  const double most = quiet ? 1000.0 : 50.0;  // a sounding effect is looked at again soon, to pause
  return wait > 0 ? std::min(wait, most) : 0;
}

void Host::show() {
  if (session.handedOver() && session.miss())
    std::fprintf(stderr, "zorvane: %s, %s\n", printable(options.watch).c_str(), describe(*session.miss()).c_str());
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
      // Delete empties a cell in the editor; to the game it is a key without a code, as ever.
      if (session.editing() && e.key.keysym.sym == SDLK_DELETE) session.keyDown(46);
      else session.keyDown(virtualKey(e.key.keysym.sym), e.key.repeat != 0);
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
  std::string warnings;
  const paint::Fonts& fonts = paint::Fonts::installed(&warnings);
  for (size_t at = 0, end; (end = warnings.find('\n', at)) != std::string::npos; at = end + 1)
    std::fprintf(stderr, "zorvane: %s\n", warnings.substr(at, end - at).c_str());
  // Sound, when asked for: the cues start effects.
  std::unique_ptr<Speaker> speaker = options.sound ? Speaker::open() : nullptr;
  Session session(fonts, sessionOptions(options, files, speaker.get()));
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
      const double wall = host.now();
      if (!options.edit.empty())
        session.advance(wall);
      else if (options.watch.empty())
        session.start(wall, -1, files.layouts, shownName(options.layouts));
      else
        session.watch(std::move(files.script), files.text, options.watch, wall, options.speed);
      host.run();
    }
    if (displayFailed()) status = 1;
  }
  if (speaker && std::getenv("ZORVANE_REPORT_SOUND"))
    std::fprintf(stderr, "zorvane: sound: %llu effects started, each within %.1f ms of its event\n",
                 static_cast<unsigned long long>(speaker->started()), speaker->worstLatency());
  closeWindow(window);
  // A recording or a trace that could not be written: the game played on, but failed.
  if (files.recording.failed() || files.trace.failed()) status = 1;
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
  Files files;
  if (const int status = prepare(options, files)) return status;
  // Draw into the window's own pixels: under plain X this is far cheaper than a GL texture.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  handleXErrors();
  if (!startVideo(error)) {
    std::fprintf(stderr, "zorvane: %s\n", error.c_str());
    return 1;
  }
  const int status = run(options, files);
  SDL_Quit();
  return status;
}
