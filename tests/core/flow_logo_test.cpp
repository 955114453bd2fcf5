#include <gtest/gtest.h>

#include "tests/core/game_fixture.h"

namespace zorvane {
namespace {

using testing::Game;

TEST(Flow, The501stHitEarnsALifeAndSixIsTheMost) {
  Game g;
  OpenForm1& f = g.form;
  for (int k = 0; k < 500; ++k) f.updatescore();
  EXPECT_EQ(f.extraLifePoints, 5000);
  EXPECT_EQ(f.livesLeft, 3);
  f.updatescore();
  EXPECT_EQ(f.extraLifePoints, 10);
  EXPECT_EQ(f.livesLeft, 4);
  EXPECT_TRUE(f.life(4).Visible);
  EXPECT_EQ(f.showscore.Caption, "005010");
  EXPECT_EQ(f.highscore.Caption, "005010");
  // Two more lives earned: the sixth shows marker 6, and a seventh is not given.
  f.livesLeft = 5;
  f.life(5).Visible = true;
  for (int k = 0; k < 500; ++k) f.updatescore();
  EXPECT_EQ(f.livesLeft, 6);
  EXPECT_TRUE(f.life(6).Visible);
  for (int k = 0; k < 500; ++k) f.updatescore();
  EXPECT_EQ(f.livesLeft, 6);
  EXPECT_EQ(f.extraLifePoints, 10);
  // A ball lost with six lives costs one: five left, marker 6 hidden, marker 5 still shown.
  f.lostlife();
  EXPECT_EQ(f.livesLeft, 5);
  EXPECT_FALSE(f.life(6).Visible);
  EXPECT_TRUE(f.life(5).Visible);
  // A score equal to the high score leaves its label alone.
  f.currentScore = f.bestScore - 10;
  f.highscore.Caption = "marker";
  f.updatescore();
  EXPECT_EQ(f.highscore.Caption, "marker");
}

TEST(Flow, LostBallsThenGameOverThenARestartKeepingTheHighScore) {
  Game g;
  OpenForm1& f = g.form;
  f.bestScore = 120;
  f.currentScore = 90;
  f.paddle.Width = 40;
  f.ball.Width = 300;
  f.lostlife();
  EXPECT_EQ(f.livesLeft, 2);
  EXPECT_FALSE(f.life(3).Visible);
  EXPECT_EQ(f.paddle.Width, 1036.0f);
  EXPECT_EQ(f.ball.Width, 300.0f);  // the ball keeps its size
  EXPECT_EQ(f.paddle.Left, 3749.5f);
  f.lostlife();
  f.lostlife();
  EXPECT_EQ(f.livesLeft, 0);
  EXPECT_TRUE(f.gameover.Visible);
  EXPECT_EQ(f.Timer1.Interval(), 0);
  EXPECT_EQ(f.Timer2.Interval(), 0);
  EXPECT_EQ(f.Timer3.Interval(), 50);
  for (int k = 1; k <= 6; ++k) EXPECT_FALSE(f.life(k).Visible);

  // Play resumed with no life: no marker 0 is touched, and the game ends again.
  f.keyDown(keys::P);
  f.click("pause");
  f.updatescore();
  f.lostlife();
  EXPECT_EQ(f.livesLeft, 0);
  EXPECT_EQ(f.Timer2.Interval(), 0);

  g.wait(1000 - f.now());
  EXPECT_TRUE(f.click("gameover"));
  EXPECT_FALSE(f.gameover.Visible);
  EXPECT_EQ(f.livesLeft, 3);
  EXPECT_EQ(f.bestScore, 120);
  EXPECT_EQ(f.highscore.Caption, "000120");
  EXPECT_EQ(f.showscore.Caption, "000000");
  EXPECT_EQ(f.ball.Width, 113.0f);
  EXPECT_EQ(f.Timer1.due(f.now()), 1025);  // new timers from the current time
  EXPECT_EQ(f.Timer3.due(f.now()), 1050);
  EXPECT_EQ(f.nextDue(), 1025);
  for (int k = 1; k <= 6; ++k) EXPECT_EQ(f.life(k).Visible, k <= 3);
}

TEST(Flow, ClearedFieldsRotateLayoutsAndGrantALife) {
  Game g;
  OpenForm1& f = g.form;
  f.layoutIndex = 7;
  f.levelNumber = 7;
  f.livesLeft = 6;
  f.nextlvl();
  EXPECT_EQ(f.layoutIndex, 1);
  EXPECT_EQ(f.nextlevel.Caption, "Level: 8");
  EXPECT_TRUE(f.nextlevel.Visible);
  EXPECT_EQ(f.Timer1.Interval(), 0);
  f.ballVelocityX = 5;
  EXPECT_TRUE(f.click("nextlevel"));
  EXPECT_FALSE(f.nextlevel.Visible);
  EXPECT_EQ(f.livesLeft, 6);
  EXPECT_EQ(f.bricksLeft, 200);
  EXPECT_EQ(f.ballVelocityX, 0.0f);
  EXPECT_EQ(f.Timer2.Interval(), 25);
  f.livesLeft = 3;
  f.nextlvl();
  f.click("nextlevel");
  EXPECT_EQ(f.livesLeft, 4);
  EXPECT_EQ(f.nextlevel.Caption, "Level: 9");
}

TEST(Logo, BallsStartCentredAndBounceOffTheBoxEdges) {
  Game g;
  OpenForm1& f = g.form;
  EXPECT_EQ(f.logoBallStepX[0], 1.1 * (414.75 / 2.5));
  EXPECT_EQ(f.logoBallStepY[0], 149);
  EXPECT_EQ(f.logoBallStepY[1], -166);
  EXPECT_EQ(f.logoBallStepY[2], -182);
  for (int i = 0; i <= 2; ++i) {
    EXPECT_EQ(f.logoball(i).Left, 4387.5f);
    EXPECT_EQ(f.logoball(i).Top, 307.5f);
    EXPECT_EQ(f.logoball(i).Width, 75.4f);
  }
  f.keyDown(keys::P);  // the logo moves in every state
  g.wait(50);
  EXPECT_EQ(f.logoball(0).Left, 4569.99f);
  EXPECT_EQ(f.logoball(0).Top, 456.5f);
  EXPECT_EQ(f.logoball(1).Left, 4221.6f);
  EXPECT_EQ(f.logoball(1).Top, 141.5f);
  EXPECT_EQ(f.logoball(2).Left, 4536.81f);
  EXPECT_EQ(f.logoball(2).Top, 125.5f);
  // Next tick: ball 0 would pass the bottom (615), ball 2 the top; both land on the edge.
  g.wait(50);
  EXPECT_EQ(f.logoball(0).Top, 615 - 75.4f);
  EXPECT_EQ(f.logoBallStepY[0], -149);
  EXPECT_EQ(f.logoball(2).Top, 0.0f);
  EXPECT_EQ(f.logoBallStepY[2], 182);
  // A corner: both directions turn in one tick.
  f.logoball(1).Move(3130, 10);
  f.logoBallStepX[1] = -165.9;
  f.logoBallStepY[1] = -166;
  g.wait(50);
  EXPECT_EQ(f.logoball(1).Left, 3120.0f);
  EXPECT_EQ(f.logoball(1).Top, 0.0f);
  EXPECT_GT(f.logoBallStepX[1], 0);
  EXPECT_EQ(f.logoBallStepY[1], 166);
}

}  // namespace
}  // namespace zorvane
