// The game's window-wide variables: one plain struct that survives Unload and Show.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "platform/marks.h"

namespace zorvane {

struct GameState {
  std::array<std::array<std::string_view, 21>, 101> levelRows{};  // layout 0..100, row 0..20
  int32_t currentScore = 0;          // may go below 0
  int32_t extraLifePoints = 0;       // hit points gathered towards the next extra life
  int32_t bestScore = 0;             // high score of the run, never reset
  int32_t levelNumber = 0;           // level as the player sees it
  int32_t layoutIndex = 0;           // 1..layoutCount: the layout grid lays out
  int16_t layoutCount = 0;           // length of the layout rotation (7)
  int16_t livesLeft = 0;
  int16_t bricksAtStart = 0;         // 0 while a field is built, then its count
  float brickWidth = 0;              // one brick cell
  float brickHeight = 0;
  MarkedGrid<int16_t, 31, 36> brickCode;  // column 0..30, row 0..35; 0 = no brick; writes mark their cell
  int16_t bricksLeft = 0;            // bricks still to clear on this field
  float boardLeft = 0;               // playfield edges
  float boardTop = 0;
  int16_t boardRight = 0;
  float boardBottom = 0;
  int16_t paddleDirection = 0;       // 0 still, 1 right, 2 left
  float ballVelocityX = 0;           // positive moves right
  int16_t ballVelocityY = 0;         // positive moves up
  float baseSpeed = 0;               // magnitude of both velocities
  double speedFactorX = 0;           // random speed factors of the flight
  double speedFactorY = 0;
  int32_t lastCell = 0;              // brick cell examined last by a probe
  int16_t diceRoll = 0;              // latest stored random draw
  std::array<double, 3> logoBallStepX{};   // logo ball steps per tick
  std::array<int16_t, 3> logoBallStepY{};
};

}  // namespace zorvane
