#include "sdl/pacing.h"

#include <algorithm>
#include <cmath>

namespace zorvane::sdl {

void runTimers(Window& w, int64_t now) {
  if (w.loaded())
    for (int n = 1; n <= Window::timerCount; ++n) w.timer(n).catchUp(now);
  while (w.fireNextTimer(now)) {
  }
  if (now > w.clock.now) w.clock.now = now;
}

int64_t nextDue(Window& w) {
  int64_t due = -1;
  if (!w.loaded()) return due;
  for (int n = 1; n <= Window::timerCount; ++n) {
    const Timer& t = w.timer(n);
    if (t.running() && (due < 0 || t.due() < due)) due = t.due();
  }
  return due;
}

int openingScale(const Window& w, int usableWidth, int usableHeight, float dpi) {
  constexpr int frame = 40;  // room for the title bar and borders
  const double picW = w.clientWidth() / 15, picH = w.clientHeight() / 15;
  const int fits = int(std::min((usableWidth - frame) / picW, (usableHeight - frame) / picH));
  const int wanted = std::isfinite(dpi) && dpi > 0 ? int(std::nearbyint(dpi / 96)) : 1;
  return std::max(1, std::min(fits, wanted));
}

}  // namespace zorvane::sdl
