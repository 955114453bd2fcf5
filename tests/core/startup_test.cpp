#include <gtest/gtest.h>

#include "tests/core/game_fixture.h"

namespace zorvane {
namespace {

using testing::Game;

TEST(StartUp, DesignPlayfieldGivesTheWorkedNumbers) {
  Game g({0.5f, 0.25f});
  const OpenForm1& f = g.form;
  EXPECT_EQ(f.brickWidth, 414.75f);
  EXPECT_EQ(f.brickHeight, 226.2f);
  EXPECT_EQ(f.boardTop, 1560.0f);
  EXPECT_EQ(f.boardBottom, 7215.0f);
  EXPECT_EQ(f.boardLeft, 120.0f);
  EXPECT_EQ(f.boardRight, 8415);
  EXPECT_EQ(f.paddle.Width, 1036.0f);
  EXPECT_EQ(f.paddle.Height, 169.0f);
  EXPECT_EQ(f.paddle.Left, 3749.5f);
  EXPECT_EQ(f.paddle.Top, 6762.6f);
  EXPECT_EQ(f.ball.Width, 113.0f);
  EXPECT_EQ(f.ball.Height, 113.0f);
  EXPECT_EQ(f.ball.Left, 4211.0f);
  EXPECT_EQ(f.ball.Top, 6649.6f);
  EXPECT_EQ(f.baseSpeed, 103.6875f);
  EXPECT_EQ(f.speedFactorX, 1 - 0.5 * 0.31);
  EXPECT_EQ(f.speedFactorY, 1 - 0.25 * 0.31);
  EXPECT_EQ(f.ballVelocityX, 0.0f);
  EXPECT_EQ(f.ballVelocityY, 0);
  EXPECT_EQ(f.livesLeft, 3);
  EXPECT_EQ(f.currentScore, 0);
  EXPECT_EQ(f.levelNumber, 1);
  EXPECT_EQ(f.layoutIndex, 1);
  EXPECT_EQ(f.layoutCount, 7);
  EXPECT_EQ(f.highscore.Caption, "000000");
  EXPECT_EQ(f.showscore.Caption, "000000");
}

TEST(StartUp, WindowShowsItsDesignMarkersAndHidesItsButtons) {
  Game g;
  const OpenForm1& f = g.form;
  for (int k = 1; k <= 6; ++k) EXPECT_EQ(f.life(k).Visible, k <= 3) << k;
  EXPECT_FALSE(f.pause.Visible);
  EXPECT_FALSE(f.gameover.Visible);
  EXPECT_FALSE(f.nextlevel.Visible);
  EXPECT_EQ(f.nextlevel.Caption, "Level: 1");
  EXPECT_FALSE(f.brick(0).Visible);
  EXPECT_FALSE(f.life.exists(0));
  EXPECT_EQ(f.Timer1.Interval(), 25);
  EXPECT_EQ(f.Timer2.Interval(), 25);
  EXPECT_EQ(f.Timer3.Interval(), 50);
}

TEST(StartUp, BoardRightRoundsHalvesToEven) {
  Game g;
  OpenForm1& f = g.form;
  const struct { float left, width; int16_t right; } cases[] = {
      {120, 8294.5f, 8414}, {120, 8295.5f, 8416}, {120, 8295, 8415}, {0.5f, 8414, 8414}};
  for (const auto& c : cases) {
    f.board.Left = c.left;
    f.board.Width = c.width;
    f.sizeobjects();
    EXPECT_EQ(f.boardRight, c.right) << c.left << " + " << c.width;
  }
}

TEST(StartUp, CounterTextsKeepTheirLastDigits) {
  const struct { int64_t v; const char* six; const char* three; } cases[] = {
      {0, "000000", "000"},       {10, "000010", "010"},     {200, "000200", "200"},
      {-1, "999999", "999"},      {-30, "999970", "970"},    {1234560, "234560", "560"},
      {1000000, "000000", "000"}, {2147483647, "483647", "647"}, {-2147483648LL, "483648", "648"}};
  for (const auto& c : cases) {
    EXPECT_EQ(sixDigits(c.v), c.six) << c.v;
    EXPECT_EQ(threeDigits(c.v), c.three) << c.v;
  }
}

TEST(StartUp, UnloadAndShowRestoreTheDesignButKeepTheState) {
  Game g;
  OpenForm1& f = g.form;
  f.bestScore = 12340;
  f.currentScore = 777;
  f.livesLeft = 0;
  f.lastCell = 55;
  f.pause.Visible = true;
  f.paddle.Width = 5;
  f.Unload();
  EXPECT_FALSE(f.loaded());
  EXPECT_FALSE(f.brick.exists(1));
  EXPECT_EQ(f.bestScore, 12340);  // the state survives the window
  f.Show();
  EXPECT_TRUE(f.loaded());
  EXPECT_FALSE(f.pause.Visible);
  EXPECT_EQ(f.paddle.Width, 1036.0f);
  EXPECT_EQ(f.highscore.Caption, "012340");
  EXPECT_EQ(f.showscore.Caption, "000000");
  EXPECT_EQ(f.currentScore, 0);
  EXPECT_EQ(f.livesLeft, 3);
  EXPECT_EQ(f.lastCell, 55);
  EXPECT_TRUE(f.logoball.exists(2));
  EXPECT_TRUE(f.brick.exists(500));
  EXPECT_FALSE(f.brick.exists(501));
}

TEST(StartUp, TimersTickInClockOrder) {
  Game g;
  std::vector<std::pair<int64_t, int>> fired;
  while (int n = g.form.advanceTo(100)) fired.emplace_back(g.form.now(), n);
  const std::vector<std::pair<int64_t, int>> expected = {{25, 1}, {25, 2}, {50, 1}, {50, 2}, {50, 3}, {75, 1},
                                                         {75, 2}, {100, 1}, {100, 2}, {100, 3}};
  EXPECT_EQ(fired, expected);
}

}  // namespace
}  // namespace zorvane
