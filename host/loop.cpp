#include "host/loop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "host/program.h"

namespace zorvane::host {

namespace {

using Steady = std::chrono::steady_clock;

// For the start-up benchmark: the wall-clock time of the first picture on the display.
void reportFirstFrame() {
  if (!std::getenv("ZORVANE_REPORT_FIRST_FRAME")) return;
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch());
  std::fprintf(stderr, "zorvane: first frame at %lld.%09lld\n", static_cast<long long>(ns.count() / 1000000000),
               static_cast<long long>(ns.count() % 1000000000));
}

void handle(Session& session, const Event& e, bool& running) {
  switch (e.kind) {
    case Event::Close: running = !session.mayLeave(); break;  // unsaved layouts: the first close warns
    case Event::KeyDown: session.keyDown(e.key, e.repeat); break;
    case Event::KeyUp: session.keyUp(e.key); break;
    case Event::PointerDown:
      if (!e.other || session.editing()) session.pointerDown(e.x, e.y, e.other);
      break;
    case Event::PointerMove: session.pointerMoved(e.x, e.y); break;
    case Event::PointerUp:
      if (!e.other || session.editing()) session.pointerUp(e.x, e.y);
      break;
    case Event::PointerLeft: session.pointerLeft(); break;
    case Event::FocusLost: session.letGo(); break;
  }
}

}  // namespace

Clock::Clock() : start(Steady::now().time_since_epoch().count()) {}

double Clock::now() const {
  const Steady::duration since(Steady::now().time_since_epoch().count() - start);
  return std::chrono::duration<double, std::milli>(since).count();
}

void run(System& system, Session& session, const Clock& clock, const Options& options, const bool& left,
         const std::function<bool()>& sounding) {
  std::string title;
  bool first = true, running = true;
  const auto goOn = [&] { return running && !left && !system.ended(); };
  const System::Take take = [&](const Event& e) {
    session.advance(clock.now());  // ticks that fell due before this message come first
    handle(session, e, running);
    return goOn();
  };
  const System::Paint paint = [&](const paint::Target& t) -> const std::vector<paint::Rect>& { return session.paint(t); };
  while (goOn()) {
    session.advance(clock.now());
    system.poll(session.pads());
    tellEnding(session, options);
    if (const std::string notice = session.notice(); !notice.empty()) say(notice);
    if (const std::string words = session.said(); !words.empty()) say(words);
    if (std::string now = session.title(); now != title) system.setTitle(title = std::move(now));
    if (system.newPixels()) session.repaintAll();
    if (system.show(paint) && std::exchange(first, false)) reportFirstFrame();
    system.wait(sleepFor(session, clock.now(), sounding && sounding()), session.pads(), take);
  }
  session.close();  // the recording's last wait and expect line, once
}

}  // namespace zorvane::host
