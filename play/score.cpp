// A brick hit: points, the brick's own effect, its redraw, and the ball sent away.
#include <cmath>

#include "game/form1.h"
#include "platform/draws.h"

namespace zorvane {
namespace {

float scaled(float size, double factor) { return static_cast<float>(size * factor); }

// How a hit on a brick of code c sounds: "!" stays, "?" does its trick, 28..76 lose a hit.
CueKind brickCue(int c) {
  using namespace brickCodes;
  if (c == unbreakable) return CueKind::BrickUnbreakable;
  if (c >= specialFirst) return CueKind::BrickSpecial;
  if (c >= multiHitFirst) return CueKind::BrickWeakened;
  return CueKind::BrickCleared;
}

}  // namespace

// Said as score() below does it, code by code.
const char* hitMeaning(int c) {
  static constexpr const char* specials[] = {
      "by chance 7 fewer to 3 more bricks to clear",  // 77
      "3 more bricks to clear",                       // 78
      "3 fewer bricks to clear",                      // 79
      "by chance 50 points less to 40 more",          // 80
      "40 points more",                               // 81
      "40 points less",                               // 82
      "the paddle grows or shrinks, by chance",       // 83
      "the paddle grows",                             // 84
      "the paddle shrinks",                           // 85
      "the ball grows or shrinks, by chance",         // 86
      "the ball grows",                               // 87
      "the ball shrinks",                             // 88
      "the next layout",                              // 89
      "the layout before",                            // 90
  };
  using namespace brickCodes;
  if (c == 0) return "empty: no brick";
  if (c >= oneHitFirst && c <= oneHitLast) return "one hit clears it";
  if (c >= multiHitFirst && c <= multiHitLast) return "each hit takes one off the hits it needs";
  if (c >= specialFirst && c <= 90) return specials[c - specialFirst];
  if (c >= 91 && c <= 97) return "it stays: a hit only scores";
  if (c == 98) return "by chance another brick, or it stays";
  if (c == unbreakable) return "unbreakable: a hit costs 10 points";
  return "";
}

void Form1::score(int i, int x, int y, int decx, int decy) {
  updatescore();
  auto cell = brickCode[x][y];
  const int c = cell;
  cues.add(brickCue(c), x, y);
  const auto growBall = [&](double factor) {
    ball.Width = scaled(ball.Width, factor);
    ball.Height = scaled(ball.Height, factor);
  };
  const auto changeLayout = [&](int step) {
    cell = 0;
    layoutIndex += step;
    if (layoutIndex < 1) layoutIndex = layoutCount;
    if (layoutIndex > layoutCount) layoutIndex = 1;
    grid();
    start();
    Timer1.Interval(25);
    Timer2.Interval(25);
  };

  if (c == brickCodes::unbreakable) {
    currentScore -= 10;
    if (currentScore < 0) currentScore = 0;
  } else if (c == 98) {
    diceRoll = roll(random, 4);
    if (diceRoll == 1 || diceRoll == 2) {
      diceRoll = roll(random, 86);
      cell = diceRoll;
    }
    if (diceRoll == 0) {
      diceRoll = roll(random, 86);
      if (diceRoll == 0) {
        bricksLeft = 1;
        numbricks.Caption.assign(1, '1');  // the bare digit, not the three-digit form
      }
    }
  } else if (c == 90) {
    changeLayout(-1);
  } else if (c == 89) {
    changeLayout(+1);
  } else if (c == 88) {
    cell = 0;
    growBall(0.9);
  } else if (c == 87) {
    cell = 0;
    growBall(1.1);
  } else if (c == 86) {
    cell = 0;
    diceRoll = roll(random, 2);
    growBall(diceRoll == 0 ? 0.9 : 1.1);
  } else if (c == 85) {
    cell = 0;
    paddle.Width = scaled(paddle.Width, 0.8);
  } else if (c == 84) {
    cell = 0;
    paddle.Width = scaled(paddle.Width, 1.25);
  } else if (c == 83) {
    cell = 0;
    diceRoll = roll(random, 2);
    paddle.Width = scaled(paddle.Width, diceRoll == 0 ? 1.25 : 0.8);
  } else if (c == 82) {
    cell = 0;
    currentScore -= 40;
  } else if (c == 81) {
    cell = 0;
    currentScore += 40;
  } else if (c == 80) {
    cell = 0;
    diceRoll = static_cast<int16_t>(roll(random, 10) - 5);
    currentScore += 10 * diceRoll;
    if (currentScore < 0) currentScore = 0;
  } else if (c == 79) {
    cell = 0;
    bricksLeft -= 3;
  } else if (c == 78) {
    cell = 0;
    bricksLeft += 3;
  } else if (c == 77) {
    cell = 0;
    diceRoll = roll(random, 6);
    bricksLeft += 2 * diceRoll - 7;
  } else if (c >= 35 && c <= brickCodes::multiHitLast) {
    cell = static_cast<int16_t>(c - 7);
  } else if (c == 34) {
    cell = 27;
  } else if (c >= brickCodes::multiHitFirst && c <= 33) {
    cell = static_cast<int16_t>(2 * (c - 27) - 1);
  } else if (c >= brickCodes::oneHitFirst && c <= brickCodes::oneHitLast) {
    cell = 0;
  }

  colorbricks(i, x, y);

  // The ball leaves the brick along the axis it was hit on, at full speed.
  if (decx == 1) ballVelocityX = baseSpeed;
  if (decx == -1) ballVelocityX = -baseSpeed;
  if (decy == 1) ballVelocityY = static_cast<int16_t>(std::nearbyint(baseSpeed));
  if (decy == -1) ballVelocityY = static_cast<int16_t>(-std::nearbyint(baseSpeed));
  speedFactorX = speedFactor(random, 0.31);
  speedFactorY = speedFactor(random, 0.31);
}

}  // namespace zorvane
