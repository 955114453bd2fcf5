#include "platform/clock.h"

namespace zorvane {

void Timer::Interval(int ms) {
  interval = ms > 0 ? ms : 0;
  restarted = interval > 0;
}

void Timer::settle(int64_t now) {
  if (restarted) dueAt = now + interval;
  restarted = false;
}

bool Timer::catchup(int64_t now) {
  if (interval <= 0 || now - dueAt <= interval) return false;
  dueAt = now;
  return true;
}

}  // namespace zorvane
