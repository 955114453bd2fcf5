#include "drive/spoken.h"

#include <utility>

#include "game/form1.h"

namespace zorvane {

namespace {

std::string lives(int32_t n) { return std::to_string(n) + (n == 1 ? " life" : " lives"); }
std::string bricks(int32_t n) { return std::to_string(n) + (n == 1 ? " brick" : " bricks"); }

}  // namespace

std::string Spoken::news(const Form1& form) {
  const GameFields& f = form.fields();
  const Seen now{true, f.livesLeft, f.pause.Visible, f.gameover.Visible, f.nextlevel.Visible};
  const Seen was = std::exchange(seen, now);
  if (!was.known) return "";
  if (now.over && !was.over) return "Game over. Score " + std::to_string(f.currentScore) + ".";
  std::string said;
  if (now.lives < was.lives && !now.over) said = "Ball lost. " + lives(now.lives) + " left.";
  if (now.cleared && !was.cleared) said = "Field cleared. Next: level " + std::to_string(f.levelNumber) + ".";
  if (now.pause && !was.pause) said += std::string(said.empty() ? "" : " ") + "Paused.";
  return said;
}

std::string Spoken::summary(const Form1& form) {
  const GameFields& f = form.fields();
  return "Score " + std::to_string(f.currentScore) + ", high score " + std::to_string(f.bestScore) + ", " +
         lives(f.livesLeft) + ", " + bricks(f.bricksLeft) + " left.";
}

std::string Spoken::score(const Form1& form) {
  return "Score " + std::to_string(form.fields().currentScore) + ".";
}

}  // namespace zorvane
