// The one script player: plays a script through the driver, to its end (the replay tool) or
// paced by a clock of its own (the window's watch, the page, frames). A wait may be played in
// parts; a catch-up is made when it begins, then played as a wait. When the script ends the
// game is live.
#pragma once
#include <cstdint>
#include <utility>

#include "drive/driver.h"
#include "script/script.h"

namespace zorvane {

class ScriptPlayer {
 public:
  static constexpr int64_t end = INT64_MAX;  // playTo(driver, end) plays the whole script

  explicit ScriptPlayer(Script script) : script(std::move(script)) {}

  void start(Driver& d);                     // the script's seed, draws and start-up seeds; then the window at time 0
  bool playTo(Driver& d, int64_t until);     // every timer due by `until`, every input before it; false once the script has ended
  int64_t nextTime(const Driver& d) const;   // the least `until` at which playTo has more to do
  void limit(uint64_t events) { perCall = events; }  // paced: at most this many commands and ticks a call (0: no limit)
  bool playing() const { return !ended; }

 private:
  Script script;
  size_t next = 0;            // the command being played
  bool begun = false;         // its wait has started
  int64_t stop = 0;           // when that wait ends
  uint64_t perCall = 0;
  bool ended = false;
};

// Plays a whole script from the window's creation to its end, then flushes the trace.
void playWhole(Driver& d, Script script);

}  // namespace zorvane
