// The paddle: its step while a key steers it, and its rebound: only a ball wholly over the
// paddle is turned back.
#include "game/form1.h"

namespace zorvane {

// One paddle step of 2 × baseSpeed, stopped exactly at the playfield's edges.
void Form1::Timer1_Timer() {
  if (paddleDirection == 0) return;
  float x = paddle.Left;
  if (paddleDirection == 1) {
    x = x + 2 * baseSpeed;
    if (x + paddle.Width > boardRight) x = boardRight - paddle.Width;
  }
  if (paddleDirection == 2) {
    x = x - 2 * baseSpeed;
    if (x < boardLeft) x = boardLeft;
  }
  paddle.Left = x;
}

void Form1::hitpaddle() {
  if (!(ball.Left > paddle.Left && paddle.Left + paddle.Width > ball.Left + ball.Width)) return;
  ballVelocityY = static_cast<int16_t>(-ballVelocityY);
  // Where the ball meets the paddle, left or right of its centre, sets the way it leaves.
  const float centre = paddle.Left + paddle.Width / 2;
  if (ballVelocityX > 0 && centre > ball.Left) ballVelocityX = -ballVelocityX;
  if (ballVelocityX < 0 && ball.Left + ball.Width > centre) ballVelocityX = -ballVelocityX;
  if (ballVelocityY > 0) cues.add(CueKind::Paddle);
}

}  // namespace zorvane
