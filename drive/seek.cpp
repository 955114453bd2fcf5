#include "drive/seek.h"

#include <algorithm>

#include "game/form1.h"

namespace zorvane {

struct Seeker::Snapshot {
  Form1 form;
  ScriptPlayer::Position player;
  Driver::Memory driver;
};

Seeker::Seeker(Driver& d, ScriptPlayer& p, size_t most) : driver(d), player(p), mostKept(std::max<size_t>(most, 2) & ~size_t{1}) {
  if (player.playing()) keep();
}

Seeker::~Seeker() = default;

size_t Seeker::snapshots() const { return kept.size(); }

void Seeker::keep() {
  if (kept.size() == mostKept) {  // kept[2i] stays as the new kept[i]
    for (size_t i = 1; 2 * i < kept.size(); ++i) kept[i] = std::move(kept[2 * i]);
    kept.erase(kept.begin() + std::ptrdiff_t((kept.size() + 1) / 2), kept.end());
    spacing *= 2;
  }
  kept.push_back({driver.form().snapshot(), player.position(), driver.remember()});
}

bool Seeker::playTo(int64_t until) {
  if (jumping()) until = std::max(until, target);
  // Each multiple of the spacing is played to on its own: the same events, split there.
  // A paced player may stop short of it; the snapshot waits until the game stands there.
  // One call does one call's worth of work in all, a snapshot counted as a few ticks, so
  // that a far jump goes on over later calls instead of holding the screen.
  constexpr uint64_t snapshotCost = 10;
  uint64_t budget = player.budget();
  for (int64_t next = int64_t(kept.size()) * spacing; player.playing() && next <= until && next <= length();
       next = int64_t(kept.size()) * spacing) {
    if (next > driver.now() && !player.playTo(driver, next, budget)) return false;
    if (driver.now() < next) return true;
    keep();
    budget -= std::min(budget, snapshotCost);
  }
  return player.playTo(driver, until, budget);
}

bool Seeker::jumpTo(int64_t t) {
  if (!player.playing() || kept.empty()) return false;
  t = std::clamp<int64_t>(t, 0, length());
  const size_t at = std::min(size_t(t / spacing), kept.size() - 1);
  // Back, or forward past a kept snapshot: start from the snapshot; else play on from here.
  if (t < driver.now() || int64_t(at) * spacing > driver.now()) {
    driver.flush();  // the lines played so far come before those after the jump
    const Snapshot& s = kept[at];
    driver.game->restore(s.form);
    player.resume(s.player);
    driver.recall(s.driver);
  }
  // At the end, the inputs that stand at the end's moment are played too, and the game is live.
  target = t < length() ? t : length() + 1;
  return playTo(target);
}

}  // namespace zorvane
