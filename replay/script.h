// Replay scripts: the input events of one run, read whole before anything runs.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorvane {

enum class Op : uint8_t { Wait, Down, Up, Click };

// One command of a script, in script order.
struct Command {
  Op op = Op::Wait;
  int64_t value = 0;        // wait: milliseconds; down, up: key code
  std::string_view button;  // click: "pause", "gameover" or "nextlevel" (static text)
  int line = 0;             // script line it came from, from 1
};

// A whole script: the random queue, the seed and the commands to run after start-up.
struct Script {
  std::vector<float> draws;        // every rand value, in script order
  uint64_t seed = 1;               // generator seed once the queue is empty
  std::vector<Command> commands;   // wait, down, up and click, in order
};

// Why a script was refused.
struct ScriptError {
  int line = 0;           // script line, from 1
  std::string message;    // one line, without the line number
};

// Reads a whole script; on a bad line returns false and fills `error` (the first fault).
bool parseScript(std::string_view text, Script& script, ScriptError& error);

// Longest total of wait times a script may ask for, so the clock never overflows.
constexpr int64_t maxScriptTime = int64_t{1} << 53;

}  // namespace zorvane
