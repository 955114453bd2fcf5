#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <functional>
#include <limits>

#include "drive/player.h"
#include "game/form1.h"
#include "platform/keys.h"
#include "tests/core/test_door.h"
#include "tests/soak/invariants.h"
#include "tests/soak/soak.h"

namespace zorvane::soak {
namespace {

constexpr float inf = std::numeric_limits<float>::infinity();

// A fresh game, as the replay creates it.
struct Fresh {
  Driver replay;
  InvariantChecker checker;
  std::string broken;
  Fresh() { replay.load(1, {}); }
  Form1& form() { return DriverTestDoor::form(replay); }
  bool holds(std::string_view ev = "load") { return checker.check(form(), ev, broken); }
};

TEST(Invariants, HoldOnAFreshGameAndEachPlantedFaultIsNamed) {
  const struct {
    const char* fault;
    std::function<void(Form1&)> plant;
    const char* named;
  } cases[] = {
      {"seven lives", [](Form1& f) { DriverTestDoor::fields(f).livesLeft = 7; }, "livesLeft"},
      {"paddle direction 3", [](Form1& f) { DriverTestDoor::fields(f).paddleDirection = 3; }, "paddleDirection"},
      {"layout 8", [](Form1& f) { DriverTestDoor::fields(f).layoutIndex = 8; }, "layoutIndex"},
      {"build in progress", [](Form1& f) { DriverTestDoor::fields(f).bricksAtStart = 0; }, "bricksAtStart"},
      {"paddle timer alone", [](Form1& f) { DriverTestDoor::fields(f).Timer1.Interval(0); }, "timer"},
      {"logo timer stopped", [](Form1& f) { DriverTestDoor::fields(f).Timer3.Interval(0); }, "timer"},
      {"horizontal speed off", [](Form1& f) { DriverTestDoor::fields(f).ballVelocityX = 100; }, "ballVelocityX"},
      {"vertical speed not rounded", [](Form1& f) { DriverTestDoor::fields(f).ballVelocityY = 103; }, "ballVelocityY"},
      {"factor at its open end", [](Form1& f) { DriverTestDoor::fields(f).speedFactorX = 0.69; }, "speedFactorX"},
      {"top-edge factor at 0.5", [](Form1& f) { DriverTestDoor::fields(f).speedFactorY = 0.5; }, "speedFactorY"},
      {"code beyond the field", [](Form1& f) { DriverTestDoor::fields(f).brickCode[21][3] = 1; }, "brickCode"},
      {"code 100", [](Form1& f) { DriverTestDoor::fields(f).brickCode[5][5] = 100; }, "brickCode"},
      {"brick shown over no code", [](Form1& f) { DriverTestDoor::fields(f).brick(1).Visible = true; }, "brick"},
      {"brick caption stale", [](Form1& f) { DriverTestDoor::fields(f).brick(41).Caption = "2"; }, "caption"},
      {"score text short", [](Form1& f) { DriverTestDoor::fields(f).showscore.Caption = "12345"; }, "showscore"},
      {"high score text stale", [](Form1& f) { DriverTestDoor::fields(f).bestScore = 20; }, "highscore"},
      {"bricks text two digits", [](Form1& f) { DriverTestDoor::fields(f).numbricks.Caption = "12"; }, "numbricks"},
      {"level caption stale", [](Form1& f) { DriverTestDoor::fields(f).levelNumber = 2; }, "nextlevel"},
      {"ball position NaN", [](Form1& f) { DriverTestDoor::fields(f).ball.Left = std::nanf(""); }, "not finite"},
      {"ball through the left wall", [](Form1& f) { DriverTestDoor::fields(f).ball.Left = 100; }, "wall"},
      {"paddle dropped", [](Form1& f) { DriverTestDoor::fields(f).paddle.Top += 1; }, "paddle"},
      {"logo ball out of its box", [](Form1& f) { DriverTestDoor::fields(f).logoball(1).Top = -500; }, "logo"},
  };
  for (const auto& c : cases) {
    Fresh g;
    ASSERT_TRUE(g.holds()) << g.broken;
    c.plant(g.form());
    EXPECT_FALSE(g.holds()) << c.fault;
    EXPECT_NE(g.broken.find(c.named), std::string::npos) << c.fault << ": " << g.broken;
  }
}

TEST(Invariants, ABallOnTheFloorIsAFaultOnlyWhenTheBallTickLetsPlayGoOn) {
  Fresh g;
  Form1& f = g.form();
  DriverTestDoor::fields(f).ball.Top = DriverTestDoor::fields(f).boardBottom - DriverTestDoor::fields(f).ball.Height;
  EXPECT_TRUE(g.holds("Timer1"));
  EXPECT_FALSE(g.holds("Timer2"));
  DriverTestDoor::fields(f).Timer1.Interval(0);
  DriverTestDoor::fields(f).Timer2.Interval(0);  // as after the last life
  EXPECT_TRUE(g.holds("Timer2")) << g.broken;
}

// Special bricks may grow the ball and the paddle without bound. Infinite sizes must not
// crash the game, index out of range or make NaN sizes; positions may then be anything
// until the restart, after which everything is finite again.
TEST(Invariants, InfiniteSizesKeepIndexesInRangeUntilTheRestart) {
  Fresh g;
  Form1& f = g.form();
  ScriptGenerator generator(7);
  bool broken = false;
  const auto play = [&](int commands) {
    for (int k = 0; k < commands && !broken; ++k) {
      g.replay.run(generator.next(f));
      broken = !g.holds("Timer2");
    }
  };
  DriverTestDoor::fields(f).paddle.Width = inf;
  f.keyDown(keys::F1);  // serve position with an infinite paddle: the ball is centred on inf - inf
  EXPECT_TRUE(std::isnan(DriverTestDoor::fields(f).ball.Left));
  EXPECT_TRUE(g.holds()) << g.broken;
  EXPECT_TRUE(g.checker.sizesOverflowed());
  play(3000);
  EXPECT_FALSE(broken) << g.broken;

  DriverTestDoor::fields(f).ball.Width = DriverTestDoor::fields(f).ball.Height = inf;
  play(3000);
  EXPECT_FALSE(broken) << g.broken;

  DriverTestDoor::fields(f).paddle.Width = std::nanf("");
  EXPECT_FALSE(g.holds());
  EXPECT_NE(g.broken.find("size"), std::string::npos) << g.broken;

  DriverTestDoor::fields(f).livesLeft = 1;
  DriverTestDoor::fields(f).paddle.Width = inf;
  DriverTestDoor::lostlife(f);
  ASSERT_TRUE(g.replay.click("gameover"));
  EXPECT_TRUE(g.holds("click gameover")) << g.broken;
  EXPECT_FALSE(g.checker.sizesOverflowed());
  EXPECT_TRUE(std::isfinite(DriverTestDoor::fields(f).ball.Width) && std::isfinite(DriverTestDoor::fields(f).ball.Left));
}

TEST(Soak, AScriptIsASeedAndItsTextReplaysTheSameGame) {
  SoakOptions options;
  options.seed = 11;
  options.timerEvents = 20000;
  std::string first, second;
  options.script = &first;
  const SoakResult a = runSoak(options);
  options.script = &second;
  const SoakResult b = runSoak(options);
  ASSERT_TRUE(a.ok) << a.broken;
  EXPECT_EQ(first, second);
  EXPECT_EQ(a.events, b.events);

  Script script;
  ScriptError error;
  ASSERT_TRUE(parseScript(first, script, error)) << error.line << ": " << error.message;
  const ScriptGenerator generator(11);
  EXPECT_EQ(script.seed, generator.gameSeed());
  EXPECT_TRUE(std::ranges::equal(script.draws, generator.draws()));
  EXPECT_EQ(script.commands.size(), a.commands);

  Driver replay;
  playWhole(replay, script);
  EXPECT_EQ(replay.events(), a.events);
  EXPECT_EQ(replay.form().now(), a.time);
  EXPECT_EQ(replayAndCheck(first), "");
}

TEST(Soak, AMeaningfulRunServesSteersPausesJumpsAndRestarts) {
  SoakOptions options;
  options.seed = 3;
  options.timerEvents = 200000;
  const SoakResult r = runSoak(options);
  ASSERT_TRUE(r.ok) << r.broken;
  const Coverage& c = r.coverage;
  EXPECT_GT(c.pauses, 0u);
  EXPECT_GT(c.jumps, 0u);
  EXPECT_GT(c.restarts, 0u);
  uint64_t hits = 0, flight = 0;
  for (const uint64_t h : c.hits) hits += h;
  for (const uint64_t t : c.flightTicks) flight += t;
  // The ball is mostly in flight and hits a brick every second or two of play.
  EXPECT_GT(flight, r.timerEvents / 4);
  EXPECT_GT(hits, flight / 100);
}

}  // namespace
}  // namespace zorvane::soak
