#include <gtest/gtest.h>

#include "tests/core/game_fixture.h"

namespace zorvane {
namespace {

using testing::Game;

TEST(Paddle, ReboundSendsBallAwayFromCentreOnlyWhenWhollyOver) {
  // Paddle 3749.5..4785.5, centre 4267.5; ball 113 wide.
  const struct { float left, vx; bool bounce; float after; } cases[] = {
      {3749.5f, 10, false, 10},        // left edges equal: falls past
      {4785.5f - 113, -10, false, -10},  // right edges equal: falls past
      {3700, 10, false, 10},           // hangs over the left end
      {3800, 10, true, -10},           // wholly left of centre, moving right: turns left
      {3800, -10, true, -10},
      {4300, -10, true, 10},           // wholly right of centre: goes right
      {4300, 10, true, 10},
      {4267.5f - 113, 10, true, -10},  // right edge on the centre: left
      {4267.5f, -10, true, 10},        // left edge on the centre: right
      {4200, -10, true, 10},           // straddling: right, whichever way it came
      {4200, 10, true, 10},
      {4000, 0, true, 0},              // straight down, straight up
  };
  for (const auto& c : cases) {
    Game g;
    OpenForm1& f = g.form;
    f.ball.Move(c.left, f.paddle.Top - 50);
    f.ballVelocityX = c.vx;
    f.ballVelocityY = -104;
    f.speedFactorX = 0.8;
    f.hitpaddle();
    EXPECT_EQ(f.ballVelocityY, c.bounce ? 104 : -104) << c.left;
    EXPECT_EQ(f.ballVelocityX, c.after) << c.left << " moving " << c.vx;
    EXPECT_EQ(f.speedFactorX, 0.8);
  }
}

TEST(Paddle, BandNeedsARealOverlap) {
  Game g;
  OpenForm1& f = g.form;
  f.ballVelocityY = -104;
  f.ball.Move(4000, f.paddle.Top - f.ball.Height);  // touching the top edge only
  f.whereball();
  EXPECT_EQ(f.ballVelocityY, -104);
  f.ball.Move(4000, f.paddle.Top - f.ball.Height + 1);
  f.whereball();
  EXPECT_EQ(f.ballVelocityY, 104);
}

TEST(Keys, ArrowsSteerAndStopExactlyOnTheBounds) {
  Game g;
  OpenForm1& f = g.form;
  f.keyDown(keys::Right);
  f.Timer1_Timer();
  EXPECT_EQ(f.paddle.Left, 3749.5f + 207.375f);
  for (int k = 0; k < 40; ++k) f.Timer1_Timer();
  EXPECT_EQ(f.paddle.Left, 8415.0f - 1036);
  f.keyUp(keys::Space);  // any release stops it
  EXPECT_EQ(f.paddleDirection, 0);
  f.keyDown(keys::Left);
  f.keyDown(keys::Right);  // the last press wins
  EXPECT_EQ(f.paddleDirection, 1);
  f.keyDown(keys::Left);
  for (int k = 0; k < 60; ++k) f.Timer1_Timer();
  EXPECT_EQ(f.paddle.Left, 120.0f);
  f.keyDown(keys::A);  // other keys do nothing
  EXPECT_EQ(f.paddleDirection, 2);
}

TEST(Keys, PPausesAndTheButtonResumes) {
  Game g;
  OpenForm1& f = g.form;
  f.keyDown(keys::P);
  f.keyDown(keys::P);
  EXPECT_TRUE(f.pause.Visible);
  EXPECT_EQ(f.Timer1.Interval(), 0);
  EXPECT_EQ(f.Timer2.Interval(), 0);
  EXPECT_EQ(f.Timer3.Interval(), 50);
  EXPECT_TRUE(f.click("pause"));
  EXPECT_FALSE(f.pause.Visible);
  EXPECT_EQ(f.Timer1.Interval(), 25);
  EXPECT_FALSE(f.click("pause"));  // a hidden button cannot be clicked
}

TEST(Keys, LayoutKeysWrapAndMoveTheScoreIntoTheHighScore) {
  Game g;
  OpenForm1& f = g.form;
  f.currentScore = 1230;
  f.extraLifePoints = 40;
  f.keyDown(keys::F2);
  EXPECT_EQ(f.layoutIndex, 7);
  EXPECT_EQ(f.bricksLeft, 104);
  EXPECT_EQ(f.bestScore, 1230);
  EXPECT_EQ(f.highscore.Caption, "001230");
  EXPECT_EQ(f.showscore.Caption, "000000");
  EXPECT_EQ(f.currentScore, 0);
  EXPECT_EQ(f.extraLifePoints, 0);
  f.keyDown(keys::F1);
  EXPECT_EQ(f.layoutIndex, 1);
  f.highscore.Caption = "marker";
  f.currentScore = 1230;  // equal to the high score: left alone
  f.keyDown(keys::F1);
  EXPECT_EQ(f.highscore.Caption, "marker");
  EXPECT_EQ(f.layoutIndex, 2);
  // While paused: the timers run again, the pause button stays.
  f.keyDown(keys::P);
  f.keyDown(keys::F1);
  EXPECT_TRUE(f.pause.Visible);
  EXPECT_EQ(f.Timer2.Interval(), 25);
  for (int k = 0; k < 20; ++k) f.keyDown(keys::F1);
  EXPECT_GE(f.layoutIndex, 1);
  EXPECT_LE(f.layoutIndex, 7);
}

}  // namespace
}  // namespace zorvane
