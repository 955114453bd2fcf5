// The game as the live window runs it: wall-clock time steps and the player's input, and
// what they leave behind when asked (a recording, a live trace). A watched recording
// drives the same game through the same steps.
#pragma once
#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/input.h"
#include "script/recorder.h"
#include "script/script.h"
#include "trace/trace.h"

namespace zorvane {

class Form1;

struct LiveOptions {
  Recorder* recorder = nullptr;                     // writes the recording; null: none
  std::function<void(std::string_view)> traceSink;  // receives whole trace lines; empty: no trace
  std::function<uint64_t()> seeds;                  // a fresh seed for each live start-up (the clock); empty: none
};

class LiveGame : public Input {
 public:
  LiveGame(Form1& form, LiveOptions options);

  void start();                       // shows the window at time 0 (Form_Load); trace line `load`
  void startPlayback();               // the same, with the seeds a script queued
  void goLive();                      // after a playback: its seeds not taken are dropped, live seeds handed in
  void step(int64_t now);             // the live step: stalled timers caught up at `now`, due timers fire
  void keyDown(int16_t keyCode) override;          // Form_KeyDown at the current time
  void keyUp(int16_t keyCode) override;            // Form_KeyUp at the current time
  bool click(std::string_view button) override;    // false: no such shown button, nothing happened
  void close();                       // writes out the trace and the recording's last wait

  // A script's time, for playback (never recorded): `wait` runs as advance, `catchup` as
  // overdue then advance; a wait may be played in parts.
  void advance(int64_t until);        // fires every timer due by `until`, then the clock is `until`
  void overdue(int64_t until);        // each timer more than one Interval late at `until` is made due then

  int64_t now() const;
  Form1& form() { return game; }

 private:
  void handled(std::string_view ev);
  void handSeed();                    // one live seed queued for the next start-up
  void reportSeeds();                 // a start-up took the seed handed in: it is recorded, the next handed in
  void flushTrace();

  Form1& game;
  LiveOptions options;
  TraceWriter trace;
  bool handing = false;       // live seeds are handed in
  uint64_t handed = 0;        // the seed handed in last
  int64_t lastFlush = 0;
  char evText[32] = {};
};

// Plays a script in a live game on a clock of its own (the window's, scaled by the speed).
// When the script ends, the game is live again: later start-ups read the clock.
class WatchPlayer {
 public:
  explicit WatchPlayer(const Script& script) : script(script) {}

  void start(LiveGame& game);                 // queues the script's draws and seeds, then starts the game
  bool playTo(LiveGame& game, int64_t until);  // plays up to time `until`; false once the script has ended
  int64_t nextTime(const Form1& form) const;  // when it next has something to do (-1: nothing timed)
  bool playing() const { return !ended; }

 private:
  const Script& script;
  size_t next = 0;            // the command being played
  bool begun = false;         // its wait has started
  int64_t end = 0;            // when that wait ends
  bool ended = false;
};

}  // namespace zorvane
