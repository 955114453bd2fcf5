// Random but meaningful replay scripts from a seed: a player who mostly keeps the ball in
// play, and now and then pauses, jumps between layouts, presses stray keys, lets the ball
// go, clicks buttons, and queues chosen random draws.
#pragma once
#include <cstdint>
#include <cstdio>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "script/script.h"

namespace zorvane {

class Form1;

// A `rand` line and the command it stands before in the script text.
struct RandLine {
  size_t before = 0;          // index of the command it precedes
  std::vector<float> values;
};

class ScriptGenerator {
 public:
  // With `ownLayouts` > 0 the game is played on that many random layouts of the player's own.
  explicit ScriptGenerator(uint64_t seed, int ownLayouts = 0);

  uint64_t gameSeed() const { return seedLine; }             // the script's `seed` line
  const std::vector<float>& draws() const { return queued; }  // every rand value, in order
  const std::vector<RandLine>& randLines() const { return lines; }
  const SharedLayouts& layouts() const { return own; }        // the script's layout lines; null: none

  // The next command for the game as it stands. Deterministic: the same seed and the same
  // game give the same commands, so a run can be written out as a script afterwards.
  Command next(const Form1& form);

 private:
  void decide(const Form1& form);
  void steer(const Form1& form);
  bool pickBrick(const Form1& form, double& x);
  void hold();
  void jump(const Form1& form);
  void makeLayouts(int count);
  void press(int16_t code);                      // down, then up a little later
  void push(Op op, int64_t value);
  void click(std::string_view button);           // one of buttonNames
  void wait(int64_t lo, int64_t hi) { push(Op::Wait, between(lo, hi)); }
  int64_t between(int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(rng); }
  bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }

  std::mt19937_64 rng;
  uint64_t seedLine = 1;
  std::vector<float> queued;
  std::vector<RandLine> lines;
  SharedLayouts own;
  std::deque<Command> pending;
  double aim = 0;              // where the paddle's centre should be, from the ball's centre
  bool aimed = false;          // a brick has been chosen for the ball's present fall
};

// Writes a generated run's commands as a script: the seed, the rand lines where they stand,
// the rest.
class ScriptWriter {
 public:
  ScriptWriter(const ScriptGenerator& generator, std::string* text, std::FILE* file);
  void command(const Command& c);
  void finish();                              // rand lines that never came due go last

 private:
  void put(const std::string& line);          // a whole line, with its newline
  const ScriptGenerator& generator;
  std::string* text;
  std::FILE* file;                            // flushed per line: the script survives a crash
  size_t written = 0, nextRand = 0;
};

// A generated game played until `timerTicks` timer ticks were handled, as a script.
Script generatedGame(uint64_t seed, uint64_t timerTicks, int ownLayouts = 0);

}  // namespace zorvane
