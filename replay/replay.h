// The replay driver: runs a script on a Form1 with a virtual clock, event by event, and
// writes the trace. The same game code runs here as in the window.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "replay/script.h"
#include "replay/trace.h"

namespace zorvane {

class Form1;

struct ReplayOptions {
  // Receives the trace in chunks of whole lines (about 64 KiB each, and the rest on
  // flush()). Left empty, no trace is formatted at all.
  std::function<void(std::string_view)> traceSink;
  // Called after every handled event (after its trace line) with the event text
  // ("load", "Timer2", "down 37", "click pause").
  std::function<void(const Form1&, std::string_view ev)> afterEvent;
};

class Replay {
 public:
  explicit Replay(ReplayOptions options = {});
  ~Replay();
  Replay(const Replay&) = delete;
  Replay& operator=(const Replay&) = delete;

  // Load, then every command, then a flush. Stops at the first expect line the game does
  // not meet, and returns what it found there.
  std::optional<ExpectMiss> run(const Script& script);
  // Once: creates the window at time 0. Each start-up's Randomize takes the next of
  // `randomizeSeeds`; with none left it keeps the generator seeded with `seed`.
  void load(uint64_t seed, std::span<const float> draws, std::span<const uint64_t> randomizeSeeds = {});
  void run(const Command& command);   // one wait, catchup, down, up or click (an expect does nothing here)
  void wait(int64_t ms);              // fires every timer due on the way, then the clock is t + ms
  void catchup(int64_t ms);           // a live window's step after a stall: overdue timers fire once
  void catchupTimers(int64_t ms);     // its first half: timers over one Interval late at now + ms are due then
  void down(int16_t keyCode);         // Form_KeyDown at the current time
  void up(int16_t keyCode);           // Form_KeyUp at the current time
  bool click(std::string_view button);  // false: the button is hidden, nothing happened
  void flush();                         // hands the buffered trace to the sink

  Form1& form() { return *game; }
  const Form1& form() const { return *game; }
  uint64_t events() const { return eventCount; }  // handled events so far, load included

 private:
  void handled(std::string_view ev);
  std::string_view keyEvent(std::string_view verb, int16_t keyCode);

  ReplayOptions options;
  std::unique_ptr<Form1> game;
  TraceWriter trace;
  bool tracing = false;
  uint64_t eventCount = 0;
  char evText[32] = {};
};

}  // namespace zorvane
