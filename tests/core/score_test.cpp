#include <gtest/gtest.h>

#include "tests/core/game_fixture.h"

namespace zorvane {
namespace {

using testing::Game;

// Hits brick (6, 5), brick object 86, with the top probe.
void hit(OpenForm1& f, int16_t code) {
  f.brickCode[6][5] = code;
  f.score(86, 6, 5, 0, -1);
}

TEST(Score, EveryCodeDoesWhatItSays) {
  const struct {
    int16_t code;
    std::initializer_list<float> draws;  // the code's own draws only
    int16_t after;                       // cell code afterwards
    int score;                           // currentScore afterwards, from 100
    int bricks;                          // bricksLeft afterwards, from 50
  } cases[] = {
      {1, {}, 0, 110, 49},        {27, {}, 0, 110, 49},       {28, {}, 1, 110, 50},
      {29, {}, 3, 110, 50},       {33, {}, 11, 110, 50},      {34, {}, 27, 110, 50},
      {35, {}, 28, 110, 50},      {76, {}, 69, 110, 50},      {91, {}, 91, 110, 50},
      {97, {}, 97, 110, 50},      {99, {}, 99, 100, 50},      {82, {}, 0, 70, 49},
      {81, {}, 0, 150, 49},       {80, {0.0f}, 0, 60, 49},    {80, {0.95f}, 0, 150, 49},
      {79, {}, 0, 110, 46},       {78, {}, 0, 110, 52},       {77, {0.0f}, 0, 110, 42},
      {77, {0.99f}, 0, 110, 52},  {98, {0.9f}, 98, 110, 50},  {98, {0.3f, 0.5f}, 43, 110, 50},
      {98, {0.0f, 0.5f}, 98, 110, 50}, {98, {0.0f, 0.0f}, 98, 110, 1}, {98, {0.3f, 0.0f, 0.0f}, 0, 110, 0},
  };
  for (const auto& c : cases) {
    Game g;
    OpenForm1& f = g.form;
    f.currentScore = 100;
    f.bestScore = 1000;
    f.bricksLeft = 50;
    g.draws(c.draws);
    g.draws({0.0f, 0.0f});  // the speed factors
    hit(f, c.code);
    EXPECT_EQ(f.brickCode[6][5], c.after) << "code " << c.code;
    EXPECT_EQ(f.currentScore, c.score) << "code " << c.code;
    EXPECT_EQ(f.bricksLeft, c.bricks) << "code " << c.code;
    EXPECT_EQ(f.brick(86).Visible, c.after != 0) << "code " << c.code;
    EXPECT_EQ(f.showscore.Caption, "000110") << "code " << c.code;  // shows the score before the effect
    EXPECT_EQ(f.ballVelocityY, -104) << "code " << c.code;
    EXPECT_EQ(f.speedFactorX, 1.0) << "code " << c.code;
    EXPECT_EQ(g.form.drawsQueued(), 0u) << "code " << c.code << ": draws taken";
  }
}

TEST(Score, MultiHitBricksStepDownToNothing) {
  Game g;
  OpenForm1& f = g.form;
  std::vector<int> seen = {76};
  f.brickCode[6][5] = 76;
  while (f.brickCode[6][5] != 0) {
    f.score(86, 6, 5, 1, 0);
    seen.push_back(f.brickCode[6][5]);
  }
  EXPECT_EQ(seen, (std::vector<int>{76, 69, 62, 55, 48, 41, 34, 27, 0}));
}

TEST(Score, SizesChangeByTheirFactorsWithoutBounds) {
  Game g;
  OpenForm1& f = g.form;
  hit(f, 87);
  EXPECT_EQ(f.ball.Width, static_cast<float>(113 * 1.1));
  EXPECT_EQ(f.ball.Height, f.ball.Width);
  hit(f, 88);
  EXPECT_EQ(f.ball.Width, static_cast<float>(static_cast<float>(113 * 1.1) * 0.9));
  g.draws({0.0f});
  hit(f, 86);  // roll 0: smaller
  EXPECT_LT(f.ball.Width, 113.0f);
  hit(f, 85);
  EXPECT_EQ(f.paddle.Width, static_cast<float>(1036 * 0.8));
  hit(f, 84);
  EXPECT_EQ(f.paddle.Width, static_cast<float>(static_cast<float>(1036 * 0.8) * 1.25));
  g.draws({0.0f});
  hit(f, 83);  // roll 0: wider
  EXPECT_GT(f.paddle.Width, 1036.0f);
  // Repeated shrinking goes on towards nothing and the game still runs.
  for (int k = 0; k < 400; ++k) hit(f, 85);
  EXPECT_GE(f.paddle.Width, 0.0f);
  // The paddle, however narrow, still runs right and stops exactly at the wall.
  f.paddleDirection = 1;
  const float before = f.paddle.Left;
  f.Timer1_Timer();
  EXPECT_GT(f.paddle.Left, before);
  for (int k = 0; k < 100; ++k) f.Timer1_Timer();
  EXPECT_EQ(f.paddle.Left, f.boardRight - f.paddle.Width);
}

TEST(Score, BounceSetsOnlyTheHitAxisAtFullSpeed) {
  const struct { int decx, decy; float vx; int16_t vy; } cases[] = {
      {0, -1, 50, -104}, {0, 1, 50, 104}, {1, 0, 103.6875f, 7}, {-1, 0, -103.6875f, 7}};
  for (const auto& c : cases) {
    Game g;
    OpenForm1& f = g.form;
    f.ballVelocityX = 50;
    f.ballVelocityY = 7;
    f.brickCode[6][5] = 1;
    f.score(86, 6, 5, c.decx, c.decy);
    EXPECT_EQ(f.ballVelocityX, c.vx);
    EXPECT_EQ(f.ballVelocityY, c.vy);
  }
}

TEST(Score, LayoutBricksLayOutTheNextFieldAndRedrawTheSameCell) {
  Game g;
  OpenForm1& f = g.form;
  f.layoutIndex = 7;
  f.Timer1.Interval(0);
  f.Timer2.Interval(0);
  // (1, 3) is a brick of layout 1 as well: it stays, shown and counted once.
  f.brickCode[1][3] = 89;
  g.draws({0.5f, 0.5f, 0.0f, 0.0f});
  f.score(41, 1, 3, 0, -1);
  EXPECT_EQ(f.layoutIndex, 1);
  EXPECT_EQ(f.bricksLeft, 200);
  EXPECT_EQ(f.Timer1.Interval(), 25);
  EXPECT_EQ(f.Timer2.Interval(), 25);
  EXPECT_EQ(f.ball.Left, 4211.0f);
  // The resting ball is given one velocity component by the bounce.
  EXPECT_EQ(f.ballVelocityX, 0.0f);
  EXPECT_EQ(f.ballVelocityY, -104);

  // Code 90 on layout 1 wraps to 7; a cell empty there counts a brick off nonetheless.
  f.brickCode[1][3] = 90;
  f.score(41, 1, 3, 1, 0);
  EXPECT_EQ(f.layoutIndex, 7);
  EXPECT_EQ(f.bricksLeft, 103);
  EXPECT_FALSE(f.brick(41).Visible);
  EXPECT_EQ(f.ballVelocityX, 103.6875f);
  EXPECT_EQ(f.ballVelocityY, 0);
  EXPECT_EQ(f.levelNumber, 1);
}

}  // namespace
}  // namespace zorvane
