// Game flow: the score and extra lives, lost balls and game over, levels and the pause.
#include <cmath>

#include "game/form1.h"

namespace zorvane {
namespace {

bool hasMarker(int lives) { return lives >= 1 && lives <= 6; }

}  // namespace

// Books the 10 points of a brick hit; every 5000 of them earn a life.
void Form1::updatescore() {
  currentScore += 10;
  extraLifePoints += 10;
  if (extraLifePoints > 5000) {
    extraLifePoints -= 5000;
    cues.add(CueKind::ExtraLife);
    livesLeft += 1;
    if (livesLeft > 6) livesLeft = 6;
  }
  // Play resumed after a game over has no life, and there is no marker 0 to show.
  if (hasMarker(livesLeft)) life(livesLeft).Visible = true;
  showscore.Caption = sixDigits(currentScore);
  if (currentScore > bestScore) {
    highscore.Caption = showscore.Caption;
    bestScore = currentScore;
  }
}

// The ball is lost: one life less, the standard paddle, and a new serve or the end.
void Form1::lostlife() {
  cues.add(CueKind::BallLost);
  if (hasMarker(livesLeft)) {
    life(livesLeft).Visible = false;
    livesLeft -= 1;
  }
  paddle.Width = static_cast<float>(std::floor(2.5 * brickWidth));
  if (livesLeft <= 0) {
    livesLeft = 0;
    over();
  } else {
    start();
  }
}

void Form1::over() {
  cues.add(CueKind::GameOver);
  gameover.Visible = true;
  Timer1.Interval(0);
  Timer2.Interval(0);
}

// A new game in a freshly built window; the game state, and so the high score, survives.
void Form1::gameover_Click() {
  Unload();
  Show();
}

// The field is cleared: stop, and offer the next layout of the rotation.
void Form1::nextlvl() {
  cues.add(CueKind::FieldCleared);
  layoutIndex += 1;
  levelNumber += 1;
  if (layoutIndex > layoutCount) layoutIndex = 1;
  nextlevel.Visible = true;
  nextlevel.Caption = "Level: " + std::to_string(levelNumber);
  Timer1.Interval(0);
  Timer2.Interval(0);
}

void Form1::nextlevel_Click() {
  nextlevel.Visible = false;
  livesLeft += 1;
  if (livesLeft > 6) livesLeft = 6;
  grid();
  start();
  Timer1.Interval(25);
  Timer2.Interval(25);
}

void Form1::pause_Click() {
  Timer1.Interval(25);
  Timer2.Interval(25);
  pause.Visible = false;
}

}  // namespace zorvane
