#include "tests/soak/soak.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "drive/player.h"
#include "game/form1.h"
#include "tests/soak/invariants.h"

namespace zorvane::soak {
namespace {

// Thrown out of the replay from the event hook: the run stops at the first broken invariant.
struct Broken {};

// Follows a run event by event and fills its Coverage.
class CoverageTracker {
 public:
  explicit CoverageTracker(Coverage& c) : c(c) {}

  void see(const Form1& f, std::string_view ev) {
    const bool ballTick = ev == "Timer2";
    if (ballTick) {
      if (f.fields().ballVelocityX != 0 || f.fields().ballVelocityY != 0) ++c.flightTicks[std::clamp(f.fields().layoutIndex, 0, 7)];
      if (f.fields().livesLeft == 0) ++c.playWithoutLives;
      // Every hit books points towards a life, so extraLifePoints changes; lastCell is the
      // cell hit, and `codes` still holds its code from before the tick.
      if (f.fields().extraLifePoints != points && f.fields().lastCell >= 1 && f.fields().lastCell <= 500) {
        const int i = f.fields().lastCell;
        ++c.hits[std::clamp<int>(codes[(i - 1) % 20 + 1][(i - 1) / 20 + 1], 0, 99)];
      }
      if (f.fields().livesLeft < lives || (f.fields().gameover.Visible && !gameOver)) ++c.lostBalls;
    } else if (ev == "click nextlevel") {
      ++c.levelsCleared;
    } else if (ev == "click gameover") {
      ++c.restarts;
    } else if (ev == "down 80") {
      ++c.pauses;
    } else if (ev == "down 112" || ev == "down 113") {
      ++c.jumps;
    }
    // Codes change only in ball ticks with a hit and in field builds.
    if ((ballTick && f.fields().extraLifePoints != points) || !ev.starts_with("Timer")) codes = f.fields().brickCode;
    points = f.fields().extraLifePoints;
    lives = f.fields().livesLeft;
    gameOver = f.fields().gameover.Visible;
    c.maxLevel = std::max(c.maxLevel, f.fields().levelNumber);
    c.smallestBall = std::min(c.smallestBall, f.fields().ball.Width);
    c.largestBall = std::max(c.largestBall, f.fields().ball.Width);
    c.narrowestPaddle = std::min(c.narrowestPaddle, f.fields().paddle.Width);
    c.widestPaddle = std::max(c.widestPaddle, f.fields().paddle.Width);
  }

 private:
  Coverage& c;
  decltype(GameState::brickCode) codes{};
  int32_t points = 0;
  int16_t lives = 0;
  bool gameOver = false;
};

}  // namespace

std::string Coverage::summary() const {
  std::ostringstream s;
  s << "levels cleared " << levelsCleared << " (highest level " << maxLevel << "), restarts " << restarts
    << ", lost balls " << lostBalls << ", pauses " << pauses << ", layout jumps " << jumps
    << ", ball ticks without lives " << playWithoutLives << "\n  ball ticks in flight by layout:";
  for (int k = 1; k <= 7; ++k) s << ' ' << k << ':' << flightTicks[k];
  s << "\n  hits by code:";
  for (int code = 1; code <= 99; ++code)
    if (hits[code] > 0) s << ' ' << code << ':' << hits[code];
  s << "\n  ball width " << smallestBall << ".." << largestBall << ", paddle width " << narrowestPaddle << ".."
    << widestPaddle;
  return s.str();
}

std::string Coverage::missing() const {
  std::string gaps;
  const auto need = [&](bool reached, const std::string& what) {
    if (!reached) gaps += (gaps.empty() ? "" : ", ") + what;
  };
  for (int k = 1; k <= 7; ++k) need(flightTicks[k] > 0, "play on layout " + std::to_string(k));
  for (const int code : {67, 76, 47, 66, 72, 77, 80, 83, 86, 98, 99})  // layouts 5 to 7
    need(hits[code] > 0, "a hit on code " + std::to_string(code));
  need(hits[89] + hits[90] > 0, "a layout-changing brick");
  need(levelsCleared > 0, "a cleared level");
  need(restarts > 0, "a restart");
  need(pauses > 0, "a pause");
  need(playWithoutLives > 0, "play resumed after a game over");
  return gaps;
}

SoakResult runSoak(const SoakOptions& o) {
  SoakResult r;
  ScriptGenerator generator(o.seed, o.layouts);
  InvariantChecker checker;
  CoverageTracker tracker(r.coverage);
  const bool writing = o.script || o.record;
  ScriptWriter writer(generator, o.script, o.record);

  DriverOptions replayOptions;
  replayOptions.afterEvent = [&](const Form1& f, std::string_view ev) {
    if (ev.starts_with("Timer")) ++r.timerEvents;
    tracker.see(f, ev);
    if (!checker.check(f, ev, r.broken)) {
      r.event = ev;
      throw Broken{};
    }
  };
  Driver replay(replayOptions);
  try {
    if (generator.layouts()) replay.useLayouts(generator.layouts());
    replay.load(generator.gameSeed(), {generator.draws().begin(), generator.draws().end()});
    while (r.timerEvents < o.timerEvents && r.commands < o.maxCommands) {
      const Command c = generator.next(replay.form());
      if (writing) writer.command(c);
      ++r.commands;
      replay.run(c);
    }
  } catch (const Broken&) {
    r.ok = false;
  }
  if (writing) writer.finish();
  r.events = replay.events();
  r.time = replay.form().now();
  return r;
}

std::string replayAndCheck(const std::string& text) {
  Script script;
  ScriptError error;
  if (!parseScript(text, script, error)) return "the script does not parse, line " + std::to_string(error.line) + ": " + error.message;
  InvariantChecker checker;
  std::string broken;
  DriverOptions options;
  options.afterEvent = [&](const Form1& f, std::string_view ev) {
    if (!checker.check(f, ev, broken)) throw Broken{};
  };
  Driver replay(options);
  try {
    playWhole(replay, script);
  } catch (const Broken&) {
    return broken;
  }
  return {};
}

}  // namespace zorvane::soak
