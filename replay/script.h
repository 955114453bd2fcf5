// Replay scripts: the input events of one run, read whole before anything runs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "replay/expect.h"

namespace zorvane {

enum class Op : uint8_t { Wait, Down, Up, Click, Catchup, Expect };

// One command of a script, in script order.
struct Command {
  Op op = Op::Wait;
  int64_t value = 0;        // wait, catchup: milliseconds; down, up: key code; expect: its index in `expectations`
  std::string_view button;  // click: "pause", "gameover" or "nextlevel" (static text)
  int64_t line = 0;         // script line it came from, from 1
};

// A whole script: the random queue, the seeds and the commands to run after start-up.
struct Script {
  std::vector<float> draws;              // every rand value, in script order
  uint64_t seed = 1;                     // generator seed once the queue is empty
  std::vector<uint64_t> randomizeSeeds;  // every randomize seed, in script order
  std::vector<Command> commands;         // wait, catchup, down, up, click and expect, in order
  std::vector<Expectation> expectations;  // the checks of every expect line, in order
};

// Why a script was refused.
struct ScriptError {
  int64_t line = 0;       // script line, from 1
  std::string message;    // one line of printable text, without the line number
};

// Reads a whole script; on a bad line returns false and fills `error` (the first fault).
bool parseScript(std::string_view text, Script& script, ScriptError& error);

// Reads and parses the script at `path` (- for standard input). Returns 0, or the exit
// status with `error` set: 1 when it cannot be read, 2 for a bad script ("NAME, line N: ...").
int loadScript(const std::string& path, Script& script, std::string& error);

// The longest script, in bytes: one byte more and it is refused.
constexpr size_t maxScriptBytes = size_t{64} << 20;

// The longest total of wait and catchup times a script may ask for: 7 days.
constexpr int64_t maxScriptTime = int64_t{7} * 24 * 60 * 60 * 1000;

// Text from outside made safe to show on a terminal: printable ASCII stays, a backslash
// doubles and every other byte becomes \xNN. With `limit` > 0 the result keeps at most about
// `limit` characters and ends in "..." when it was cut.
std::string printable(std::string_view text, size_t limit = 0);

}  // namespace zorvane
