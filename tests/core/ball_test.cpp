#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "tests/core/game_fixture.h"

namespace zorvane {
namespace {

using testing::Game;

// A ball in flight at a given place and velocity, with both speed factors 1.
void fly(OpenForm1& f, float left, float top, float vx, int16_t vy) {
  f.ball.Move(left, top);
  f.ballVelocityX = vx;
  f.ballVelocityY = vy;
  f.speedFactorX = 1;
  f.speedFactorY = 1;
}

TEST(Ball, RestsUntilAnArrowServesItAwayFromThePaddlesDirection) {
  Game g({0.5f, 0.25f});
  OpenForm1& f = g.form;
  for (int k = 0; k < 3; ++k) f.Timer2_Timer();
  EXPECT_EQ(f.ball.Left, 4211.0f);
  EXPECT_EQ(f.ball.Top, 6649.6f);

  f.keyDown(keys::Right);
  f.Timer2_Timer();
  EXPECT_EQ(f.ballVelocityX, -103.6875f);  // paddle right: ball up and to the left
  EXPECT_EQ(f.ballVelocityY, 104);
  EXPECT_EQ(f.ball.Left, static_cast<float>(4211 + (1 - 0.5 * 0.31) * -103.6875));
  EXPECT_EQ(f.ball.Top, static_cast<float>(6649.6f - (1 - 0.25 * 0.31) * 104));

  Game h;
  h.form.keyDown(keys::Left);
  h.form.Timer2_Timer();
  EXPECT_EQ(h.form.ballVelocityX, 103.6875f);
}

TEST(Ball, EdgesAreStrictAndClampExactly) {
  Game g;
  OpenForm1& f = g.form;
  g.clearFieldExcept(0, 0, 0);
  // Exactly onto the left edge: no bounce.
  fly(f, 120 + 103.6875f, 4000, -103.6875f, 0);
  f.Timer2_Timer();
  EXPECT_EQ(f.ball.Left, 120.0f);
  EXPECT_LT(f.ballVelocityX, 0);
  // A hair past it: placed on the edge, turned, new factor from the draw.
  g.draws({0.5f});
  f.Timer2_Timer();
  EXPECT_EQ(f.ball.Left, 120.0f);
  EXPECT_EQ(f.ballVelocityX, 103.6875f);
  EXPECT_EQ(f.speedFactorX, 1 - 0.5 * 0.31);
  // Right edge: the ball's right side lands on boardRight.
  g.draws({0.0f});
  fly(f, 8415 - 113 - 50, 4000, 103.6875f, 0);
  f.Timer2_Timer();
  EXPECT_EQ(f.ball.Left, 8415.0f - 113);
  EXPECT_EQ(f.ballVelocityX, -103.6875f);
  EXPECT_EQ(f.speedFactorX, 1.0);
}

TEST(Ball, CornerFlipsBothAndTheTopMayTakeABrick) {
  Game g;
  OpenForm1& f = g.form;
  f.bricksLeft = 1;
  f.brickCode.fill(0);
  // Draws: left factor, top factor (spread 0.5), then the top's one-in-five roll.
  g.draws({0.5f, 0.2f, 0.1f});
  fly(f, 150, 1600, -103.6875f, 104);
  f.Timer2_Timer();
  EXPECT_EQ(f.ball.Left, 120.0f);
  EXPECT_EQ(f.ball.Top, 1560.0f);
  EXPECT_EQ(f.ballVelocityX, 103.6875f);
  EXPECT_EQ(f.ballVelocityY, -104);
  EXPECT_EQ(f.speedFactorY, 1 - double{0.2f} * 0.5);
  EXPECT_EQ(f.diceRoll, 0);
  EXPECT_EQ(f.bricksLeft, 0);
  EXPECT_EQ(f.numbricks.Caption, "000");
  EXPECT_TRUE(f.nextlevel.Visible);
  EXPECT_EQ(f.Timer2.Interval(), 0);

  // A roll of 1..4 leaves the count alone.
  Game h;
  h.draws({0.3f, 0.9f});
  fly(h.form, 4000, 1600, 0, 104);
  h.form.Timer2_Timer();
  EXPECT_EQ(h.form.diceRoll, 4);
  EXPECT_EQ(h.form.bricksLeft, 200);
}

TEST(Ball, FloorClampLosesTheBallInTheSameTick) {
  Game g;
  OpenForm1& f = g.form;
  const int16_t before = f.bricksLeft;
  // Draws: bottom factor, the one-in-ten roll (1: a brick off, silently), then the serve's two.
  g.draws({0.0f, 0.15f, 0.5f, 0.5f});
  fly(f, 200, 7150, 0, -104);
  f.Timer2_Timer();
  EXPECT_EQ(f.bricksLeft, before - 1);
  EXPECT_EQ(f.numbricks.Caption, "200");  // no caption update for this one
  EXPECT_EQ(f.livesLeft, 2);
  EXPECT_FALSE(f.life(3).Visible);
  EXPECT_EQ(f.ball.Left, 4211.0f);  // served again from the paddle
  EXPECT_EQ(f.ballVelocityY, 0);
  // The bottom exactly on the floor is lost too.
  fly(f, 200, 7215 - 113 + 0.0f, 0, 0);
  f.whereball();
  EXPECT_EQ(f.livesLeft, 1);
}

TEST(Ball, ProbesHitOneBrickInOrderAndNeverTheCellJustProbed) {
  Game g;
  OpenForm1& f = g.form;
  f.brickCode.fill(0);
  // Ball at the corner of four cells: top probe in (5, 6), left probe in (4, 7).
  const float left = 120 + 4 * 414.75f - 40, top = 1560 + 6 * 226.2f - 20;
  f.brickCode[5][6] = 1;
  f.brickCode[4][7] = 1;
  f.lastCell = 0;
  g.draws({0.0f, 0.0f});
  fly(f, left, top, 0, 0);
  f.whereball();
  EXPECT_EQ(f.brickCode[5][6], 0);  // the top probe's brick
  EXPECT_EQ(f.brickCode[4][7], 1);  // no second hit in the tick
  EXPECT_EQ(f.ballVelocityY, -104);
  EXPECT_EQ(f.lastCell, 5 + 20 * 5);
  EXPECT_EQ(f.currentScore, 10);

  // A ball wholly inside the cell it probed last finds nothing; probing elsewhere first re-arms it.
  f.brickCode[5][6] = 1;
  f.ball.Move(120 + 4 * 414.75f + 100, 1560 + 5 * 226.2f + 50);
  f.whereball();
  EXPECT_EQ(f.brickCode[5][6], 1);
  EXPECT_EQ(f.lastCell, 105);
  f.lastCell = 0;
  g.draws({0.0f, 0.0f});
  f.whereball();
  EXPECT_EQ(f.brickCode[5][6], 0);
}

TEST(Ball, ProbesOutsideTheCodeArrayFindNothing) {
  // A tiny ball whose four probes all fall in one cell, at the code array's last column
  // and row and just past them. A cell past the array is never read: the codes planted
  // next to it in memory (the next column's row 0, the field after the array) find nothing.
  const struct { int column, row; int16_t code; bool hit; } cases[] = {
      {30, 3, 5, true}, {31, 3, 0, false}, {5, 35, 0, false}, {4, 36, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE("column " + std::to_string(c.column) + ", row " + std::to_string(c.row));
    Game g;
    OpenForm1& f = g.form;
    if (c.column <= 30 && c.row <= 35) f.brickCode[c.column][c.row] = c.code;
    f.brickCode[5][0] = 7;  // where row 36 of column 4 would lie
    const auto codes = f.brickCode;
    f.ball.Width = f.ball.Height = 1;
    f.ball.Move(f.boardLeft + (c.column - 0.5f) * f.brickWidth, f.boardTop + (c.row - 0.5f) * f.brickHeight);
    f.lastCell = 0;
    f.whereball();
    EXPECT_EQ(f.currentScore, c.hit ? 10 : 0);
    EXPECT_EQ(f.lastCell, c.column + 20 * (c.row - 1));
    auto expected = codes;
    if (c.hit) expected[c.column][c.row] = 0;
    EXPECT_TRUE(f.brickCode == expected);
  }
  // Balls far beyond the field: nothing is indexed out of range (the sanitizer build checks
  // every index of the code array).
  Game g;
  OpenForm1& f = g.form;
  const float sizes[] = {3000.0f, 1e7f, 3e38f, std::numeric_limits<float>::infinity()};
  for (float size : sizes) {
    f.ball.Width = size;
    f.ball.Height = size;
    f.ball.Move(-size, -size);
    f.whereball();
    f.ball.Move(8000, 1600);
    f.whereball();
  }
}

}  // namespace
}  // namespace zorvane
