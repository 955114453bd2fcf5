// zorvane.exe: the game in a window of its own on Windows, a host over the session as the
// Linux window is: the same command line, recordings and traces. Keys arrive as Windows'
// virtual key codes, which are the game's own.
#include "win/system.h"
// after windows.h:
#include <timeapi.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/loop.h"
#include "host/program.h"
#include "image/files.h"
#include "win/pads.h"
#include "win/speaker.h"
#include "win/window.h"

namespace {

using namespace zorvane;

// Ctrl+C or Ctrl+Break in the console the game was started from, or that console closed,
// ends the game as SIGINT and SIGHUP end the Linux one: through its loop, which writes the
// recording's last lines. The handler runs on a thread of its own.
std::atomic<bool> interrupted{false};
DWORD loopThread = 0;
HANDLE loopDone = nullptr;  // set once the recording is closed

BOOL WINAPI onConsoleEvent(DWORD event) {
  interrupted = true;
  PostThreadMessageW(loopThread, WM_NULL, 0, 0);  // wakes the loop's wait
  // A closed console ends the process when this returns: not before the last lines.
  if (event == CTRL_CLOSE_EVENT) WaitForSingleObject(loopDone, 4000);
  return TRUE;
}

// The Windows window as the loop's system; XInput's pads are read once a turn.
class WinSystem : public host::System {
 public:
  explicit WinSystem(win::Window& window) : window(window) {}

  void wait(double ms, GamepadSlots&, const Take& take) override {
    for (const host::Event& e : window.wait(std::min(ms, pads.pollEvery())))
      if (!take(e)) return;
  }
  void poll(GamepadSlots& slots) override { pads.poll(slots); }
  void setTitle(const std::string& title) override { window.setTitle(title); }
  bool newPixels() override { return window.newPixels(); }
  bool show(const Paint& paint) override { return window.show(paint); }
  bool ended() const override { return interrupted; }

 private:
  win::Window& window;
  win::Pads pads;
};

int play(const Options& options, Files& files) {
  const paint::Fonts& fonts = installedFonts();
  // Sound, when asked for: the cues start effects.
  auto speaker = std::make_unique<win::Speaker>();
  if (!options.sound || !speaker->open()) speaker.reset();
  Session session(fonts, sessionOptions(options, files, cuesTo(speaker.get())));
  if (!options.edit.empty()) session.edit(std::move(files.editing), options.edit, files.editingText);
  win::Window window;
  if (std::string error; !window.open(session.view(), session.title(), options.fullscreen, error))
    return say(error), 1;
  if (!emptyOutputs(files)) return 1;
  const host::Clock clock;
  begin(session, options, files, clock.now());
  // Logging off or shutting down ends the process: the recording's last lines come first.
  window.onSessionEnd([&] {
    session.close();
    ExitProcess(UINT(finalStatus(files, 0)));
  });
  WinSystem system(window);
  host::run(system, session, clock, options, files.left, [&speaker] { return speaker && !speaker->idle(); });
  SetEvent(loopDone);
  return finalStatus(files, 0);
}

}  // namespace

int main() {
  // A player who starts it from a console sees its messages there (unless they go
  // elsewhere already), and that console's Ctrl+C ends the game.
  if (const bool unseen = !GetStdHandle(STD_ERROR_HANDLE); AttachConsole(ATTACH_PARENT_PROCESS) && unseen) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
  loopThread = GetCurrentThreadId();
  loopDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
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
