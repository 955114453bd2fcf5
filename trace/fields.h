// The whole-number fields of the game that a trace line shows right after "t" and "ev", in
// the line's order, by their names in the game state. The trace writes them from this list,
// and an expect line may name any of them (and t).
#pragma once

#define ZORVANE_TRACE_INTEGERS(X)                                                                  \
  X(currentScore) X(extraLifePoints) X(bestScore) X(levelNumber) X(layoutIndex) X(layoutCount)     \
  X(livesLeft) X(bricksAtStart) X(bricksLeft) X(paddleDirection) X(ballVelocityY) X(boardRight)    \
  X(lastCell) X(diceRoll)
