// The one loop of a window program, on every system: the window's messages to the session,
// the session's picture to the screen and its title to the window. Each system gives the
// loop a few calls (a System: sdl's in app/zorvane.cpp, Windows' in win/zorvane.cpp).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/options.h"
#include "paint/painter.h"
#include "session/session.h"

namespace zorvane::host {

// A message of the window, in the session's terms.
struct Event {
  enum Kind { KeyDown, KeyUp, PointerDown, PointerMove, PointerUp, PointerLeft, FocusLost, Close } kind;
  int16_t key = 0;      // a virtual key code
  bool repeat = false;  // a held key's repetition
  int x = 0, y = 0;     // the pointer's pixel in the window's client area
  bool other = false;   // the right button, not the main one
};

// What a system's window does for the loop.
class System {
 public:
  // Paints the picture into a target and returns the patches that changed.
  using Paint = std::function<const std::vector<paint::Rect>&(const paint::Target&)>;
  using Take = std::function<bool(const Event&)>;  // handles a message; false: the loop ends

  virtual ~System() = default;
  // Sleeps until a message comes or `ms` have passed, then hands what came to `take`, in
  // order, until it says stop; gamepads' events drive `pads`.
  virtual void wait(double ms, GamepadSlots& pads, const Take& take) = 0;
  virtual void poll(GamepadSlots&) {}  // gamepads that have no events are read here, once a turn
  virtual void setTitle(const std::string& title) = 0;
  virtual bool newPixels() = 0;      // true once after new pixels (a new size): paint them all
  virtual bool show(const Paint& paint) = 0;  // true: changed patches reached the screen
  virtual bool ended() const { return false; }  // the display or the terminal is gone
};

// Milliseconds since the window opened, from the system's monotonic clock.
class Clock {
 public:
  Clock();
  double now() const;

 private:
  int64_t start;
};

// Plays until the window is closed, the editor is left (`left`) or the system ends; then the
// recording's last wait and expect line. `sounding` tells whether an effect still sounds.
void run(System& system, Session& session, const Clock& clock, const Options& options, const bool& left,
         const std::function<bool()>& sounding);

}  // namespace zorvane::host
