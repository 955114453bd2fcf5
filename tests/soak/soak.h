// The soak run: a generated script played through the replay library, every invariant
// checked after every handled event, and what the run went through counted.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "script/script.h"
#include "tools/generator.h"

namespace zorvane::soak {

// What a run went through, to show that the generator reaches the game's corners.
struct Coverage {
  std::array<uint64_t, 100> hits{};         // brick hits, by the code the brick had
  std::array<uint64_t, 8> flightTicks{};    // ball ticks with the ball moving, by layout
  uint64_t levelsCleared = 0, restarts = 0, pauses = 0, jumps = 0, lostBalls = 0;
  uint64_t playWithoutLives = 0;            // ball ticks while no life is left
  int32_t maxLevel = 1;
  float smallestBall = 1e30f, largestBall = 0, narrowestPaddle = 1e30f, widestPaddle = 0;

  std::string summary() const;
  std::string missing() const;               // what a meaningful run must have reached; "" if all
};

struct SoakOptions {
  uint64_t seed = 1;
  uint64_t timerEvents = 1'000'000;           // stop once this many timer ticks were handled
  uint64_t maxCommands = std::numeric_limits<uint64_t>::max();
  int layouts = 0;                            // random layouts of the player's own; 0: the built-in ones
  std::string* script = nullptr;              // receives the script, when set
  std::FILE* record = nullptr;                // receives it line by line, when set
};

struct SoakResult {
  bool ok = true;
  std::string broken;                         // the invariant that broke
  std::string event;                          // the event after which it broke
  uint64_t commands = 0, events = 0, timerEvents = 0;
  int64_t time = 0;                           // virtual milliseconds
  Coverage coverage;
};

SoakResult runSoak(const SoakOptions& options);

// Plays a script text with the invariants checked; the first broken one, or "" if none.
std::string replayAndCheck(const std::string& scriptText);

struct RestartResult {
  bool ok = true;
  std::string message;
  uint64_t restarts = 0;
  size_t heapBefore = 0, heapAfter = 0;       // bytes in use, after warming up and at the end
  long rssBefore = 0, rssAfter = 0;           // resident kilobytes
};

// Game over and a click on the game-over button, `count` times in one process, with a
// stretch of generated play before each; memory in use must not grow.
RestartResult runRestarts(uint64_t seed, uint64_t count);

}  // namespace zorvane::soak
