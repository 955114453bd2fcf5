// The game as the live window runs it: wall-clock time steps and the player's input, and
// what they leave behind when asked (a recording, a live trace). A watched recording
// drives the same game through the same steps.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/input.h"
#include "replay/recording.h"
#include "replay/script.h"
#include "replay/trace.h"

namespace zorvane {

class Form1;

struct LiveOptions {
  Recorder* recorder = nullptr;                     // writes the recording; null: none
  std::function<void(std::string_view)> traceSink;  // receives whole trace lines; empty: no trace
};

class LiveGame : public Input {
 public:
  LiveGame(Form1& form, LiveOptions options);

  void start();                       // shows the window at time 0 (Form_Load); trace line `load`
  void step(int64_t now);             // the live step: stalled timers caught up at `now`, due timers fire
  void keyDown(int16_t keyCode) override;          // Form_KeyDown at the current time
  void keyUp(int16_t keyCode) override;            // Form_KeyUp at the current time
  bool click(std::string_view button) override;    // false: no such shown button, nothing happened
  void close();                       // writes out the trace and the recording's last wait
  void flushTrace();                  // hands the trace so far to its sink

  // A script's time, for playback (never recorded): `wait` runs as advance, `catchup` as
  // overdue then advance; a wait may be played in parts.
  void advance(int64_t until);        // fires every timer due by `until`, then the clock is `until`
  void overdue(int64_t until);        // each timer more than one Interval late at `until` is made due then

  int64_t now() const;
  Form1& form() { return game; }
  void setRecorder(Recorder* recorder) { options.recorder = recorder; }  // from now on

  // The live side of a snapshot of the game, for a jump in a watched recording.
  struct Memory {
    TraceWriter::Memory trace;
    uint64_t seedsSeen = 0;
  };
  Memory remember();                  // writes out the trace first
  void recall(const Memory& memory);  // after the game itself was restored

 private:
  void handled(std::string_view ev);
  void reportSeeds();                 // start-ups that read the clock, for the recording

  Form1& game;
  LiveOptions options;
  TraceWriter trace;
  uint64_t seedsSeen = 0;
  int64_t lastFlush = 0;
  char evText[32] = {};
};

// Plays a script in a live game on a clock of its own (the window's, scaled by the speed).
// When the script ends, the game is live again: later start-ups read the clock.
class WatchPlayer {
 public:
  explicit WatchPlayer(const Script& script) : script(&script) {}

  void start(LiveGame& game);                 // queues the script's draws and seeds, then starts the game
  bool playTo(LiveGame& game, int64_t until);  // plays up to time `until`; false once the script has ended
  int64_t nextTime(const Form1& form) const;  // when it next has something to do (-1: nothing timed)
  bool playing() const { return !ended; }
  // The first expect line the game did not meet; the recording plays on regardless.
  const std::optional<ExpectMiss>& miss() const { return firstMiss; }

 private:
  const Script* script;
  size_t next = 0;            // the command being played
  bool begun = false;         // its wait has started
  int64_t end = 0;            // when that wait ends
  bool ended = false;
  std::optional<ExpectMiss> firstMiss;
};

}  // namespace zorvane
