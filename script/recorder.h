// Recording a live game: the writer that turns the live window's time steps and input into
// replay script lines.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "levels/layouts.h"

namespace zorvane {

// What the first line of a recording says besides the game's name; the front end hands it
// in (the core reads no clock).
struct RecordingHeading {
  std::string version;     // "1.0"
  std::string recordedAt;  // when recording began, in UTC: "2026-12-09 02:30:33 UTC"
};

// Writes a live game as a replay script. The live loop reports each time step it took and
// each input the game handled; a step is one `wait` or `catchup` line (waits may merge, a
// catchup covers its own step only), and a start-up's clock seed is a `randomize` line
// before the event that caused it. About every 10 s of game time, and at the end, an
// `expect` line states what the game had then, so that a replay proves the recording.
class Recorder {
 public:
  using Sink = std::function<bool(std::string_view)>;  // receives whole lines
  explicit Recorder(Sink sink, RecordingHeading heading = {});

  static constexpr int64_t expectEvery = 10000;  // ms of game time between two expect lines

  void step(int64_t ms, bool caughtUp);   // one live step of `ms` ms (caughtUp: a stall was caught up); writes at least once a second
  void seed(uint64_t seed);               // the one seed of a game whose start-ups take no clock seed
  void randomize(uint64_t seed);          // a start-up's clock seed, written before the next line
  void layouts(const Layouts& layouts);   // the player's own layouts the game is played on, written before the next line
  void down(int16_t keyCode);             // a key pressed, after the pending wait
  void up(int16_t keyCode);               // a key released
  void click(std::string_view button);   // one of buttonNames
  bool expectDue() const { return clock - lastExpect >= expectEvery; }  // 10 s since the last expect line
  void expect(std::string_view line);     // an expect line about the game now, after the pending wait
  void close();                           // writes the last wait

  bool failed() const { return broken; }  // a write failed: nothing more is written

 private:
  void event(const std::string& line);
  void emit();                             // sends the pending wait, then `pending`

  Sink sink;
  std::string pending;        // lines to send before the next one (randomize seeds)
  std::string head;           // lines that follow the first line (the seed, the layouts)
  int64_t waiting = 0;        // merged wait not yet written
  int64_t clock = 0;          // live time, the sum of the steps
  int64_t lastWrite = 0;      // live time of the last write
  int64_t lastExpect = 0;     // live time of the last expect line
  std::string lastExpectLine; // an identical line in a row says nothing new
  RecordingHeading heading;
  bool broken = false;
  bool begun = false;         // the first line, a comment, is written
};

}  // namespace zorvane
