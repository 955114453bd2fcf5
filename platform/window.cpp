#include "platform/window.h"

namespace zorvane {

void Window::Show() {
  if (isLoaded) return;
  stacking = Stacking{};
  buildControls();
  isLoaded = true;
  Form_Load();
}

void Window::Unload() {
  if (!isLoaded) return;
  destroyControls();
  isLoaded = false;
}

int Window::fireNextTimer(int64_t until) {
  if (!isLoaded) return 0;
  int best = 0;
  int64_t bestDue = 0;
  for (int n = 1; n <= timerCount; ++n) {
    const Timer& t = timer(n);
    if (t.running() && t.due() <= until && (best == 0 || t.due() < bestDue)) {
      best = n;
      bestDue = t.due();
    }
  }
  if (best == 0) return 0;
  if (bestDue > clock.now) clock.now = bestDue;
  timer(best).fired();
  tick(best);
  return best;
}

}  // namespace zorvane
