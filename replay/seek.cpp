#include "replay/seek.h"

#include <algorithm>

namespace zorvane {

Seeker::Seeker(const Script& script, LiveGame& g, WatchPlayer& p) : game(g), player(p) {
  for (const Command& c : script.commands)
    if (c.op == Op::Wait || c.op == Op::Catchup) total += c.value;
  if (player.playing()) keep();
}

void Seeker::keep() { kept.push_back({game.form().snapshot(), player, game.remember()}); }

bool Seeker::playTo(int64_t until) {
  // Each multiple of snapshotEvery is played to on its own: the same events, split there.
  for (int64_t next = int64_t(kept.size()) * snapshotEvery; player.playing() && next <= until && next <= total;
       next += snapshotEvery) {
    if (next > game.now() && !player.playTo(game, next)) return false;
    keep();
  }
  return player.playTo(game, until);
}

bool Seeker::jumpTo(int64_t t) {
  if (!player.playing() || kept.empty()) return false;
  t = std::clamp<int64_t>(t, 0, total);
  const size_t at = std::min(size_t(t / snapshotEvery), kept.size() - 1);
  // Back, or forward past a kept snapshot: start from the snapshot; else play on from here.
  if (t < game.now() || int64_t(at) * snapshotEvery > game.now()) {
    game.flushTrace();  // the lines played so far come before those after the jump
    const Snapshot& s = kept[at];
    game.form().restore(s.form);
    player = s.player;
    game.recall(s.live);
  }
  return playTo(t);
}

}  // namespace zorvane
