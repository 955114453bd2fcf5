// The paddle's rebound: only a ball wholly over the paddle is turned back.
#include "game/form1.h"

namespace zorvane {

void Form1::hitpaddle() {
  if (!(ball.Left > paddle.Left && paddle.Left + paddle.Width > ball.Left + ball.Width)) return;
  ballVelocityY = static_cast<int16_t>(-ballVelocityY);
  // Where the ball meets the paddle, left or right of its centre, sets the way it leaves.
  const float centre = paddle.Left + paddle.Width / 2;
  if (ballVelocityX > 0 && centre > ball.Left) ballVelocityX = -ballVelocityX;
  if (ballVelocityX < 0 && ball.Left + ball.Width > centre) ballVelocityX = -ballVelocityX;
}

}  // namespace zorvane
