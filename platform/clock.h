// Time as the game sees it: whole milliseconds fed in by the backend or the replay tool.
#pragma once
#include <cstdint>

namespace zorvane {

// The window's clock; the logic never reads the wall clock itself.
struct Clock {
  int64_t now = 0;  // milliseconds since the window was first created
};

// A periodic timer: raises its tick every Interval milliseconds while Interval > 0.
class Timer {
 public:
  Timer() = default;
  Timer(const Clock* clock, int designInterval);  // created running, first due one interval on

  void Interval(int ms);           // 0 stops; v > 0 makes it due v ms from now
  int Interval() const { return interval; }
  bool running() const { return interval > 0; }
  int64_t due() const { return dueAt; }     // next tick time while running
  void fired() { dueAt += interval; }       // called just before its handler runs
  void catchUp(int64_t now);                // after a stall: fire once now, not in a burst

 private:
  const Clock* clock = nullptr;
  int interval = 0;
  int64_t dueAt = 0;
};

}  // namespace zorvane
