#include "platform/contract.h"

namespace zorvane {

void Window::fixSeed(uint64_t seed) { random.seed(seed); }

void Window::queueDraw(float r) { random.enqueue(r); }

void Window::queueDraws(const Draws& draws) { random.enqueue(draws); }

size_t Window::drawsQueued() const { return random.queued(); }

void Window::queueSeed(uint64_t seed) { random.enqueueSeed(seed); }

size_t Window::seedsQueued() const { return random.queuedSeeds(); }

void Window::dropSeeds() { random.dropSeeds(); }

void Window::Show() {
  if (isLoaded) return;
  stacking = Stacking{};
  ++rebuildCount;
  buildControls();
  isLoaded = true;
  Form_Load();
}

void Window::Unload() {
  if (!isLoaded) return;
  ++rebuildCount;
  destroyControls();
  isLoaded = false;
}

void Window::keyDown(int16_t keyCode) { Form_KeyDown(keyCode, 0); }

void Window::keyUp(int16_t keyCode) { Form_KeyUp(keyCode, 0); }

bool Window::click(std::string_view button) { return isLoaded && clickButton(button); }

void Window::settleTimers() {
  if (!isLoaded) return;
  for (int n = 1; n <= timerCount; ++n) timer(n).settle(clock.now);
}

int Window::advanceTo(int64_t until) {
  settleTimers();
  int best = 0;
  int64_t bestDue = 0;
  if (isLoaded) {
    for (int n = 1; n <= timerCount; ++n) {
      const Timer& t = timer(n);
      if (t.running() && t.due(clock.now) <= until && (best == 0 || t.due(clock.now) < bestDue)) {
        best = n;
        bestDue = t.due(clock.now);
      }
    }
  }
  if (best == 0) {
    if (until > clock.now) clock.now = until;
    return 0;
  }
  if (bestDue > clock.now) clock.now = bestDue;
  timer(best).fired();
  tick(best);
  return best;
}

bool Window::catchup(int64_t until) {
  settleTimers();
  if (!isLoaded) return false;
  bool any = false;
  for (int n = 1; n <= timerCount; ++n) any |= timer(n).catchup(until);
  return any;
}

int64_t Window::nextDue() const {
  int64_t due = -1;
  if (!isLoaded) return due;
  for (int n = 1; n <= timerCount; ++n) {
    const Timer& t = timer(n);
    if (t.running() && (due < 0 || t.due(clock.now) < due)) due = t.due(clock.now);
  }
  return due;
}

void Window::ZOrder(Control& c, int position) {
  if (position == 0) c.z = ++stacking.top;
}

}  // namespace zorvane
