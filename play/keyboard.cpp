// The keyboard: arrows steer the paddle, P pauses, F1 and F2 jump between layouts.
#include "game/form1.h"
#include "platform/keys.h"

namespace zorvane {

void Form1::Form_KeyDown(int16_t KeyCode, int16_t /*Shift*/) {
  if (KeyCode == keys::Left) paddleDirection = 2;
  if (KeyCode == keys::Right) paddleDirection = 1;
  if (KeyCode == keys::P) {
    pause.Visible = true;
    Timer1.Interval(0);
    Timer2.Interval(0);
  }
  if (KeyCode == keys::F1) {
    layoutIndex += 1;
    if (layoutIndex > layoutCount) layoutIndex = 1;
    layoutJump();
  }
  if (KeyCode == keys::F2) {
    layoutIndex -= 1;
    if (layoutIndex < 1) layoutIndex = layoutCount;
    layoutJump();
  }
}

// Any key released stops the paddle.
void Form1::Form_KeyUp(int16_t /*KeyCode*/, int16_t /*Shift*/) { paddleDirection = 0; }

// The score moves into the high score if it beats it; the new field starts from nothing.
void Form1::layoutJump() {
  if (currentScore > bestScore) {
    bestScore = currentScore;
    highscore.Caption = sixDigits(bestScore);
  }
  currentScore = 0;
  extraLifePoints = 0;
  showscore.Caption = "000000";
  grid();
  start();
  Timer1.Interval(25);
  Timer2.Interval(25);
}

}  // namespace zorvane
