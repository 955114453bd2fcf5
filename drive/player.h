// The one script player: plays a script through the driver, to its end (the replay tool) or
// paced by a clock of its own (the window's watch, the page, frames). A wait may be played in
// parts; a catch-up is made when it begins, then played as a wait. An expect line is checked
// when it is reached. When the script ends the game is live.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "drive/driver.h"
#include "script/script.h"

namespace zorvane {

// One script, played into a driver.
class ScriptPlayer {
 public:
  static constexpr int64_t end = INT64_MAX;  // playTo(driver, end) plays the whole script

  explicit ScriptPlayer(Script script);
  explicit ScriptPlayer(std::shared_ptr<const Script> script);  // shared with whoever writes it again

  void start(Driver& d);                     // the script's seed, draws and start-up seeds; then the window at time 0
  bool playTo(Driver& d, int64_t until);     // every timer due by `until`, every input before it; false once the script has ended
  bool playTo(Driver& d, int64_t until, uint64_t& budget);  // the same, each command and tick taken from `budget`; stops when it runs out
  int64_t nextTime(const Driver& d) const;   // the least `until` at which playTo has more to do
  void limit(uint64_t events) { perCall = events; }  // paced: at most this many commands and ticks a call (0: no limit)
  uint64_t budget() const { return perCall > 0 ? perCall : UINT64_MAX; }  // one call's worth of commands and ticks
  bool playing() const { return !ended; }  // false once the script has ended (or stopped at a miss)
  int64_t length() const { return total; }   // the script's game time: its waits and catch-ups

  // The first expect line the game did not meet. With stopAtMiss the script ends there (the
  // replay tool); otherwise it plays on regardless (watching).
  const std::optional<ExpectMiss>& miss() const { return firstMiss; }
  void stopAtMiss(bool stop) { stopping = stop; }  // true: the first miss ends the script

  // Where the player stands in its script, for a snapshot of a watched recording; resume
  // puts it back there while the script still plays.
  struct Position {
    size_t next = 0;                  // the command being played
    bool begun = false;               // its wait has started
    int64_t stop = 0;                 // when that wait ends
    std::optional<ExpectMiss> miss;   // the first miss so far
  };
  Position position() const { return {next, begun, stop, firstMiss}; }  // where it stands now
  void resume(const Position& p);     // back to where it stood, for a restored game

 private:
  bool check(const Driver& d, const Command& c);  // an expect line; false: the script stops here
  void finish(Driver& d);                         // the script has ended: the driver goes live

  std::shared_ptr<const Script> script;  // none once it has ended
  size_t next = 0;            // the command being played
  bool begun = false;         // its wait has started
  int64_t stop = 0;           // when that wait ends
  uint64_t perCall = 0;
  int64_t total = 0;
  bool ended = false;
  bool stopping = false;
  std::optional<ExpectMiss> firstMiss;
};

// Plays a whole script from the window's creation to its end, or to the first expect line
// the game does not meet, then flushes the trace. Returns that line's miss, if any.
std::optional<ExpectMiss> playWhole(Driver& d, Script script);

}  // namespace zorvane
