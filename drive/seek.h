// Watching a recording from any moment. As the playback first passes each 10 s of game time
// it keeps a snapshot of the whole game (the game is a value); a jump restores the latest
// snapshot at or before the moment asked for and plays on from there to it at once, so the
// game stands exactly as it did at that moment the first time. However long the recording,
// at most `mostKept` snapshots are kept: when they are all taken, every other one goes and
// the rest stand twice as far apart.
#pragma once
#include <algorithm>
#include <cstdint>
#include <deque>

#include "drive/driver.h"
#include "drive/player.h"

namespace zorvane {

// The snapshots of one watched recording, and the jumps between them.
class Seeker {
 public:
  static constexpr int64_t snapshotEvery = 10000;  // ms of game time

  static constexpr size_t keptByDefault = 720;     // two hours of 10 s snapshots, 64 KB each

  // `player` has started `driver` on its script; both outlive the seeker. `mostKept` is made
  // even, at least 2.
  Seeker(Driver& driver, ScriptPlayer& player, size_t mostKept = keptByDefault);
  ~Seeker();
  Seeker(const Seeker&) = delete;
  Seeker& operator=(const Seeker&) = delete;

  bool playTo(int64_t until);  // as ScriptPlayer::playTo, keeping snapshots on the way
  // The game as it stood at time `t` (0 to length()); at length() the recording ends and
  // the game is live. Returns false once the recording has ended. A paced player may reach
  // `t` only over later calls of playTo, which play on to it whatever `until` they ask for.
  bool jumpTo(int64_t t);
  bool jumping() const { return player.playing() && driver.now() < target; }  // a jump is still on its way
  // Where the playback stands, or will once a jump is done.
  int64_t time() const { return jumping() ? std::min(target, length()) : driver.now(); }
  int64_t length() const { return player.length(); }  // the recording's game time
  size_t snapshots() const;    // snapshots kept now

 private:
  struct Snapshot;  // the game, the player's place and the driver's memory
  void keep();                 // a snapshot of the game now, thinning the kept ones when full

  Driver& driver;
  ScriptPlayer& player;
  std::deque<Snapshot> kept;   // kept[i] at i * spacing; never moved whole as it grows
  size_t mostKept;
  int64_t spacing = snapshotEvery;
  int64_t target = 0;          // the moment the last jump asked for; past the end, the end's inputs too
};

}  // namespace zorvane
