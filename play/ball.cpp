// The ball: serve, one step per tick, the playfield's edges, and what the ball meets.
#include <cmath>
#include <limits>

#include "game/form1.h"
#include "platform/draws.h"

namespace zorvane {
namespace {

// The cell number of a probe, saturated for a ball grown far beyond the playfield.
int32_t cellNumber(double column, double row) {
  const double cell = column + gridColumns * (row - 1);
  if (!(cell > std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (!(cell < std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(cell);
}

}  // namespace

void Form1::Timer2_Timer() {
  // A resting ball is served away from the direction the paddle starts to move in.
  if (ballVelocityY == 0 && ballVelocityX == 0 && paddleDirection > 0) {
    ballVelocityY = static_cast<int16_t>(std::nearbyint(baseSpeed));
    ballVelocityX = paddleDirection == 1 ? -baseSpeed : baseSpeed;
  }
  double nx = ball.Left + speedFactorX * ballVelocityX;
  double ny = ball.Top - speedFactorY * ballVelocityY;
  if (nx < boardLeft) {
    nx = boardLeft;
    ballVelocityX = -ballVelocityX;
    speedFactorX = speedFactor(random, 0.31);
    cues.add(CueKind::Wall);
  }
  if (nx + ball.Width > boardRight) {
    nx = static_cast<float>(boardRight) - ball.Width;
    ballVelocityX = -ballVelocityX;
    speedFactorX = speedFactor(random, 0.31);
    cues.add(CueKind::Wall);
  }
  if (ny < boardTop) {
    ny = boardTop;
    ballVelocityY = static_cast<int16_t>(-ballVelocityY);
    speedFactorY = speedFactor(random, 0.5);
    cues.add(CueKind::Wall);
    diceRoll = roll(random, 5);
    // One bounce in five off the top takes a brick off the count.
    if (diceRoll == 0) {
      bricksLeft -= 1;
      numbricks.Caption = threeDigits(bricksLeft);
      if (bricksLeft == 0) nextlvl();
    }
  }
  if (ny > boardBottom) {
    ny = boardBottom - ball.Height;
    ballVelocityY = static_cast<int16_t>(-ballVelocityY);
    speedFactorY = speedFactor(random, 0.31);
    if (roll(random, 10) == 1) bricksLeft -= 1;
  }
  ball.Move(static_cast<float>(nx), static_cast<float>(ny));
  whereball();
}

// Probes the cells under four points of the ball, then the paddle's band and the floor.
void Form1::whereball() {
  const float L = ball.Left - boardLeft;
  const float R = L + ball.Width;
  const float CX = (L + R) / 2;
  const float T = ball.Top - boardTop;
  const float B = T + ball.Height;
  const float CY = (T + B) / 2;
  const struct { float x, y; int decx, decy; } probes[4] = {
      {CX, T, 0, -1}, {L, CY, 1, 0}, {R, CY, -1, 0}, {CX, B, 0, 1}};
  for (const auto& p : probes) {
    const double column = std::floor(p.x / brickWidth) + 1;
    const double row = std::floor(p.y / brickHeight) + 1;
    const int32_t cell = cellNumber(column, row);
    // A probe outside the code array finds no brick.
    const bool inside = column >= 0 && column <= 30 && row >= 0 && row <= 35;
    const int x = inside ? static_cast<int>(column) : 0;
    const int y = inside ? static_cast<int>(row) : 0;
    const bool hit = inside && brickCode[x][y] > 0 && cell != lastCell;
    lastCell = cell;
    if (hit) {
      score(cell, x, y, p.decx, p.decy);
      break;
    }
  }
  if (ball.Top + ball.Height > paddle.Top && paddle.Top + paddle.Height > ball.Top) hitpaddle();
  if (ball.Top + ball.Height >= boardBottom) lostlife();
}

}  // namespace zorvane
