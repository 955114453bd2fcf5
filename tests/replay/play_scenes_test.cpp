// Scenes of play through the replay library: a brick hit, layouts of the player's own, the
// game in words, and play pushed to its limits (run under the sanitizers in CI).
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "drive/player.h"
#include "drive/spoken.h"
#include "game/form1.h"
#include "platform/keys.h"
#include "tests/core/test_door.h"
#include "trace_reader.h"

namespace zorvane {
namespace {

using test::Json;

// A replay whose trace is kept and read back line by line.
struct Scene {
  std::string text;
  Driver replay{{.traceSink = [this](std::string_view chunk) { text += chunk; }, .afterEvent = {}, .recorder = nullptr, .seeds = {}}};

  explicit Scene(std::vector<float> draws, uint64_t seed = 1, Layouts own = {}) {
    if (!own.empty()) replay.useLayouts(std::make_shared<const Layouts>(std::move(own)));
    replay.load(seed, {draws.begin(), draws.end()});
  }
  Form1& form() { return DriverTestDoor::form(replay); }
  std::vector<Json> lines() {
    replay.flush();
    return test::parseTrace(text);
  }
  // The first line at or after `from` for which pred holds, or -1.
  template <class P>
  static int find(const std::vector<Json>& lines, P pred, size_t from = 0) {
    for (size_t k = from; k < lines.size(); ++k)
      if (pred(lines[k])) return static_cast<int>(k);
    return -1;
  }
};

TEST(PlayScene, FirstBrickHitScoresAndSendsTheBallDown) {
  // Factors 1 at the serve; the hit redraws both factors from 0.5 and 0.25.
  Scene s({0, 0, 0.5f, 0.25f});
  s.replay.keyDown(keys::Left);  // the ball leaves up and to the right
  s.replay.wait(50);
  s.replay.keyUp(keys::Left);
  s.replay.wait(1500);
  const std::vector<Json> lines = s.lines();
  const int hit = Scene::find(lines, [](const Json& l) { return l["currentScore"].i() == 10; });
  ASSERT_GT(hit, 0);
  const Json& l = lines[hit];
  EXPECT_EQ(l["ev"].s(), "Timer2");
  EXPECT_EQ(l["bricksLeft"].i(), 199);
  EXPECT_EQ(l["numbricks"].s(), "199");
  EXPECT_EQ(l["showscore"].s(), "000010");
  EXPECT_EQ(l["highscore"].s(), "000010");
  EXPECT_EQ(l["ballVelocityY"].i(), -104);           // the top probe sends it down
  EXPECT_EQ(l["ballVelocityX"].f(), 103.6875f);      // still to the right
  EXPECT_EQ(l["speedFactorX"].d(), 1 - 0.5 * 0.31);
  EXPECT_EQ(l["speedFactorY"].d(), 1 - 0.25 * 0.31);
  // The bottom row of layout 1 is code 1: one cell, now empty and hidden.
  ASSERT_TRUE(l.has("bricks"));
  ASSERT_EQ(l["bricks"].size(), 1u);
  const Json& cell = l["bricks"][0];
  EXPECT_GE(cell[0].i(), 221);
  EXPECT_LE(cell[0].i(), 240);
  EXPECT_EQ(cell[1].i(), 0);
  EXPECT_FALSE(cell[2].b());
  EXPECT_EQ(cell[0].i(), l["lastCell"].i());
}

// A layout of the player's own whose bottom row is all `bottom` and the rest empty.
LayoutRows bottomRowOf(int bottom) {
  LayoutRows rows;
  rows.fill(std::string(40, '0'));
  for (int x = 0; x < 20; ++x) rows[9][2 * x] = char('0' + bottom / 10), rows[9][2 * x + 1] = char('0' + bottom % 10);
  return rows;
}

TEST(PlayScene, OwnLayoutsMakeTheRotationAndSurviveARestart) {
  // One-hit bricks, an empty field, and a row of bricks that lay out the next layout.
  Scene s({0, 0, 0.5f, 0.25f}, 1, {bottomRowOf(1), bottomRowOf(0), bottomRowOf(89)});
  Form1& f = s.form();
  for (const int16_t key : {keys::F2, keys::F1, keys::F1, keys::F1}) s.replay.keyDown(key);
  s.replay.keyDown(keys::Left);  // serve on layout 3: the ball meets a brick that wraps to 1
  s.replay.wait(50);
  s.replay.keyUp(keys::Left);
  s.replay.wait(1500);
  std::vector<Json> lines = s.lines();
  const int layouts[] = {1, 3, 1, 2, 3};
  const int counts[] = {20, 20, 20, 0, 20};
  for (size_t k = 0; k < std::size(layouts); ++k) {
    EXPECT_EQ(lines[k]["layoutCount"].i(), 3) << k;
    EXPECT_EQ(lines[k]["layoutIndex"].i(), layouts[k]) << k;
    EXPECT_EQ(lines[k]["bricksLeft"].i(), counts[k]) << k;
  }
  EXPECT_EQ(lines[3]["numbricks"].s(), "000");
  EXPECT_FALSE(lines[3]["nextlevel"][0].b());  // nothing to clear is never cleared
  const int hit = Scene::find(lines, [](const Json& l) { return l["currentScore"].i() == 10; });
  ASSERT_GT(hit, 0);
  EXPECT_EQ(lines[hit]["layoutIndex"].i(), 1);
  EXPECT_EQ(lines[hit]["bricksLeft"].i(), 20);
  // A new game after game over lays out the player's first layout again.
  DriverTestDoor::fields(f).livesLeft = 1;
  DriverTestDoor::lostlife(f);
  ASSERT_TRUE(s.replay.click("gameover"));
  lines = s.lines();
  EXPECT_EQ(lines.back()["layoutCount"].i(), 3);
  EXPECT_EQ(lines.back()["layoutIndex"].i(), 1);
  EXPECT_EQ(lines.back()["bricksLeft"].i(), 20);
}

// Plays on for a while with both arrows, so that the ball flies and the paddle sweeps.
void playOn(Driver& r, int seconds) {
  for (int k = 0; k < seconds; ++k) {
    r.keyDown(k % 2 ? keys::Left : keys::Right);
    r.wait(400);
    r.keyUp(keys::Space);
    r.wait(600);
  }
}

TEST(PlayLimits, AGiantBallATinyPaddleAndANegativeCountNeverLeaveTheArrays) {
  const float ballSizes[] = {3000, 1e9f, std::numeric_limits<float>::max(), std::numeric_limits<float>::infinity()};
  for (float size : ballSizes) {
    Scene s({}, 7);
    Form1& f = s.form();
    DriverTestDoor::fields(f).ball.Width = size;
    DriverTestDoor::fields(f).ball.Height = size;
    DriverTestDoor::fields(f).paddle.Width = 1e-30f;
    DriverTestDoor::fields(f).bricksLeft = -5;
    playOn(s.replay, 20);
    EXPECT_GE(DriverTestDoor::fields(f).livesLeft, 0);
    EXPECT_LE(DriverTestDoor::fields(f).livesLeft, 6);
    EXPECT_EQ(DriverTestDoor::fields(f).numbricks.Caption.size(), 3u);
  }
}

TEST(PlayLimits, PlayResumedAfterGameOverEndsAgainSafely) {
  Scene s({}, 11);
  Form1& f = s.form();
  DriverTestDoor::fields(f).livesLeft = 1;
  DriverTestDoor::lostlife(f);
  ASSERT_TRUE(DriverTestDoor::fields(f).gameover.Visible);
  // Resumed through the pause button, then through a layout key.
  s.replay.keyDown(keys::P);
  ASSERT_TRUE(s.replay.click("pause"));
  playOn(s.replay, 30);
  s.replay.keyDown(keys::F1);
  playOn(s.replay, 30);
  EXPECT_EQ(DriverTestDoor::fields(f).livesLeft, 0);
  EXPECT_TRUE(DriverTestDoor::fields(f).gameover.Visible);
  ASSERT_TRUE(s.replay.click("gameover"));
  EXPECT_EQ(DriverTestDoor::fields(f).livesLeft, 3);
  EXPECT_FALSE(DriverTestDoor::fields(f).gameover.Visible);
}

// The game in words: each event a player must know is said once, as it happens, and the
// picture's text alternative follows the game.
TEST(PlayScene, WhatHappensIsSaidOnce) {
  Scene s({0, 0, 0, 0, 0});  // factors 1 throughout, and a roll of 0: the top bounce clears the field
  Form1& f = s.form();
  GameFields& g = DriverTestDoor::fields(f);
  Spoken spoken;
  const struct {
    std::function<void()> act;
    std::string said;
  } steps[] = {
      {[] {}, ""},  // the first look tells nothing
      {[&] {
         g.brickCode.fill(0);
         g.bricksLeft = 1;
         s.replay.keyDown(keys::Right);
         s.replay.wait(25);
         s.replay.keyUp(keys::Right);
         s.replay.wait(2000);
       }, "Field cleared. Next: level 2."},
      {[&] { s.replay.click("nextlevel"); }, ""},  // a life more: not said
      {[&] { s.replay.keyDown(keys::P); }, "Paused."},
      {[&] { s.replay.keyDown(keys::P); }, ""},     // still paused: nothing new
      {[&] { s.replay.click("pause"); }, ""},
      {[&] { DriverTestDoor::lostlife(f); }, "Ball lost. 3 lives left."},
      {[&] { s.replay.wait(1000); }, ""},
      {[&] { DriverTestDoor::lostlife(f); DriverTestDoor::lostlife(f); }, "Ball lost. 1 life left."},
      {[&] { g.currentScore = 1230, g.bestScore = 2000; DriverTestDoor::lostlife(f); }, "Game over. Score 1230."},
  };
  for (const auto& step : steps) {
    step.act();
    EXPECT_EQ(spoken.news(f), step.said) << "at t=" << f.now();
  }
  EXPECT_EQ(Spoken::summary(f), "Score 1230, high score 2000, 0 lives, 120 bricks left.");
  g.bricksLeft = 1;
  EXPECT_EQ(Spoken::summary(f), "Score 1230, high score 2000, 0 lives, 1 brick left.");
}

}  // namespace
}  // namespace zorvane
