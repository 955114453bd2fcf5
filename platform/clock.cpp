#include "platform/clock.h"

namespace zorvane {

Timer::Timer(const Clock* clock, int designInterval) : clock(clock) { Interval(designInterval); }

void Timer::Interval(int ms) {
  interval = ms > 0 ? ms : 0;
  if (interval > 0) dueAt = clock->now + interval;
}

void Timer::catchUp(int64_t now) {
  if (interval > 0 && now - dueAt > interval) dueAt = now;
}

}  // namespace zorvane
