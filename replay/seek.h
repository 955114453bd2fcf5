// Watching a recording from any moment. As the playback first passes each 10 s of game time
// it keeps a snapshot of the whole game (the game is a value); a jump restores the latest
// snapshot at or before the moment asked for and plays on from there to it at once, so the
// game stands exactly as it did at that moment the first time.
#pragma once
#include <cstdint>
#include <vector>

#include "game/form1.h"
#include "replay/live.h"

namespace zorvane {

class Seeker {
 public:
  static constexpr int64_t snapshotEvery = 10000;  // ms of game time

  // `player` has started `game` on `script`; all three outlive the seeker.
  Seeker(const Script& script, LiveGame& game, WatchPlayer& player);

  bool playTo(int64_t until);  // as WatchPlayer::playTo, keeping snapshots on the way
  // The game as it stood at time `t` (0 to length()); at length() the recording ends and
  // the game is live. Returns false once the recording has ended.
  bool jumpTo(int64_t t);
  int64_t length() const { return total; }  // the recording's game time
  size_t snapshots() const { return kept.size(); }

 private:
  struct Snapshot {
    Form1 form;
    WatchPlayer player;
    LiveGame::Memory live;
  };
  void keep();

  LiveGame& game;
  WatchPlayer& player;
  std::vector<Snapshot> kept;  // kept[i] at i * snapshotEvery
  int64_t total = 0;
};

}  // namespace zorvane
