// A reference hour of play, written as the window's recorder writes it: the live game runs
// on a simulated wall clock (a step at every timer tick and before every input, with a
// little lateness and now and then a stall), and a player holds an arrow about half the
// time (with the desktop's auto-repeat: a first repeat after 660 ms, then every 40 ms),
// serves, pauses now and then, jumps layouts and starts a new game after each game over.
//   zorvane-reference-hour [SEED] > hour.zrec      then: time zorvane-replay hour.zrec > /dev/null
#include <charconv>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "drive/player.h"
#include "game/form1.h"
#include "script/recorder.h"

namespace {

using namespace zorvane;

constexpr int64_t hour = 60 * 60 * 1000;
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

int main(int argc, char** argv) {
  uint64_t seed = 1;
  if (argc > 2 || (argc == 2 && std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), seed).ec != std::errc{})) {
    std::fprintf(stderr, "usage: zorvane-reference-hour [SEED] > hour.zrec\n");
    return 2;
  }
  Recorder recorder([](std::string_view lines) { return std::fwrite(lines.data(), 1, lines.size(), stdout) == lines.size(); });
  // Start-up seeds as long as the clock's (nanoseconds since 1970), as the window hands them in.
  uint64_t clockSeed = 1765000000000000000 + seed;
  Driver game({.traceSink = {}, .afterEvent = {}, .recorder = &recorder, .seeds = [&] { return clockSeed += 7919; }});
  const Form1& form = game.form();
  Player player(seed);
  game.start();
  int64_t now = 0;
  while (now < hour) {
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
  if (std::fflush(stdout) != 0 || recorder.failed()) {
    std::fprintf(stderr, "zorvane-reference-hour: cannot write the recording\n");
    return 1;
  }
  return 0;
}
