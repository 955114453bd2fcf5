// Recording a live game: the writer that turns the live window's time steps and input into
// replay script lines.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zorvane {

// Writes a live game as a replay script. The live loop reports each time step it took and
// each input the game handled; a step is one `wait` or `catchup` line (waits may merge, a
// catchup covers its own step only), and a start-up's clock seed is a `randomize` line
// before the event that caused it.
class Recorder {
 public:
  using Sink = std::function<bool(std::string_view)>;  // receives whole lines
  explicit Recorder(Sink sink);

  void step(int64_t ms, bool caughtUp);   // one live step of `ms` ms (caughtUp: a stall was caught up); writes at least once a second
  void randomize(uint64_t seed);          // a start-up's clock seed, written before the next line
  void down(int16_t keyCode);
  void up(int16_t keyCode);
  void click(std::string_view button);
  void close();                           // writes the last wait

  bool failed() const { return broken; }

 private:
  void event(std::string_view verb, std::string_view what);
  void emit();                             // sends the pending wait, then `pending`

  Sink sink;
  std::string pending;        // lines to send before the next one (randomize seeds)
  std::string line;           // reused buffer
  int64_t waiting = 0;        // merged wait not yet written
  int64_t clock = 0;          // live time, the sum of the steps
  int64_t lastWrite = 0;      // live time of the last write
  bool broken = false;
  bool begun = false;         // the first line, a comment, is written
};

}  // namespace zorvane
