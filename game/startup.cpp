// Start-up: the counters of a new game, the serve position and the playfield's sizing.
#include <cmath>

#include "game/form1.h"
#include "platform/draws.h"

namespace zorvane {

void Form1::Form_Load() {
  random.Randomize();
  setvariables();
  loadbricks();
  fillLevelRows();
  grid();
  sizeobjects();
  start();
  initlogo();
}

void Form1::setvariables() {
  levelNumber = 1;
  layoutIndex = 1;
  // The built-in rotation is seven long; the player's own layouts all take part.
  layoutCount = ownLayouts && !ownLayouts->empty() ? static_cast<int16_t>(ownLayouts->size()) : 7;
  if (livesLeft == 0) livesLeft = 3;
  bricksAtStart = 0;
  extraLifePoints = 0;
  currentScore = 0;
}

// The serve position: paddle centred on the playfield, ball at rest on the paddle's middle.
void Form1::start() {
  paddleDirection = 0;
  ballVelocityX = 0;
  ballVelocityY = 0;
  baseSpeed = brickWidth / 4;
  speedFactorX = speedFactor(random, 0.31);
  speedFactorY = speedFactor(random, 0.31);
  paddle.Left = static_cast<float>(double{board.Width} / 2 + board.Left - double{paddle.Width} / 2);
  ball.Left = static_cast<float>(double{paddle.Width} / 2 + paddle.Left - double{ball.Width} / 2);
  ball.Top = static_cast<float>(double{paddle.Top} - ball.Height);
}

void Form1::sizeobjects() {
  boardTop = board.Top;
  boardBottom = board.Height + board.Top;
  boardLeft = board.Left;
  boardRight = static_cast<int16_t>(std::nearbyint(board.Width + board.Left));
  paddle.Top = 23 * brickHeight + board.Top;
  paddle.Width = static_cast<float>(std::floor(2.5 * brickWidth));
  paddle.Height = static_cast<float>(std::floor(0.75 * brickHeight));
  paddle.Left = board.Width / 2 + board.Left - paddle.Width / 2;
  ball.Width = std::floor(brickHeight / 2);
  ball.Height = ball.Width;
  ball.Left = paddle.Width / 2 + paddle.Left - ball.Width / 2;
  ball.Top = paddle.Top - ball.Height;
  highscore.Caption = sixDigits(bestScore);
}

}  // namespace zorvane
