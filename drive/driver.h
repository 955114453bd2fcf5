// The one driver of the game, over the seam of platform/contract.h, for every way it is
// played: live in the window or on the page (through session/), watched from a recording,
// replayed by the replay tool, drawn as frames. It holds the game, the trace writer and an
// optional recorder; input and steps of time go in, and each handled event leaves a trace
// line (and, live, script lines).
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "game/cues.h"
#include "platform/contract.h"
#include "platform/input.h"
#include "platform/pointer.h"
#include "script/recorder.h"
#include "script/script.h"
#include "trace/trace.h"

namespace zorvane {

class Form1;
class Seeker;
struct DriverTestDoor;  // tests only (tests/core/test_door.h): the game itself, to stage a scene

struct DriverOptions {
  // Receives the trace in chunks of whole lines (about 64 KiB each, at least once a second
  // of live time, and the rest on flush()). Left empty, no trace is formatted at all.
  std::function<void(std::string_view)> traceSink;
  // Called after every handled event (after its trace line and its cues) with the event
  // text ("load", "Timer2", "down 37", "click pause").
  std::function<void(const Form1&, std::string_view ev)> afterEvent;
  Recorder* recorder = nullptr;       // writes the live game as a script; null: none
  std::function<uint64_t()> seeds;    // a fresh seed for each live start-up (the clock); empty: none
};

class Driver : public Input {
 public:
  explicit Driver(DriverOptions options = {});
  ~Driver() override;
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // Starting, once: the window is created at time 0 and Form_Load runs (trace line `load`).
  void start();                       // live: each start-up takes a fresh seed
  void load(uint64_t seed, const Draws& draws, std::span<const uint64_t> randomizeSeeds = {});  // a script's; the recorder writes the seed
  void useLayouts(SharedLayouts layouts);  // before starting: the player's own layouts for every start-up; the recorder writes them
  void goLive();                      // a script has ended: its seeds not taken go, fresh seeds from now on
  // Called after an event that raised cues (a wall, a brick, a lost ball), for its sounds,
  // before afterEvent. None set: the cues are dropped.
  void cuesTo(std::function<void(std::span<const Cue>)> sink) { cueSink = std::move(sink); }

  // Input at the current time.
  void keyDown(int16_t keyCode) override;        // Form_KeyDown
  void keyUp(int16_t keyCode) override;          // Form_KeyUp
  bool click(std::string_view button) override;  // false: no such shown button, nothing happened

  // Time.
  void step(int64_t now);             // live: a stall caught up at `now`, then every due timer; recorded
  void catchup(int64_t until);        // a stall: each timer more than one Interval late at `until` is due then
  void advance(int64_t until);        // fires every timer due by `until`, then the clock is `until`
  bool advance(int64_t until, uint64_t& budget);  // the same, one event of `budget` per tick; false: it ran out first
  void wait(int64_t ms) { advance(now() + ms); }  // a script's `wait`
  void run(const Command& c);         // one script command, whole: wait, catchup, down, up or click

  void flush();                       // hands the buffered trace to the sink
  void close();                       // flushes the trace, writes the recording's last wait and expect line

  // What the driver keeps of the events so far besides the game, for a snapshot of a watched
  // recording: given back with the game, the lines after a jump read as they did the first time.
  struct Memory {
    TraceWriter::Memory trace;        // the bricks the trace last showed
    uint64_t events = 0;              // events handled by then
  };
  Memory remember();                  // flushes the trace first
  void recall(const Memory& memory);  // after the game itself was restored

  void setRecorder(Recorder* recorder) { options.recorder = recorder; }  // from now on; null: none
  // The game, read only: what the trace, the expect checks and the tests read of it. Nothing
  // outside the core changes the game but through the input and time above.
  const Form1& form() const { return *game; }
  const View& view() const;           // what a screen reads of the game
  PointerSteering::Paddle paddle() const;  // the paddle as steering it towards a point sees it now
  int64_t now() const;                // the game's clock, ms since the window was created
  int64_t nextDue() const;            // when the next timer falls due, -1 when none runs
  uint64_t events() const { return eventCount; }  // handled events so far, load included

 private:
  void begin();                       // Show, then the `load` line
  void handled(std::string_view ev);
  std::string_view keyEvent(std::string_view verb, int16_t keyCode);
  void handSeed();                    // one fresh seed queued for the next start-up
  void reportSeeds();                 // a start-up took it: recorded, and the next one handed in

  DriverOptions options;
  std::function<void(std::span<const Cue>)> cueSink;
  std::unique_ptr<Form1> game;
  TraceWriter trace;
  bool tracing = false;
  bool handing = false;               // fresh seeds are handed in
  uint64_t handed = 0;                // the seed handed in last
  uint64_t eventCount = 0;
  int64_t lastFlush = 0;
  char evText[32] = {};

  friend class Seeker;          // restores the game from its snapshots
  friend struct DriverTestDoor;
};

}  // namespace zorvane
