// Time as the game sees it: whole milliseconds fed in by the backend or the replay tool.
#pragma once
#include <cstdint>

namespace zorvane {

// The window's clock; the logic never reads the wall clock itself.
struct Clock {
  int64_t now = 0;  // milliseconds since the window was first created
};

// A periodic timer: raises its tick every Interval milliseconds while Interval > 0. It
// holds no clock: a timer set during an event falls due from that event's time, which the
// window fills in before its clock moves on.
class Timer {
 public:
  Timer() = default;
  explicit Timer(int designInterval) { Interval(designInterval); }  // running, due one interval on

  void Interval(int ms);           // 0 stops; v > 0 makes it due v ms after the present event
  int Interval() const { return interval; }  // ms; 0: stopped
  bool running() const { return interval > 0; }
  int64_t due(int64_t now) const { return restarted ? now + interval : dueAt; }  // while running
  void settle(int64_t now);        // the present event's time is `now`
  void fired() { dueAt += interval; }       // settled, and just before its handler runs
  bool catchup(int64_t now);       // settled; after a stall: fire once now, not in a burst (true: it was late)

 private:
  int interval = 0;
  int64_t dueAt = 0;
  bool restarted = false;          // set during the present event, due time not yet filled in
};

}  // namespace zorvane
