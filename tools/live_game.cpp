#include "tools/live_game.h"

#include <algorithm>
#include <random>

#include "drive/driver.h"
#include "game/form1.h"

namespace zorvane {
namespace {

constexpr int64_t firstRepeat = 660, repeatEvery = 40;  // the desktop's key repetition

class Player {
 public:
  explicit Player(uint64_t seed) : rng(seed) {}

  // The next input due at or before `now`; returns false when none is.
  void act(Driver& game, const Form1& form, int64_t now) {
    if (form.fields().gameover.Visible) {
      if (overSince < 0) overSince = now;
      if (now - overSince > 2000) {
        game.click("gameover");
        overSince = -1;
      }
      return;
    }
    if (form.fields().pause.Visible) {
      if (now >= pauseEnds) game.click("pause");
      return;
    }
    if (held && now >= nextRepeat) {
      game.keyDown(held);
      nextRepeat += repeatEvery;
    }
    if (now < nextChange) return;
    if (held) {  // let go, for about as long as it was held
      game.keyUp(held);
      held = 0;
      nextChange = now + between(100, 2500);
      return;
    }
    switch (between(0, 39)) {
      case 0: game.keyDown(80), game.keyUp(80), pauseEnds = now + between(500, 4000); return;
      case 1: game.keyDown(int16_t(between(0, 1) ? 112 : 113)), game.keyUp(112); return;
      default: break;
    }
    held = between(0, 1) ? 37 : 39;
    game.keyDown(held);
    nextRepeat = now + firstRepeat;
    nextChange = now + between(100, 2500);
  }

  int64_t between(int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(rng); }
  int64_t nextInput() const { return held && nextRepeat < nextChange ? nextRepeat : nextChange; }

 private:
  std::mt19937_64 rng;
  int16_t held = 0;
  int64_t nextRepeat = 0, nextChange = 0, pauseEnds = 0, overSince = -1;
};

}  // namespace

void playRecorded(Recorder& recorder, uint64_t seed, int64_t ms, SharedLayouts layouts) {
  // Start-up seeds as long as the clock's (nanoseconds since 1970), as the window hands them in.
  uint64_t clockSeed = 1765000000000000000 + seed;
  Driver game({.traceSink = {}, .afterEvent = {}, .recorder = &recorder, .seeds = [&] { return clockSeed += 7919; }});
  if (layouts) game.useLayouts(std::move(layouts));
  const Form1& form = game.form();
  Player player(seed);
  game.start();
  int64_t now = 0;
  while (now < ms) {
    // The loop wakes for the next timer or input, a millisecond late or so; now and then the
    // process stalls for a while.
    const int64_t due = form.nextDue();
    int64_t wake = std::min(due < 0 ? now + 1000 : due, player.nextInput());
    wake = std::max(wake, now) + player.between(0, 1);
    if (player.between(0, 9999) == 0) wake += player.between(100, 800);
    now = wake;
    game.step(now);
    player.act(game, form, now);
  }
  game.close();
}

std::string liveRecording(uint64_t seed, int64_t ms, SharedLayouts layouts) {
  std::string text;
  Recorder recorder([&](std::string_view lines) {
    text += lines;
    return true;
  }, {.version = "1.0", .recordedAt = "2026-12-09 02:30:33 UTC"});
  playRecorded(recorder, seed, ms, std::move(layouts));
  return text;
}

}  // namespace zorvane
